#include "framework/monitors.h"

namespace {

// The main monitor, for a system that cannot say.
RECT MainMonitor() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

RECT RectOf(HMONITOR monitor) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  return GetMonitorInfoW(monitor, &info) ? info.rcMonitor : MainMonitor();
}

}  // namespace

RECT MonitorOf(HWND window) { return RectOf(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)); }

RECT MonitorNearest(POINT point) { return RectOf(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)); }

POINT CentredIn(const RECT& monitor, int width, int height) {
  return {monitor.left + (monitor.right - monitor.left - width) / 2,
          monitor.top + (monitor.bottom - monitor.top - height) / 2};
}
