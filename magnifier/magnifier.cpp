#include "magnifier/magnifier.h"

#include <algorithm>

#include "framework/errors.h"
#include "framework/popup_menu.h"
#include "magnifier/lens_form.h"
#include "resources/texts.h"

TsMagnifier::~TsMagnifier() { Dispose(); }

void TsMagnifier::Dispose() {
  if (disposed_) return;
  disposed_ = true;
  // Lenses closed a moment ago may still wait for their end; they go now too.
  Lenses.DropAll();
}

void TsMagnifier::SetScaling(std::int32_t value) {
  if (value == scaling_) return;
  scaling_ = std::clamp(value, 2, 16);
  if (CurrentLens != nullptr) CurrentLens->SetZoom(std::int16_t(scaling_));
}

void TsMagnifier::ShowLens(std::int32_t x, std::int32_t y) {
  // Only a host that calls us back from inside a call of ours can free the panel first.
  if (disposed_) throw Exception(texts::kPanelFreed);
  if (CurrentLens != nullptr) {
    CurrentLens->BringToFront();
    return;
  }
  TacMagnForm& lens = Lenses.OpenLens(*this, Width, Height);
  lens.Scale = std::int16_t(scaling_);
  if (PopupMenu != nullptr) {
    lens.SetPopup(PopupMenu);
  } else {
    lens.CheckZoomItem(scaling_);
  }
  if (x != -1 || y != -1) {
    lens.SetLeft(x);
    lens.SetTop(y);
  }
  lens.SetExStyle(lens.ExStyle() | WS_EX_LAYERED);
  lens.Show();
}

void TsMagnifier::CloseLens() {
  if (CurrentLens != nullptr) CurrentLens->Close();
}
