// The stand-in desktop compositor: a dwmapi.dll of our own for machines without a compositor
// (Wine has none: it says composition is off, and its thumbnails draw nothing). It says
// composition is on and draws registered thumbnails for real: it copies the source rectangle of
// the source window's own picture, stretched, into the destination rectangle of the destination
// window. Like the compositor's, its thumbnails are live without further updates: it draws them
// again whenever their properties change, whenever their destination paints or erases its
// background, and every 16 ms for what their sources show (a thread timer of the thread that
// registered the first thumbnail, while any is registered). The plug-in loads the compositor's
// library from the system folder only, so a program hands it the stand-in by loading it first
// (nbhost --compositor PATH): a module of that name already loaded is the one a load by name gets.
//
// Besides the compositor's functions it exports a few for tests, declared here: the log of
// calls, the live thumbnails, the composition colour to report (a change is told to this
// process's top-level windows, as the compositor tells all), the result that properties
// updates give, and the windows it says are cloaked (DwmGetWindowAttribute answers nothing else,
// and its calls are not logged: the lens asks for each window it passes). A test finds them with GetProcAddress on the loaded "dwmapi.dll".
#pragma once

#include <windows.h>

// One compositor call, as the stand-in saw it.
struct StandInCall {
  char function[40];     // "DwmRegisterThumbnail", ...
  HRESULT result;
  HWND destination;      // DwmRegisterThumbnail
  HWND source;           // DwmRegisterThumbnail
  ULONG_PTR thumbnail;   // the one registered, unregistered or updated
  DWORD flags;           // DwmUpdateThumbnailProperties: the properties' flags
  RECT destinationRect;  // DwmUpdateThumbnailProperties, when flagged
  RECT sourceRect;       // DwmUpdateThumbnailProperties, when flagged
  BOOL visible;          // DwmUpdateThumbnailProperties: whether the thumbnail shows after it
};

// The test exports, by name and type.
namespace stand_in {
constexpr const char* kCallCount = "StandInCallCount";          // int ()
constexpr const char* kCallAt = "StandInCallAt";                // BOOL (int index, StandInCall* out)
constexpr const char* kClearLog = "StandInClearLog";            // void ()
constexpr const char* kThumbnailCount = "StandInThumbnailCount";  // int (): registered now
constexpr const char* kSetColor = "StandInSetColorizationColor";  // void (DWORD 0xAARRGGBB)
// S_OK (as loaded), or the failure every properties update returns, changing nothing, as the
// compositor's do once it has stopped composing (DWM_E_COMPOSITIONDISABLED).
constexpr const char* kSetUpdateResult = "StandInSetUpdateResult";  // void (HRESULT)
// What DwmIsCompositionEnabled answers from now on; a change is told to this process's top-level
// windows, as the compositor tells all (WM_DWMCOMPOSITIONCHANGED).
constexpr const char* kSetComposition = "StandInSetComposition";  // void (BOOL)
// Whether DwmGetWindowAttribute says the window is cloaked (none is, as loaded).
constexpr const char* kSetCloaked = "StandInSetCloaked";  // void (HWND, BOOL)
using CallCount = int(WINAPI*)();
using CallAt = BOOL(WINAPI*)(int, StandInCall*);
using ClearLog = void(WINAPI*)();
using ThumbnailCount = int(WINAPI*)();
using SetColor = void(WINAPI*)(DWORD);
using SetUpdateResult = void(WINAPI*)(HRESULT);
using SetCloaked = void(WINAPI*)(HWND, BOOL);
using SetComposition = void(WINAPI*)(BOOL);
// The log keeps the most recent calls, this many at most.
constexpr int kLogCapacity = 4096;
}  // namespace stand_in
