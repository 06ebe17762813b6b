// Windows XP has no GetTickCount64, yet the thread library that the C++ runtime brings along calls
// it through an import, and a DLL with an import that its system lacks does not load at all. The
// import's entry is defined here instead, so the linker takes it rather than KERNEL32's: the
// plug-in then imports nothing that XP lacks, and calls the system's function where there is one.
#include <windows.h>

#include <atomic>

namespace {

using TickCount64 = ULONGLONG(WINAPI*)();

// XP: the 32-bit count, carried past its wrap every 49.7 days. Only timed waits ask for it, from
// any thread: the wraps (high half) and the last count (low half) change together, and a count
// is read after the state it is compared with, so that a late thread never takes an older count
// for a wrap.
ULONGLONG WINAPI WidenedTickCount() {
  static std::atomic<ULONGLONG> state{0};
  ULONGLONG seen = state.load();
  for (;;) {
    const DWORD now = GetTickCount();
    const ULONGLONG wraps = (seen >> 32) + (now < DWORD(seen) ? 1 : 0);
    const ULONGLONG next = wraps << 32 | now;
    if (state.compare_exchange_weak(seen, next)) return next;
  }
}

ULONGLONG WINAPI FirstTickCount64();

}  // namespace

// The import's entry, under the name that calls through it use. The first call points it at the
// system's function, or at the widened count where there is none; first calls on two threads at
// once both store the same. Calls read the entry as the plain pointer it holds.
static_assert(std::atomic<TickCount64>::is_always_lock_free && sizeof(std::atomic<TickCount64>) == sizeof(TickCount64));
extern "C" std::atomic<TickCount64> tickCount64Entry __asm__("__imp__GetTickCount64@0");
std::atomic<TickCount64> tickCount64Entry{FirstTickCount64};

namespace {

ULONGLONG WINAPI FirstTickCount64() {
  const auto system = reinterpret_cast<TickCount64>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
  const TickCount64 chosen = system != nullptr ? system : WidenedTickCount;
  tickCount64Entry.store(chosen);
  return chosen();
}

}  // namespace
