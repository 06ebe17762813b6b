#include "global_memory_spy.h"

#include "host/import_table.h"

namespace {

GlobalMemorySpy* spy = nullptr;

}  // namespace

GlobalMemorySpy::GlobalMemorySpy(HMODULE module) {
  allocEntry_ = ImportEntry(module, "KERNEL32.DLL", "GlobalAlloc");
  freeEntry_ = ImportEntry(module, "KERNEL32.DLL", "GlobalFree");
  if (!Hooked() || spy != nullptr) {
    allocEntry_ = freeEntry_ = nullptr;
    return;
  }
  spy = this;
  realAlloc_ = ReplaceImport(allocEntry_, reinterpret_cast<void*>(&OnAlloc));
  realFree_ = ReplaceImport(freeEntry_, reinterpret_cast<void*>(&OnFree));
}

GlobalMemorySpy::~GlobalMemorySpy() {
  if (!Hooked()) return;
  ReplaceImport(allocEntry_, realAlloc_);
  ReplaceImport(freeEntry_, realFree_);
  spy = nullptr;
}

void GlobalMemorySpy::Begin() {
  if (depth_++ == 0) events_.clear();
}

bool GlobalMemorySpy::Freed(const void* block, std::size_t since) const {
  for (std::size_t i = since; i < events_.size(); ++i)
    if (!events_[i].allocated && events_[i].block == block) return true;
  return false;
}

bool GlobalMemorySpy::Allocated(const void* block) const {
  const Event* last = LastEvent(block);
  return last != nullptr && last->allocated;
}

bool GlobalMemorySpy::Released(const void* block) const {
  const Event* last = LastEvent(block);
  return last != nullptr && !last->allocated;
}

const GlobalMemorySpy::Event* GlobalMemorySpy::LastEvent(const void* block) const {
  for (auto e = events_.rbegin(); e != events_.rend(); ++e)
    if (e->block == block) return &*e;
  return nullptr;
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
