// UpdateLayeredWindow, bound when the module loads: the system DLL may lack it, and the lens
// then does without per-pixel alpha instead of failing to load.
#pragma once

#include <windows.h>

using UpdateLayeredWindowProc = BOOL(WINAPI*)(HWND window, HDC screen, POINT* position, SIZE* size, HDC source,
                                              POINT* sourcePosition, COLORREF key, BLENDFUNCTION* blend,
                                              DWORD flags);

// Null when USER32 has no UpdateLayeredWindow.
UpdateLayeredWindowProc LayeredUpdate();
