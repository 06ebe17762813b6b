// Catches the pictures that windows of this process hand to UpdateLayeredWindow, alpha and all,
// which no screen copy shows. While a spy lives, the function's first instruction jumps to the
// spy; each call is recorded and then made as usual.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

class LayeredSpy {
public:
  struct Frame {
    HWND window = nullptr;
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // top row first, 0xAARRGGBB
    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
  };

  LayeredSpy() {
    target_ = reinterpret_cast<std::uint8_t*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "UpdateLayeredWindow"));
    std::memcpy(original_, target_, sizeof original_);
    jump_[0] = 0xE9;  // jmp rel32
    const auto offset = std::int32_t(reinterpret_cast<std::uintptr_t>(&Hook) - (reinterpret_cast<std::uintptr_t>(target_) + 5));
    std::memcpy(jump_ + 1, &offset, 4);
    spy_ = this;
    Write(jump_);
  }
  ~LayeredSpy() {
    Write(original_);
    spy_ = nullptr;
  }
  LayeredSpy(const LayeredSpy&) = delete;
  LayeredSpy& operator=(const LayeredSpy&) = delete;

  const std::vector<Frame>& Frames() const { return frames_; }
  void Clear() { frames_.clear(); }

private:
  void Write(const std::uint8_t* bytes) {
    DWORD old = 0;
    VirtualProtect(target_, 5, PAGE_EXECUTE_READWRITE, &old);
    std::memcpy(target_, bytes, 5);
    VirtualProtect(target_, 5, old, &old);
    FlushInstructionCache(GetCurrentProcess(), target_, 5);
  }

  static BOOL WINAPI Hook(HWND window, HDC screen, POINT* position, SIZE* size, HDC source, POINT* from,
                          COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
    LayeredSpy& spy = *spy_;
    if (source != nullptr && size != nullptr) spy.Record(window, source, from, *size);
    spy.Write(spy.original_);
    using Update = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
    const BOOL result = reinterpret_cast<Update>(spy.target_)(window, screen, position, size, source, from, key, blend, flags);
    spy.Write(spy.jump_);
    return result;
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
  std::uint8_t* target_ = nullptr;
  std::uint8_t original_[5] = {};
  std::uint8_t jump_[5] = {};
  std::vector<Frame> frames_;
};
