#include "magnifier/lens_source_win32.h"

#include "framework/system_library.h"

namespace {

constexpr DWORD kNoAffinity = 0x00;          // WDA_NONE
constexpr DWORD kExcludeFromCapture = 0x11;  // WDA_EXCLUDEFROMCAPTURE

// The display-affinity functions of user32, from Windows 7 on; looked up once.
struct Affinity {
  BOOL(WINAPI* set)(HWND, DWORD) = BoundFunction<decltype(set)>(L"user32.dll", "SetWindowDisplayAffinity");
  BOOL(WINAPI* get)(HWND, DWORD*) = BoundFunction<decltype(get)>(L"user32.dll", "GetWindowDisplayAffinity");
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
  static const auto rtlGetVersion = BoundFunction<GetVersionInfo>(L"ntdll.dll", "RtlGetVersion");
  if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) {
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
