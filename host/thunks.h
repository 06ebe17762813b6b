// The hand-written boundary thunks (thunks.S).
#pragma once
#include <windows.h>

#include <cstdint>

extern "C" {
// Calls fn with the host's register convention. args holds at least three words; checks receives
// kBalanced when the stack came back as it went in, and the three register bits when EBX, ESI and
// EDI did.
std::uint32_t nb_call(FARPROC fn, const std::uint32_t* args, int count, std::uint32_t* checks);

// Host routines as the plug-in calls them.
void host_AddAction_entry();
void host_SetVariable_entry();
void host_InterfaceAccess_entry();
}

enum ThunkCheck : std::uint32_t { kBalanced = 1, kKeptRegisters = 2 | 4 | 8 };
