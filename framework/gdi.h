// GDI handles with owners: device contexts held for one use (the whole screen's, and a
// window's, non-client area included), and a solid brush.
#pragma once

#include <windows.h>

class WindowDC {
public:
  // A null window gives the screen's device context.
  explicit WindowDC(HWND window = nullptr) : window_(window), dc_(window ? GetWindowDC(window) : GetDC(nullptr)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

using ScreenDC = WindowDC;

// A solid brush of one colour, which can change.
class SolidBrush {
public:
  explicit SolidBrush(COLORREF color) : color_(color), brush_(CreateSolidBrush(color)) {}
  ~SolidBrush() {
    if (brush_ != nullptr) DeleteObject(brush_);
  }
  SolidBrush(const SolidBrush&) = delete;
  SolidBrush& operator=(const SolidBrush&) = delete;

  HBRUSH get() const { return brush_; }
  COLORREF Color() const { return color_; }
  // Paints a window's whole client area (its background, on WM_ERASEBKGND).
  void FillClient(HWND window, HDC dc) const {
    RECT client = {};
    GetClientRect(window, &client);
    FillRect(dc, &client, brush_);
  }
  // False when the colour is the same or no brush could be made (the old one stays).
  bool SetColor(COLORREF color) {
    if (color == color_) return false;
    const HBRUSH brush = CreateSolidBrush(color);
    if (brush == nullptr) return false;
    if (brush_ != nullptr) DeleteObject(brush_);
    brush_ = brush;
    color_ = color;
    return true;
  }

private:
  COLORREF color_;
  HBRUSH brush_;
};
