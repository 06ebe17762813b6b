// Looking at the plug-in's lens from outside, as a user sees it: its windows, and its menu opened
// with a right click and read while it is open.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/dpi.h"
#include "host/key_input.h"
#include "host/publication.h"
#include "host_fixture.h"
#include "magnifier/lens_geometry.h"
#include "text_fit.h"

namespace lens_probe {

struct Search {
  const wchar_t* className;
  std::vector<HWND> found;
};

inline BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (process == GetCurrentProcessId() && std::wstring(name) == search.className) search.found.push_back(window);
  return TRUE;
}

// Every top-level window of this process with this class, shown or not.
inline std::vector<HWND> WindowsOfClass(const wchar_t* className) {
  Search search{className, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace lens_probe

// The lens windows, and the thumbnail windows beneath them on a composed desktop.
inline std::vector<HWND> LensWindows() { return lens_probe::WindowsOfClass(L"VitrelleLens"); }
inline std::vector<HWND> ThumbWindows() { return lens_probe::WindowsOfClass(L"VitrelleThumb"); }

// The lens's measures as it stands: at its monitor's density where Windows scales unaware
// programs (the numbers of every test are then the screen's own pixels), else at 96 DPI.
inline Lens::Metrics MetricsOf(HWND lens) { return Lens::Metrics::AtDpi(DpiOfWindow(lens)); }

// The centre of the lens area in the lens window, as the lens stands.
inline POINT AreaCentreOf(HWND lens) {
  RECT r = {};
  GetWindowRect(lens, &r);
  const Lens::Metrics m = MetricsOf(lens);
  const Rect area = Lens::AreaOf(Lens::ClampedSize(r.right - r.left, r.bottom - r.top, m), m);
  return {Lens::AreaCentreX(area), Lens::AreaCentreY(area)};
}

// The one lens window; null when there is none or more than one. The same for the thumbnail.
inline HWND TheLens() {
  const std::vector<HWND> lenses = LensWindows();
  return lenses.size() == 1 ? lenses[0] : nullptr;
}
inline HWND TheThumb() {
  const std::vector<HWND> thumbs = ThumbWindows();
  return thumbs.size() == 1 ? thumbs[0] : nullptr;
}

struct MenuView {
  bool opened = false;
  std::vector<MenuEntry> items;
  UINT defaultItem = UINT(-1);  // by position
  int Checked() const {         // position of the one checked item; -1 for none, -2 for several
    int found = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i].state & MFS_CHECKED) found = found == -1 ? int(i) : -2;
    return found;
  }
};

namespace lens_probe {

struct MenuVisit {
  MenuView view;
  std::vector<WPARAM> keys;
  std::function<void(HWND, HMENU)> look;
  int ticks = 0;
  bool done = false;
};
inline MenuVisit* visit = nullptr;

// Runs inside the menu's own modal loop: reads the open menu, then presses the keys on it.
inline void CALLBACK ReadMenu(HWND, UINT, UINT_PTR id, DWORD) {
  MenuVisit& v = *visit;
  const HWND menuWindow = FindWindowW(L"#32768", nullptr);
  if (menuWindow == nullptr || !IsWindowVisible(menuWindow)) {
    if (++v.ticks > 40) {  // two seconds without a menu: give up
      KillTimer(nullptr, id);
      v.done = true;
    }
    return;
  }
  KillTimer(nullptr, id);
  constexpr UINT kGetMenu = 0x01E1;  // MN_GETHMENU
  const auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, kGetMenu, 0, 0));
  v.view.opened = menu != nullptr;
  v.view.items = MenuItems(menu);
  v.view.defaultItem = GetMenuDefaultItem(menu, TRUE, 0);
  if (v.look) v.look(menuWindow, menu);
  for (WPARAM key : v.keys) PostMessageW(menuWindow, WM_KEYDOWN, key, 0);
  v.done = true;
}

}  // namespace lens_probe

// A user's key press, with another key (Ctrl, Shift) held around it when asked; then the messages
// run.
inline void Press(WORD key, WORD held = 0) {
  PressKey(key, held);
  Publication::Pump(50);
}

// Opens the lens's menu the way `open` does (by default a right click in the middle of the lens
// area), reads the menu (and gives it to `look`), then presses `keys` in it (Esc by default:
// nothing chosen) and lets the choice run.
inline MenuView OpenLensMenu(HWND lens, std::vector<WPARAM> keys = {VK_ESCAPE},
                             std::function<void(HWND, HMENU)> look = {}, std::function<void()> open = {}) {
  RECT r = {};
  GetWindowRect(lens, &r);
  lens_probe::MenuVisit v;
  v.keys = std::move(keys);
  v.look = std::move(look);
  lens_probe::visit = &v;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, lens_probe::ReadMenu);
  if (open) {
    open();
  } else {
    const POINT centre = AreaCentreOf(lens);
    SetCursorPos(r.left + centre.x, r.top + centre.y);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, click, sizeof(INPUT));
  }
  for (int i = 0; i < 60 && !v.done; ++i) Publication::Pump(50);
  Publication::Pump(100);  // the chosen item's action runs once the menu is gone
  KillTimer(nullptr, timer);
  lens_probe::visit = nullptr;
  return v.view;
}

// A user's left-button drag from one screen point to another, played by a second thread while
// this one runs the messages: pressing on the lens starts the system's move or size loop, which
// keeps this thread until the button is released. With clickFirst the user clicks at `from` just
// before, so that the drag's press is the second of a double-click.
inline void Drag(POINT from, POINT to, bool clickFirst = false) {
  SetCursorPos(from.x, from.y);
  Publication::Pump(50);
  std::thread user([from, to, clickFirst] {
    const PerMonitorDpiScope aware;  // the points are the screen's own pixels, as the test's are
    auto send = [](DWORD flags) {
      INPUT input = {};
      input.type = INPUT_MOUSE;
      input.mi.dwFlags = flags;
      SendInput(1, &input, sizeof input);
      Sleep(30);
    };
    if (clickFirst) {
      send(MOUSEEVENTF_LEFTDOWN);
      send(MOUSEEVENTF_LEFTUP);
    }
    send(MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 5; ++step) {
      SetCursorPos(from.x + (to.x - from.x) * step / 5, from.y + (to.y - from.y) * step / 5);
      send(MOUSEEVENTF_MOVE);
    }
    send(MOUSEEVENTF_LEFTUP);
  });
  const DWORD end = GetTickCount() + 1000;
  while (GetTickCount() < end) Publication::Pump(20);
  user.join();
}

// A publication whose Rectangle1 has a magnifier panel attached; the panels are freed at the
// end, and no lens may outlive them. The publication is an unaware program's, as the host is; the
// test itself looks at the screen per-monitor aware, in the screen's own pixels, where Windows
// (or Wine) has that mode, and the host's calls go in unaware all the same.
class LensFixture : public HostTest {
protected:
  void SetUp() override {
    HostTest::SetUp();
    Start();
    aware_.emplace();
    ASSERT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
    Publication::Pump(50);
  }
  void TearDown() override {
    if (host) {  // not when the plug-in failed to load
      host->Message(2);
      Publication::Pump(50);
      EXPECT_TRUE(LensWindows().empty());
    }
    aware_.reset();
    HostTest::TearDown();
  }

  // Opens the lens (or re-zooms the open one) through the panel; no message is pumped.
  HWND Open(const std::string& zoom) {
    host->ClearRecords();
    if (!host->ExecAction(3, {std::string("Rectangle1"), zoom})) return nullptr;
    return TheLens();
  }

private:
  std::optional<PerMonitorDpiScope> aware_;
};
