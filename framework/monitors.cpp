#include "framework/monitors.h"

namespace {

BOOL CALLBACK Collect(HMONITOR, HDC, LPRECT rect, LPARAM data) {
  reinterpret_cast<std::vector<RECT>*>(data)->push_back(*rect);
  return TRUE;
}

}  // namespace

std::vector<RECT> MonitorRects() {
  std::vector<RECT> rects;
  EnumDisplayMonitors(nullptr, nullptr, &Collect, reinterpret_cast<LPARAM>(&rects));
  return rects;
}

RECT MonitorOf(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return DesktopRect();
  return info.rcMonitor;
}

RECT DesktopRect() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}
