// Windows' own libraries, loaded from the system folder and from nowhere else. A load by bare name
// searches the program's folder and the current folder too, so a library of the same name lying
// beside the host's program or in the folder it was started from would be loaded into the host.
#pragma once

#include <windows.h>

// The two ways there are: by name with the search kept to the system folder, which Windows knows
// where kernel32 has AddDllDirectory (8 and later, Vista and 7 once updated), and by the full path
// of the library in the system folder everywhere else.
enum class SystemFolderLoad { SearchFlag, FullPath };

// The way this system takes.
SystemFolderLoad SystemFolderLoadWay();

// The system folder's library of that name (a file name such as L"dwmapi.dll"), or null. By
// Windows' rule a load by name first takes a module of that name already loaded in the process,
// wherever it came from; a load by full path does not.
HMODULE LoadSystemLibrary(const wchar_t* name);
HMODULE LoadSystemLibrary(const wchar_t* name, SystemFolderLoad way);

// A function of a library already loaded in the process (user32, ntdll), looked up by name, or
// null where that Windows lacks it. Cast through void (*)(): GetProcAddress's type says nothing
// of the function's real one.
template <typename Signature>
Signature BoundFunction(const wchar_t* module, const char* name) {
  const HMODULE handle = GetModuleHandleW(module);
  return handle != nullptr ? reinterpret_cast<Signature>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)))
                           : nullptr;
}
