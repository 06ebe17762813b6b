#include "host/import_table.h"

#include <cstring>

namespace {

template <typename T>
T* At(HMODULE module, DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

}  // namespace

void** ImportEntry(HMODULE module, const char* library, const char* function) {
  const auto* nt = At<IMAGE_NT_HEADERS32>(module, At<IMAGE_DOS_HEADER>(module, 0)->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return nullptr;
  for (auto* imp = At<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); imp->Name; ++imp) {
    if (lstrcmpiA(At<char>(module, imp->Name), library) != 0 || imp->OriginalFirstThunk == 0) continue;
    auto* names = At<IMAGE_THUNK_DATA32>(module, imp->OriginalFirstThunk);
    auto* entries = At<void*>(module, imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++entries) {
      if (IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal)) continue;
      if (std::strcmp(At<IMAGE_IMPORT_BY_NAME>(module, names->u1.AddressOfData)->Name, function) == 0) return entries;
    }
  }
  return nullptr;
}

void* ReplaceImport(void** entry, void* target) {
  DWORD old = 0;
  VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old);
  void* const held = *entry;
  *entry = target;
  VirtualProtect(entry, sizeof *entry, old, &old);
  return held;
}
