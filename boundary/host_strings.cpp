#include "boundary/host_strings.h"

#include <windows.h>

#include <cstring>

void FreeHostString(HostSlot slot) {
  if (*slot) GlobalFree(*slot);
  *slot = nullptr;
}

void SetHostString(HostSlot slot, std::string_view text) {
  FreeHostString(slot);
  auto* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, text.size() + 1));
  if (!block) return;
  std::memcpy(block, text.data(), text.size());
  block[text.size()] = '\0';
  *slot = block;
}

void SetHostVariable(const std::string& name, const char* value) {
  if (PlugInUtils::SetVariable) PlugInUtils::SetVariable(name.c_str(), value);
}

bool ProbeHostCapability() {
  if (!PlugInUtils::InterfaceAccess) return false;
  LocalHostSlot slot;
  PlugInUtils::InterfaceAccess(kCmdProbe, slot.get());
  return !slot.empty();
}

std::string LookupObjectWindowText(std::string_view objectName) {
  // Without InterfaceAccess there is nobody to ask; the probe has already failed by then.
  if (!PlugInUtils::InterfaceAccess) return "0";
  LocalHostSlot slot(objectName);
  PlugInUtils::InterfaceAccess(kCmdObjectWindow, slot.get());
  return slot.text();
}

std::optional<std::string> PickHostObject(std::string_view current) {
  if (!PlugInUtils::InterfaceAccess) return std::nullopt;
  LocalHostSlot slot(current);
  if (!PlugInUtils::InterfaceAccess(kCmdPickObject, slot.get())) return std::nullopt;
  return slot.text();
}
