// A compositor library whose composition is switched off, as Vista and 7 allow: a lens that finds
// it must copy the screen itself. Wine's own says off only while it reports a version before 8.
// Deliberately without <dwmapi.h>, whose declaration of the same name is an import.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI DwmIsCompositionEnabled(BOOL* enabled) {
  if (enabled == nullptr) return E_INVALIDARG;
  *enabled = FALSE;
  return S_OK;
}
