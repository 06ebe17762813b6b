// Watches what a module calls of the system while it loads and unloads, where the loader lock is
// held and Windows forbids loading or freeing a library and any USER32 or GDI32 call. Under Wine
// the lock does no visible harm, so the rule itself is checked.
//
// The module's imports are bound, and its start-up code run, inside LoadLibrary, before a spy on
// its import table could be set. So the watch points the export tables of KERNEL32 (its
// library-loading functions), USER32 and GDI32 at small thunks of its own: every module bound
// while it is set calls those functions through them. A thunk notes the function and its caller
// while the watch is armed, then jumps on to the function.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class LoaderWatch {
public:
  // Sets the thunks in the three export tables (one watch per process).
  LoaderWatch();
  // Puts the export tables back. The thunks stay for the process's life: modules bound meanwhile
  // keep calling through them.
  ~LoaderWatch();
  LoaderWatch(const LoaderWatch&) = delete;
  LoaderWatch& operator=(const LoaderWatch&) = delete;

  // Calls are noted between Arm and Disarm; Arm forgets the earlier ones.
  void Arm();
  void Disarm();

  // The calls noted whose caller's code lies in this image, as "USER32.DLL DestroyWindow". The
  // image may be gone by now: it is named by its address range.
  std::vector<std::string> CallsFrom(const void* imageBase, std::size_t imageSize) const;
  // How many functions the thunks cover (a check that the watch took hold).
  std::size_t Watched() const { return names_.size(); }

private:
  void Watch(const wchar_t* library, const char* libraryName, const std::vector<std::string>& only);

  struct Patch {
    DWORD* entry;
    DWORD original;
  };
  std::vector<Patch> patches_;
  std::vector<std::string> names_;  // by thunk index
};

// The address range of a loaded module's image.
std::size_t ImageSize(HMODULE module);
