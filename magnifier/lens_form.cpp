#include "magnifier/lens_form.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

#include "framework/compositor.h"
#include "framework/encoding.h"
#include "framework/monitors.h"
#include "magnifier/bitmap_helpers.h"
#include "magnifier/frame_image.h"
#include "magnifier/magnifier.h"
#include "resources/texts.h"

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshInterval = 20;  // ms, up to 50 frames a second
constexpr WPARAM kDragMove = 0xF012;   // SC_MOVE as if the caption were dragged
constexpr UINT kCompositionChanged = 0x031E;  // WM_DWMCOMPOSITIONCHANGED

}  // namespace

TacMagnForm::TacMagnForm() : timer1_(*this, kRefreshTimer, kRefreshInterval) {
  CreateParams params;
  params.style = WS_POPUP;
  params.exStyle = WS_EX_TOPMOST;
  params.caption = Utf8ToWide(texts::kLensCaption);
  params.width = 250;
  params.height = 250;
  CreateForm(L"VitrelleLens", params);
  SetDefaultPlacement(true);

  for (int zoom : {2, 4, 8, 16}) {
    const int index = popupMenu1_.Count();
    popupMenu1_.Add({.caption = std::to_string(zoom) + texts::kZoomSuffix, .tag = zoom, .group = 1, .radio = true,
                     .onClick = [this, index] { Zoom1x1Click(index); }});
  }
  popupMenu1_.Add({.caption = "-", .group = 1, .onClick = {}});
  popupMenu1_.Add({.caption = texts::kLensClose, .group = 1, .isDefault = true, .shortcut = VK_ESCAPE,
                   .onClick = [this] { Close1Click(); }});
  SetPopup(&popupMenu1_);
}

TacMagnForm::~TacMagnForm() {
  LetGo();
  DestroyForm();
}

void TacMagnForm::Dispose() {
  LetGo();
  Form::Dispose();
}

void TacMagnForm::LetGo() {
  Magnifier = nullptr;
  Lenses.LetGo(*this);
  timer1_.SetEnabled(false);
  popupMenu1_.Release();
  if (!rendering_) ReleasePictures();  // else when the frame in progress is done
}

void TacMagnForm::ReleasePictures() {
  frameBitmap_.reset();
  captureBitmap_.reset();
  outputBitmap_.reset();
  frameLayer_.reset();
  source_.reset();
  pushed_.reset();
  pushedSource_ = {};
}

void TacMagnForm::Initialise() {
  if (IsCompositionEnabled()) Lenses.MakeThumb();
  if (TThumbForm* thumb = Thumb()) {
    thumb->Zoom = Scale;  // still 0: the thumbnail waits for the first update
  } else {
    const TRect area = LensArea();
    captureBitmap_ = CreateDib24(RectWidth(area, false), RectHeight(area, false));
  }
  timer1_.SetEnabled(true);
  frameBitmap_ = LoadFrameImage("MAGN");
}

void TacMagnForm::CheckZoomItem(std::int32_t zoom) {
  for (int i = 0; i < popupMenu1_.Count(); ++i) {
    if (popupMenu1_.At(i).tag == zoom) {
      popupMenu1_.SetChecked(i, true);
      return;
    }
  }
}

void TacMagnForm::SetZoom(std::int16_t zoom) {
  Scale = zoom;
  RenderAt(Left(), Top());
  if (Thumb() != nullptr) UpdateThumbnail();
}

void TacMagnForm::UpdateThumbnail() { UpdateThumbnailAt(Left(), Top()); }

void TacMagnForm::UpdateThumbnailAt(int x, int y) {
  Thumb()->Zoom = Scale;
  // Put back directly beneath the lens too: activation or another topmost window can come
  // between them, and a thumbnail window above the lens would take its clicks and show itself.
  PlaceThumbnail(x, y, false);
  if (TThumbForm* thumb = Thumb()) thumb->RefreshThumbnail();  // the lens may have closed meanwhile
}

TThumbForm* TacMagnForm::Thumb() const { return CurrentLens == this ? CurrentThumb : nullptr; }

void TacMagnForm::PlaceThumbnail(int x, int y, bool show) {
  const TRect area = LensArea();
  Thumb()->SetBounds(Handle(), x + area.left, y + area.top, RectWidth(area, false), RectHeight(area, false), show);
}

Lens::Size TacMagnForm::LensSize() const {
  if (CurrentLens != this) return {};
  return Lens::ClampedSize(Width(), Height());
}

TRect TacMagnForm::LensArea() const {
  if (CurrentLens != this) return {};
  return Lens::AreaOf(LensSize());
}

// ---- Handlers ----

// Every message the lens handles; what it leaves goes to the form's shortcuts, menu and close.
LRESULT TacMagnForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCDESTROY:
      // Whoever ended the window (our close, a component, or anyone with DestroyWindow), there is
      // no lens here any more; the registry ends the object on the final message.
      LetGo();
      break;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      return 0;  // the layered update supplies every pixel
    case WM_NCHITTEST:
      return HitTest(lParam);
    case WM_SIZING:
      Sizing(wParam, reinterpret_cast<RECT*>(lParam));
      return 0;
    case WM_WINDOWPOSCHANGING:
      PositionChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
      return 0;
    case WM_SIZE:
      return Reframe(true, message, wParam, lParam);
    case WM_ACTIVATE:
      return Reframe(LOWORD(wParam) != WA_INACTIVE, message, wParam, lParam);
    case WM_DISPLAYCHANGE:
    case kCompositionChanged:
      ForgetPushedFrame();  // the next tick pushes its frame afresh
      break;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Close();
      break;  // then the menu's shortcuts, unless the lens has closed
    case WM_LBUTTONDOWN:
      MouseDown(MouseButton::Left, MouseShiftState(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_RBUTTONDOWN:
      MouseDown(MouseButton::Right, MouseShiftState(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MBUTTONDOWN:
      MouseDown(MouseButton::Middle, MouseShiftState(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(MouseShiftState(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    // The class asks for double-clicks, so a press that follows a click quickly arrives as one.
    // It is still a press: after the double-click event it does what any press does, a left one
    // starting a drag.
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      if (message == WM_LBUTTONDBLCLK) DblClick();
      if (CurrentLens == this)  // unless the event closed the lens
        MouseDown(message == WM_LBUTTONDBLCLK   ? MouseButton::Left
                  : message == WM_RBUTTONDBLCLK ? MouseButton::Right
                                                : MouseButton::Middle,
                  MouseShiftState(wParam) | kDouble, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEWHEEL:
      // The wheel goes to the focus window, wherever the pointer is (before Windows 10), so the
      // lens may get it with the pointer elsewhere: only over the lens does it zoom.
      if (HitTest(lParam) == HTTRANSPARENT) break;
      MouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kRefreshTimer) Timer1Timer();
      return 0;
    default:
      break;
  }
  return Form::HandleMessage(message, wParam, lParam);
}

void TacMagnForm::FinalMessage() { Lenses.Drop(*this); }

void TacMagnForm::FormShow() {
  Lenses.LensClosing = false;
  if (TThumbForm* thumb = Thumb()) {
    thumb->RefreshThumbnail();
    if (Thumb() != nullptr) PlaceThumbnail(Left(), Top(), true);  // unless the lens closed meanwhile
  }
}

// The resize path, and the activation's: both end in a fresh frame where the lens stands.
LRESULT TacMagnForm::Reframe(bool followThumb, UINT message, WPARAM wParam, LPARAM lParam) {
  if (followThumb && Thumb() != nullptr) UpdateThumbnail();
  const LRESULT result = DefaultHandler(message, wParam, lParam);
  if (!Destroying() && !Loading() && Visible()) {
    ForgetPushedFrame();
    RenderAt(Left(), Top());
  }
  return result;
}

// A closed lens keeps only its hidden window until its final message, so that a script that
// opens and closes the lens many times before any message runs holds no pictures meanwhile.
void TacMagnForm::FormClose(CloseAction& action) {
  action = CloseAction::Free;
  LetGo();
  Lenses.Closed(*this);
}

void TacMagnForm::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (Magnifier != nullptr && Magnifier->OnMouseDown) Magnifier->OnMouseDown(Magnifier, button, shift, x, y);
  if (button != MouseButton::Left) return;
  Lenses.DragPending = true;
  ReleaseCapture();
  // The system's move loop runs until the button is released and swallows the release; the
  // first mouse move after it reports the end of the drag.
  SendMessageW(Handle(), WM_SYSCOMMAND, kDragMove, 0);
}

void TacMagnForm::MouseMove(ShiftState shift, int x, int y) {
  if (!Lenses.DragPending) return;
  if (Magnifier != nullptr && Magnifier->OnMouseUp) Magnifier->OnMouseUp(Magnifier, MouseButton::Left, shift, x, y);
  Lenses.DragPending = false;
}

void TacMagnForm::DblClick() {
  if (Magnifier != nullptr && Magnifier->OnDblClick) Magnifier->OnDblClick(Magnifier);
}

// Thumbnail mode only follows the lens with the thumbnail window: the frame changes only when
// the lens moves, resizes, activates or re-zooms.
void TacMagnForm::Timer1Timer() {
  if (Thumb() != nullptr) {
    UpdateThumbnail();
  } else {
    RenderAt(Left(), Top());
  }
}

// A fine-grained wheel sends parts of a notch, which add up to one. A turn the other way starts
// afresh, and nothing is kept for a turn past the smallest or the largest zoom: the first notch
// back always steps back.
void TacMagnForm::MouseWheel(int delta) {
  if (CurrentLens != this) return;  // closed, awaiting its end
  if ((delta < 0) != (wheelRest_ < 0)) wheelRest_ = 0;
  wheelRest_ += delta;
  int zoom = Scale;
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
    zoom = popupMenu1_.At(item).tag;
  }
  if (item >= 0) Zoom1x1Click(item);
}

int TacMagnForm::NextZoomItem(int zoom, bool up) const {
  int found = -1;
  for (int i = 0; i < popupMenu1_.Count(); ++i) {
    const PopupMenu::Item& item = popupMenu1_.At(i);
    if (!item.radio || (up ? item.tag <= zoom : item.tag >= zoom)) continue;
    if (found < 0 || (up ? item.tag < popupMenu1_.At(found).tag : item.tag > popupMenu1_.At(found).tag)) found = i;
  }
  return found;
}

void TacMagnForm::Zoom1x1Click(int item) {
  const int zoom = popupMenu1_.At(item).tag;
  if (Magnifier != nullptr) Magnifier->SetScaling(zoom);
  // The component re-zooms only when its own zoom changes, and another component may have zoomed
  // the lens since: the lens must show the zoom chosen here all the same.
  if (Scale != zoom) SetZoom(std::int16_t(zoom));
  popupMenu1_.SetChecked(item, true);
}

void TacMagnForm::Close1Click() { Close(); }

// ---- Internals ----

LRESULT TacMagnForm::HitTest(LPARAM point) const {
  RECT window = {};
  GetWindowRect(Handle(), &window);
  const int x = std::int16_t(LOWORD(point)) - window.left;
  const int y = std::int16_t(HIWORD(point)) - window.top;
  const bool resizable = Magnifier == nullptr || Magnifier->SizingMode != asmNone;
  return Lens::HitTest(LensArea(), x, y, resizable);
}

void TacMagnForm::Sizing(WPARAM edge, RECT* proposed) {
  if (Magnifier == nullptr) return;
  switch (Magnifier->SizingMode) {
    case asmFreeAspectRatio:
      DefaultHandler(WM_SIZING, edge, reinterpret_cast<LPARAM>(proposed));
      break;
    case asmFixedAspectRatio: {
      TRect r{proposed->left, proposed->top, proposed->right, proposed->bottom};
      Lens::KeepAspect(r, std::int32_t(LOWORD(edge)), Width(), Height());
      *proposed = RECT{r.left, r.top, r.right, r.bottom};
      break;
    }
    case asmNone:
      break;
  }
}

// Every proposed position is confined so that the centre of the lens area stays on the desktop,
// and the frame for the new place is rendered before the window gets there.
void TacMagnForm::PositionChanging(WINDOWPOS& pos) {
  if (!Lenses.LensRendered || Lenses.LensClosing || Loading() || Destroying() || CurrentLens != this) return;
  // A change that carries no position (a resize, a z-order change) renders where the lens is.
  const bool moves = (pos.flags & SWP_NOMOVE) == 0;
  int x = pos.x, y = pos.y;
  if (moves) {
    if (Magnifier != nullptr && Magnifier->OnPosChanging && pos.cx != 0 && pos.cy != 0) {
      Magnifier->OnPosChanging(x, y);
    } else {
      const RECT own = MonitorOf(Handle());
      std::int32_t monitorsLeft = own.left, monitorsRight = own.right;
      for (const RECT& m : MonitorRects()) {
        monitorsLeft = std::min<std::int32_t>(monitorsLeft, m.left);
        monitorsRight = std::max<std::int32_t>(monitorsRight, m.right);
      }
      const RECT desktop = DesktopRect();
      Lens::Confine(x, y, LensArea(), {monitorsLeft, monitorsRight, desktop.top, desktop.bottom});
    }
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
