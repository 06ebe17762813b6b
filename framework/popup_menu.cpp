#include "framework/popup_menu.h"

#include "framework/encoding.h"
#include "framework/errors.h"
#include "framework/window.h"
#include "resources/texts.h"

namespace {

// The text a menu shows for a shortcut key, after a tab.
std::wstring ShortcutText(WORD key) {
  switch (key) {
    case 0:
      return {};
    case VK_ESCAPE:
      return L"\t" + Utf8ToWide(texts::kEscapeKey);
    default: {
      wchar_t name[32] = {};
      const LONG scan = LONG(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
      return GetKeyNameTextW(scan, name, 32) > 0 ? std::wstring(L"\t") + name : std::wstring();
    }
  }
}

}  // namespace

PopupMenu::PopupMenu() : menu_(CreatePopupMenu()) {
  if (menu_ == nullptr) throw SystemError(texts::kNoMenu, GetLastError());
}

PopupMenu::~PopupMenu() {
  if (menu_ != nullptr) DestroyMenu(menu_);
}

void PopupMenu::Release() {
  released_ = true;
  if (tracking_ || menu_ == nullptr) return;
  DestroyMenu(menu_);
  menu_ = nullptr;
}

int PopupMenu::Add(Item item) {
  const int index = Count();
  MENUITEMINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_STATE;
  info.wID = CommandOf(index);
  std::wstring text;
  if (item.caption == "-") {
    info.fType = MFT_SEPARATOR;
    info.fMask &= ~UINT(MIIM_STRING);
  } else {
    info.fType = item.radio ? MFT_RADIOCHECK : MFT_STRING;
    text = Utf8ToWide(item.caption) + ShortcutText(item.shortcut);
    info.dwTypeData = text.data();
  }
  info.fState = item.isDefault ? MFS_DEFAULT : 0;
  if (!InsertMenuItemW(menu_, UINT(index), TRUE, &info)) throw SystemError(texts::kNoMenuItem, GetLastError());
  items_.push_back(std::move(item));
  return index;
}

void PopupMenu::SetChecked(int index, bool checked) {
  if (menu_ == nullptr) return;
  const Item& item = At(index);
  if (checked && item.radio) {
    for (int i = 0; i < Count(); ++i) {
      if (i != index && items_[std::size_t(i)].radio && items_[std::size_t(i)].group == item.group)
        CheckMenuItem(menu_, CommandOf(i), MF_BYCOMMAND | MF_UNCHECKED);
    }
  }
  CheckMenuItem(menu_, CommandOf(index), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void PopupMenu::Popup(HWND owner, int x, int y) {
  if (released_ || tracking_) return;
  // The menu's owner must be the foreground window, or the menu stays open when the user
  // clicks elsewhere.
  SetForegroundWindow(owner);
  tracking_ = true;
  const UINT command =
      UINT(TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, owner, nullptr));
  tracking_ = false;
  // Released while it was open (its window closed meanwhile): no choice made in it counts.
  if (released_) {
    Release();
    return;
  }
  PostMessageW(owner, WM_NULL, 0, 0);
  if (command == 0 || command > UINT(Count())) return;
  const Item& item = At(int(command) - 1);
  if (item.onClick) item.onClick();
}

bool PopupMenu::RunShortcut(WORD key, unsigned shift) {
  if (key == 0 || shift != 0 || released_) return false;
  for (const Item& item : items_) {
    if (item.shortcut == key && item.onClick) {
      item.onClick();
      return true;
    }
  }
  return false;
}
