// The host boundary: the call convention, the host's Boolean and the routines it hands over.
#pragma once

// The host's register convention: three arguments in EAX, EDX, ECX, the rest pushed first to
// last, callee pops. GCC and clang push stack arguments last to first, so a routine with two or
// more stack arguments is declared with those arguments in reverse order. Only a GNU-like
// compiler for 32-bit x86 can say this; a Windows build by any other compiler, or for any other
// processor, would make a DLL that the host calls wrongly, so it stops here.
#if defined(__i386__) && defined(__GNUC__)
#define NB_CALL __attribute__((regparm(3), stdcall))
#elif defined(_WIN32)
#error "Vitrelle's host calls it with regparm(3) and stdcall, which only GCC or clang targeting 32-bit x86 (i686-w64-mingw32) can give: __attribute__((regparm(3), stdcall)). Build the plug-in with one of them, for i686, not with MSVC and not for a 64-bit or other target."
#else
#define NB_CALL  // portable code built natively (for its tests) only names these types
#endif

#include <cstdint>

using HostBool = std::uint8_t;           // 0 false, 1 true; only the low byte counts
using HostString = char*;                 // zero-terminated, host code page
using HostSlot = HostString*;             // a cell holding null or a GlobalAlloc'd host string

// AddAction(id, name, hint, codes, lastIndex, count), declared with its stack arguments reversed.
typedef std::uint32_t(NB_CALL* AddActionProc)(std::int32_t id, const char* name, const char* hint,
                                              std::int32_t count, std::int32_t lastIndex,
                                              const std::uint8_t* codes);
typedef void(NB_CALL* SetVariableProc)(const char* name, const char* value);
typedef HostBool(NB_CALL* InterfaceAccessProc)(std::int32_t command, HostSlot slot);

inline bool HostTrue(std::uint32_t result) { return (result & 0xFF) != 0; }
