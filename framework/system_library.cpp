#include "framework/system_library.h"

#include <string>

SystemFolderLoad SystemFolderLoadWay() {
  // The update that brought AddDllDirectory to Vista and 7 also taught LoadLibraryExW the search
  // flags; without it they fail the call.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const bool known = kernel != nullptr && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
  return known ? SystemFolderLoad::SearchFlag : SystemFolderLoad::FullPath;
}

HMODULE LoadSystemLibrary(const wchar_t* name) { return LoadSystemLibrary(name, SystemFolderLoadWay()); }

HMODULE LoadSystemLibrary(const wchar_t* name, SystemFolderLoad way) {
  if (way == SystemFolderLoad::SearchFlag) return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Never a bare name: without the folder the search order would be back.
  const UINT size = GetSystemDirectoryW(nullptr, 0);  // the terminating null included
  if (size == 0) return nullptr;
  std::wstring path(size, L'\0');
  const UINT length = GetSystemDirectoryW(path.data(), size);
  if (length == 0 || length >= size) return nullptr;
  path.resize(length);
  if (path.back() != L'\\') path += L'\\';
  return LoadLibraryW((path + name).c_str());
}
