// A loaded module's import table, for spies that watch the calls one module makes into the
// system: each names the module's entry for a function and points it at itself meanwhile.
#pragma once

#include <windows.h>

// The entry through which `module` calls `function` of `library` (a name such as "GDI32.DLL",
// any case); null when the module does not import it by name.
void** ImportEntry(HMODULE module, const char* library, const char* function);

// Points an import entry at `target`; returns what it held.
void* ReplaceImport(void** entry, void* target);
