// The stand-in compositor's functions, after the platform's published contracts: composition is
// on; a thumbnail joins a destination window of this process to a source window and shows the
// source rectangle of the source, stretched over the destination rectangle. Where the source
// rectangle reaches beyond the source window, the destination shows its own background.
// A thumbnail starts with the published defaults, and a caller that relies on anything else sees
// it fail here as it would on Windows: nothing is drawn until its properties are first updated,
// and then only once they have made it visible; until a source rectangle is given it shows the
// whole source window; it is opaque.
//
// Built three times: in full; without the thumbnail and colour functions (a compositor that
// lacks them, for the lens's failure path); and with composition switched off, as Vista and 7
// allow.
// Deliberately without <dwmapi.h>, whose declarations of the same names are imports.
#include "host/stand_in_compositor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace {

// The log: the most recent calls, in a fixed block so that a long run does not grow the heap.
StandInCall calls[stand_in::kLogCapacity];
int firstCall = 0, callCount = 0;

struct Thumbnail {
  HWND destination;
  HWND source;
  RECT destinationRect;  // in the destination's client area
  RECT sourceRect;       // in the source's window (or client area)
  bool haveDestination = false, haveSource = false;
  bool visible = false;
  bool clientAreaOnly = false;
  RECT drawn = {};  // the part of the destination's client area it was last drawn over
};

// The thumbnails registered now, and the composition colour reported (0xAARRGGBB).
std::map<ULONG_PTR, Thumbnail> thumbnails;
DWORD colorization = 0xC03D6FA8;  // a muted blue, mostly opaque
// The result every properties update gives while tests make the compositor refuse them.
HRESULT updateResult = S_OK;
std::set<HWND> cloaked;

constexpr UINT kColorizationChanged = 0x0320;  // WM_DWMCOLORIZATIONCOLORCHANGED

HRESULT Log(const char* function, HRESULT result, StandInCall call = {}) {
  std::strncpy(call.function, function, sizeof call.function - 1);
  call.result = result;
  if (callCount == stand_in::kLogCapacity) {
    firstCall = (firstCall + 1) % stand_in::kLogCapacity;
    --callCount;
  }
  calls[(firstCall + callCount++) % stand_in::kLogCapacity] = call;
  return result;
}

}  // namespace

#ifdef STAND_IN_COMPOSITION_OFF
BOOL composition = FALSE;
#else
BOOL composition = TRUE;
#endif

extern "C" __declspec(dllexport) HRESULT WINAPI DwmIsCompositionEnabled(BOOL* enabled) {
  if (enabled == nullptr) return Log("DwmIsCompositionEnabled", E_INVALIDARG);
  *enabled = composition;
  return Log("DwmIsCompositionEnabled", S_OK);
}

#ifndef STAND_IN_WITHOUT_THUMBNAILS

namespace {

constexpr DWORD kRectDestination = 0x1;  // DWM_TNP_RECTDESTINATION
constexpr DWORD kRectSource = 0x2;       // DWM_TNP_RECTSOURCE
constexpr DWORD kVisible = 0x8;          // DWM_TNP_VISIBLE
constexpr DWORD kClientAreaOnly = 0x10;  // DWM_TNP_SOURCECLIENTAREAONLY

// DWM_THUMBNAIL_PROPERTIES, member for member, packed to the byte as published: fVisible follows
// the one-byte opacity directly.
#pragma pack(push, 1)
struct ThumbnailProperties {
  DWORD dwFlags;
  RECT rcDestination;
  RECT rcSource;
  BYTE opacity;
  BOOL fVisible;
  BOOL fSourceClientAreaOnly;
};
#pragma pack(pop)
static_assert(sizeof(ThumbnailProperties) == 45);

// While any thumbnail is registered: a thread timer that shows each visible thumbnail again with
// its source's current picture, and a hook that puts the thumbnails back over their destination
// whenever it paints or erases its background. Both belong to the thread that registered the
// first thumbnail, and both go with the last one, so that nothing calls into this library once
// it may unload.
constexpr UINT kRefreshInterval = 16;  // ms, about one frame of a 60 Hz display
UINT_PTR refreshTimer = 0;
HHOOK paintHook = nullptr;
// Set while the stand-in itself draws: the destination's repaint it asks for is not a cue.
bool composing = false;

// The window paints itself now, before anything is drawn over it.
void Repaint(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_UPDATENOW);
}

bool IsOwnTopLevel(HWND window) {
  DWORD process = 0;
  return IsWindow(window) && GetAncestor(window, GA_ROOT) == window && GetWindowThreadProcessId(window, &process) &&
         process == GetCurrentProcessId();
}

bool Contains(const RECT& outer, const RECT& inner) {
  RECT common = {};
  return IsRectEmpty(&inner) || (IntersectRect(&common, &outer, &inner) && EqualRect(&common, &inner));
}

// Where a thumbnail lands now: the part of its source rectangle that lies on the source window,
// in the window's own picture (`from`), stretched as the whole rectangle would be (`into`, in the
// destination's client area); and the part of the destination it covers. Nothing when it is
// invisible or its source is gone.
struct Landing {
  RECT from = {}, into = {}, covered = {};
};

Landing Land(const Thumbnail& t, const RECT& client) {
  Landing l;
  if (!t.visible || !IsWindow(t.source)) return l;
  RECT window = {};
  GetWindowRect(t.source, &window);
  RECT extent = {0, 0, window.right - window.left, window.bottom - window.top};
  POINT offset = {0, 0};  // of the rectangle's origin within the window
  if (t.clientAreaOnly) {
    GetClientRect(t.source, &extent);
    ClientToScreen(t.source, &offset);
    offset.x -= window.left;
    offset.y -= window.top;
  }
  const RECT from = t.haveSource ? t.sourceRect : extent;
  const RECT to = t.haveDestination ? t.destinationRect : RECT{0, 0, extent.right, extent.bottom};
  const int fromWidth = from.right - from.left, fromHeight = from.bottom - from.top;
  if (fromWidth <= 0 || fromHeight <= 0 || IsRectEmpty(&to)) return l;
  RECT shown = {};
  if (!IntersectRect(&shown, &from, &extent)) return l;
  const double sx = double(to.right - to.left) / fromWidth, sy = double(to.bottom - to.top) / fromHeight;
  l.into = RECT{to.left + int(std::lround((shown.left - from.left) * sx)),
                to.top + int(std::lround((shown.top - from.top) * sy)),
                to.left + int(std::lround((shown.right - from.left) * sx)),
                to.top + int(std::lround((shown.bottom - from.top) * sy))};
  l.from = shown;
  OffsetRect(&l.from, offset.x, offset.y);
  IntersectRect(&l.covered, &l.into, &client);
  return l;
}

void Paint(HWND destinationWindow, HWND sourceWindow, const Landing& l) {
  if (IsRectEmpty(&l.covered)) return;
  const HDC destination = GetDC(destinationWindow);
  const HDC source = GetWindowDC(sourceWindow);
  SetStretchBltMode(destination, COLORONCOLOR);
  StretchBlt(destination, l.into.left, l.into.top, l.into.right - l.into.left, l.into.bottom - l.into.top, source,
             l.from.left, l.from.top, l.from.right - l.from.left, l.from.bottom - l.from.top, SRCCOPY);
  ReleaseDC(sourceWindow, source);
  ReleaseDC(destinationWindow, destination);
}

// Shows the destination's visible thumbnails over it, each with its source's picture as it is
// now. Whatever a thumbnail covered and no longer covers shows the destination's own picture
// again: it paints itself first then, and always when asked to; while it is painting already,
// it paints itself again afterwards.
void Compose(HWND destination, bool repaint = false, bool painting = false) {
  if (composing || !IsWindow(destination)) return;
  composing = true;
  RECT client = {};
  GetClientRect(destination, &client);
  std::vector<std::pair<Thumbnail*, Landing>> landings;
  for (auto& [id, t] : thumbnails) {
    if (t.destination != destination) continue;
    landings.emplace_back(&t, Land(t, client));
    repaint = repaint || !Contains(landings.back().second.covered, t.drawn);
  }
  if (repaint && painting) {
    InvalidateRect(destination, nullptr, TRUE);
  } else if (repaint) {
    Repaint(destination);
  }
  for (auto& [t, l] : landings) {
    Paint(destination, t->source, l);
    t->drawn = l.covered;
  }
  GdiFlush();
  composing = false;
}

// The compositor composes over and over: each destination shows its sources' current pictures.
void CALLBACK Refresh(HWND, UINT, UINT_PTR, DWORD) {
  std::vector<HWND> destinations;
  for (const auto& [id, t] : thumbnails) {
    if (t.visible && std::find(destinations.begin(), destinations.end(), t.destination) == destinations.end())
      destinations.push_back(t.destination);
  }
  for (HWND destination : destinations) Compose(destination);
}

// After a destination has painted or erased anything, its thumbnails are over it again.
LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto& sent = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (sent.message == WM_ERASEBKGND || sent.message == WM_PAINT) {
      for (const auto& [id, t] : thumbnails) {
        if (t.destination == sent.hwnd && t.visible) {
          Compose(sent.hwnd, false, true);
          break;
        }
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void StartComposing() {
  if (refreshTimer == 0) refreshTimer = SetTimer(nullptr, 0, kRefreshInterval, Refresh);
  if (paintHook == nullptr) paintHook = SetWindowsHookExW(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetCurrentThreadId());
}

void StopComposing() {
  if (refreshTimer != 0) KillTimer(nullptr, refreshTimer);
  if (paintHook != nullptr) UnhookWindowsHookEx(paintHook);
  refreshTimer = 0;
  paintHook = nullptr;
}

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT WINAPI DwmGetColorizationColor(DWORD* colour, BOOL* opaqueBlend) {
  if (colour == nullptr || opaqueBlend == nullptr) return Log("DwmGetColorizationColor", E_INVALIDARG);
  *colour = colorization;
  *opaqueBlend = FALSE;
  return Log("DwmGetColorizationColor", S_OK);
}

__declspec(dllexport) HRESULT WINAPI DwmRegisterThumbnail(HWND destination, HWND source, HANDLE* thumbnail) {
  StandInCall call = {};
  call.destination = destination;
  call.source = source;
  if (thumbnail == nullptr) return Log("DwmRegisterThumbnail", E_INVALIDARG, call);
  *thumbnail = nullptr;
  // The destination must be a top-level window of the caller; the source any other top-level.
  if (!IsOwnTopLevel(destination) || !IsWindow(source) || GetAncestor(source, GA_ROOT) != source ||
      source == destination)
    return Log("DwmRegisterThumbnail", E_INVALIDARG, call);
  // Handles are opaque: one given back may be given out again, so the lowest free one is.
  call.thumbnail = 1;
  while (thumbnails.count(call.thumbnail) != 0) ++call.thumbnail;
  thumbnails[call.thumbnail] = Thumbnail{destination, source, {}, {}};
  StartComposing();
  *thumbnail = reinterpret_cast<HANDLE>(call.thumbnail);
  return Log("DwmRegisterThumbnail", S_OK, call);
}

__declspec(dllexport) HRESULT WINAPI DwmGetWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size) {
  constexpr DWORD kCloaked = 14;  // DWMWA_CLOAKED
  if (attribute != kCloaked || value == nullptr || size != sizeof(DWORD) || !IsWindow(window)) return E_INVALIDARG;
  *static_cast<DWORD*>(value) = cloaked.count(window) != 0 ? 1 : 0;
  return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmUnregisterThumbnail(HANDLE thumbnail) {
  StandInCall call = {};
  call.thumbnail = reinterpret_cast<ULONG_PTR>(thumbnail);
  const auto found = thumbnails.find(call.thumbnail);
  if (found == thumbnails.end()) return Log("DwmUnregisterThumbnail", E_INVALIDARG, call);
  const HWND destination = found->second.destination;
  const bool shown = !IsRectEmpty(&found->second.drawn);
  thumbnails.erase(found);
  // The thumbnail leaves the destination's picture; any others stay over it.
  Compose(destination, shown);
  if (thumbnails.empty()) StopComposing();
  return Log("DwmUnregisterThumbnail", S_OK, call);
}

__declspec(dllexport) HRESULT WINAPI DwmUpdateThumbnailProperties(HANDLE thumbnail, const ThumbnailProperties* p) {
  StandInCall call = {};
  call.thumbnail = reinterpret_cast<ULONG_PTR>(thumbnail);
  const auto found = thumbnails.find(call.thumbnail);
  if (found == thumbnails.end() || p == nullptr) return Log("DwmUpdateThumbnailProperties", E_INVALIDARG, call);
  call.flags = p->dwFlags;
  if (updateResult != S_OK) return Log("DwmUpdateThumbnailProperties", updateResult, call);  // nothing changes
  Thumbnail& t = found->second;
  if (p->dwFlags & kRectDestination) {
    t.destinationRect = call.destinationRect = p->rcDestination;
    t.haveDestination = true;
  }
  if (p->dwFlags & kRectSource) {
    t.sourceRect = call.sourceRect = p->rcSource;
    t.haveSource = true;
  }
  if (p->dwFlags & kVisible) t.visible = p->fVisible != FALSE;
  if (p->dwFlags & kClientAreaOnly) t.clientAreaOnly = p->fSourceClientAreaOnly != FALSE;
  call.visible = t.visible;
  // Opacity is accepted; every thumbnail is drawn at the default, opaque.
  Compose(t.destination);
  return Log("DwmUpdateThumbnailProperties", S_OK, call);
}

}  // extern "C"

// A caller that unloads the library with thumbnails still registered leaves no timer or hook
// behind that would call into it.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID processEnding) {
  if (reason == DLL_PROCESS_DETACH && processEnding == nullptr) StopComposing();
  return TRUE;
}

#endif  // STAND_IN_WITHOUT_THUMBNAILS

// ---- For tests ----

namespace {

// Sends a change message to each top-level window of this process (the message in `message`).
BOOL CALLBACK Tell(HWND window, LPARAM message) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  if (UINT(message) == kColorizationChanged) {
    SendNotifyMessageW(window, kColorizationChanged, colorization, FALSE);
  } else {
    SendNotifyMessageW(window, UINT(message), 0, 0);
  }
  return TRUE;
}

}  // namespace

extern "C" {
__declspec(dllexport) int WINAPI StandInCallCount() { return callCount; }

__declspec(dllexport) BOOL WINAPI StandInCallAt(int index, StandInCall* out) {
  if (index < 0 || index >= callCount || out == nullptr) return FALSE;
  *out = calls[(firstCall + index) % stand_in::kLogCapacity];
  return TRUE;
}

__declspec(dllexport) void WINAPI StandInClearLog() { firstCall = callCount = 0; }

__declspec(dllexport) int WINAPI StandInThumbnailCount() { return int(thumbnails.size()); }

// A new colour is told to every top-level window of this process, as the compositor tells all.
__declspec(dllexport) void WINAPI StandInSetColorizationColor(DWORD colour) {
  if (colour == colorization) return;
  colorization = colour;
  EnumWindows(Tell, kColorizationChanged);
}

__declspec(dllexport) void WINAPI StandInSetComposition(BOOL on) {
  constexpr UINT kCompositionChanged = 0x031E;  // WM_DWMCOMPOSITIONCHANGED
  if ((on != FALSE) == (composition != FALSE)) return;
  composition = on;
  EnumWindows(Tell, kCompositionChanged);
}

__declspec(dllexport) void WINAPI StandInSetUpdateResult(HRESULT result) { updateResult = result; }

__declspec(dllexport) void WINAPI StandInSetCloaked(HWND window, BOOL on) {
  if (on) {
    cloaked.insert(window);
  } else {
    cloaked.erase(window);
  }
}

}  // extern "C"
