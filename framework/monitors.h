// The screens: every monitor's rectangle, the one a window is on, and the whole desktop.
#pragma once

#include <windows.h>

#include <vector>

std::vector<RECT> MonitorRects();
// The monitor that holds most of the window (the nearest one when it is on none).
RECT MonitorOf(HWND window);
// The virtual screen spanning all monitors.
RECT DesktopRect();
