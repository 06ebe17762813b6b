#include "magnifier/magnifier.h"

#include <algorithm>
#include <memory>

#include "framework/errors.h"
#include "framework/popup_menu.h"
#include "magnifier/lens_form.h"
#include "resources/texts.h"

TsMagnifier::~TsMagnifier() { Dispose(); }

void TsMagnifier::Dispose() {
  if (disposed_) return;
  disposed_ = true;
  Window::Retire(CurrentLens);  // clears CurrentLens
  // Lenses closed a moment ago may still wait to be freed; they go now too, so that no window of
  // ours is left behind once the panels are gone (the host may unload us next).
  TacMagnForm::FreeClosedLenses();
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
  WindowPtr<TacMagnForm> lens(new TacMagnForm);
  lens->Magnifier = this;
  lens->SetWidth(Width);
  lens->SetHeight(Height);
  CurrentLens = lens.get();
  try {
    lens->Initialise();
  } catch (...) {
    // A lens that could not be made is not left behind: the next attempt starts afresh.
    CurrentLens = nullptr;
    throw;
  }
  lens->Scale = std::int16_t(scaling_);
  if (PopupMenu != nullptr) {
    lens->SetPopup(PopupMenu);
  } else {
    lens->CheckZoomItem(scaling_);
  }
  if (x != -1 || y != -1) {
    lens->SetLeft(x);
    lens->SetTop(y);
  }
  lens->SetExStyle(lens->ExStyle() | WS_EX_LAYERED);
  lens.release()->Show();
}

void TsMagnifier::CloseLens() {
  if (CurrentLens != nullptr) CurrentLens->Close();
}
