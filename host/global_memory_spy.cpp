#include "global_memory_spy.h"

#include <cstring>

namespace {

GlobalMemorySpy* spy = nullptr;

template <typename T>
T* At(HMODULE module, DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

// The import table entry through which the module calls KERNEL32's function of this name.
void** ImportEntry(HMODULE module, const char* name) {
  const auto* nt = At<IMAGE_NT_HEADERS32>(module, At<IMAGE_DOS_HEADER>(module, 0)->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return nullptr;
  for (auto* imp = At<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); imp->Name; ++imp) {
    if (lstrcmpiA(At<char>(module, imp->Name), "KERNEL32.DLL") != 0 || imp->OriginalFirstThunk == 0) continue;
    auto* names = At<IMAGE_THUNK_DATA32>(module, imp->OriginalFirstThunk);
    auto* entries = At<void*>(module, imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++entries) {
      if (IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal)) continue;
      if (std::strcmp(At<IMAGE_IMPORT_BY_NAME>(module, names->u1.AddressOfData)->Name, name) == 0) return entries;
    }
  }
  return nullptr;
}

}  // namespace

GlobalMemorySpy::GlobalMemorySpy(HMODULE module) {
  allocEntry_ = ImportEntry(module, "GlobalAlloc");
  freeEntry_ = ImportEntry(module, "GlobalFree");
  if (!Hooked() || spy != nullptr) {
    allocEntry_ = freeEntry_ = nullptr;
    return;
  }
  realAlloc_ = *allocEntry_;
  realFree_ = *freeEntry_;
  spy = this;
  Write(allocEntry_, reinterpret_cast<void*>(&OnAlloc));
  Write(freeEntry_, reinterpret_cast<void*>(&OnFree));
}

GlobalMemorySpy::~GlobalMemorySpy() {
  if (!Hooked()) return;
  Write(allocEntry_, realAlloc_);
  Write(freeEntry_, realFree_);
  spy = nullptr;
}

void GlobalMemorySpy::Write(void** entry, void* value) {
  DWORD old = 0;
  VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old);
  *entry = value;
  VirtualProtect(entry, sizeof *entry, old, &old);
}

void GlobalMemorySpy::Begin() {
  if (depth_++ == 0) events_.clear();
}

bool GlobalMemorySpy::Freed(const void* block) const {
  for (const Event& e : events_)
    if (!e.allocated && e.block == block) return true;
  return false;
}

bool GlobalMemorySpy::Allocated(const void* block) const {
  for (auto e = events_.rbegin(); e != events_.rend(); ++e)
    if (e->block == block) return e->allocated;
  return false;
}

HGLOBAL WINAPI GlobalMemorySpy::OnAlloc(UINT flags, SIZE_T bytes) {
  const HGLOBAL block = reinterpret_cast<decltype(&GlobalAlloc)>(spy->realAlloc_)(flags, bytes);
  if (spy->depth_ > 0 && block != nullptr) spy->events_.push_back({true, block});
  return block;
}

HGLOBAL WINAPI GlobalMemorySpy::OnFree(HGLOBAL block) {
  if (spy->depth_ > 0 && block != nullptr) spy->events_.push_back({false, block});
  return reinterpret_cast<decltype(&GlobalFree)>(spy->realFree_)(block);
}
