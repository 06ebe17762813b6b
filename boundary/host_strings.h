// The host's services that the plug-in calls, the hand-over of host strings in global memory, and
// the host commands the exports and the property dialogs send. Both sides of the plug-in use it;
// it uses neither.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "boundary/boundary.h"

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

// The two host routines the plug-in calls after they are handed over. The host hands over more:
// nbRegisterPlugIn gives AddAction (called there and then to register the actions, and not kept),
// two 32-bit values and SetVariable; nbInitPlugIn a 32-bit value and the slots of the plug-in's
// title, author and description; nbRegisterScriptProcessor and nbRegisterStreamAccess a 32-bit
// value each; nbRegisterInterfaceAccess InterfaceAccess. Nothing reads the values, so none is
// kept. Every hand-over replaces the routine handed over before; until then each is null.
class HostServices {
public:
  void HandOverSetVariable(SetVariableProc routine) { setVariable_ = routine; }
  void HandOverInterfaceAccess(InterfaceAccessProc routine) { interfaceAccess_ = routine; }

  // Sets a host variable; value null empties it. Without SetVariable (no nbRegisterPlugIn yet)
  // nothing is written rather than a call made through a null pointer.
  void SetVariable(const std::string& name, const char* value) const;
  void SetVariable(const std::string& name, const std::string& value) const { SetVariable(name, value.c_str()); }

  // Command 6: does the host serve the panel actions? False without a call when InterfaceAccess
  // was never handed over.
  bool ServesPanels() const;
  // Command 7: the host's answer for the object's window, as text ("0" when there is none).
  std::string ObjectWindowText(std::string_view objectName) const;
  // Command 8: the host's object list, starting from `current`; the chosen name, or nothing when
  // the author cancelled or InterfaceAccess was never handed over.
  std::optional<std::string> PickObject(std::string_view current) const;

private:
  SetVariableProc setVariable_ = nullptr;
  InterfaceAccessProc interfaceAccess_ = nullptr;
};

// Host commands of InterfaceAccess.
enum HostCommand : std::int32_t { kCmdProbe = 6, kCmdObjectWindow = 7, kCmdPickObject = 8 };
