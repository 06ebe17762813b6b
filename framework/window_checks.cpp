// Test builds only (never the shipped plug-in): a window that outlives its object stops the
// program, so that the test that caused it fails there. Linked ahead of the framework library,
// this definition replaces the one there.
#include <cstdio>
#include <cstdlib>

#include "framework/window.h"

void WindowOutlivedItsObject(HWND hwnd) {
  wchar_t className[64] = L"";
  GetClassNameW(hwnd, className, 64);
  std::fprintf(stderr, "A window of class %ls outlived its object: its class must destroy it in its destructor\n",
               className);
  std::fflush(stderr);
  std::abort();
}
