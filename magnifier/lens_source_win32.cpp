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

// The display-affinity functions of user32, from Windows 7 on; looked up once.
struct Affinity {
  BOOL(WINAPI* set)(HWND, DWORD) = Bind<decltype(set)>(L"user32.dll", "SetWindowDisplayAffinity");
  BOOL(WINAPI* get)(HWND, DWORD*) = Bind<decltype(get)>(L"user32.dll", "GetWindowDisplayAffinity");
};

const Affinity& AffinityFunctions() {
  static const Affinity functions;
  return functions;
}

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
  const Affinity& affinity = AffinityFunctions();
  if (affinity.set == nullptr || affinity.get == nullptr || !affinity.set(window, kExcludeFromCapture)) return false;
  DWORD got = kNoAffinity;
  return affinity.get(window, &got) && got == kExcludeFromCapture;
}

void LetIntoScreenCopies(HWND window) {
  const Affinity& affinity = AffinityFunctions();
  if (affinity.set != nullptr) affinity.set(window, kNoAffinity);
}
