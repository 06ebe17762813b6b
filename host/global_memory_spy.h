// Logs the global memory blocks that one loaded module allocates and frees, by pointing the
// GlobalAlloc and GlobalFree entries of its import table at the spy. The host needs it to tell a
// slot that the plug-in refilled from one it left alone: the address of a freed block comes back
// from the next allocation of the same size, so the pointers alone cannot say. Nor may the heap
// be asked (GlobalSize and the like on a freed block read freed memory, and fault once the heap
// has reused it): the log is the host's only word on what the plug-in freed. A module that
// imports neither function has no way to free a block, and its log stays empty.
#pragma once

#include <windows.h>

#include <vector>

class GlobalMemorySpy {
public:
  // Hooks the module's imports (one spy at a time); Hooked() says whether it found them.
  explicit GlobalMemorySpy(HMODULE module);
  ~GlobalMemorySpy();
  GlobalMemorySpy(const GlobalMemorySpy&) = delete;
  GlobalMemorySpy& operator=(const GlobalMemorySpy&) = delete;

  bool Hooked() const { return allocEntry_ != nullptr && freeEntry_ != nullptr; }

  // Blocks are logged between Begin and End; the outermost Begin starts an empty log, so calls
  // nested inside a logged call add to it.
  void Begin();
  void End() { --depth_; }

  // Whether the module freed this block since the log began, or since the log held `since` events.
  bool Freed(const void* block, std::size_t since = 0) const;
  std::size_t Logged() const { return events_.size(); }
  // Whether the module allocated this block since the log began and still holds it.
  bool Allocated(const void* block) const;
  // Whether the module freed this block since the log began and has not had it back since.
  bool Released(const void* block) const;

private:
  struct Event {
    bool allocated;  // or freed
    const void* block;
  };
  const Event* LastEvent(const void* block) const;
  static HGLOBAL WINAPI OnAlloc(UINT flags, SIZE_T bytes);
  static HGLOBAL WINAPI OnFree(HGLOBAL block);

  void** allocEntry_ = nullptr;
  void** freeEntry_ = nullptr;
  void* realAlloc_ = nullptr;
  void* realFree_ = nullptr;
  int depth_ = 0;
  std::vector<Event> events_;
};
