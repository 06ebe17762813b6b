#include "magnifier/magnifier.h"

#include <algorithm>

#include "framework/dpi.h"
#include "framework/errors.h"
#include "magnifier/lens_registry.h"
#include "magnifier/lens_window.h"
#include "resources/texts.h"

Magnifier::~Magnifier() { ReleaseNow(); }

// Every call from the host runs per-monitor aware, as the lens's windows are.

void Magnifier::ReleaseNow() {
  if (released_) return;
  const PerMonitorDpiScope aware;
  released_ = true;
  // Lenses closed a moment ago may still wait for their end; they go now too.
  lenses_.DeleteAll();
}

void Magnifier::SetZoom(std::int32_t value) {
  // Another component may have zoomed the open lens since: the zoom that counts is the one it shows.
  LensWindow* lens = lenses_.Open();
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
  if (released_) throw Error(texts::kPanelFreed);
  const PerMonitorDpiScope aware;
  if (LensWindow* open = lenses_.Open()) {
    open->BringToFront();
    return;
  }
  LensWindow& lens = lenses_.OpenLens(*this, GetAncestor(publicationWindow_, GA_ROOT), width_, height_, zoom_);
  lens.CheckZoomItem(zoom_);
  if (x != -1 || y != -1) {
    const POINT at = LogicalToPhysical(publicationWindow_, POINT{x, y});
    lens.SetLeft(at.x);
    lens.SetTop(at.y);
  } else {
    lens.CentreNear(publicationWindow_);
  }
  lens.SetExStyle(lens.ExStyle() | WS_EX_LAYERED);
  lens.Show();
}

void Magnifier::CloseLens() {
  const PerMonitorDpiScope aware;
  if (LensWindow* lens = lenses_.Open()) lens->Close();
}
