// Windows XP has no GetTickCount64, yet the thread library that the C++ runtime brings along calls
// it through an import, and a DLL with an import that its system lacks does not load at all. The
// import's entry is defined here instead, so the linker takes it rather than KERNEL32's: the
// plug-in then imports nothing that XP lacks, and calls the system's function where there is one.
#include <windows.h>

namespace {

using TickCount64 = ULONGLONG(WINAPI*)();

// XP: the 32-bit count, carried past its wrap every 49.7 days. Only timed waits ask for it.
ULONGLONG WINAPI WidenedTickCount() {
  static DWORD last = 0, wraps = 0;
  const DWORD now = GetTickCount();
  if (now < last) ++wraps;
  last = now;
  return ULONGLONG(wraps) << 32 | now;
}

ULONGLONG WINAPI FirstTickCount64();

}  // namespace

// The import's entry, under the name that calls through it use. The first call points it at the
// system's function, or at the widened count where there is none.
extern "C" TickCount64 tick_count64_entry __asm__("__imp__GetTickCount64@0");
TickCount64 tick_count64_entry = FirstTickCount64;

namespace {

ULONGLONG WINAPI FirstTickCount64() {
  const auto system = reinterpret_cast<TickCount64>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
  tick_count64_entry = system != nullptr ? system : WidenedTickCount;
  return tick_count64_entry();
}

}  // namespace
