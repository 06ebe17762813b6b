// Whether what a user reads in our windows is whole: each control's text, measured with the
// control's own font, inside the control and clear of every other control; each item of an open
// menu inside its row. Our forms keep their 96-DPI pixel layout at any screen density while the
// system's captions and menu font grow with it, so the tests run at several densities.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The density the screen reports (GetDeviceCaps LOGPIXELSX).
int ScreenDpi();

// Where a test leaves its pictures: build/, beside the demo's, or the folder that
// VITRELLE_PICTURES names (made when missing), so that runs at other densities keep theirs apart.
std::string PictureFolder();

// One line per fault among the dialog's visible child controls: a text that needs more room than
// its control gives it, a control outside the client area, two controls whose texts (or
// pictures, fields) overlap, or a kind of control these rules do not know. Empty when all is well.
std::vector<std::string> TextFitProblems(HWND dialog);

// The items of a menu, as a user reads them.
struct MenuEntry {
  std::wstring text;
  UINT type = 0;   // MFT_*
  UINT state = 0;  // MFS_*
};
inline std::vector<MenuEntry> MenuItems(HMENU menu) {
  std::vector<MenuEntry> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = 64;
    GetMenuItemInfoW(menu, UINT(i), TRUE, &info);
    items.push_back({text, info.fType, info.fState});
  }
  return items;
}

// The same for an open pop-up menu (the menu window and its menu): each item's text and
// shortcut, in the system's menu font (bold for the default item), beside the check-mark column
// of its row; rows one below the other; the menu whole on the screen.
std::vector<std::string> MenuFitProblems(HWND menuWindow, HMENU menu);
