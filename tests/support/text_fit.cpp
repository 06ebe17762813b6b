#include "text_fit.h"

#include <climits>
#include <cstdlib>

#include "framework/encoding.h"

namespace {

// A push button's text must stay inside its focus rectangle: within the 3D edge (2 pixels), the
// default button's dark frame and the focus rectangle's own line.
constexpr int kButtonInset = 4;

std::wstring TextOf(HWND window) {
  std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// The size DrawText gives the text in this font, wrapped at `width` when `flags` ask for it (a
// word wider than that widens the result).
SIZE Measure(HFONT font, const std::wstring& text, UINT flags, int width = 0) {
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
  RECT r = {0, 0, width, 0};
  DrawTextW(dc, text.c_str(), int(text.size()), &r, flags | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return {r.right - r.left, r.bottom - r.top};
}

struct Placed {
  std::string name;
  RECT used;  // where its text is drawn, or the whole control for fields and pictures
};

// Where the control's text is drawn inside `box`, measured with its own font, wrapped, aligned
// and inset as the control draws it; fields and pictures take their whole box. A text that does
// not fit, or a kind of control without a rule here, goes to `fault`.
RECT TextPlace(HWND control, const RECT& box, std::string& fault) {
  wchar_t cls[64] = {};
  GetClassNameW(control, cls, 64);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (lstrcmpiW(cls, L"Edit") == 0) {
    // The typed text scrolls sideways; a line of it must fit inside the field's edge.
    RECT inside = {};
    GetClientRect(control, &inside);
    const int line = Measure(font, L"Ag", DT_SINGLELINE).cy;
    if (line > inside.bottom)
      fault = "a line needs " + std::to_string(line) + " rows, the field has " + std::to_string(inside.bottom);
    return box;
  }
  const bool button = lstrcmpiW(cls, L"Button") == 0;
  const LONG type = style & (button ? BS_TYPEMASK : SS_TYPEMASK);
  if (button ? type == BS_OWNERDRAW : type == SS_OWNERDRAW) return box;  // a picture
  RECT room = box;
  UINT flags = DT_SINGLELINE;
  bool centred = true;
  if (button && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
    InflateRect(&room, -kButtonInset, -kButtonInset);
  } else if (lstrcmpiW(cls, L"Static") == 0 &&
             (type == SS_LEFT || type == SS_CENTER || type == SS_LEFTNOWORDWRAP)) {
    flags = (type == SS_LEFTNOWORDWRAP ? 0 : DT_WORDBREAK) | (style & SS_NOPREFIX ? DT_NOPREFIX : 0);
    centred = type == SS_CENTER;
  } else {
    fault = "no rule for this kind of control";
    return box;
  }
  const int width = room.right - room.left, height = room.bottom - room.top;
  const SIZE need = Measure(font, TextOf(control), flags, width);
  if (need.cx > width || need.cy > height)
    fault = "the text needs " + std::to_string(need.cx) + "x" + std::to_string(need.cy) + ", it has " +
            std::to_string(width) + "x" + std::to_string(height);
  const int dx = centred ? (width - need.cx) / 2 : 0;
  const int dy = button ? (height - need.cy) / 2 : 0;  // a button centres its line, a label starts at the top
  return {room.left + dx, room.top + dy, room.left + dx + need.cx, room.top + dy + need.cy};
}

}  // namespace

int ScreenDpi() {
  const HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return dpi;
}

std::string PictureFolder() {
  const char* chosen = std::getenv("VITRELLE_PICTURES");
  if (chosen == nullptr || *chosen == '\0') return VITRELLE_SOURCE_DIR "/build/";
  CreateDirectoryA(chosen, nullptr);
  return std::string(chosen) + "/";
}

std::vector<std::string> TextFitProblems(HWND dialog) {
  std::vector<std::string> problems;
  std::vector<Placed> placed;
  RECT client = {};
  GetClientRect(dialog, &client);
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c)) continue;
    RECT box = {};
    GetWindowRect(c, &box);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&box), 2);
    const std::string name =
        "control " + std::to_string(GetDlgCtrlID(c)) + " \"" + WideToUtf8(TextOf(c)) + "\" at " + Show(box);
    if (!Inside(box, client)) problems.push_back(name + ": outside the client area " + Show(client));
    std::string fault;
    placed.push_back({name, TextPlace(c, box, fault)});
    if (!fault.empty()) problems.push_back(name + ": " + fault);
  }
  for (std::size_t i = 0; i < placed.size(); ++i) {
    for (std::size_t j = i + 1; j < placed.size(); ++j) {
      RECT both = {};
      if (IntersectRect(&both, &placed[i].used, &placed[j].used))
        problems.push_back(placed[i].name + " and " + placed[j].name + " overlap at " + Show(both));
    }
  }
  return problems;
}

std::vector<std::string> MenuFitProblems(HWND menuWindow, HMENU menu) {
  std::vector<std::string> problems;
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW boldFace = metrics.lfMenuFont;
  boldFace.lfWeight = FW_BOLD;
  const HFONT plain = CreateFontIndirectW(&metrics.lfMenuFont), bold = CreateFontIndirectW(&boldFace);

  RECT window = {};
  GetWindowRect(menuWindow, &window);
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (!Inside(window, screen)) problems.push_back("the menu at " + Show(window) + " leaves the screen");
  int above = INT_MIN;
  const std::vector<MenuEntry> items = MenuItems(menu);
  for (std::size_t i = 0; i < items.size(); ++i) {
    RECT row = {};
    GetMenuItemRect(nullptr, menu, UINT(i), &row);
    const std::wstring& text = items[i].text;
    const std::string name = "item " + std::to_string(i) + " \"" + WideToUtf8(text) + "\" at " + Show(row);
    if (!Inside(row, window)) problems.push_back(name + ": outside the menu at " + Show(window));
    if (row.top < above) problems.push_back(name + ": over the row above it");
    above = row.bottom;
    if (items[i].type & MFT_SEPARATOR) continue;
    const std::size_t tab = text.find(L'\t');
    const HFONT font = items[i].state & MFS_DEFAULT ? bold : plain;
    const SIZE label = Measure(font, text.substr(0, tab), DT_SINGLELINE);
    const SIZE shortcut = tab == std::wstring::npos ? SIZE{0, 0} : Measure(font, text.substr(tab + 1), DT_SINGLELINE);
    const int need = GetSystemMetrics(SM_CXMENUCHECK) + label.cx + shortcut.cx;
    if (need > row.right - row.left || label.cy > row.bottom - row.top)
      problems.push_back(name + ": the check column and text need " + std::to_string(need) + "x" +
                         std::to_string(label.cy));
  }
  DeleteObject(plain);
  DeleteObject(bold);
  return problems;
}
