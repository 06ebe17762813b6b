// Watches how the plug-in reads the screen, through its import table: the screen's device
// contexts it takes and gives back, and every bit-block copy it makes, with its source,
// rectangles and raster operation. One spy at a time.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

#include "host/import_table.h"

class ScreenCopySpy {
public:
  struct Copy {
    bool stretched;     // StretchBlt, or BitBlt
    bool fromScreen;    // the source is a DC of the whole screen that the plug-in holds
    RECT from, to;      // source and destination rectangles
    DWORD rop;
  };

  explicit ScreenCopySpy(HMODULE plugin) {
    spy_ = this;
    Hook(plugin, "USER32.DLL", "GetDC", &OnGetDC, realGetDC_);
    Hook(plugin, "USER32.DLL", "ReleaseDC", &OnReleaseDC, realReleaseDC_);
    Hook(plugin, "GDI32.DLL", "StretchBlt", &OnStretchBlt, realStretchBlt_);
    Hook(plugin, "GDI32.DLL", "BitBlt", &OnBitBlt, realBitBlt_);
  }
  ~ScreenCopySpy() {
    for (const auto& [entry, real] : hooked_) ReplaceImport(entry, real);
    spy_ = nullptr;
  }
  ScreenCopySpy(const ScreenCopySpy&) = delete;
  ScreenCopySpy& operator=(const ScreenCopySpy&) = delete;

  // The plug-in imports all four.
  bool Hooked() const { return hooked_.size() == 4; }

  std::vector<Copy> copies;
  int screenTaken = 0, screenReleased = 0;
  std::vector<HDC> screenHeld;

private:
  template <typename F>
  void Hook(HMODULE plugin, const char* library, const char* name, F hook, F& real) {
    if (void** entry = ImportEntry(plugin, library, name)) {
      real = reinterpret_cast<F>(ReplaceImport(entry, reinterpret_cast<void*>(hook)));
      hooked_.push_back({entry, reinterpret_cast<void*>(real)});
    }
  }

  static HDC WINAPI OnGetDC(HWND window) {
    const HDC dc = spy_->realGetDC_(window);
    if (window == nullptr && dc != nullptr) {
      ++spy_->screenTaken;
      spy_->screenHeld.push_back(dc);
    }
    return dc;
  }
  static int WINAPI OnReleaseDC(HWND window, HDC dc) {
    auto& held = spy_->screenHeld;
    if (const auto at = std::find(held.begin(), held.end(), dc); window == nullptr && at != held.end()) {
      held.erase(at);
      ++spy_->screenReleased;
    }
    return spy_->realReleaseDC_(window, dc);
  }
  static bool Screen(HDC dc) { return std::count(spy_->screenHeld.begin(), spy_->screenHeld.end(), dc) > 0; }
  static BOOL WINAPI OnStretchBlt(HDC to, int x, int y, int w, int h, HDC from, int sx, int sy, int sw, int sh,
                                  DWORD rop) {
    spy_->copies.push_back({true, Screen(from), {sx, sy, sx + sw, sy + sh}, {x, y, x + w, y + h}, rop});
    return spy_->realStretchBlt_(to, x, y, w, h, from, sx, sy, sw, sh, rop);
  }
  static BOOL WINAPI OnBitBlt(HDC to, int x, int y, int w, int h, HDC from, int sx, int sy, DWORD rop) {
    spy_->copies.push_back({false, Screen(from), {sx, sy, sx + w, sy + h}, {x, y, x + w, y + h}, rop});
    return spy_->realBitBlt_(to, x, y, w, h, from, sx, sy, rop);
  }

  static inline ScreenCopySpy* spy_ = nullptr;
  std::vector<std::pair<void**, void*>> hooked_;
  decltype(&GetDC) realGetDC_ = nullptr;
  decltype(&ReleaseDC) realReleaseDC_ = nullptr;
  decltype(&StretchBlt) realStretchBlt_ = nullptr;
  decltype(&BitBlt) realBitBlt_ = nullptr;
};
