#include "magnifier/screen_source.h"

#include <windows.h>

// Alone in its file: a program that links its own definition first keeps this one out.
bool ScreenCopyShowsLayeredWindows() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}
