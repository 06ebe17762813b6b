// The nine routines the host calls. Each forwards inward through HostCall, which keeps every
// exception from the host; the two hand-overs of a single routine or value only store it.
#include "boundary/boundary.h"
#include "boundary/host_strings.h"
#include "dialogs/about_dialog.h"
#include "framework/trace.h"
#include "framework/window.h"
#include "plugin/actions.h"
#include "plugin/catalogue.h"
#include "plugin/plugin_module.h"
#include "resources/texts.h"

namespace {

constexpr std::uint32_t kFreeAllPanels = 2;

// Which threads an export's work may run on: any, or only the one our windows run on (any while
// there is none), since only there may a window be made, destroyed or its object deleted.
enum class Threads { Any, Windows };

// Runs an export's work inside a ReentryScope (the host may call us again from inside it), and
// ends every exception here, leaving a line for a debugger; `failure` is then the result. Work
// that needs the windows' thread is refused on another, with a text for the author in the
// general last-error variable.
template <typename Result, typename Work>
Result HostCall(const char* name, Threads threads, Result failure, Work work) {
  if (threads == Threads::Windows && !Window::OnWindowsThread()) {
    TraceFailure(name);
    try {
      PluginModule::Get().Host().SetVariable(kGeneralLastError, texts::kWrongThread);
    } catch (...) {
      TraceFailure(name);
    }
    return failure;
  }
  const ReentryScope scope(ReentryScope::Caller::Host);
  try {
    return work();
  } catch (...) {
    TraceFailure(name);
    return failure;
  }
}

}  // namespace

extern "C" {

// The two 32-bit values are read by nothing; see HostServices.
NB_CALL void nbRegisterPlugIn(AddActionProc addAction, std::uint32_t, std::uint32_t, SetVariableProc setVariable) {
  HostCall("nbRegisterPlugIn", Threads::Any, false, [&] {
    PluginModule::Get().Host().HandOverSetVariable(setVariable);
    if (addAction) RegisterCatalogue(addAction);
    return true;
  });
}

NB_CALL void nbInitPlugIn(std::uint32_t, HostSlot title, HostSlot author, HostSlot description) {
  HostCall("nbInitPlugIn", Threads::Any, false, [&] {
    if (title) SetHostString(title, texts::kPluginTitle);
    if (author) SetHostString(author, texts::kPluginAuthor);
    if (description) SetHostString(description, texts::kPluginDescription);
    return true;
  });
}

NB_CALL void nbRegisterInterfaceAccess(InterfaceAccessProc interfaceAccess) {
  HostCall("nbRegisterInterfaceAccess", Threads::Any, false, [&] {
    PluginModule::Get().Host().HandOverInterfaceAccess(interfaceAccess);
    return true;
  });
}

NB_CALL void nbRegisterScriptProcessor(std::uint32_t) {}

NB_CALL void nbRegisterStreamAccess(std::uint32_t) {}

NB_CALL HostBool nbExecAction(std::int32_t id, HostString* params) {
  return HostCall("nbExecAction", Threads::Windows, HostBool(0), [&] {
    return HostBool(ExecAction(PluginModule::Get().Panels(), id, params) ? 1 : 0);
  });
}

NB_CALL HostBool nbEditAction(std::int32_t id, HostString* params) {
  return HostCall("nbEditAction", Threads::Windows, HostBool(0), [&] {
    return HostBool(EditAction(PluginModule::Get().Host(), id, params) ? 1 : 0);
  });
}

NB_CALL void nbMessage(std::uint32_t code) {
  HostCall("nbMessage", Threads::Windows, false, [&] {
    if (code == kFreeAllPanels) PluginModule::Get().FreeAll();
    return true;
  });
}

NB_CALL void nbAbout() {
  HostCall("nbAbout", Threads::Windows, false, [&] {
    ShowAbout();
    return true;
  });
}

}  // extern "C"
