// Linked into test builds (never the shipped plug-in): a window that outlives its object stops the
// program, so that the test that caused it fails there.
#include <cstdio>
#include <cstdlib>

#include "framework/window.h"

namespace {

void StopAtOutlivedWindow(HWND hwnd) {
  wchar_t className[64] = L"";
  GetClassNameW(hwnd, className, 64);
  std::fprintf(stderr, "A window of class %ls outlived its object: its class must destroy it in its destructor\n",
               className);
  std::fflush(stderr);
  std::abort();
}

// In a test plug-in this runs under the loader lock: it only stores the handler.
const bool installed = (SetOutlivedWindowHandler(StopAtOutlivedWindow), true);

}  // namespace
