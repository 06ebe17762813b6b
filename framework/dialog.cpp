#include "framework/dialog.h"

#include <commctrl.h>

#include "framework/dib.h"
#include "framework/encoding.h"
#include "framework/errors.h"
#include "resources/texts.h"

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

wchar_t UpperCase(wchar_t c) {
  CharUpperBuffW(&c, 1);
  return c;
}

// The letter after the single "&" of a control's text, in upper case; 0 when it has none.
wchar_t MnemonicOf(HWND control) {
  wchar_t text[256] = {};
  GetWindowTextW(control, text, 256);
  for (const wchar_t* p = text; *p != L'\0'; ++p) {
    if (*p != L'&') continue;
    if (p[1] != L'&') return UpperCase(p[1]);
    ++p;  // "&&" is an ampersand
  }
  return 0;
}

// The colour of a picture's lower-left pixel, which it leaves out when drawn.
COLORREF TransparentColourOf(const Dib& picture) { return GetPixel(picture.Dc(), 0, picture.Height() - 1); }

}  // namespace

DialogWindow::DialogWindow(const wchar_t* className, HWND owner, int clientWidth, int clientHeight, COLORREF background)
    : background_(background), clientHeight_(clientHeight) {
  RECT outer = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  CreateParams params;
  params.style = kStyle;
  params.exStyle = kExStyle;
  params.parent = owner;  // of a pop-up: its owner
  params.width = outer.right - outer.left;
  params.height = outer.bottom - outer.top;
  CreateAppWindow(className, params);
  SetDefaultPlacement(true);
}

DialogWindow::~DialogWindow() {
  tooltip_.Reset();  // before its owner window, which would otherwise take it along
  DestroyAppWindow();
}

int DialogWindow::RunModal() {
  const HWND owner = GetWindow(Handle(), GW_OWNER);
  const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  modalResult_ = kNoResult;
  Show();
  MSG msg;
  while (modalResult_ == kNoResult && HasHandle()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(int(msg.wParam));  // the application is ending: leave the quit to its loop
      break;
    }
    if (got == -1) break;
    if (TabKey(msg) || MnemonicKey(msg)) continue;
    if (!IsDialogMessageW(Handle(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // The owner takes the activation back before this window goes out of sight, so that it does
  // not pass to some other program's window.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (owner != nullptr && HasHandle() && GetActiveWindow() == Handle()) SetActiveWindow(owner);
  if (HasHandle()) Hide();
  return modalResult_ == kNoResult ? int(kResultCancel) : modalResult_;
}

void DialogWindow::SetCaption(const std::string& utf8) { SetWindowTextW(Handle(), Utf8ToWide(utf8).c_str()); }

void DialogWindow::SetOuterHeight(int height) { SetHeight(height); }

std::wstring DialogWindow::ControlText(int id) const {
  const HWND control = GetDlgItem(Handle(), id);
  std::wstring text(std::size_t(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(control, text.data(), int(text.size()))));
  return text;
}

void DialogWindow::SetControlText(int id, const std::wstring& text) { SetDlgItemTextW(Handle(), id, text.c_str()); }

HWND DialogWindow::AddChild(const wchar_t* className, int id, RECT place, const std::wstring& text, DWORD style,
                          DWORD exStyle, const Font* font) {
  const HWND child = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, place.left,
                                     place.top, place.right - place.left, place.bottom - place.top, Handle(),
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (child == nullptr) throw SystemError(texts::kNoWindow, GetLastError());
  if (font != nullptr) SendMessageW(child, WM_SETFONT, WPARAM(font->Handle()), FALSE);
  return child;
}

void DialogWindow::AddLabel(int id, RECT place, const std::string& caption, const Font& font, LabelStyle style) {
  DWORD s = style.centred ? SS_CENTER : style.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
  if (!style.accelerator) s |= SS_NOPREFIX;
  const std::wstring text = Utf8ToWide(caption);
  if (style.autoSize) {
    // Fonts differ between systems (a substitute may be wider): the text decides the size.
    RECT extent = {0, 0, 0, 0};
    const ClientDC dc(Handle());
    const SelectGuard selected(dc.get(), font.Handle());
    DrawTextW(dc.get(), text.c_str(), int(text.size()), &extent,
              DT_CALCRECT | DT_SINGLELINE | (style.accelerator ? 0 : DT_NOPREFIX));
    place.right = place.left + extent.right;
    place.bottom = place.top + extent.bottom;
  }
  const HWND label = AddChild(L"STATIC", id, place, text, s, 0, &font);
  if (style.transparent) transparentLabels_.push_back(label);
}

void DialogWindow::AddEdit(int id, RECT place, const Font& font) {
  AddChild(L"EDIT", id, place, L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, &font);
}

void DialogWindow::AddButton(int id, RECT place, const std::string& caption, const Font& font, ButtonStyle style) {
  const HWND button = AddChild(L"BUTTON", id, place, Utf8ToWide(caption),
                               WS_TABSTOP | (style.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, &font);
  if (style.isDefault) defaultButton_ = id;
  if (style.anchorBottom) bottomAnchored_.push_back(button);
}

void DialogWindow::AddPicture(int id, RECT place, std::unique_ptr<Dib> picture) {
  AddChild(L"STATIC", id, place, L"", SS_OWNERDRAW, 0, nullptr);
  pictures_[id] = std::move(picture);
}

void DialogWindow::AddPictureButton(int id, RECT place, std::unique_ptr<Dib> glyph, const std::string& tooltip) {
  const HWND button = AddChild(L"BUTTON", id, place, L"", BS_OWNERDRAW, 0, nullptr);
  pictures_[id] = std::move(glyph);

  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  if (tooltip_.get() == nullptr) {
    tooltip_.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                   ThisModule(), nullptr));
  }
  if (tooltip_.get() == nullptr) return;  // a button without its tip still works
  std::wstring text = Utf8ToWide(tooltip);
  TOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(button);
  tool.lpszText = text.data();
  SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void DialogWindow::ButtonClick(int id) {
  if (id == IDOK || id == IDCANCEL) SetModalResult(id);
}

bool DialogWindow::TabKey(const MSG& msg) {
  // IsDialogMessage moves the focus itself outside a system dialog on some systems and sends
  // WM_NEXTDLGCTL on others; this way every system takes the one path.
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
  if (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd)) return false;
  const auto msgParam = reinterpret_cast<LPARAM>(&msg);
  if (SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, msgParam) & (DLGC_WANTTAB | DLGC_WANTMESSAGE)) return false;
  SendMessageW(Handle(), WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0, 0);
  return true;
}

bool DialogWindow::MnemonicKey(const MSG& msg) {
  // IsDialogMessage does this too, but some systems match the letters' case for ASCII only, so
  // that Alt with a Cyrillic letter typed in lower case would go nowhere.
  if (msg.message != WM_SYSCHAR || (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd))) return false;
  const wchar_t typed = UpperCase(wchar_t(msg.wParam));
  for (HWND c = GetWindow(Handle(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c) || !IsWindowEnabled(c)) continue;
    const LRESULT code = SendMessageW(c, WM_GETDLGCODE, 0, 0);
    if (!(code & (DLGC_STATIC | DLGC_BUTTON))) continue;
    if ((code & DLGC_STATIC) && (GetWindowLongW(c, GWL_STYLE) & SS_NOPREFIX)) continue;
    if (MnemonicOf(c) != typed) continue;
    if (code & DLGC_STATIC) {
      // As a dialog does: to the label, then on to the control that it names.
      SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c), TRUE);
      SendMessageW(Handle(), WM_NEXTDLGCTL, 0, FALSE);
    } else {
      SendMessageW(c, BM_CLICK, 0, 0);
    }
    return true;
  }
  return false;
}

void DialogWindow::FocusControl(HWND control) {
  const LRESULT code = SendMessageW(control, WM_GETDLGCODE, 0, 0);
  if (code & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
  SetFocus(control);
  const HWND chosen = code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON) ? control
                                                                           : GetDlgItem(Handle(), defaultButton_);
  for (HWND c = GetWindow(Handle(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    const LRESULT kind = SendMessageW(c, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
    if (kind == 0) continue;
    const LRESULT wanted = c == chosen ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
    if (kind != wanted) SendMessageW(c, BM_SETSTYLE, c == chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

void DialogWindow::DrawPicture(const DRAWITEMSTRUCT& item) const {
  const auto found = pictures_.find(int(item.CtlID));
  const RECT& r = item.rcItem;
  const bool button = item.CtlType == ODT_BUTTON;
  const bool pressed = button && (item.itemState & ODS_SELECTED);
  FillRect(item.hDC, &r, button ? GetSysColorBrush(COLOR_BTNFACE) : background_.get());
  if (pressed) {
    RECT edge = r;
    DrawEdge(item.hDC, &edge, BDR_SUNKENOUTER, BF_RECT);
  }
  if (found == pictures_.end() || found->second == nullptr || found->second->Empty()) return;
  const Dib& picture = *found->second;
  const int shift = pressed ? 1 : 0;
  const int x = r.left + (r.right - r.left - picture.Width()) / 2 + shift;
  const int y = r.top + (r.bottom - r.top - picture.Height()) / 2 + shift;
  GdiTransparentBlt(item.hDC, x, y, picture.Width(), picture.Height(), picture.Dc(), 0, 0, picture.Width(),
                    picture.Height(), TransparentColourOf(picture));
}

LRESULT DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      background_.FillClient(Handle(), reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(Handle(), &ps);
      Paint(dc);
      EndPaint(Handle(), &ps);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      const auto control = reinterpret_cast<HWND>(lParam);
      for (HWND label : transparentLabels_) {
        if (label == control) {
          SetBkMode(dc, TRANSPARENT);
          return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
      }
      SetBkColor(dc, background_.Color());
      return reinterpret_cast<LRESULT>(background_.get());
    }
    case WM_DRAWITEM:
      DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      // Enter and Escape arrive as OK and Cancel whether or not the dialog has such buttons.
      if (HIWORD(wParam) == BN_CLICKED && GetDlgItem(Handle(), id) != nullptr) ButtonClick(id);
      return 0;
    }
    case WM_NEXTDLGCTL: {
      // A control by handle, or the next (wParam 0) or previous tab stop from the focus. A label's
      // Alt key comes as the label, then the next stop: the control that the label names.
      HWND focus = GetFocus();
      if (focus != nullptr && !IsChild(Handle(), focus)) focus = nullptr;
      const HWND target = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                              : GetNextDlgTabItem(Handle(), focus, wParam != 0);
      if (target != nullptr && IsChild(Handle(), target)) FocusControl(target);
      return 0;
    }
    case DM_GETDEFID:
      return defaultButton_ != 0 ? MAKELRESULT(defaultButton_, DC_HASDEFID) : 0;
    case WM_CLOSE:
      SetModalResult(kResultCancel);
      return 0;
    case WM_ACTIVATE:
      // The focus leaves with the activation and comes back to the same control.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(Handle(), focus)) lastFocus_ = focus;
      } else {
        const HWND focus = lastFocus_ != nullptr && IsWindow(lastFocus_) ? lastFocus_
                                                                         : GetNextDlgTabItem(Handle(), nullptr, FALSE);
        if (focus != nullptr) SetFocus(focus);
        return 0;
      }
      break;
    case WM_DESTROY:
      tooltip_.Forget();  // the system destroys owned windows before their owner
      break;
    case WM_SIZE: {
      const int height = HIWORD(lParam);
      if (wParam != SIZE_MINIMIZED && height != clientHeight_) {
        for (HWND control : bottomAnchored_) {
          RECT r = {};
          GetWindowRect(control, &r);
          MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&r), 2);
          SetWindowPos(control, nullptr, r.left, r.top + height - clientHeight_, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        clientHeight_ = height;
      }
      break;
    }
    default:
      break;
  }
  return AppWindow::HandleMessage(message, wParam, lParam);
}
