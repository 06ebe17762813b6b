// Handles with owners: device contexts held for one use (the whole screen's, a window's with its
// non-client area, a window's client area), an object selected into a DC for one use, a DC's
// stretch mode set for one use, a solid brush, and a window made for another (a tooltip, say).
#pragma once

#include <windows.h>

// A device context held for one use: a window's whole area (its non-client area included) or its
// client area alone; a null window gives the screen's.
class WindowDC {
public:
  enum class Area { Whole, Client };
  explicit WindowDC(HWND window = nullptr, Area area = Area::Whole)
      : window_(window), dc_(window != nullptr && area == Area::Whole ? GetWindowDC(window) : GetDC(window)) {}
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

// A window's client-area device context.
class ClientDC : public WindowDC {
public:
  explicit ClientDC(HWND window) : WindowDC(window, Area::Client) {}
};

// Selects an object into a device context and puts back what it replaced.
class SelectGuard {
public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc != nullptr ? SelectObject(dc, object) : nullptr) {}
  ~SelectGuard() {
    if (old_ != nullptr) SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

// Sets a device context's stretch mode and puts back the one it had.
class StretchModeGuard {
public:
  StretchModeGuard(HDC dc, int mode) : dc_(dc), old_(SetStretchBltMode(dc, mode)) {}
  ~StretchModeGuard() {
    if (old_ != 0) SetStretchBltMode(dc_, old_);
  }
  StretchModeGuard(const StretchModeGuard&) = delete;
  StretchModeGuard& operator=(const StretchModeGuard&) = delete;

private:
  HDC dc_;
  int old_;
};

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

// A window that is not a Window object of ours, destroyed with its owner object. Forget() is for
// when the system has destroyed it already (with its owner window).
class OwnedWindow {
public:
  OwnedWindow() = default;
  ~OwnedWindow() { Reset(); }
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;

  HWND get() const { return hwnd_; }
  void Reset(HWND hwnd = nullptr) {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    hwnd_ = hwnd;
  }
  void Forget() { hwnd_ = nullptr; }

private:
  HWND hwnd_ = nullptr;
};
