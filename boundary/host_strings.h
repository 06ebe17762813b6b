// What the host hands over (its service table), the hand-over of host strings in global memory,
// and the host commands the exports and the property dialogs send. Both sides of the plug-in use
// it; it uses neither.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "boundary/boundary.h"

// The host service table. All null at load; every hand-over overwrites the earlier value.
namespace PlugInUtils {
inline std::uint32_t RegisterArg3 = 0;
inline SetVariableProc SetVariable = nullptr;
inline std::uint32_t ScriptProcessor = 0;
inline InterfaceAccessProc InterfaceAccess = nullptr;
inline std::uint32_t StreamAccess = 0;
inline std::uint32_t RegisterArg2 = 0;
inline AddActionProc AddAction = nullptr;
inline std::uint32_t InitValue = 0;
}  // namespace PlugInUtils

// Frees the block the slot holds (GlobalFree) and leaves the slot null.
void FreeHostString(HostSlot slot);

// Replaces the slot's block with a new fixed GlobalAlloc block of exactly text.size() + 1 bytes.
// When the allocation fails the slot is left null.
void SetHostString(HostSlot slot, std::string_view text);

// A slot owned by the plug-in for one call into the host; released on every path.
class LocalHostSlot {
public:
  LocalHostSlot() = default;
  explicit LocalHostSlot(std::string_view text) { SetHostString(&value_, text); }
  ~LocalHostSlot() { FreeHostString(&value_); }
  LocalHostSlot(const LocalHostSlot&) = delete;
  LocalHostSlot& operator=(const LocalHostSlot&) = delete;

  HostSlot get() { return &value_; }
  bool empty() const { return value_ == nullptr; }
  std::string text() const { return value_ ? std::string(value_) : std::string(); }

private:
  HostString value_ = nullptr;
};

// Sets a host variable; value null empties it. A host that has not handed over SetVariable
// (no nbRegisterPlugIn yet) gets no write rather than a call through a null pointer.
void SetHostVariable(const std::string& name, const char* value);
inline void SetHostVariable(const std::string& name, const std::string& value) {
  SetHostVariable(name, value.c_str());
}

// Command 6: does the host serve the panel actions? Fails without a call when InterfaceAccess
// was never handed over.
bool ProbeHostCapability();

// Command 7: the host's answer for the object's window, as text ("0" when there is none).
std::string LookupObjectWindowText(std::string_view objectName);

// Command 8: the host's object list, starting from `current`; the chosen name, or nothing when
// the author cancelled or InterfaceAccess was never handed over.
std::optional<std::string> PickHostObject(std::string_view current);

// Host commands of InterfaceAccess.
enum HostCommand : std::int32_t { kCmdProbe = 6, kCmdObjectWindow = 7, kCmdPickObject = 8 };
