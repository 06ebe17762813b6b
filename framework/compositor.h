// The desktop compositor's functions, bound at run time: the library is absent before Windows
// Vista, and the plug-in must load there too. It is loaded on first need, from the system folder
// only, and kept until ReleaseCompositor; each function is looked up on first use.
#pragma once

#include <windows.h>

#include <dwmapi.h>  // types only; nothing is linked against its import library

// True only when the compositor is there and says composition is on.
bool IsCompositionEnabled();

// The lens's calls; E_NOTIMPL when the library or the function is missing.
namespace Dwm {
HRESULT RegisterThumbnail(HWND destination, HWND source, HTHUMBNAIL* thumbnail);
HRESULT UnregisterThumbnail(HTHUMBNAIL thumbnail);
HRESULT UpdateThumbnailProperties(HTHUMBNAIL thumbnail, const DWM_THUMBNAIL_PROPERTIES* properties);
HRESULT GetColorizationColor(DWORD* colorization, BOOL* opaqueBlend);
HRESULT GetWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size);
}  // namespace Dwm

// True when the compositor keeps a visible window off the screen (cloaked: on another virtual
// desktop, or an app suspended in the background, from Windows 8 on).
bool IsCloaked(HWND window);

// Frees the library, if it was loaded; the next call loads it again. The window framework calls it
// once no window of ours is left.
void ReleaseCompositor();

// Seams for tests: where the system's major version and the library come from (null: the
// real ones). Setting them also unloads the library and forgets every function looked up.
namespace CompositorTesting {
using MajorVersionSource = DWORD (*)();
using LibraryLoader = HMODULE (*)(const wchar_t* name);
void Use(MajorVersionSource version, LibraryLoader loader);
}  // namespace CompositorTesting
