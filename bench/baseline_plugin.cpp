// The smallest plug-in a host can load: the same nine exports doing nothing. Loading it is the
// baseline the real plug-in's load-and-register time is measured against.
#include "boundary/boundary.h"

extern "C" {
NB_CALL void nbRegisterPlugIn(AddActionProc, std::uint32_t, std::uint32_t, SetVariableProc) {}
NB_CALL void nbInitPlugIn(std::uint32_t, HostSlot, HostSlot, HostSlot) {}
NB_CALL void nbRegisterInterfaceAccess(InterfaceAccessProc) {}
NB_CALL void nbRegisterScriptProcessor(std::uint32_t) {}
NB_CALL void nbRegisterStreamAccess(std::uint32_t) {}
NB_CALL HostBool nbExecAction(std::int32_t, HostString*) { return 0; }
NB_CALL HostBool nbEditAction(std::int32_t, HostString*) { return 0; }
NB_CALL void nbMessage(std::uint32_t) {}
NB_CALL void nbAbout() {}
}
