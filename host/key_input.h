// A user's key press through the system's input, as a script or a test plays it.
#pragma once

#include <windows.h>

// Presses and releases the key, with another key (Ctrl, Shift) held around it when asked, on
// whatever has the focus. The messages it makes run once the caller's thread pumps them.
void PressKey(WORD key, WORD held = 0);
