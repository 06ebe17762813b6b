// Device contexts held for one use: the whole screen's, and a window's (non-client area
// included).
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
