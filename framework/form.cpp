#include "framework/form.h"

#include <windowsx.h>

#include "framework/monitors.h"
#include "framework/popup_menu.h"

namespace {

// Posted to a form that closed itself for good, so that its window is destroyed after what is
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

ShiftState MouseShiftState(WPARAM keys) {
  ShiftState s = KeyboardShiftState() & kAlt;
  if (keys & MK_SHIFT) s |= kShift;
  if (keys & MK_CONTROL) s |= kCtrl;
  if (keys & MK_LBUTTON) s |= kLeftButton;
  if (keys & MK_RBUTTON) s |= kRightButton;
  if (keys & MK_MBUTTON) s |= kMiddleButton;
  return s;
}

void Form::CreateForm(const wchar_t* className, const CreateParams& params) {
  loading_ = true;
  try {
    CreateHandle(className, params);
  } catch (...) {
    loading_ = false;
    throw;
  }
  loading_ = false;
}

void Form::Show() {
  if (centred_) CentreOnScreen();
  closing_ = false;
  ShowWindow(Handle(), SW_SHOW);
  // Showing activates the form, and whoever loses the activation may close or end it meanwhile.
  if (HandleAllocated() && !closing_) FormShow();
}

void Form::Hide() { ShowWindow(Handle(), SW_HIDE); }

void Form::Close() {
  if (closing_ || !HandleAllocated()) return;
  CloseAction action = CloseAction::Hide;
  FormClose(action);
  if (action == CloseAction::None) return;
  closing_ = true;
  Hide();
  if (action == CloseAction::Free) PostDestroy();
}

void Form::PostDestroy() {
  if (destroyPosted_ || !HandleAllocated()) return;
  destroyPosted_ = true;
  PostMessageW(Handle(), kDestroyMessage, 0, 0);
}

void Form::BringToFront() {
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool Form::Visible() const { return HandleAllocated() && IsWindowVisible(Handle()); }

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

int Form::Left() const { return WindowRect(Handle()).left; }
int Form::Top() const { return WindowRect(Handle()).top; }
int Form::Width() const {
  const RECT r = WindowRect(Handle());
  return r.right - r.left;
}
int Form::Height() const {
  const RECT r = WindowRect(Handle());
  return r.bottom - r.top;
}

void Form::SetLeft(int left) {
  centred_ = false;
  SetWindowPos(Handle(), nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void Form::SetTop(int top) {
  centred_ = false;
  SetWindowPos(Handle(), nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void Form::SetWidth(int width) {
  SetWindowPos(Handle(), nullptr, 0, 0, width, Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void Form::SetHeight(int height) {
  SetWindowPos(Handle(), nullptr, 0, 0, Width(), height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

DWORD Form::ExStyle() const { return DWORD(GetWindowLongW(Handle(), GWL_EXSTYLE)); }
void Form::SetExStyle(DWORD exStyle) { SetWindowLongW(Handle(), GWL_EXSTYLE, LONG(exStyle)); }

void Form::CentreOnScreen() {
  RECT monitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (centreNear_ != nullptr && IsWindow(centreNear_)) monitor = MonitorOf(GetAncestor(centreNear_, GA_ROOT));
  const POINT place = CentredIn(monitor, Width(), Height());
  SetWindowPos(Handle(), nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Form::ShortcutKey(WORD key) {
  if (popup_ == nullptr) return false;
  return popup_->RunShortcut(key, KeyboardShiftState());
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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
