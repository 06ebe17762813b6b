#include "magnifier/lens_registry.h"

#include <algorithm>
#include <utility>

#include "framework/compositor.h"
#include "magnifier/thumbnail_window.h"

LensRegistry::~LensRegistry() {
  (void)open_.release();
  (void)thumbnail_.release();
  for (WindowPtr<LensWindow>& lens : closed_) (void)lens.release();
}

LensWindow& LensRegistry::OpenLens(LensClient& client, int width, int height, int zoom) {
  WindowPtr<LensWindow> lens(new LensWindow(*this));
  lens->SetWidth(width);
  lens->SetHeight(height);
  open_ = std::move(lens);
  try {
    if (IsCompositionEnabled()) thumbnail_ = MakeThumbnailWindow();
    open_->Open(client, thumbnail_.get(), zoom);
  } catch (...) {
    // The lens goes as one that closes: it shuts down, then its thumbnail window goes, then it.
    WindowPtr<LensWindow> failed = std::move(open_);
    failed->ShutDown();
    thumbnail_.reset();
    throw;
  }
  return *open_;
}

WindowPtr<ThumbnailWindow> LensRegistry::MakeThumbnailWindow() {
  WindowPtr<ThumbnailWindow> thumbnail(new ThumbnailWindow);
  // Composition without thumbnails would leave the lens empty: it copies the screen instead.
  if (!thumbnail->CompositorMakesThumbnails()) return nullptr;
  return thumbnail;
}

void LensRegistry::LensShutDown(LensWindow& lens) {
  if (open_.get() != &lens) return;
  closed_.push_back(std::move(open_));
  thumbnail_.reset();
}

void LensRegistry::LensWindowEnded(LensWindow& lens) {
  const auto it = std::find_if(closed_.begin(), closed_.end(), [&](const auto& p) { return p.get() == &lens; });
  if (it == closed_.end()) return;
  WindowPtr<LensWindow> ended = std::move(*it);
  closed_.erase(it);
  if (closed_.empty()) closed_.shrink_to_fit();  // a script may have closed thousands
}

void LensRegistry::DeleteAll() {
  if (open_ != nullptr) open_->ShutDown();  // its thumbnail window first, as when it closes
  for (WindowPtr<LensWindow>& lens : std::exchange(closed_, {})) lens.reset();
}
