#include "magnifier/thumbnail_window.h"

#include "framework/dpi.h"

#include "magnifier/colour_swap.h"
#include "magnifier/lens_geometry.h"

namespace {

constexpr UINT kColorizationChanged = 0x0320;  // WM_DWMCOLORIZATIONCOLORCHANGED
// A thumbnail is invisible until its properties make it visible, so every update says so, along
// with the two rectangles.
constexpr DWORD kThumbnailProperties = DWM_TNP_RECTDESTINATION | DWM_TNP_RECTSOURCE | DWM_TNP_VISIBLE;

// Whether two updates differ: only their rectangles can.
bool SameRectangles(const DWM_THUMBNAIL_PROPERTIES& a, const DWM_THUMBNAIL_PROPERTIES& b) {
  return EqualRect(&a.rcDestination, &b.rcDestination) && EqualRect(&a.rcSource, &b.rcSource);
}

RECT WindowRectOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

}  // namespace

ThumbnailWindow::ThumbnailWindow(HWND publication) : background_(GetSysColor(COLOR_BTNFACE)) {
  CreateParams params;
  params.style = WS_POPUP;
  params.exStyle = WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  params.parent = publication;
  params.width = 237;
  params.height = 226;
  // Aware of its monitor's density as the lens above it is, so that the two match pixel for pixel.
  const PerMonitorDpiScope aware;
  CreateAppWindow(L"VitrelleThumb", params);
}

ThumbnailWindow::~ThumbnailWindow() {
  // Hidden or not, the thumbnail is given back to the compositor before its window goes.
  OnHidden();
  DestroyAppWindow();
}

void ThumbnailWindow::ReleaseNow() {
  OnHidden();
  AppWindow::ReleaseNow();
}

void ThumbnailWindow::RefreshThumbnail() {
  if (zoom_ == 0 || !HasHandle()) return;
  if (!coloured_) coloured_ = Recolour();
  FindSourceWindow();
  if (thumbnailId_ == nullptr) return;  // nothing under the centre, or the compositor said no
  DWM_THUMBNAIL_PROPERTIES properties = {};
  properties.dwFlags = kThumbnailProperties;
  properties.fVisible = TRUE;
  GetClientRect(Handle(), &properties.rcDestination);
  const Rect source = SourceRect();
  properties.rcSource = RECT{source.left, source.top, source.right, source.bottom};
  if (sentFor_ == thumbnailId_ && SameRectangles(properties, sent_)) return;
  sentFor_ = nullptr;
  if (SUCCEEDED(Dwm::UpdateThumbnailProperties(thumbnailId_, &properties))) {
    sent_ = properties;
    sentFor_ = thumbnailId_;
  }
}

// Asks for a thumbnail of no window: a compositor that makes thumbnails refuses it as invalid,
// one that cannot says so (as the binding does for a missing function).
bool ThumbnailWindow::CompositorMakesThumbnails() const {
  HTHUMBNAIL id = nullptr;
  const HRESULT result = Dwm::RegisterThumbnail(Handle(), nullptr, &id);
  if (result == S_OK) Dwm::UnregisterThumbnail(id);
  return result != E_NOTIMPL;
}

void ThumbnailWindow::SetBounds(HWND above, int left, int top, int width, int height, bool show) {
  if (!HasHandle()) return;
  // Each placement is work for the window manager and the compositor. Placed after `above`, the
  // window joins its topmost band or leaves it; so it is where it would be put when it is next
  // to it, in the same band, at these bounds, and visible if asked.
  const RECT r = WindowRectOf(Handle());
  if (r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height &&
      GetWindow(above, GW_HWNDNEXT) == Handle() &&
      ((GetWindowLongW(above, GWL_EXSTYLE) ^ GetWindowLongW(Handle(), GWL_EXSTYLE)) & WS_EX_TOPMOST) == 0 &&
      (!show || IsWindowVisible(Handle())))
    return;
  SetWindowPos(Handle(), above, left, top, width, height, SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : 0));
}

Rect ThumbnailWindow::SourceRect() const {
  const RECT own = WindowRectOf(Handle());
  const RECT source = WindowRectOf(sourceWindow_);
  const Rect part = Lens::ThumbnailSource(Rect{own.left, own.top, own.right, own.bottom}, zoom_ == 0 ? 1 : zoom_,
                                           source.left, source.top);
  // A window of another density (an unaware host's on a scaled screen) keeps its picture at its
  // own: the part is given in its numbers, which the compositor then enlarges to the screen's.
  const int sourceDpi = DpiOfWindow(sourceWindow_), ownDpi = DpiOfWindow(Handle());
  if (sourceDpi == ownDpi) return part;
  return {MulDiv(part.left, sourceDpi, ownDpi), MulDiv(part.top, sourceDpi, ownDpi),
          MulDiv(part.right, sourceDpi, ownDpi), MulDiv(part.bottom, sourceDpi, ownDpi)};
}

LRESULT ThumbnailWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      background_.FillClient(Handle(), reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_SHOWWINDOW:
      if (!wParam) OnHidden();
      break;
    case kColorizationChanged:
      Recolour();  // even before the lens has given a zoom
      return 0;
    default:
      break;
  }
  return AppWindow::HandleMessage(message, wParam, lParam);
}

void ThumbnailWindow::OnHidden() {
  coloured_ = false;
  if (thumbnailId_ == nullptr) return;
  UnregisterThumbnail();
  // Forgotten with the thumbnail, so that showing again registers afresh.
  sourceWindow_ = nullptr;
}

void ThumbnailWindow::UnregisterThumbnail() {
  if (thumbnailId_ == nullptr) return;
  Dwm::UnregisterThumbnail(thumbnailId_);
  thumbnailId_ = nullptr;
  sentFor_ = nullptr;  // a new one may get the same handle
}

bool ThumbnailWindow::Recolour() {
  DWORD colour = 0;
  BOOL opaque = FALSE;
  if (Dwm::GetColorizationColor(&colour, &opaque) != S_OK) return false;
  if (background_.SetColor(SwapRedBlue(colour)) && HasHandle()) InvalidateRect(Handle(), nullptr, TRUE);
  return true;
}

// The first visible window below this one in the z-order that contains the centre of this one and
// that the compositor shows (not cloaked); its thumbnail replaces the one shown when it is another
// window.
void ThumbnailWindow::FindSourceWindow() {
  const RECT own = WindowRectOf(Handle());
  const POINT centre = {own.left + (own.right - own.left) / 2, own.top + (own.bottom - own.top) / 2};
  HWND found = Handle();
  while ((found = GetWindow(found, GW_HWNDNEXT)) != nullptr) {
    const RECT r = WindowRectOf(found);
    if (IsWindowVisible(found) && PtInRect(&r, centre) && !IsCloaked(found)) break;
  }
  if (found != sourceWindow_) {
    UnregisterThumbnail();
    HTHUMBNAIL id = nullptr;
    thumbnailId_ = Dwm::RegisterThumbnail(Handle(), found, &id) == S_OK ? id : nullptr;
  }
  sourceWindow_ = found;
}
