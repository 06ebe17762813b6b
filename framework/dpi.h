// Pixels per inch, for windows that follow the scale of the monitor they are on in a host that
// does not. The host is a DPI-unaware program: on a scaled screen Windows draws its windows
// enlarged and tells it numbers in 96-DPI units. The lens's windows are made per-monitor aware
// instead, so that they see and draw the screen's own pixels. Every function here is bound at run
// time and does nothing where the system lacks it.
#pragma once

#include <windows.h>

// The density the numbers of an unaware program are in.
constexpr int kDefaultDpi = 96;

// For its lifetime the thread works per-monitor aware (version 2 from Windows 10 1703, the first
// version from 1607): the windows it makes are such windows, and the numbers it is told and
// gives are the screen's own. Where the system has no such thread mode, nothing changes.
class PerMonitorDpiScope {
public:
  PerMonitorDpiScope();
  ~PerMonitorDpiScope();
  PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
  PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

private:
  DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

// The same for an unaware program's thread mode, as the host's own calls run in.
class UnawareDpiScope {
public:
  UnawareDpiScope();
  ~UnawareDpiScope();
  UnawareDpiScope(const UnawareDpiScope&) = delete;
  UnawareDpiScope& operator=(const UnawareDpiScope&) = delete;

private:
  DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

// The density a window works at: its monitor's for a per-monitor-aware window, the system's for
// a system-aware one, 96 for an unaware one and wherever the system cannot say (before
// Windows 10 1607).
int DpiOfWindow(HWND window);

// Whether the calling thread's numbers are the screen's own pixels: it is per-monitor aware, or
// the system scales no program's windows at all.
bool ThreadSeesPhysicalPixels();

// Between the 96-DPI numbers of an unaware window and the screen's own pixels, for a point on
// the screen near `window`, whatever the calling thread's mode (Windows 8.1 and later). Where the
// system cannot convert, the point stays as it is.
POINT LogicalToPhysical(HWND window, POINT point);
POINT PhysicalToLogical(HWND window, POINT point);
