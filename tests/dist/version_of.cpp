// Prints a DLL's version resource as Windows reads it: the fixed file and product versions, then
// the FileVersion and ProductVersion strings of its first translation, one per line.
#include <windows.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
  std::vector<char> data(size);
  if (size == 0 || !GetFileVersionInfoW(argv[1], 0, size, data.data())) return 1;
  VS_FIXEDFILEINFO* fixed = nullptr;
  struct Translation { WORD language, codePage; }* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      !VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length))
    return 1;
  const DWORD versions[2][2] = {{fixed->dwFileVersionMS, fixed->dwFileVersionLS},
                                {fixed->dwProductVersionMS, fixed->dwProductVersionLS}};
  for (const auto& [ms, ls] : versions) std::printf("%lu.%lu.%lu.%lu\n", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
  for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
    wchar_t path[64];
    swprintf(path, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(data.data(), path, reinterpret_cast<void**>(&value), &length)) return 1;
    std::printf("%ls\n", value);
  }
  return 0;
}
