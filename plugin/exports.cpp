// The nine routines the host calls. Each forwards inward; none lets an exception reach the host.
// Those that do work hold a ReentryScope: the host may call us again from inside any of them.
#include "actions.h"
#include "catalogue.h"
#include "panels.h"
#include "boundary/boundary.h"
#include "boundary/host_strings.h"
#include "dialogs/about_dialog.h"
#include "framework/window.h"
#include "resources/texts.h"

namespace {

constexpr std::uint32_t kFreeAllPanels = 2;

}  // namespace

extern "C" {

NB_CALL void nbRegisterPlugIn(AddActionProc addAction, std::uint32_t arg2, std::uint32_t arg3,
                              SetVariableProc setVariable) {
  const ReentryScope scope(ReentryScope::Caller::Host);
  try {
    PlugInUtils::AddAction = addAction;
    PlugInUtils::RegisterArg2 = arg2;
    PlugInUtils::RegisterArg3 = arg3;
    PlugInUtils::SetVariable = setVariable;
    if (addAction) RegisterCatalogue(addAction);
  } catch (...) {
  }
}

NB_CALL void nbInitPlugIn(std::uint32_t value, HostSlot title, HostSlot author, HostSlot description) {
  const ReentryScope scope(ReentryScope::Caller::Host);
  try {
    PlugInUtils::InitValue = value;
    if (title) SetHostString(title, texts::kPluginTitle);
    if (author) SetHostString(author, texts::kPluginAuthor);
    if (description) SetHostString(description, texts::kPluginDescription);
  } catch (...) {
  }
}

NB_CALL void nbRegisterInterfaceAccess(InterfaceAccessProc interfaceAccess) {
  PlugInUtils::InterfaceAccess = interfaceAccess;
}

NB_CALL void nbRegisterScriptProcessor(std::uint32_t value) { PlugInUtils::ScriptProcessor = value; }

NB_CALL void nbRegisterStreamAccess(std::uint32_t value) { PlugInUtils::StreamAccess = value; }

NB_CALL HostBool nbExecAction(std::int32_t id, HostString* params) {
  const ReentryScope scope(ReentryScope::Caller::Host);
  try {
    return ExecAction(id, params) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

NB_CALL HostBool nbEditAction(std::int32_t id, HostString* params) {
  const ReentryScope scope(ReentryScope::Caller::Host);
  try {
    return EditAction(id, params) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

NB_CALL void nbMessage(std::uint32_t code) {
  const ReentryScope scope(ReentryScope::Caller::Host);
  try {
    if (code == kFreeAllPanels) FreeAllPanels();
  } catch (...) {
  }
}

NB_CALL void nbAbout() {
  const ReentryScope scope(ReentryScope::Caller::Host);
  try {
    ShowAbout();
  } catch (...) {
  }
}

}  // extern "C"
