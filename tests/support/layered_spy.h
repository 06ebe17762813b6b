// Catches the pictures that windows of this process hand to UpdateLayeredWindow, alpha and all,
// which no screen copy shows. While a spy lives, the function's calls go to the spy; each call is
// recorded and then made as usual.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "code_patch.h"

class LayeredSpy {
public:
  struct Frame {
    HWND window = nullptr;
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // top row first, 0xAARRGGBB
    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
  };

  LayeredSpy() : patch_(L"user32.dll", "UpdateLayeredWindow", reinterpret_cast<const void*>(&Hook)) { spy_ = this; }
  ~LayeredSpy() { spy_ = nullptr; }
  LayeredSpy(const LayeredSpy&) = delete;
  LayeredSpy& operator=(const LayeredSpy&) = delete;

  const std::vector<Frame>& Frames() const { return frames_; }
  void Clear() { frames_.clear(); }

private:
  static BOOL WINAPI Hook(HWND window, HDC screen, POINT* position, SIZE* size, HDC source, POINT* from,
                          COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
    LayeredSpy& spy = *spy_;
    if (source != nullptr && size != nullptr) spy.Record(window, source, from, *size);
    using Update = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
    const CodePatch::Lifted lifted(spy.patch_);
    return spy.patch_.Original<Update>()(window, screen, position, size, source, from, key, blend, flags);
  }

  void Record(HWND window, HDC source, const POINT* from, SIZE size) {
    const auto bitmap = static_cast<HBITMAP>(GetCurrentObject(source, OBJ_BITMAP));
    BITMAP bm = {};
    if (GetObjectW(bitmap, sizeof bm, &bm) != sizeof bm || bm.bmBitsPixel != 32) return;
    // The whole bitmap, top row first, whichever way it is stored.
    std::vector<std::uint32_t> all(std::size_t(bm.bmWidth) * std::size_t(bm.bmHeight));
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GdiFlush();
    if (GetDIBits(source, bitmap, 0, UINT(bm.bmHeight), all.data(), &info, DIB_RGB_COLORS) != bm.bmHeight) return;
    Frame f;
    f.window = window;
    f.width = size.cx;
    f.height = size.cy;
    const int x0 = from != nullptr ? from->x : 0, y0 = from != nullptr ? from->y : 0;
    for (int y = 0; y < size.cy; ++y) {
      const auto row = all.begin() + std::ptrdiff_t(y0 + y) * bm.bmWidth + x0;
      f.pixels.insert(f.pixels.end(), row, row + size.cx);
    }
    frames_.push_back(std::move(f));
  }

  static inline LayeredSpy* spy_ = nullptr;
  CodePatch patch_;
  std::vector<Frame> frames_;
};
