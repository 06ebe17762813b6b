// The About box the host opens from its plug-in list.
#pragma once

// Shows the box modally, parented to the active window; returns when it is closed.
void ShowAbout(const char* title, const char* author, const char* description);
