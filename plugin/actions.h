// Dispatch of the host's execution and editing requests by action id.
#pragma once
#include <cstdint>

#include "boundary/boundary.h"

class HostServices;
class PanelList;

// Runs an action with the parameter block's texts (a null block or element is an empty text).
// Ids other than the three actions are refused: false, nothing read or written.
bool ExecAction(PanelList& panels, std::int32_t id, const HostString* params);

// Opens the action's property dialog on the block's elements as host string slots.
bool EditAction(const HostServices& host, std::int32_t id, HostString* params);
