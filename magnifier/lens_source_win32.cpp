#include "magnifier/lens_source_win32.h"

namespace {

constexpr DWORD kNoAffinity = 0x00;          // WDA_NONE
constexpr DWORD kExcludeFromCapture = 0x11;  // WDA_EXCLUDEFROMCAPTURE

// Through void (*)(): GetProcAddress's type says nothing of the function's real one.
template <typename Signature>
Signature Bind(const wchar_t* module, const char* name) {
  const HMODULE handle = GetModuleHandleW(module);
  return handle != nullptr ? reinterpret_cast<Signature>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)))
                           : nullptr;
}

using SetAffinity = BOOL(WINAPI*)(HWND, DWORD);
using GetAffinity = BOOL(WINAPI*)(HWND, DWORD*);

}  // namespace

WindowsVersion TrueWindowsVersion() {
  using GetVersionInfo = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  static const auto rtl_get_version = Bind<GetVersionInfo>(L"ntdll.dll", "RtlGetVersion");
  if (rtl_get_version == nullptr || rtl_get_version(&info) != 0) {
    const DWORD told = GetVersion();
    return {LOBYTE(LOWORD(told)), HIBYTE(LOWORD(told)), unsigned(HIWORD(told) & 0x7FFF)};
  }
  return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}

bool KeepOutOfScreenCopies(HWND window) {
  static const auto set_affinity = Bind<SetAffinity>(L"user32.dll", "SetWindowDisplayAffinity");
  static const auto get_affinity = Bind<GetAffinity>(L"user32.dll", "GetWindowDisplayAffinity");
  if (set_affinity == nullptr || get_affinity == nullptr || !set_affinity(window, kExcludeFromCapture)) return false;
  DWORD affinity = kNoAffinity;
  return get_affinity(window, &affinity) && affinity == kExcludeFromCapture;
}

void LetIntoScreenCopies(HWND window) {
  static const auto set_affinity = Bind<SetAffinity>(L"user32.dll", "SetWindowDisplayAffinity");
  if (set_affinity != nullptr) set_affinity(window, kNoAffinity);
}
