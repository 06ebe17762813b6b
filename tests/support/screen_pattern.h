// A test pattern on the screen and copies of what the screen (or one window) shows, for tests
// that compare the lens's pictures with what lies beneath it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "host/publication.h"

// A different colour at nearly every pixel, fixed to the screen position, so that an
// enlargement that is one pixel off shows.
inline std::uint32_t PatternAt(int x, int y) {
  return std::uint32_t((x * 37) & 255) << 16 | std::uint32_t((y * 53) & 255) << 8 | std::uint32_t(((x ^ y) * 29) & 255);
}

// A plain pop-up window showing the pattern, above the publication and below the (topmost) lens.
class PatternWindow {
public:
  explicit PatternWindow(const RECT& r) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LensTestPattern";
    RegisterClassW(&wc);  // fails harmlessly from the second window on
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    Publication::Pump(200);
  }
  ~PatternWindow() { DestroyWindow(window_); }
  PatternWindow(const PatternWindow&) = delete;
  PatternWindow& operator=(const PatternWindow&) = delete;
  HWND Handle() const { return window_; }

private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return 1;
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    RECT r = {};
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<std::uint32_t> pixels(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)] = PatternAt(r.left + x, r.top + y);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBitsToDevice(dc, 0, 0, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), pixels.data(), &info, DIB_RGB_COLORS);
    EndPaint(window, &ps);
    return 0;
  }
  HWND window_ = nullptr;
};

// Part of the screen as it is now, read the way the lens reads it, and kept in a memory DC too
// so that it can be stretched as the lens stretches the screen.
class ScreenGrab {
public:
  // The screen within r; or, given a window, that window's own picture, placed at r.
  explicit ScreenGrab(const RECT& r, HWND window = nullptr) : rect_(r), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), Width(), -Height(), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    section_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, section_);
    const HDC source = window != nullptr ? GetWindowDC(window) : GetDC(nullptr);
    BitBlt(dc_, 0, 0, Width(), Height(), source, window != nullptr ? 0 : r.left, window != nullptr ? 0 : r.top,
           SRCCOPY);
    ReleaseDC(window, source);
    GdiFlush();
  }
  ~ScreenGrab() {
    SelectObject(dc_, old_);
    DeleteObject(section_);
    DeleteDC(dc_);
  }
  ScreenGrab(const ScreenGrab&) = delete;
  ScreenGrab& operator=(const ScreenGrab&) = delete;

  int Left() const { return rect_.left; }
  int Top() const { return rect_.top; }
  int Width() const { return rect_.right - rect_.left; }
  int Height() const { return rect_.bottom - rect_.top; }
  HDC Dc() const { return dc_; }
  // 0xRRGGBB at a screen point.
  std::uint32_t At(int x, int y) const {
    return bits_[std::size_t(y - rect_.top) * std::size_t(Width()) + std::size_t(x - rect_.left)] & 0xFFFFFF;
  }
  // Screen points inside the grab that differ from the pattern.
  int PatternMismatches(const RECT& r) const {
    int bad = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) bad += At(x, y) != PatternAt(x, y);
    return bad;
  }

private:
  RECT rect_;
  HDC dc_;
  HBITMAP section_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

// Rectangles compare and print in the assertions (found by argument lookup: global, as RECT is).
inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
inline std::ostream& operator<<(std::ostream& out, const RECT& r) {
  return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

inline RECT WindowRectOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}
