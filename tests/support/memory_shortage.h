// A machine short of memory, as the plug-in meets it: while the object lives, the plug-in's heap
// refuses every block of 20,000 bytes or more, and smaller ones still come.
#pragma once

#include <windows.h>

#include <cstdlib>

#include "host/import_table.h"

class LargeAllocationsFail {
public:
  explicit LargeAllocationsFail(HMODULE plugin) : entry_(ImportEntry(plugin, "msvcrt.dll", "malloc")) {
    if (entry_ != nullptr) original_ = ReplaceImport(entry_, reinterpret_cast<void*>(&Refuse));
  }
  ~LargeAllocationsFail() {
    if (entry_ != nullptr) ReplaceImport(entry_, original_);
  }
  LargeAllocationsFail(const LargeAllocationsFail&) = delete;
  LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;

  bool Hooked() const { return entry_ != nullptr; }

private:
  static void* __cdecl Refuse(std::size_t size) { return size >= 20000 ? nullptr : std::malloc(size); }

  void** entry_;
  void* original_ = nullptr;
};
