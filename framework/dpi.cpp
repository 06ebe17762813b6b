#include "framework/dpi.h"

#include "framework/system_library.h"

namespace {

// The user32 functions of per-monitor DPI; looked up once, at the first use.
struct DpiFunctions {
  // Windows 10 1607.
  DPI_AWARENESS_CONTEXT(WINAPI* setThreadContext)(DPI_AWARENESS_CONTEXT) =
      BoundFunction<decltype(setThreadContext)>(L"user32.dll", "SetThreadDpiAwarenessContext");
  DPI_AWARENESS_CONTEXT(WINAPI* getThreadContext)() =
      BoundFunction<decltype(getThreadContext)>(L"user32.dll", "GetThreadDpiAwarenessContext");
  DPI_AWARENESS(WINAPI* awarenessOf)(DPI_AWARENESS_CONTEXT) =
      BoundFunction<decltype(awarenessOf)>(L"user32.dll", "GetAwarenessFromDpiAwarenessContext");
  UINT(WINAPI* dpiForWindow)(HWND) = BoundFunction<decltype(dpiForWindow)>(L"user32.dll", "GetDpiForWindow");
  // Windows 8.1.
  BOOL(WINAPI* logicalToPhysical)(HWND, POINT*) =
      BoundFunction<decltype(logicalToPhysical)>(L"user32.dll", "LogicalToPhysicalPointForPerMonitorDPI");
  BOOL(WINAPI* physicalToLogical)(HWND, POINT*) =
      BoundFunction<decltype(physicalToLogical)>(L"user32.dll", "PhysicalToLogicalPointForPerMonitorDPI");
};

const DpiFunctions& Functions() {
  static const DpiFunctions functions;
  return functions;
}

// Switches the thread to the first of these modes the system takes; returns the mode it had, or
// null when it took none.
DPI_AWARENESS_CONTEXT SwitchThread(DPI_AWARENESS_CONTEXT first, DPI_AWARENESS_CONTEXT second) {
  const DpiFunctions& f = Functions();
  if (f.setThreadContext == nullptr) return nullptr;
  DPI_AWARENESS_CONTEXT previous = f.setThreadContext(first);
  if (previous == nullptr && second != nullptr) previous = f.setThreadContext(second);
  return previous;
}

void RestoreThread(DPI_AWARENESS_CONTEXT previous) {
  if (previous != nullptr) Functions().setThreadContext(previous);
}

}  // namespace

PerMonitorDpiScope::PerMonitorDpiScope()
    : previous_(SwitchThread(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) {}
PerMonitorDpiScope::~PerMonitorDpiScope() { RestoreThread(previous_); }

UnawareDpiScope::UnawareDpiScope() : previous_(SwitchThread(DPI_AWARENESS_CONTEXT_UNAWARE, nullptr)) {}
UnawareDpiScope::~UnawareDpiScope() { RestoreThread(previous_); }

int DpiOfWindow(HWND window) {
  const DpiFunctions& f = Functions();
  const UINT dpi = f.dpiForWindow != nullptr ? f.dpiForWindow(window) : 0;
  return dpi != 0 ? int(dpi) : kDefaultDpi;
}

bool ThreadSeesPhysicalPixels() {
  const DpiFunctions& f = Functions();
  if (f.getThreadContext == nullptr || f.awarenessOf == nullptr) return f.logicalToPhysical == nullptr;
  return f.awarenessOf(f.getThreadContext()) == DPI_AWARENESS_PER_MONITOR_AWARE;
}

POINT LogicalToPhysical(HWND window, POINT point) {
  const DpiFunctions& f = Functions();
  POINT converted = point;
  return f.logicalToPhysical != nullptr && f.logicalToPhysical(window, &converted) ? converted : point;
}

POINT PhysicalToLogical(HWND window, POINT point) {
  const DpiFunctions& f = Functions();
  POINT converted = point;
  return f.physicalToLogical != nullptr && f.physicalToLogical(window, &converted) ? converted : point;
}
