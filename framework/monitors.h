// The screens: the monitor a window is on, and the one nearest to a point.
#pragma once

#include <windows.h>

// The monitor that holds most of the window (the nearest one when it is on none).
RECT MonitorOf(HWND window);
// The monitor that holds the point, or the nearest one.
RECT MonitorNearest(POINT point);
// The top-left corner of a window of that size centred on the monitor (halves truncate).
POINT CentredIn(const RECT& monitor, int width, int height);
