#include "framework/app_window.h"

#include <windowsx.h>

#include "framework/monitors.h"
#include "framework/popup_menu.h"

namespace {

// Posted to a window that closed itself for good, so that its window is destroyed after what is
// queued for it.
constexpr UINT kDestroyMessage = WM_APP + 0x3F0;

}  // namespace

ShiftState KeyboardShiftState() {
  ShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= kShift;
  if (GetKeyState(VK_MENU) < 0) s |= kAlt;
  if (GetKeyState(VK_CONTROL) < 0) s |= kCtrl;
  return s;
}

void AppWindow::CreateAppWindow(const wchar_t* className, const CreateParams& params) {
  loading_ = true;
  try {
    CreateHandle(className, params);
  } catch (...) {
    loading_ = false;
    throw;
  }
  loading_ = false;
}

void AppWindow::Show() {
  if (centred_) CentreOnScreen();
  closing_ = false;
  ShowWindow(Handle(), SW_SHOW);
  // Showing activates the window, and whoever loses the activation may close or end it meanwhile.
  if (HasHandle() && !closing_) OnShown();
}

void AppWindow::Hide() { ShowWindow(Handle(), SW_HIDE); }

void AppWindow::Close() {
  if (closing_ || !HasHandle()) return;
  CloseAction action = CloseAction::Hide;
  OnClosing(action);
  if (action == CloseAction::None) return;
  closing_ = true;
  Hide();
  if (action == CloseAction::Destroy) PostDestroy();
}

void AppWindow::PostDestroy() {
  if (destroyPosted_ || !HasHandle()) return;
  destroyPosted_ = true;
  PostMessageW(Handle(), kDestroyMessage, 0, 0);
}

void AppWindow::BringToFront() {
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool AppWindow::Visible() const { return HasHandle() && IsWindowVisible(Handle()); }

namespace {

RECT WindowRect(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  // A child's place is given in its parent's client coordinates.
  if (HWND parent = GetAncestor(hwnd, GA_PARENT); parent && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

int AppWindow::Left() const { return WindowRect(Handle()).left; }
int AppWindow::Top() const { return WindowRect(Handle()).top; }
int AppWindow::Width() const {
  const RECT r = WindowRect(Handle());
  return r.right - r.left;
}
int AppWindow::Height() const {
  const RECT r = WindowRect(Handle());
  return r.bottom - r.top;
}

void AppWindow::SetLeft(int left) {
  centred_ = false;
  SetWindowPos(Handle(), nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void AppWindow::SetTop(int top) {
  centred_ = false;
  SetWindowPos(Handle(), nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void AppWindow::SetWidth(int width) {
  SetWindowPos(Handle(), nullptr, 0, 0, width, Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void AppWindow::SetHeight(int height) {
  SetWindowPos(Handle(), nullptr, 0, 0, Width(), height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

DWORD AppWindow::ExStyle() const { return DWORD(GetWindowLongW(Handle(), GWL_EXSTYLE)); }
void AppWindow::SetExStyle(DWORD exStyle) { SetWindowLongW(Handle(), GWL_EXSTYLE, LONG(exStyle)); }

void AppWindow::CentreOnScreen() {
  RECT monitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (centreNear_ != nullptr && IsWindow(centreNear_)) monitor = MonitorOf(GetAncestor(centreNear_, GA_ROOT));
  const POINT place = CentredIn(monitor, Width(), Height());
  SetWindowPos(Handle(), nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool AppWindow::ShortcutKey(WORD key) {
  if (popup_ == nullptr) return false;
  return popup_->RunShortcut(key, KeyboardShiftState());
}

LRESULT AppWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kDestroyMessage:
      DestroyHandle();  // the owner deletes the object on the final message
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_KEYDOWN:
      if (!closing_ && ShortcutKey(WORD(wParam))) return 0;
      break;
    case WM_CONTEXTMENU:
      if (popup_ != nullptr) {
        POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (lParam == -1) {  // from the keyboard
          at = KeyboardMenuPoint();
          ClientToScreen(Handle(), &at);
        }
        popup_->Popup(Handle(), at.x, at.y);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefaultHandler(message, wParam, lParam);
}
