// Stand-ins for the compositor's functions, exported by the test program itself so that the
// run-time binding can be pointed at a "library" whose answers the test chooses.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct FakeCompositor {
  HRESULT result = S_OK;
  BOOL enabled = FALSE;
  BOOL handed = -1;                // what DwmIsCompositionEnabled found in its out parameter
  std::vector<std::string> calls;  // the functions called, in order
};

extern FakeCompositor fake_compositor;
