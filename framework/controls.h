// The small pieces our windows are made of: a font, a text label and a timer, each owning its
// system handle.
#pragma once

#include <windows.h>

#include <string>

class Window;

// A font by face name and character height in pixels.
class Font {
public:
  enum class Weight { Normal, Bold };
  Font(const wchar_t* face, int pixelHeight, Weight weight = Weight::Normal);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  HFONT Handle() const { return font_; }

private:
  HFONT font_;
};

// A static text child of a window, sized to its text. It goes with its parent window; destroyed
// on its own, it takes its window along.
class Label {
public:
  Label(const Window& parent, int left, int top, const std::string& caption, const Font& font);
  ~Label();
  Label(const Label&) = delete;
  Label& operator=(const Label&) = delete;
  HWND Handle() const { return hwnd_; }

private:
  const Window& parent_;
  HWND hwnd_;
};

// A timer of a window, by id; the window receives WM_TIMER with that id while it is enabled.
class Timer {
public:
  Timer(const Window& owner, UINT_PTR id, UINT interval) : owner_(owner), id_(id), interval_(interval) {}
  ~Timer() { SetEnabled(false); }
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  UINT_PTR Id() const { return id_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);

private:
  const Window& owner_;
  UINT_PTR id_;
  UINT interval_;
  bool enabled_ = false;
};
