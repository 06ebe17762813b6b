#include "framework/controls.h"

#include "framework/errors.h"
#include "framework/window.h"

Font::Font(const wchar_t* face, int pixelHeight, bool bold) {
  LOGFONTW lf = {};
  lf.lfHeight = -pixelHeight;  // negative: the character height, not the cell height
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  font_ = CreateFontIndirectW(&lf);
  if (font_ == nullptr) throw Exception("Out of system resources: cannot create a font");
}

Font::~Font() { DeleteObject(font_); }

Label::Label(const Window& parent, int left, int top, const std::string& caption, const Font& font)
    : parent_(parent) {
  const std::wstring text = Widen(caption);
  // Size to the text as it will be drawn.
  SIZE extent = {};
  if (HDC dc = GetDC(parent.Handle())) {
    HGDIOBJ old = SelectObject(dc, font.Handle());
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(parent.Handle(), dc);
  }
  hwnd_ = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, left, top,
                          extent.cx, extent.cy, parent.Handle(), nullptr, ThisModule(), nullptr);
  if (hwnd_ == nullptr) throw Exception("Error creating window");
  SendMessageW(hwnd_, WM_SETFONT, WPARAM(font.Handle()), FALSE);
}

Label::~Label() {
  // Once the parent is gone, so is the label, and its handle may already name another window.
  if (parent_.HandleAllocated()) DestroyWindow(hwnd_);
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  if (!owner_.HandleAllocated()) {
    enabled_ = false;
    return;
  }
  if (on) {
    if (SetTimer(owner_.Handle(), id_, interval_, nullptr) == 0) throw Exception("Not enough timers available");
  } else {
    KillTimer(owner_.Handle(), id_);
  }
  enabled_ = on;
}
