// Sends the calls of a function of a system library to a replacement in this program while the
// patch is applied: the function's first instruction becomes a jump to the replacement. A
// replacement that calls the original lifts the patch around that call (Lifted).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

class CodePatch {
public:
  CodePatch(const wchar_t* module, const char* function, const void* replacement)
      : target_(reinterpret_cast<std::uint8_t*>(GetProcAddress(GetModuleHandleW(module), function))) {
    std::memcpy(original_, target_, sizeof original_);
    jump_[0] = 0xE9;  // jmp rel32
    const auto offset =
        std::int32_t(reinterpret_cast<std::uintptr_t>(replacement) - (reinterpret_cast<std::uintptr_t>(target_) + 5));
    std::memcpy(jump_ + 1, &offset, 4);
    Write(jump_);
  }
  ~CodePatch() { Write(original_); }
  CodePatch(const CodePatch&) = delete;
  CodePatch& operator=(const CodePatch&) = delete;

  // The original function, to be called only while the patch is lifted.
  template <typename Signature>
  Signature Original() const {
    return reinterpret_cast<Signature>(reinterpret_cast<void (*)()>(target_));
  }

  class Lifted {
  public:
    explicit Lifted(CodePatch& patch) : patch_(patch) { patch_.Write(patch_.original_); }
    ~Lifted() { patch_.Write(patch_.jump_); }
    Lifted(const Lifted&) = delete;
    Lifted& operator=(const Lifted&) = delete;

  private:
    CodePatch& patch_;
  };

private:
  void Write(const std::uint8_t* bytes) {
    DWORD old = 0;
    VirtualProtect(target_, 5, PAGE_EXECUTE_READWRITE, &old);
    std::memcpy(target_, bytes, 5);
    VirtualProtect(target_, 5, old, &old);
    FlushInstructionCache(GetCurrentProcess(), target_, 5);
  }

  std::uint8_t* target_;
  std::uint8_t original_[5] = {};
  std::uint8_t jump_[5] = {};
};
