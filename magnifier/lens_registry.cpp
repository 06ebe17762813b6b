#include "magnifier/lens_registry.h"

#include <utility>

#include "magnifier/lens_form.h"
#include "magnifier/thumb_form.h"

TacMagnForm& LensRegistry::OpenLens(TsMagnifier& magnifier, int width, int height) {
  auto* lens = new TacMagnForm;
  try {
    lens->Magnifier = &magnifier;
    lens->SetWidth(width);
    lens->SetHeight(height);
    open_ = lens;
    lens->Initialise();
  } catch (...) {
    LetGo(*lens);
    Window::Retire(lens);
    throw;
  }
  return *lens;
}

TThumbForm* LensRegistry::MakeThumb() {
  auto* thumb = new TThumbForm;
  // Composition without thumbnails would leave the lens empty: it copies the screen instead.
  if (!thumb->CompositorMakesThumbnails()) {
    Window::Retire(thumb);
    return nullptr;
  }
  thumb_ = thumb;
  return thumb;
}

void LensRegistry::LetGo(TacMagnForm& lens) {
  if (open_ != &lens) return;
  open_ = nullptr;
  LensRendered = false;
  if (TThumbForm* thumb = std::exchange(thumb_, nullptr)) Window::Retire(thumb);
}

void LensRegistry::Closed(TacMagnForm& lens) {
  LensRendered = false;
  LensClosing = true;
  closed_.push_back(&lens);
}

void LensRegistry::Drop(TacMagnForm& lens) {
  std::erase(closed_, &lens);
  if (closed_.empty()) closed_.shrink_to_fit();  // a script may have closed thousands
  Window::Retire(&lens);
}

void LensRegistry::DropAll() {
  Window::Retire(open_);  // its window's end lets go of it
  for (TacMagnForm* lens : std::exchange(closed_, {})) Window::Retire(lens);
}
