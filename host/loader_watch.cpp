#include "host/loader_watch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::size_t kMaxFunctions = 4096;
constexpr std::size_t kThunkBytes = 10;  // push imm32; jmp rel32

}  // namespace

// Shared with the common thunk below. The thunk of function i pushes i and jumps to it; while
// armed it notes i and the caller's return address, then returns into the function itself.
extern "C" {
void* loader_watch_target[kMaxFunctions];
DWORD loader_watch_index[8192];
const void* loader_watch_caller[8192];
volatile DWORD loader_watch_count = 0;
volatile DWORD loader_watch_armed = 0;
void loader_watch_common();
}

// On entry: [esp] the function's index, [esp+4] the caller's return address. Every register and
// the flags that a call may rely on are as the caller left them when the function starts.
asm(R"(
        .text
        .globl  _loader_watch_common
_loader_watch_common:
        pushl   %eax
        pushl   %edx
        cmpl    $0, _loader_watch_armed
        je      1f
        movl    _loader_watch_count, %eax
        cmpl    $8192, %eax
        jae     1f
        movl    8(%esp), %edx
        movl    %edx, _loader_watch_index(,%eax,4)
        movl    12(%esp), %edx
        movl    %edx, _loader_watch_caller(,%eax,4)
        incl    %eax
        movl    %eax, _loader_watch_count
1:      movl    8(%esp), %eax
        movl    _loader_watch_target(,%eax,4), %eax
        movl    %eax, 8(%esp)
        popl    %edx
        popl    %eax
        ret
)");

namespace {

template <typename T>
T* At(HMODULE module, DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

bool Executable(const void* address) {
  MEMORY_BASIC_INFORMATION info = {};
  if (VirtualQuery(address, &info, sizeof info) == 0) return false;
  return (info.Protect & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) != 0;
}

// The thunks, made once and kept: modules bound through them call them for the process's life.
BYTE* Thunks() {
  static BYTE* const thunks = static_cast<BYTE*>(
      VirtualAlloc(nullptr, kMaxFunctions * kThunkBytes, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
  return thunks;
}

bool made = false;  // the thunks' indexes are never reused, so one watch per process

}  // namespace

std::size_t ImageSize(HMODULE module) {
  return At<IMAGE_NT_HEADERS32>(module, At<IMAGE_DOS_HEADER>(module, 0)->e_lfanew)->OptionalHeader.SizeOfImage;
}

LoaderWatch::LoaderWatch() {
  if (made) throw std::logic_error("one loader watch per process");
  if (Thunks() == nullptr) throw std::runtime_error("no memory for the loader watch's thunks");
  made = true;
  Watch(L"kernel32.dll", "KERNEL32.DLL",
        {"LoadLibraryA", "LoadLibraryW", "LoadLibraryExA", "LoadLibraryExW", "FreeLibrary",
         "FreeLibraryAndExitThread"});
  Watch(L"user32.dll", "USER32.DLL", {});
  Watch(L"gdi32.dll", "GDI32.DLL", {});
}

LoaderWatch::~LoaderWatch() {
  Disarm();
  for (const Patch& p : patches_) {
    DWORD old = 0;
    VirtualProtect(p.entry, sizeof *p.entry, PAGE_READWRITE, &old);
    *p.entry = p.original;
    VirtualProtect(p.entry, sizeof *p.entry, old, &old);
  }
}

void LoaderWatch::Arm() {
  loader_watch_count = 0;
  loader_watch_armed = 1;
}

void LoaderWatch::Disarm() { loader_watch_armed = 0; }

std::vector<std::string> LoaderWatch::CallsFrom(const void* imageBase, std::size_t imageSize) const {
  const auto* begin = static_cast<const BYTE*>(imageBase);
  std::vector<std::string> calls;
  const DWORD count = std::min<DWORD>(DWORD(loader_watch_count), 8192);
  for (DWORD i = 0; i < count; ++i) {
    const auto* caller = static_cast<const BYTE*>(loader_watch_caller[i]);
    if (caller >= begin && caller < begin + imageSize) calls.push_back(names_[loader_watch_index[i]]);
  }
  return calls;
}

// Points the library's exports (all of them, or those named in `only`) at thunks. Only code is
// watched: an export whose address is not executable is data, and stays as it is.
void LoaderWatch::Watch(const wchar_t* library, const char* libraryName, const std::vector<std::string>& only) {
  const HMODULE module = GetModuleHandleW(library);
  if (module == nullptr) throw std::runtime_error("the loader watch needs its libraries loaded");
  const auto* nt = At<IMAGE_NT_HEADERS32>(module, At<IMAGE_DOS_HEADER>(module, 0)->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = At<IMAGE_EXPORT_DIRECTORY>(module, dir.VirtualAddress);
  auto* functions = At<DWORD>(module, exports->AddressOfFunctions);
  const auto* names = At<DWORD>(module, exports->AddressOfNames);
  const auto* ordinals = At<WORD>(module, exports->AddressOfNameOrdinals);
  for (DWORD i = 0; i < exports->NumberOfNames && names_.size() < kMaxFunctions; ++i) {
    const char* name = At<char>(module, names[i]);
    if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) continue;
    // Through the system's own lookup, so that a forwarded export names its final address.
    void* const target = reinterpret_cast<void*>(GetProcAddress(module, name));
    if (target == nullptr || !Executable(target)) continue;

    const std::size_t index = names_.size();
    BYTE* thunk = Thunks() + index * kThunkBytes;
    const DWORD value = DWORD(index);
    const auto jump = std::int32_t(reinterpret_cast<std::uintptr_t>(&loader_watch_common) -
                                   reinterpret_cast<std::uintptr_t>(thunk + kThunkBytes));
    thunk[0] = 0x68;  // push imm32
    std::memcpy(thunk + 1, &value, 4);
    thunk[5] = 0xE9;  // jmp rel32
    std::memcpy(thunk + 6, &jump, 4);
    loader_watch_target[index] = target;
    names_.push_back(std::string(libraryName) + " " + name);

    // Export addresses are relative to the library's base, modulo 2^32 on a 32-bit system.
    DWORD* entry = &functions[ordinals[i]];
    patches_.push_back({entry, *entry});
    DWORD old = 0;
    VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old);
    *entry = DWORD(reinterpret_cast<std::uintptr_t>(thunk) - reinterpret_cast<std::uintptr_t>(module));
    VirtualProtect(entry, sizeof *entry, old, &old);
  }
  FlushInstructionCache(GetCurrentProcess(), Thunks(), kMaxFunctions * kThunkBytes);
}
