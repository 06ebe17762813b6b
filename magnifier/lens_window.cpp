#include "magnifier/lens_window.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "framework/compositor.h"
#include "framework/dpi.h"
#include "framework/encoding.h"
#include "framework/monitors.h"
#include "framework/trace.h"
#include "magnifier/frame_image.h"
#include "resources/texts.h"

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshInterval = 20;  // ms, up to 50 frames a second
constexpr WPARAM kDragMove = 0xF012;   // SC_MOVE as if the caption were dragged
constexpr UINT kCompositionChanged = 0x031E;  // WM_DWMCOMPOSITIONCHANGED

LONG ClampToInt(std::int64_t v) { return LONG(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

LensWindow::LensWindow(Owner& owner, HWND publication)
    : owner_(owner), refreshTimer_(*this, kRefreshTimer, kRefreshInterval) {
  CreateParams params;
  params.style = WS_POPUP;
  params.exStyle = WS_EX_TOPMOST;
  params.parent = publication;
  params.caption = Utf8ToWide(texts::kLensCaption);
  params.width = Lens::kOpeningSize;
  params.height = Lens::kOpeningSize;
  {
    const PerMonitorDpiScope aware;
    CreateAppWindow(L"VitrelleLens", params);
  }
  metrics_ = Lens::Metrics::AtDpi(DpiOfWindow(Handle()));
  SetDefaultPlacement(true);

  for (int zoom : {2, 4, 8, 16}) {
    const int index = zoomMenu_.Count();
    zoomMenu_.Add({.caption = std::to_string(zoom) + texts::kZoomSuffix, .tag = zoom, .group = 1, .radio = true,
                   .onClick = [this, index] { OnZoomChosen(index); }});
  }
  zoomMenu_.Add({.caption = "-", .group = 1, .onClick = {}});
  zoomMenu_.Add({.caption = texts::kLensClose, .group = 1, .isDefault = true, .shortcut = VK_ESCAPE,
                 .onClick = [this] { OnCloseChosen(); }});
  SetPopup(&zoomMenu_);
}

LensWindow::~LensWindow() {
  ShutDown();
  DestroyAppWindow();
}

void LensWindow::ReleaseNow() {
  ShutDown();
  AppWindow::ReleaseNow();
}

void LensWindow::Open(LensClient& client, LensSource source, ThumbnailWindow* thumbnail, int zoom) {
  client_ = &client;
  zoom_ = zoom;
  state_ = State::Open;
  UseSource(source, thumbnail);
  refreshTimer_.SetEnabled(true);
  renderer_.SetFramePicture(LoadFrameImage("MAGN"));
}

void LensWindow::UseSource(LensSource source, ThumbnailWindow* thumbnail) {
  thumbnail_ = thumbnail;
  renderer_.UseSource(source, LensArea());
  // The thumbnail window beneath the lens area, shown, at once.
  if (thumbnail_ != nullptr && Visible()) OnShown();
}

void LensWindow::ShutDown() {
  if (state_ == State::ShutDown) return;
  const bool wasOpen = state_ == State::Open;
  state_ = State::ShutDown;
  client_ = nullptr;
  thumbnail_ = nullptr;
  if (wasOpen) owner_.LensShutDown(*this);  // the thumbnail window goes there
  refreshTimer_.SetEnabled(false);
  zoomMenu_.Release();
  renderer_.ReleasePictures();
}

void LensWindow::CheckZoomItem(std::int32_t zoom) {
  for (int i = 0; i < zoomMenu_.Count(); ++i) {
    if (zoomMenu_.At(i).radio && zoomMenu_.At(i).tag == zoom) {
      zoomMenu_.SetChecked(i, true);
      return;
    }
  }
  for (int i = 0; i < zoomMenu_.Count(); ++i) {
    if (zoomMenu_.At(i).radio) zoomMenu_.SetChecked(i, false);
  }
}

void LensWindow::SetZoom(int zoom) {
  zoom_ = zoom;
  CheckZoomItem(zoom);
  RenderAt(Left(), Top());
  if (Thumb() != nullptr) UpdateThumbnail();
}

void LensWindow::UpdateThumbnail() { UpdateThumbnailAt(Left(), Top()); }

void LensWindow::UpdateThumbnailAt(int x, int y) {
  Thumb()->SetZoom(zoom_);
  // Put back directly beneath the lens too: activation or another topmost window can come
  // between them, and a thumbnail window above the lens would take its clicks and show itself.
  PlaceThumbnail(x, y, false);
  if (ThumbnailWindow* thumb = Thumb()) thumb->RefreshThumbnail();  // the lens may have closed meanwhile
}

void LensWindow::PlaceThumbnail(int x, int y, bool show) {
  const Rect area = LensArea();
  Thumb()->SetBounds(Handle(), x + area.left, y + area.top, RectWidth(area), RectHeight(area), show);
}

Lens::Size LensWindow::LensSize() const {
  if (!IsOpen()) return {};
  return Lens::ClampedSize(Width(), Height(), metrics_);
}

Rect LensWindow::LensArea() const {
  if (!IsOpen()) return {};
  return Lens::AreaOf(LensSize(), metrics_);
}

// ---- Handlers ----

// Every message the lens handles; what it leaves goes to the form's shortcuts, menu and close.
LRESULT LensWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCDESTROY:
      // Whoever ended the window (our close, a component, or anyone with DestroyWindow), there is
      // no lens here any more; the registry deletes the object on the final message.
      ShutDown();
      break;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      return 0;  // the layered update supplies every pixel
    case WM_NCHITTEST:
      return OnHitTest(lParam);
    case WM_SIZING:
      OnSizing(wParam, reinterpret_cast<RECT*>(lParam));
      return 0;
    case WM_WINDOWPOSCHANGING:
      OnPositionChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
      return 0;
    case WM_SIZE:
      return OnReframe(true, message, wParam, lParam);
    case WM_ACTIVATE:
      return OnReframe(LOWORD(wParam) != WA_INACTIVE, message, wParam, lParam);
    case WM_DISPLAYCHANGE:
      renderer_.ForgetPushedFrame();  // the next tick pushes its frame afresh
      break;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case kCompositionChanged:
      // A theme change on Windows 7, or a remote session: thumbnails come or go, and the lens
      // changes its source in place, showing a frame made the new way at once.
      renderer_.ForgetPushedFrame();
      if (IsOpen()) owner_.LensCompositionChanged(*this);
      if (IsOpen()) RenderAt(Left(), Top());
      break;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Close();
      if (OnKey(wParam)) return 0;
      break;  // then the menu's shortcuts, unless the lens has closed
    // The class asks for double-clicks, so a press that follows a click quickly arrives as one:
    // it drags the lens as any press does.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnDragStart();
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      return 0;
    case WM_MOUSEWHEEL:
      // The wheel goes to the focus window, wherever the pointer is (before Windows 10), so the
      // lens may get it with the pointer elsewhere: only over the lens does it zoom.
      if (OnHitTest(lParam) == HTTRANSPARENT) break;
      OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kRefreshTimer) OnTick();
      return 0;
    default:
      break;
  }
  return AppWindow::HandleMessage(message, wParam, lParam);
}

void LensWindow::FinalMessage() { owner_.LensWindowEnded(*this); }

void LensWindow::OnShown() {
  if (ThumbnailWindow* thumb = Thumb()) {
    thumb->RefreshThumbnail();
    if (Thumb() != nullptr) PlaceThumbnail(Left(), Top(), true);  // unless the lens closed meanwhile
  }
}

// The resize path, and the activation's: both end in a fresh frame where the lens stands.
LRESULT LensWindow::OnReframe(bool followThumb, UINT message, WPARAM wParam, LPARAM lParam) {
  if (followThumb && Thumb() != nullptr) UpdateThumbnail();
  const LRESULT result = DefaultHandler(message, wParam, lParam);
  if (!Destroying() && !Loading() && Visible()) {
    renderer_.ForgetPushedFrame();
    RenderAt(Left(), Top());
  }
  return result;
}

// A closed lens keeps only its hidden window until its final message, so that a script that
// opens and closes the lens many times before any message runs holds no pictures meanwhile.
void LensWindow::OnClosing(CloseAction& action) {
  action = CloseAction::Destroy;
  ShutDown();
}

void LensWindow::OnDragStart() {
  ReleaseCapture();
  // The system's move loop runs until the button is released.
  SendMessageW(Handle(), WM_SYSCOMMAND, kDragMove, 0);
}

// Thumbnail mode only follows the lens with the thumbnail window: the frame changes only when
// the lens moves, resizes, activates or re-zooms. A frame that fails is left for a debugger once,
// not at every tick, until a frame succeeds again.
void LensWindow::OnTick() {
  try {
    if (Thumb() != nullptr) {
      UpdateThumbnail();
    } else {
      RenderAt(Left(), Top());
    }
    tickFailed_ = false;
  } catch (...) {
    if (!std::exchange(tickFailed_, true)) TraceFailure("the lens's frame");
  }
}

// A fine-grained wheel sends parts of a notch, which add up to one. A turn the other way starts
// afresh, and nothing is kept for a turn past the smallest or the largest zoom: the first notch
// back always steps back.
void LensWindow::OnWheel(int delta) {
  if (!IsOpen()) return;  // closed, awaiting its end
  if ((delta < 0) != (wheelRest_ < 0)) wheelRest_ = 0;
  wheelRest_ += delta;
  int zoom = zoom_;
  int item = -1;
  for (;;) {
    const bool up = wheelRest_ > 0;
    const int next = NextZoomItem(zoom, up);
    if (next < 0) {
      wheelRest_ = 0;
      break;
    }
    if (std::abs(wheelRest_) < WHEEL_DELTA) break;
    wheelRest_ -= up ? WHEEL_DELTA : -WHEEL_DELTA;
    item = next;
    zoom = zoomMenu_.At(item).tag;
  }
  if (item >= 0) OnZoomChosen(item);
}

int LensWindow::NextZoomItem(int zoom, bool up) const {
  int found = -1;
  for (int i = 0; i < zoomMenu_.Count(); ++i) {
    const PopupMenu::Item& item = zoomMenu_.At(i);
    if (!item.radio || (up ? item.tag <= zoom : item.tag >= zoom)) continue;
    if (found < 0 || (up ? item.tag < zoomMenu_.At(found).tag : item.tag > zoomMenu_.At(found).tag)) found = i;
  }
  return found;
}

void LensWindow::OnZoomChosen(int item) {
  const int zoom = zoomMenu_.At(item).tag;
  if (client_ != nullptr) client_->LensZoomChosen(zoom);
  // The component re-zooms the lens it holds; a lens that no component holds zooms itself.
  if (zoom_ != zoom) SetZoom(zoom);
  zoomMenu_.SetChecked(item, true);
}

void LensWindow::OnCloseChosen() { Close(); }

// The arrows move the lens by 10 pixels (at 96 DPI), by 1 with Ctrl; with Shift they resize it by
// 10 (right and down grow it, left and up shrink it). + and - (on either keyboard) and Page Up and
// Down step the zoom as a notch of the wheel does. Home puts the lens where it opens: centred on
// its monitor.
bool LensWindow::OnKey(WPARAM key) {
  if (!IsOpen()) return false;  // closed, awaiting its end
  int dx = 0, dy = 0;
  switch (key) {
    case VK_LEFT: dx = -1; break;
    case VK_RIGHT: dx = 1; break;
    case VK_UP: dy = -1; break;
    case VK_DOWN: dy = 1; break;
    case VK_ADD:
    case VK_OEM_PLUS:
    case VK_PRIOR:
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
    case VK_NEXT: {
      const int item = NextZoomItem(zoom_, key == VK_ADD || key == VK_OEM_PLUS || key == VK_PRIOR);
      if (item >= 0) OnZoomChosen(item);
      return true;
    }
    case VK_HOME: {
      const POINT place = CentredIn(MonitorOf(Handle()), Width(), Height());
      MoveTo(place.x, place.y);
      return true;
    }
    default:
      return false;
  }
  const ShiftState shift = KeyboardShiftState();
  const int ten = metrics_.Scaled(10);
  if (shift & kShift) {
    ResizeBy(ten * dx, ten * dy);
  } else {
    const int step = (shift & kCtrl) ? 1 : ten;
    MoveTo(Left() + step * dx, Top() + step * dy);
  }
  return true;
}

POINT LensWindow::KeyboardMenuPoint() const {
  const Rect area = LensArea();
  return {Lens::AreaCentreX(area), Lens::AreaCentreY(area)};
}

// ---- Internals ----

void LensWindow::RenderAt(int x, int y) {
  // A closed lens awaiting its end renders nothing.
  if (!IsOpen()) return;
  const LensRenderer::Outcome outcome = renderer_.Render({Handle(), x, y, Width(), Height(), zoom_, metrics_});
  // No frame started (one inside another), or the lens closed while the frame was made (the
  // layered update sends messages), its pictures gone with the frame's end.
  if (outcome == LensRenderer::Outcome::Skipped || !IsOpen()) return;
  if (outcome == LensRenderer::Outcome::SawItself) {
    // Rendered again with the next source. Each source fails once at most, and the windows
    // beneath never: this ends.
    const LensSource failed = Source();
    owner_.LensSawItself(*this);
    if (Source() != failed) RenderAt(x, y);
    return;
  }
  rendered_ = true;
}

// With its size, as the system's move loop proposes a place: the keyboard's moves are confined as
// a drag's are.
void LensWindow::MoveTo(int x, int y) {
  SetWindowPos(Handle(), nullptr, x, y, Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void LensWindow::ResizeBy(int dw, int dh) {
  RECT r = {};
  GetWindowRect(Handle(), &r);
  r.right += dw;
  r.bottom += dh;
  OnSizing(dw != 0 ? WMSZ_RIGHT : WMSZ_BOTTOM, &r);
  // The size the lens works with, as the layered update makes of a drag at the rim.
  const Lens::Size size = Lens::ClampedSize(r.right - r.left, r.bottom - r.top, metrics_);
  SetWindowPos(Handle(), nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT LensWindow::OnHitTest(LPARAM point) const {
  RECT window = {};
  GetWindowRect(Handle(), &window);
  const int x = std::int16_t(LOWORD(point)) - window.left;
  const int y = std::int16_t(HIWORD(point)) - window.top;
  return Lens::HitTest(LensArea(), x, y, metrics_);
}

// A closed lens is not resized.
void LensWindow::OnSizing(WPARAM edge, RECT* proposed) {
  if (client_ != nullptr) DefaultHandler(WM_SIZING, edge, reinterpret_cast<LPARAM>(proposed));
}

// Every proposed position is confined so that the centre of the lens area stays on a monitor (the
// one nearest to where it was asked to go), and the frame for the new place is rendered before
// the window gets there.
void LensWindow::OnPositionChanging(WINDOWPOS& pos) {
  if (!rendered_ || Loading() || Destroying() || !IsOpen()) return;
  // A change that carries no position (a resize, a z-order change) renders where the lens is.
  const bool moves = (pos.flags & SWP_NOMOVE) == 0;
  int x = pos.x, y = pos.y;
  if (moves) {
    const Rect area = LensArea();
    const RECT m = MonitorNearest({ClampToInt(std::int64_t{x} + Lens::AreaCentreX(area)),
                                   ClampToInt(std::int64_t{y} + Lens::AreaCentreY(area))});
    Lens::Confine(x, y, area, {m.left, m.top, m.right, m.bottom}, metrics_);
    pos.x = x;
    pos.y = y;
  }
  if (!moves || (x == 0 && y == 0)) {
    x = Left();
    y = Top();
  }
  RenderAt(x, y);
  // The thumbnail goes where the frame is about to be, so that the two never part.
  if (Thumb() != nullptr) UpdateThumbnailAt(x, y);
}

void LensWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  metrics_ = Lens::Metrics::AtDpi(dpi);
  // The frame is made again at the new density by the next render.
  renderer_.ForgetPushedFrame();
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}
