#include "magnifier/lens_registry.h"

#include <algorithm>
#include <utility>

#include "framework/compositor.h"
#include "magnifier/lens_source_win32.h"
#include "magnifier/screen_source.h"
#include "magnifier/thumbnail_window.h"

void LensRegistry::Abandon() {
  (void)open_.release();
  (void)thumbnail_.release();
  for (WindowPtr<LensWindow>& lens : closed_) (void)lens.release();
  closed_.clear();
}

LensWindow& LensRegistry::OpenLens(LensClient& client, HWND publication, int width, int height, int zoom) {
  WindowPtr<LensWindow> lens(new LensWindow(*this, publication));
  lens->SetWidth(lens->Metrics().Scaled(width));
  lens->SetHeight(lens->Metrics().Scaled(height));
  open_ = std::move(lens);
  try {
    const LensSource source = SetUpSource(*open_, thumbnail_);
    open_->Open(client, source, thumbnail_.get(), zoom);
  } catch (...) {
    // The lens goes as one that closes: it shuts down, then its thumbnail window goes, then it.
    WindowPtr<LensWindow> failed = std::move(open_);
    failed->ShutDown();
    thumbnail_.reset();
    throw;
  }
  return *open_;
}

LensSource LensRegistry::ChooseSource() const {
  const WindowsVersion version = CopiesTheScreenAsOnWindows7() ? WindowsVersion{6, 1, 7601} : TrueWindowsVersion();
  return ChooseLensSource(version, IsCompositionEnabled(), failed_);
}

LensSource LensRegistry::SetUpSource(LensWindow& lens, WindowPtr<ThumbnailWindow>& thumbnail) {
  for (;;) {
    const LensSource source = ChooseSource();
    if (source == LensSource::Thumbnail) {
      thumbnail = MakeThumbnailWindow(GetWindow(lens.Handle(), GW_OWNER));
      if (thumbnail == nullptr) {
        failed_.Add(source);
        continue;
      }
    } else if (source == LensSource::HiddenScreenCopy && !KeepOutOfScreenCopies(lens.Handle())) {
      failed_.Add(source);
      continue;
    }
    return source;
  }
}

void LensRegistry::ChangeSource(LensWindow& lens) {
  if (ChooseSource() == lens.Source()) return;
  WindowPtr<ThumbnailWindow> thumbnail;
  const LensSource source = SetUpSource(lens, thumbnail);
  if (lens.Source() == LensSource::HiddenScreenCopy && source != LensSource::HiddenScreenCopy)
    LetIntoScreenCopies(lens.Handle());
  lens.UseSource(source, thumbnail.get());
  // The thumbnail window the lens had, if any, goes now that the lens has let go of it.
  std::swap(thumbnail_, thumbnail);
}

void LensRegistry::LensSawItself(LensWindow& lens) {
  if (open_.get() != &lens) return;
  failed_.Add(lens.Source());
  ChangeSource(lens);
}

void LensRegistry::LensCompositionChanged(LensWindow& lens) {
  if (open_.get() != &lens) return;
  // Another desktop: what failed on the last one may work on this one.
  failed_ = {};
  ChangeSource(lens);
}

WindowPtr<ThumbnailWindow> LensRegistry::MakeThumbnailWindow(HWND publication) {
  WindowPtr<ThumbnailWindow> thumbnail(new ThumbnailWindow(publication));
  // Composition without thumbnails would leave the lens empty: it takes another source instead.
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
