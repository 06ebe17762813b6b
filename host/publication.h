// The stand-in host's publication: one page window whose Rectangle objects are real child
// windows, found by name the way the host answers an object window lookup.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Publication {
public:
  // Creates and shows the page window with a client area of width x height.
  Publication(const std::string& title, int width, int height);
  ~Publication();
  Publication(const Publication&) = delete;
  Publication& operator=(const Publication&) = delete;

  HWND window() const { return window_; }

  // Adds a Rectangle object: a child window of the page at (x, y), width x height, in this colour.
  HWND AddRectangle(const std::string& name, int x, int y, int width, int height, COLORREF colour);
  // The page's title, the objects' names and the texts are host strings (Windows-1251).
  // Adds a line of text painted on the page at (x, y) (the publication's own content).
  void AddText(int x, int y, const std::string& text, COLORREF colour);
  // Adds a photo-like landscape painted at (x, y), width x height: smooth gradients and soft
  // edges, something worth enlarging. At most kMaxPictureSide pixels a side.
  void AddPicture(int x, int y, int width, int height);
  // Adds a block of one-pixel lines painted at (x, y), width x height, in this colour: a frame
  // around three strips, lines 1 to 4 pixels apart, a grid with a 4-pixel pitch and hatching.
  void AddLines(int x, int y, int width, int height, COLORREF colour);
  // The object's window, or null for an unknown name. Names match without regard to ASCII case.
  HWND Find(const std::string& name) const;
  // Moves or resizes an object's window (as the host does when a publication changes a page).
  bool MoveObject(const std::string& name, int x, int y, int width, int height);

  // Runs the thread's message loop for about this many milliseconds.
  static void Pump(int milliseconds);

  // Called with each activation and focus message of the page (WM_NCACTIVATE, WM_ACTIVATE,
  // WM_SETFOCUS, WM_KILLFOCUS) before the page handles it: a host may react to them.
  std::function<void(UINT message)> onActivation;

  static constexpr int kMaxPictureSide = 4096;

private:
  struct Object {
    std::string name;
    HWND window;  // its colour lives in the window's user data, where its paint code reads it
  };
  struct Text {
    int x, y;
    std::wstring text;
    COLORREF colour;
  };
  struct Picture {
    int x, y, width, height;
    std::vector<std::uint32_t> pixels;  // top-down rows of 0x00RRGGBB, rendered once
  };
  struct Lines {
    RECT box;
    COLORREF colour;
  };
  static void RegisterClasses();
  static LRESULT CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK ObjectProc(HWND, UINT, WPARAM, LPARAM);
  void PaintPage(HDC dc) const;

  HWND window_ = nullptr;
  std::vector<Object> objects_;
  std::vector<Text> texts_;
  std::vector<Picture> pictures_;
  std::vector<Lines> lines_;
};
