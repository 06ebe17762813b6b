// The lens picture: the screen under the lens area stretched by the zoom, the frame laid over it
// with its alpha, pushed to the window in one per-pixel-alpha update. In thumbnail mode the
// picture is the frame alone, over an area that the thumbnail window beneath shows through.
#include <cstring>
#include <vector>

#include "framework/gdi.h"
#include "magnifier/bitmap_helpers.h"
#include "magnifier/lens_window.h"
#include "magnifier/screen_source.h"

namespace {

// Colour key of the layered update; unused under ULW_ALPHA.
constexpr COLORREF kNoColorKey = 0x1FFFFFFF;

// What lies beneath the lens within `source` (screen coordinates), made from the windows below
// it in the z-order, bottom first, each read from its own picture; where no window is, the
// desktop colour. Wine keeps every window's picture apart from the screen, so the lens does not
// get into it.
void CopyBeneath(HWND lens, HDC dest, const RECT& source) {
  const RECT all = {0, 0, source.right - source.left, source.bottom - source.top};
  FillRect(dest, &all, GetSysColorBrush(COLOR_DESKTOP));
  std::vector<HWND> below;
  for (HWND w = GetWindow(lens, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    RECT r = {}, common = {};
    if (IsWindowVisible(w) && !IsIconic(w) && GetWindowRect(w, &r) && IntersectRect(&common, &r, &source))
      below.push_back(w);
  }
  for (auto it = below.rbegin(); it != below.rend(); ++it) {
    RECT r = {}, common = {};
    GetWindowRect(*it, &r);
    IntersectRect(&common, &r, &source);
    WindowDC window(*it);
    BitBlt(dest, common.left - source.left, common.top - source.top, common.right - common.left,
           common.bottom - common.top, window.get(), common.left - r.left, common.top - r.top, SRCCOPY);
  }
}

}  // namespace

void LensWindow::RenderAt(int x, int y) {
  // A closed lens awaiting its end renders nothing, nor does a frame start inside another.
  if (!IsOpen() || rendering_ || frameBitmap_ == nullptr) return;
  rendering_ = true;
  try {
    const FrameKey key{x, y, Width(), Height(), zoom_};
    bool changed = pushed_ != key;
    if (Thumb() == nullptr) {
      CopySource(Lens::SourceFor(x, y, LensArea(), zoom_));
      changed = SourceChanged() || changed;
      if (changed) EnlargeSource();
    }
    if (changed) {
      pushed_.reset();
      ComposeFrame();
      if (PushFrame()) pushed_ = key;
    }
  } catch (...) {
    rendering_ = false;
    if (!IsOpen()) ReleasePictures();
    throw;
  }
  rendering_ = false;
  // Closed while the frame was made (the layered update sends messages): the pictures go now.
  if (!IsOpen()) {
    ReleasePictures();
    return;
  }
  rendered_ = true;
}

void LensWindow::CaptureScreen(const Lens::SourceRect& source) {
  CopySource(source);
  EnlargeSource();
}

void LensWindow::CopySource(const Lens::SourceRect& source) {
  if (source_ == nullptr) source_ = CreateDib24(source.width, source.height);
  if (source_->Width() != source.width || source_->Height() != source.height)
    source_->SetSize(source.width, source.height);
  if (ScreenCopyShowsLayeredWindows()) {
    CopyBeneath(Handle(), source_->Dc(), RECT{source.x, source.y, source.x + source.width, source.y + source.height});
  } else {
    ScreenDC screen;
    // Without CAPTUREBLT: layered windows, the lens among them, stay out of the picture.
    BitBlt(source_->Dc(), 0, 0, source.width, source.height, screen.get(), source.x, source.y, SRCCOPY);
  }
  GdiFlush();
}

void LensWindow::EnlargeSource() {
  const TRect area = LensArea();
  const int w = RectWidth(area, false), h = RectHeight(area, false);
  if (captureBitmap_->Width() != w || captureBitmap_->Height() != h) captureBitmap_->SetSize(w, h);
  StretchBlt(captureBitmap_->Dc(), 0, 0, w, h, source_->Dc(), 0, 0, source_->Width(), source_->Height(),
             SRCCOPY);
  GdiFlush();
}

bool LensWindow::SourceChanged() {
  const std::size_t rowBytes = std::size_t(source_->Width()) * 3;
  const std::size_t bytes = rowBytes * std::size_t(source_->Height());
  bool changed = pushedSource_.size() != bytes;
  if (changed) pushedSource_.resize(bytes);
  std::uint8_t* kept = pushedSource_.data();
  for (int y = 0; y < source_->Height(); ++y, kept += rowBytes) {
    const std::uint8_t* row = source_->Row(y);
    if (changed || std::memcmp(kept, row, rowBytes) != 0) {
      changed = true;
      std::memcpy(kept, row, rowBytes);
    }
  }
  return changed;
}

void LensWindow::ComposeFrame() {
  const Lens::Size size = LensSize();
  const TRect area = LensArea();
  if (outputBitmap_ == nullptr) {
    outputBitmap_ = CreateDib32(size.width, size.height);
  } else if (outputBitmap_->Width() != size.width || outputBitmap_->Height() != size.height) {
    outputBitmap_->SetSize(size.width, size.height);
  }
  if (frameLayer_ == nullptr || frameLayer_->Width() != size.width || frameLayer_->Height() != size.height) {
    frameLayer_ = CreateDib32(size.width, size.height);
    constexpr int c = Lens::kFrameCorner;
    PaintNineSlice(*frameLayer_, *frameBitmap_, RECT{0, 0, size.width, size.height},
                   RECT{0, 0, Lens::kFrameSize, Lens::kFrameSize}, Sides{c, c, c, c}, Sides{255, 255, 255, 255},
                   Sides{kNineSliceStretch, kNineSliceStretch, kNineSliceStretch, kNineSliceStretch},
                   kNineSliceStretch, true);
  }

  // Outside the lens area the window shows the stretched frame as it is. Inside, in capture mode,
  // the enlarged screen under the frame's inner shade, fully opaque; in thumbnail mode the frame
  // with its clear pixels at alpha 1: see-through, yet still the lens's for the mouse.
  const std::size_t rowBytes = std::size_t(size.width) * 4;
  const std::size_t left = std::size_t(area.left) * 4;
  const int areaWidth = RectWidth(area, false);
  const bool thumbnailMode = Thumb() != nullptr;
  for (int y = 0; y < size.height; ++y) {
    std::uint8_t* out = outputBitmap_->Row(y);
    const std::uint8_t* frame = frameLayer_->Row(y);
    if (y < area.top || y >= area.bottom || areaWidth < 1) {
      std::memcpy(out, frame, rowBytes);
      continue;
    }
    std::memcpy(out, frame, left);
    if (thumbnailMode) {
      std::memcpy(out + left, frame + left, std::size_t(areaWidth) * 4);
      Lens::LiftTransparentAlpha(out + left, areaWidth);
    } else {
      Lens::BlendRow(out + left, captureBitmap_->Row(y - area.top), frame + left, areaWidth);
    }
    const std::size_t right = std::size_t(area.right) * 4;
    std::memcpy(out + right, frame + right, rowBytes - right);
  }
}

bool LensWindow::PushFrame() {
  const Lens::Size size = LensSize();
  ScreenDC screen;
  SIZE extent = {size.width, size.height};
  POINT origin = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return UpdateLayeredWindow(Handle(), screen.get(), nullptr, &extent, outputBitmap_->Dc(), &origin,
                             kNoColorKey, &blend, ULW_ALPHA) != FALSE;
}
