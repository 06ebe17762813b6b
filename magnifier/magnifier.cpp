#include "magnifier/magnifier.h"

#include <algorithm>

#include "framework/errors.h"
#include "framework/popup_menu.h"
#include "magnifier/lens_registry.h"
#include "magnifier/lens_window.h"
#include "resources/texts.h"

Magnifier::~Magnifier() { ReleaseNow(); }

void Magnifier::ReleaseNow() {
  if (released_) return;
  released_ = true;
  // Lenses closed a moment ago may still wait for their end; they go now too.
  Lenses.DeleteAll();
}

void Magnifier::SetZoom(std::int32_t value) {
  if (value == zoom_) return;
  zoom_ = std::clamp(value, 2, 16);
  if (LensWindow* lens = Lenses.Open()) lens->SetZoom(zoom_);
}

void Magnifier::ShowLens(std::int32_t x, std::int32_t y) {
  // Only a host that calls us back from inside a call of ours can free the panel first.
  if (released_) throw Exception(texts::kPanelFreed);
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
    lens.SetLeft(x);
    lens.SetTop(y);
  } else {
    lens.CentreNear(PublicationWindow);
  }
  lens.SetExStyle(lens.ExStyle() | WS_EX_LAYERED);
  lens.Show();
}

void Magnifier::CloseLens() {
  if (LensWindow* lens = Lenses.Open()) lens->Close();
}

void Magnifier::LensMouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void Magnifier::LensDragEnded(ShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, MouseButton::Left, shift, x, y);
}

void Magnifier::LensDoubleClicked() {
  if (OnDblClick) OnDblClick(this);
}

bool Magnifier::LensMoving(int& x, int& y) {
  if (!OnPosChanging) return false;
  OnPosChanging(x, y);
  return true;
}
