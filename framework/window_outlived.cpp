#include "framework/window.h"

// Alone in its file: a test build links framework/window_checks.cpp first, which keeps this one out.
void WindowOutlivedItsObject(HWND) { OutputDebugStringW(L"Vitrelle: a window outlived its object\n"); }
