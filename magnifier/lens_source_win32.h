// What the lens asks the system when it chooses and sets up the source of its picture
// (magnifier/lens_source.h). Each function is bound at run time: Windows XP has none of them.
#pragma once

#include <windows.h>

#include "magnifier/lens_source.h"

// The version the kernel reports (RtlGetVersion): the true one, where GetVersion tells a program
// without a manifest 6.2 from Windows 8.1 on.
WindowsVersion TrueWindowsVersion();

// Keeps the window out of screen copies (display affinity WDA_EXCLUDEFROMCAPTURE) and reads the
// affinity back; false when the system has not taken it. Before Windows 10 build 19041 the value
// would black the window out in copies instead, so the caller asks only from that build on.
bool KeepOutOfScreenCopies(HWND window);
// Lets the window into screen copies again.
void LetIntoScreenCopies(HWND window);
