// PopupMenu: a right-click menu of plain items, radio items in groups, separators and one
// default (bold) item, each with a tag and an action; an item may have a key shortcut, which the
// owning window runs from its key handling.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class PopupMenu {
public:
  struct Item {
    std::string caption;  // UTF-8; "-" makes a separator
    int tag = 0;
    int group = 0;
    bool radio = false;
    bool isDefault = false;
    WORD shortcut = 0;  // a virtual key without modifiers, 0 for none
    std::function<void()> onClick;
  };

  PopupMenu();
  ~PopupMenu();
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  // Returns the item's index.
  int Add(Item item);
  int Count() const { return int(items_.size()); }
  const Item& At(int index) const { return items_[std::size_t(index)]; }
  HMENU Handle() const { return menu_; }

  // Checking a radio item unchecks the others of its group.
  void SetChecked(int index, bool checked);

  // Shows the menu at a screen point and runs the chosen item's action after the menu is gone.
  void Popup(HWND owner, int x, int y);
  // Gives the system's menu back; the menu shows no more, and its items keep their actions.
  // Asked while the menu is open, it waits for the menu to close.
  void Release();
  // Runs the item with this shortcut; false when none has it.
  bool RunShortcut(WORD key, unsigned shift);

private:
  UINT CommandOf(int index) const { return UINT(index + 1); }

  HMENU menu_;
  std::vector<Item> items_;
  bool tracking_ = false;
  bool released_ = false;
};
