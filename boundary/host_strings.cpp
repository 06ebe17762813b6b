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

void HostServices::SetVariable(const std::string& name, const char* value) const {
  if (setVariable_) setVariable_(name.c_str(), value);
}

bool HostServices::ServesPanels() const {
  if (!interfaceAccess_) return false;
  LocalHostSlot slot;
  interfaceAccess_(kCmdProbe, slot.get());
  return !slot.empty();
}

std::string HostServices::ObjectWindowText(std::string_view objectName) const {
  // Without InterfaceAccess there is nobody to ask; the probe has already failed by then.
  if (!interfaceAccess_) return "0";
  LocalHostSlot slot(objectName);
  interfaceAccess_(kCmdObjectWindow, slot.get());
  return slot.text();
}

std::optional<std::string> HostServices::PickObject(std::string_view current) const {
  if (!interfaceAccess_) return std::nullopt;
  LocalHostSlot slot(current);
  if (!interfaceAccess_(kCmdPickObject, slot.get())) return std::nullopt;
  return slot.text();
}
