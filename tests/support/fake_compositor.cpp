// Exported without decoration (the test links with --kill-at) under the compositor's names.
// Deliberately without <dwmapi.h>, whose declarations of the same names are imports.
#include "fake_compositor.h"

FakeCompositor fake_compositor;

static HRESULT Record(const char* name) {
  fake_compositor.calls.push_back(name);
  return fake_compositor.result;
}

extern "C" {

__declspec(dllexport) HRESULT WINAPI DwmIsCompositionEnabled(BOOL* enabled) {
  fake_compositor.handed = *enabled;
  *enabled = fake_compositor.enabled;
  return Record("DwmIsCompositionEnabled");
}
__declspec(dllexport) HRESULT WINAPI DwmRegisterThumbnail(HWND, HWND, HANDLE*) { return Record("DwmRegisterThumbnail"); }
__declspec(dllexport) HRESULT WINAPI DwmUnregisterThumbnail(HANDLE) { return Record("DwmUnregisterThumbnail"); }
__declspec(dllexport) HRESULT WINAPI DwmUpdateThumbnailProperties(HANDLE, const void*) {
  return Record("DwmUpdateThumbnailProperties");
}
__declspec(dllexport) HRESULT WINAPI DwmGetColorizationColor(DWORD*, BOOL*) { return Record("DwmGetColorizationColor"); }
__declspec(dllexport) HRESULT WINAPI DwmGetWindowAttribute(HWND, DWORD, void*, DWORD) {
  return Record("DwmGetWindowAttribute");
}

}  // extern "C"
