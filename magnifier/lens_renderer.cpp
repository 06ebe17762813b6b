#include "magnifier/lens_renderer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/compositor.h"
#include "framework/dpi.h"
#include "framework/gdi.h"
#include "magnifier/bitmap_helpers.h"
#include "magnifier/frame_pixels.h"
#include "magnifier/screen_source.h"

namespace {

// Colour key of the layered update; unused under ULW_ALPHA.
constexpr COLORREF kNoColorKey = 0x1FFFFFFF;

// What lies beneath the lens within `source` (screen coordinates), made from the windows below
// it in the z-order that show (not cloaked by the compositor), bottom first, each read from its
// own picture; where no window is, the desktop colour. Each window's own picture holds nothing of
// the lens above it. A window of another density than the lens's (an unaware host's, on a scaled
// screen) keeps its picture at its own density: it is scaled to the screen's pixels on the way.
void CopyBeneath(HWND lens, HDC dest, const RECT& source) {
  const RECT all = {0, 0, source.right - source.left, source.bottom - source.top};
  FillRect(dest, &all, GetSysColorBrush(COLOR_DESKTOP));
  std::vector<HWND> below;
  for (HWND w = GetWindow(lens, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    RECT r = {}, common = {};
    if (IsWindowVisible(w) && !IsIconic(w) && GetWindowRect(w, &r) && IntersectRect(&common, &r, &source) &&
        !IsCloaked(w))
      below.push_back(w);
  }
  const int lensDpi = DpiOfWindow(lens);
  for (auto it = below.rbegin(); it != below.rend(); ++it) {
    RECT r = {}, common = {};
    GetWindowRect(*it, &r);
    IntersectRect(&common, &r, &source);
    WindowDC window(*it);
    const int x = common.left - source.left, y = common.top - source.top;
    const int width = common.right - common.left, height = common.bottom - common.top;
    const int dpi = DpiOfWindow(*it);
    if (dpi == lensDpi) {
      BitBlt(dest, x, y, width, height, window.get(), common.left - r.left, common.top - r.top, SRCCOPY);
      continue;
    }
    const StretchModeGuard smooth(dest, HALFTONE);
    SetBrushOrgEx(dest, 0, 0, nullptr);
    StretchBlt(dest, x, y, width, height, window.get(), MulDiv(common.left - r.left, dpi, lensDpi),
               MulDiv(common.top - r.top, dpi, lensDpi), MulDiv(width, dpi, lensDpi), MulDiv(height, dpi, lensDpi),
               SRCCOPY);
  }
}

// Colours read back from the screen may have lost low bits to its colour depth.
bool NearColour(const std::uint8_t* a, const std::uint8_t* b) {
  return std::abs(a[0] - b[0]) <= 8 && std::abs(a[1] - b[1]) <= 8 && std::abs(a[2] - b[2]) <= 8;
}

RECT VirtualScreen() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

}  // namespace

void LensRenderer::UseSource(LensSource source, const Rect& area) {
  // Into or out of thumbnail mode the frame is made another way; between two copies, the frame
  // is pushed again only if what the new one copies differs.
  if ((source == LensSource::Thumbnail) != ThumbnailMode()) {
    pushed_.reset();
    pushedSource_ = {};
  }
  source_ = source;
  if (ThumbnailMode()) {
    capture_.reset();
    sourcePixels_.reset();
  } else if (capture_ == nullptr) {
    capture_ = CreateDib24(RectWidth(area), RectHeight(area));
  }
}

LensRenderer::Outcome LensRenderer::Render(const Target& target) {
  if (rendering_ || framePicture_ == nullptr) return Outcome::Skipped;
  rendering_ = true;
  bool sawItself = false;
  try {
    const FrameKey key{target.x, target.y, target.width, target.height, target.zoom};
    bool changed = pushed_ != key;
    if (!ThumbnailMode()) {
      const Rect area = target.LensArea();
      sawItself = !CopySource(target.window, Lens::SourceFor(target.x, target.y, area, target.zoom));
      changed = !sawItself && (SourceChanged() || changed);
      if (changed) EnlargeSource(area);
    }
    if (changed) {
      pushed_.reset();
      Compose(target);
      if (Push(target)) {
        pushed_ = key;
        shownRim_ = rim_;
      }
    }
  } catch (...) {
    EndFrame();
    throw;
  }
  EndFrame();
  return sawItself ? Outcome::SawItself : Outcome::Shown;
}

void LensRenderer::Capture(const Target& target) {
  const Rect area = target.LensArea();
  CopySource(target.window, Lens::SourceFor(target.x, target.y, area, target.zoom));
  EnlargeSource(area);
}

void LensRenderer::Compose(const Target& target) {
  const Lens::Metrics& metrics = target.metrics;
  const Lens::Size size = target.LensSize();
  const Rect area = target.LensArea();
  if (output_ == nullptr) {
    output_ = CreateDib32(size.width, size.height);
  } else if (output_->Width() != size.width || output_->Height() != size.height) {
    output_->SetSize(size.width, size.height);
  }
  // At another density the frame is painted again, from the picture scaled anew.
  if (layerMetrics_ != metrics) {
    scaledFrame_.reset();
    frameLayer_.reset();
    layerMetrics_ = metrics;
  }
  if (frameLayer_ == nullptr || frameLayer_->Width() != size.width || frameLayer_->Height() != size.height) {
    frameLayer_ = CreateDib32(size.width, size.height);
    const int c = metrics.frameCorner;
    PaintNineSlice(*frameLayer_, FramePicture(metrics), RECT{0, 0, size.width, size.height},
                   RECT{0, 0, metrics.frameSize, metrics.frameSize}, Sides{c, c, c, c});
    PickRimSamples(area);
  }

  // Outside the lens area the window shows the stretched frame as it is. Inside, in capture mode,
  // the enlarged screen under the frame's inner shade, fully opaque; in thumbnail mode the frame
  // with its clear pixels at alpha 1: see-through, yet still the lens's for the mouse.
  const std::size_t rowBytes = std::size_t(size.width) * 4;
  const std::size_t left = std::size_t(area.left) * 4;
  const int areaWidth = RectWidth(area);
  const bool thumbnailMode = ThumbnailMode();
  for (int y = 0; y < size.height; ++y) {
    std::uint8_t* out = output_->Row(y);
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
      Lens::BlendRow(out + left, capture_->Row(y - area.top), frame + left, areaWidth);
    }
    const std::size_t right = std::size_t(area.right) * 4;
    std::memcpy(out + right, frame + right, rowBytes - right);
  }
}

bool LensRenderer::Push(const Target& target) {
  const Lens::Size size = target.LensSize();
  ScreenDC screen;
  SIZE extent = {size.width, size.height};
  POINT origin = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return UpdateLayeredWindow(target.window, screen.get(), nullptr, &extent, output_->Dc(), &origin,
                             kNoColorKey, &blend, ULW_ALPHA) != FALSE;
}

void LensRenderer::ReleasePictures() {
  if (rendering_) {
    releaseDue_ = true;
    return;
  }
  releaseDue_ = false;
  framePicture_.reset();
  scaledFrame_.reset();
  capture_.reset();
  output_.reset();
  frameLayer_.reset();
  sourcePixels_.reset();
  pushed_.reset();
  pushedSource_ = {};
  rim_ = {};
  shownRim_ = {};
  rimColumn_.reset();
  rimRow_.reset();
}

// ---- Internals ----

void LensRenderer::EndFrame() {
  rendering_ = false;
  if (releaseDue_) ReleasePictures();
}

bool LensRenderer::CopySource(HWND window, const Lens::SourceRect& source) {
  const auto sizePixels = [this](int width, int height) {
    if (sourcePixels_ == nullptr) sourcePixels_ = CreateDib24(width, height);
    if (sourcePixels_->Width() != width || sourcePixels_->Height() != height) sourcePixels_->SetSize(width, height);
  };
  if (source_ == LensSource::WindowsBeneath) {
    sizePixels(source.width, source.height);
    CopyBeneath(window, sourcePixels_->Dc(),
                RECT{source.x, source.y, source.x + source.width, source.y + source.height});
    GdiFlush();
    return true;
  }
  // An unaware lens on a scaled screen reads the screen's own pixels under its area: more of them
  // than its numbers say, and enlarged all the same to the area.
  const POINT first = ScreenPixelOf(window, source.x, source.y);
  const POINT last = ScreenPixelOf(window, source.x + source.width, source.y + source.height);
  const int width = last.x - first.x, height = last.y - first.y;
  sizePixels(width, height);
  ScreenDC screen;
  // Without CAPTUREBLT, which would bring layered windows in on every Windows.
  BitBlt(sourcePixels_->Dc(), 0, 0, width, height, screen.get(), first.x, first.y, SRCCOPY);
  GdiFlush();
  return CopiesTheScreenAsOnWindows7() || !ScreenShowsLens(window);
}

POINT LensRenderer::ScreenPixelOf(HWND window, int x, int y) {
  return ThreadSeesPhysicalPixels() ? POINT{x, y} : LogicalToPhysical(window, POINT{x, y});
}

bool LensRenderer::ScreenShowsLens(HWND lens) {
  if (shownRim_.samples.empty() || !IsWindowVisible(lens)) return false;
  RECT window = {};
  GetWindowRect(lens, &window);
  const int width = window.right - window.left, height = window.bottom - window.top;
  if (width <= 0 || height <= 0) return false;
  // The two lines across the frame, from the screen as it is now, among the screen's pixels.
  const POINT topLeft = ScreenPixelOf(lens, window.left, window.top);
  const POINT bottomRight = ScreenPixelOf(lens, window.right, window.bottom);
  const POINT crossing = ScreenPixelOf(lens, window.left + shownRim_.column, window.top + shownRim_.row);
  const int screenWidth = bottomRight.x - topLeft.x, screenHeight = bottomRight.y - topLeft.y;
  if (screenWidth <= 0 || screenHeight <= 0) return false;
  if (rimColumn_ == nullptr) rimColumn_ = CreateDib32(1, screenHeight);
  if (rimColumn_->Height() != screenHeight) rimColumn_->SetSize(1, screenHeight);
  if (rimRow_ == nullptr) rimRow_ = CreateDib32(screenWidth, 1);
  if (rimRow_->Width() != screenWidth) rimRow_->SetSize(screenWidth, 1);
  ScreenDC screen;
  BitBlt(rimColumn_->Dc(), 0, 0, 1, screenHeight, screen.get(), crossing.x, topLeft.y, SRCCOPY);
  BitBlt(rimRow_->Dc(), 0, 0, screenWidth, 1, screen.get(), topLeft.x, crossing.y, SRCCOPY);
  GdiFlush();
  const RECT desktop = VirtualScreen();
  // Asked once for the frame, not for each of its hundreds of samples.
  const bool physical = ThreadSeesPhysicalPixels();
  int looked = 0, seen = 0;
  for (const RimSample& sample : shownRim_.samples) {
    const POINT at = {window.left + sample.x, window.top + sample.y};
    if (sample.x >= width || sample.y >= height || !PtInRect(&desktop, at)) continue;
    const POINT pixel = physical ? at : LogicalToPhysical(lens, at);
    const int column = pixel.x - topLeft.x, row = pixel.y - topLeft.y;
    if (column < 0 || column >= screenWidth || row < 0 || row >= screenHeight) continue;
    ++looked;
    const std::uint8_t* read = sample.x == shownRim_.column ? rimColumn_->Row(row)
                                                            : rimRow_->Row(0) + std::size_t(column) * 4;
    if (NearColour(read, sample.bgr)) ++seen;
  }
  // Another window may cover a band of the frame; a page beneath may match a shade by chance, but
  // not the run of shades across the bands.
  return seen >= 8 && seen * 4 >= looked * 3;
}

void LensRenderer::PickRimSamples(const Rect& area) {
  const int width = frameLayer_->Width(), height = frameLayer_->Height();
  rim_ = {width / 2, height / 2, {}};
  const auto take = [this](int x, int y) {
    const std::uint8_t* pixel = frameLayer_->Row(y) + std::size_t(x) * 4;
    if (pixel[3] == 255) rim_.samples.push_back({x, y, {pixel[0], pixel[1], pixel[2]}});
  };
  for (int y = 0; y < height; ++y) {
    if (y < area.top || y >= area.bottom) take(rim_.column, y);
  }
  for (int x = 0; x < width; ++x) {
    if (x < area.left || x >= area.right) take(x, rim_.row);
  }
}

void LensRenderer::EnlargeSource(const Rect& area) {
  const int w = RectWidth(area), h = RectHeight(area);
  if (capture_->Width() != w || capture_->Height() != h) capture_->SetSize(w, h);
  StretchBlt(capture_->Dc(), 0, 0, w, h, sourcePixels_->Dc(), 0, 0, sourcePixels_->Width(), sourcePixels_->Height(),
             SRCCOPY);
  GdiFlush();
}

bool LensRenderer::SourceChanged() {
  const std::size_t rowBytes = std::size_t(sourcePixels_->Width()) * 3;
  const std::size_t bytes = rowBytes * std::size_t(sourcePixels_->Height());
  bool changed = pushedSource_.size() != bytes;
  if (changed) pushedSource_.resize(bytes);
  std::uint8_t* kept = pushedSource_.data();
  for (int y = 0; y < sourcePixels_->Height(); ++y, kept += rowBytes) {
    const std::uint8_t* row = sourcePixels_->Row(y);
    if (changed || std::memcmp(kept, row, rowBytes) != 0) {
      changed = true;
      std::memcpy(kept, row, rowBytes);
    }
  }
  return changed;
}

Dib& LensRenderer::FramePicture(const Lens::Metrics& metrics) {
  if (metrics.dpi == kDefaultDpi) return *framePicture_;
  if (scaledFrame_ == nullptr) {
    scaledFrame_ = CreateDib32(metrics.frameSize, metrics.frameSize);
    ScaleBgra32(*framePicture_, *scaledFrame_);
  }
  return *scaledFrame_;
}
