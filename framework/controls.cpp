#include "framework/controls.h"

#include "framework/encoding.h"
#include "framework/errors.h"
#include "framework/gdi.h"
#include "framework/window.h"
#include "resources/texts.h"

namespace {

// The character height of the font the system realises for a request.
int CharacterHeight(HFONT font) {
  TEXTMETRICW metrics = {};
  const ScreenDC screen;
  const SelectGuard selected(screen.get(), font);
  GetTextMetricsW(screen.get(), &metrics);
  return metrics.tmHeight - metrics.tmInternalLeading;
}

}  // namespace

Font::Font(const wchar_t* face, int pixelHeight, Weight weight) {
  LOGFONTW lf = {};
  lf.lfHeight = -pixelHeight;  // negative: the character height, not the cell height
  lf.lfWeight = weight == Weight::Bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  font_ = CreateFontIndirectW(&lf);
  if (font_ == nullptr) throw SystemError(texts::kNoFont, GetLastError());
  // A bitmap face comes only in the sizes of the set the system installed for its density, and
  // the set for 120 DPI and above has no MS Sans Serif this small: its next size up overflows
  // layouts drawn with the 96-DPI set. The face's outline counterpart has every size.
  if (CharacterHeight(font_) <= pixelHeight) return;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  if (lstrcmpiW(face, L"MS Sans Serif") == 0) lstrcpynW(lf.lfFaceName, L"Microsoft Sans Serif", LF_FACESIZE);
  if (const HFONT outline = CreateFontIndirectW(&lf)) {
    DeleteObject(font_);
    font_ = outline;
  }
}

Font::~Font() { DeleteObject(font_); }

Label::Label(const Window& parent, int left, int top, const std::string& caption, const Font& font)
    : parent_(parent) {
  const std::wstring text = Utf8ToWide(caption);
  // Size to the text as it will be drawn.
  SIZE extent = {};
  if (const ClientDC dc(parent.Handle()); dc.get() != nullptr) {
    const SelectGuard selected(dc.get(), font.Handle());
    GetTextExtentPoint32W(dc.get(), text.c_str(), int(text.size()), &extent);
  }
  hwnd_ = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, left, top,
                          extent.cx, extent.cy, parent.Handle(), nullptr, ThisModule(), nullptr);
  if (hwnd_ == nullptr) throw SystemError(texts::kNoWindow, GetLastError());
  SendMessageW(hwnd_, WM_SETFONT, WPARAM(font.Handle()), FALSE);
}

Label::~Label() {
  // Once the parent is gone, so is the label, and its handle may already name another window.
  if (parent_.HasHandle()) DestroyWindow(hwnd_);
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  if (!owner_.HasHandle()) {
    enabled_ = false;
    return;
  }
  if (on) {
    if (SetTimer(owner_.Handle(), id_, interval_, nullptr) == 0) throw SystemError(texts::kNoTimer, GetLastError());
  } else {
    KillTimer(owner_.Handle(), id_);
  }
  enabled_ = on;
}
