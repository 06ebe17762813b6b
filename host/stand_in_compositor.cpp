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

#include <cmath>
#include <cstring>
#include <map>

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
};

// The thumbnails registered now, and the composition colour reported (0xAARRGGBB).
std::map<ULONG_PTR, Thumbnail> thumbnails;
DWORD colorization = 0xC03D6FA8;  // a muted blue, mostly opaque

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

extern "C" __declspec(dllexport) HRESULT WINAPI DwmIsCompositionEnabled(BOOL* enabled) {
  if (enabled == nullptr) return Log("DwmIsCompositionEnabled", E_INVALIDARG);
#ifdef STAND_IN_COMPOSITION_OFF
  *enabled = FALSE;
#else
  *enabled = TRUE;
#endif
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

ULONG_PTR lastThumbnail = 0;

// The window paints itself now, before anything is drawn over it.
void Repaint(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_UPDATENOW);
}

bool IsOwnTopLevel(HWND window) {
  DWORD process = 0;
  return IsWindow(window) && GetAncestor(window, GA_ROOT) == window && GetWindowThreadProcessId(window, &process) &&
         process == GetCurrentProcessId();
}

// Shows the thumbnail in its destination: the part of the source rectangle that lies on the
// source window, read from the window's own picture, stretched as the whole rectangle would be.
void Draw(const Thumbnail& t) {
  if (!IsWindow(t.destination)) return;
  if (!t.visible || !IsWindow(t.source)) {
    Repaint(t.destination);  // a thumbnail made invisible leaves the destination's picture
    return;
  }
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
  RECT client = {};
  GetClientRect(t.destination, &client);
  const RECT from = t.haveSource ? t.sourceRect : extent;
  const RECT to = t.haveDestination ? t.destinationRect : RECT{0, 0, extent.right, extent.bottom};
  const int fromWidth = from.right - from.left, fromHeight = from.bottom - from.top;
  if (fromWidth <= 0 || fromHeight <= 0 || IsRectEmpty(&to)) return;

  RECT shown = {};
  IntersectRect(&shown, &from, &extent);
  const double sx = double(to.right - to.left) / fromWidth, sy = double(to.bottom - to.top) / fromHeight;
  const RECT into = {to.left + int(std::lround((shown.left - from.left) * sx)),
                     to.top + int(std::lround((shown.top - from.top) * sy)),
                     to.left + int(std::lround((shown.right - from.left) * sx)),
                     to.top + int(std::lround((shown.bottom - from.top) * sy))};
  // Whatever the thumbnail no longer covers shows the destination's own background again.
  RECT covered = {};
  IntersectRect(&covered, &into, &client);
  if (IsRectEmpty(&shown) || !EqualRect(&covered, &client)) Repaint(t.destination);
  if (IsRectEmpty(&shown)) return;

  const HDC destination = GetDC(t.destination);
  const HDC source = GetWindowDC(t.source);
  SetStretchBltMode(destination, COLORONCOLOR);
  StretchBlt(destination, into.left, into.top, into.right - into.left, into.bottom - into.top, source,
             shown.left + offset.x, shown.top + offset.y, shown.right - shown.left, shown.bottom - shown.top, SRCCOPY);
  ReleaseDC(t.source, source);
  ReleaseDC(t.destination, destination);
  GdiFlush();
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
  call.thumbnail = ++lastThumbnail;
  thumbnails[call.thumbnail] = Thumbnail{destination, source, {}, {}};
  *thumbnail = reinterpret_cast<HANDLE>(call.thumbnail);
  return Log("DwmRegisterThumbnail", S_OK, call);
}

__declspec(dllexport) HRESULT WINAPI DwmUnregisterThumbnail(HANDLE thumbnail) {
  StandInCall call = {};
  call.thumbnail = reinterpret_cast<ULONG_PTR>(thumbnail);
  const auto found = thumbnails.find(call.thumbnail);
  if (found == thumbnails.end()) return Log("DwmUnregisterThumbnail", E_INVALIDARG, call);
  const HWND destination = found->second.destination;
  thumbnails.erase(found);
  // The thumbnail leaves the destination's picture.
  if (IsWindow(destination)) Repaint(destination);
  return Log("DwmUnregisterThumbnail", S_OK, call);
}

__declspec(dllexport) HRESULT WINAPI DwmUpdateThumbnailProperties(HANDLE thumbnail, const ThumbnailProperties* p) {
  StandInCall call = {};
  call.thumbnail = reinterpret_cast<ULONG_PTR>(thumbnail);
  const auto found = thumbnails.find(call.thumbnail);
  if (found == thumbnails.end() || p == nullptr) return Log("DwmUpdateThumbnailProperties", E_INVALIDARG, call);
  call.flags = p->dwFlags;
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
  Draw(t);
  return Log("DwmUpdateThumbnailProperties", S_OK, call);
}

}  // extern "C"

#endif  // STAND_IN_WITHOUT_THUMBNAILS

// ---- For tests ----

extern "C" {
__declspec(dllexport) int WINAPI StandInCallCount() { return callCount; }

__declspec(dllexport) BOOL WINAPI StandInCallAt(int index, StandInCall* out) {
  if (index < 0 || index >= callCount || out == nullptr) return FALSE;
  *out = calls[(firstCall + index) % stand_in::kLogCapacity];
  return TRUE;
}

__declspec(dllexport) void WINAPI StandInClearLog() { firstCall = callCount = 0; }

__declspec(dllexport) int WINAPI StandInThumbnailCount() { return int(thumbnails.size()); }

__declspec(dllexport) void WINAPI StandInSetColorizationColor(DWORD colour) { colorization = colour; }

}  // extern "C"
