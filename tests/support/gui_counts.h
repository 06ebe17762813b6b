// Counting what the process holds of the window system: its windows, GDI objects and USER
// objects, on Windows and under Wine alike.
#pragma once

#include <windows.h>

namespace gui_counts {

inline BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<DWORD*>(count);
  return TRUE;
}

inline BOOL CALLBACK CountWindowAndChildren(HWND window, LPARAM count) {
  ++*reinterpret_cast<DWORD*>(count);
  EnumChildWindows(window, CountWindow, count);  // every descendant, not only the children
  return TRUE;
}

// Top-level windows of this thread, hidden ones included: a lens that closed without being
// destroyed stays among them.
inline DWORD ThreadWindows() {
  DWORD n = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&n));
  return n;
}

// Live GDI objects of the process. On Windows GetGuiResources counts them; Wine answers 0. There a
// handle whose upper word is 0 names whatever object holds that slot of the process's handle
// table, so asking every slot for its type counts the live objects exactly (a probe object's
// slot would not do: Wine reuses the slot freed last, so a leak does not move it).
inline DWORD GdiObjects(bool windowDCs = true) {
  if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
  DWORD n = 0;
  for (UINT_PTR slot = 1; slot <= 0xFFFF; ++slot) {
    const DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(slot));
    if (type != 0 && (windowDCs || (type != OBJ_DC && type != OBJ_REGION))) ++n;
  }
  return n;
}

// GdiObjects(false) leaves out Wine's cache of window device contexts (a DC and a region each),
// which grows with the history of activations and window DCs and stays so.
inline DWORD GdiObjectsBesidesWindowDCs() { return GdiObjects(false); }

// Live USER objects of the process: GetGuiResources on Windows. Under Wine, the windows of this
// thread with all their descendants, plus the menus, cursors and icons found by asking every slot
// of the USER handle table (handles 0x20, 0x22, ...; upper word 0 matches any generation).
inline DWORD UserObjects() {
  if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return n;
  DWORD n = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindowAndChildren, reinterpret_cast<LPARAM>(&n));
  for (UINT_PTR slot = 0; slot < 0x8000; ++slot) {
    const auto handle = reinterpret_cast<HANDLE>(0x20 + 2 * slot);
    if (IsMenu(static_cast<HMENU>(handle))) ++n;
    ICONINFO icon;
    if (GetIconInfo(static_cast<HICON>(handle), &icon)) {
      ++n;
      if (icon.hbmMask != nullptr) DeleteObject(icon.hbmMask);  // copies made for us
      if (icon.hbmColor != nullptr) DeleteObject(icon.hbmColor);
    }
  }
  return n;
}

}  // namespace gui_counts

using gui_counts::GdiObjects;
using gui_counts::GdiObjectsBesidesWindowDCs;
using gui_counts::ThreadWindows;
using gui_counts::UserObjects;
