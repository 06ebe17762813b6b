// Bytes in use on the heaps our code allocates from: the process heap (GlobalAlloc, the host's
// strings) and the C runtime's heap (new and malloc), which under Wine is a heap of its own.
// Soak tests compare two readings to show that repeated work leaves nothing behind.
#pragma once

#include <windows.h>

#include <malloc.h>

#include <cstddef>
#include <cstdlib>

// Wine's heap checks (on in the test bed) hold freed blocks back from reuse, up to about a
// thousand of them, and a walk counts those as in use. Freeing more small blocks than that pushes
// everything else out, so that two readings find the same held-back blocks: these.
inline void FlushHeldBackBlocks() {
  constexpr int kBlocks = 2048;
  const HANDLE heap = GetProcessHeap();
  for (int i = 0; i < kBlocks; ++i) HeapFree(heap, 0, HeapAlloc(heap, 0, 8));
  for (int i = 0; i < kBlocks; ++i) {
    void* volatile block = std::malloc(8);  // volatile: the pair must not be optimised away
    std::free(block);
  }
}

inline std::size_t HeapBytesInUseOnce() {
  std::size_t used = 0;
  const HANDLE heap = GetProcessHeap();
  HeapLock(heap);
  PROCESS_HEAP_ENTRY entry = {};
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
  }
  HeapUnlock(heap);
  _HEAPINFO info = {};
  while (_heapwalk(&info) == _HEAPOK) {
    if (info._useflag == _USEDENTRY) used += info._size;
  }
  return used;
}

// The first walk of the runtime's heap leaves a small block of its own behind; a reading is
// taken after one walk, and after the held-back blocks are pushed out, so that two readings
// compare like with like.
inline std::size_t HeapBytesInUse() {
  HeapBytesInUseOnce();
  FlushHeldBackBlocks();
  return HeapBytesInUseOnce();
}
