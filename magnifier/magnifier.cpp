#include "magnifier/magnifier.h"

#include <algorithm>

#include "framework/dpi.h"
#include "framework/errors.h"
#include "framework/popup_menu.h"
#include "magnifier/lens_registry.h"
#include "magnifier/lens_window.h"
#include "resources/texts.h"

Magnifier::~Magnifier() { ReleaseNow(); }

// Every call from the host runs per-monitor aware, as the lens's windows are, and the numbers
// the component hands to the host's handlers are the host's own.

void Magnifier::ReleaseNow() {
  if (released_) return;
  const PerMonitorDpiScope aware;
  released_ = true;
  // Lenses closed a moment ago may still wait for their end; they go now too.
  Lenses.DeleteAll();
}

void Magnifier::SetZoom(std::int32_t value) {
  // Another component may have zoomed the open lens since: the zoom that counts is the one it shows.
  LensWindow* lens = Lenses.Open();
  if (value == (lens != nullptr ? lens->Zoom() : zoom_)) {
    zoom_ = value;
    return;
  }
  const PerMonitorDpiScope aware;
  zoom_ = std::clamp(value, 2, 16);
  if (lens != nullptr) lens->SetZoom(zoom_);
}

void Magnifier::ShowLens(std::int32_t x, std::int32_t y) {
  // Only a host that calls us back from inside a call of ours can free the panel first.
  if (released_) throw Exception(texts::kPanelFreed);
  const PerMonitorDpiScope aware;
  if (LensWindow* open = Lenses.Open()) {
    open->BringToFront();
    return;
  }
  LensWindow& lens = Lenses.OpenLens(*this, GetAncestor(PublicationWindow, GA_ROOT), Width, Height, zoom_);
  if (PopupMenu != nullptr) {
    lens.SetPopup(PopupMenu);
  } else {
    lens.CheckZoomItem(zoom_);
  }
  if (x != -1 || y != -1) {
    const POINT at = LogicalToPhysical(PublicationWindow, POINT{x, y});
    lens.SetLeft(at.x);
    lens.SetTop(at.y);
  } else {
    lens.CentreNear(PublicationWindow);
  }
  lens.SetExStyle(lens.ExStyle() | WS_EX_LAYERED);
  lens.Show();
}

void Magnifier::CloseLens() {
  const PerMonitorDpiScope aware;
  if (LensWindow* lens = Lenses.Open()) lens->Close();
}

POINT Magnifier::InHostUnits(int x, int y) const {
  const LensWindow* lens = Lenses.Open();
  const int lensDpi = lens != nullptr ? lens->Metrics().dpi : kDefaultDpi;
  const int hostDpi = DpiOfWindow(PublicationWindow);
  return {MulDiv(x, hostDpi, lensDpi), MulDiv(y, hostDpi, lensDpi)};
}

void Magnifier::LensMouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (!OnMouseDown) return;
  const POINT at = InHostUnits(x, y);
  OnMouseDown(this, button, shift, at.x, at.y);
}

void Magnifier::LensDragEnded(ShiftState shift, int x, int y) {
  if (!OnMouseUp) return;
  const POINT at = InHostUnits(x, y);
  OnMouseUp(this, MouseButton::Left, shift, at.x, at.y);
}

void Magnifier::LensDoubleClicked() {
  if (OnDblClick) OnDblClick(this);
}

bool Magnifier::LensMoving(int& x, int& y) {
  if (!OnPosChanging) return false;
  const POINT proposed = PhysicalToLogical(PublicationWindow, POINT{x, y});
  int left = proposed.x, top = proposed.y;
  OnPosChanging(left, top);
  const POINT chosen = LogicalToPhysical(PublicationWindow, POINT{left, top});
  x = chosen.x;
  y = chosen.y;
  return true;
}
