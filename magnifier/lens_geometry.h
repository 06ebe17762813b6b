// The lens's geometry and pixel arithmetic, without Windows: the size it works with, the lens
// area inside the frame, the hit test, the aspect-keeping resize, the confinement of its
// position to the desktop, the screen rectangle it enlarges and the per-pixel blend of the
// frame over the enlarged picture.
#pragma once

#include <cstdint>

#include "framework/rect.h"

namespace Lens {

// The window's side when it opens, and its limits.
constexpr std::int32_t kOpeningSize = 250;
constexpr std::int32_t kMinSize = 150;
constexpr std::int32_t kMaxSize = 800;
// The frame's margins around the lens area; the shadow lies below and to the right.
constexpr std::int32_t kAreaLeft = 24;
constexpr std::int32_t kAreaTop = 21;
constexpr std::int32_t kAreaRight = 26;
constexpr std::int32_t kAreaBottom = 29;
// Frame picture width and height, and how far its corners reach in.
constexpr std::int32_t kFrameSize = 120;
constexpr std::int32_t kFrameCorner = 50;

// How deep the resize bands reach into the grown area, and how far the area is grown for them.
constexpr std::int32_t kBandDepth = 8;
constexpr std::int32_t kGrowth = 4;
// The centre of the lens area may come this close to the desktop's bottom, no closer.
constexpr std::int32_t kBottomStop = 8;

// The lens's measures at a screen density: the numbers above are for 96 DPI, and every one of
// them grows with the density, so that the lens looks the same at every scale. The frame's
// margins keep their sums across and down equal.
struct Metrics {
  std::int32_t dpi = 96;
  std::int32_t minSize = kMinSize, maxSize = kMaxSize;
  std::int32_t areaLeft = kAreaLeft, areaTop = kAreaTop, areaRight = kAreaRight, areaBottom = kAreaBottom;
  std::int32_t frameSize = kFrameSize, frameCorner = kFrameCorner;
  std::int32_t bandDepth = kBandDepth, growth = kGrowth, bottomStop = kBottomStop;

  // The measures at this density (96 when it is not positive).
  static Metrics AtDpi(std::int32_t dpi);
  // A length at 96 DPI, at this density: to nearest, halves away from zero.
  std::int32_t Scaled(std::int32_t length) const;
  friend bool operator==(const Metrics&, const Metrics&) = default;
};

struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// The window size the lens works with: each side clamped to 150..800 (at 96 DPI).
Size ClampedSize(std::int32_t windowWidth, std::int32_t windowHeight, const Metrics& metrics = {});

// The lens area of a window of that (clamped) size, in window coordinates:
// (24, 21, width - 26, height - 29) at 96 DPI, right and bottom exclusive.
Rect AreaOf(Size size, const Metrics& metrics = {});

// Hit-test results, the values of the system's WM_NCHITTEST codes.
enum HitCode : std::int32_t {
  kHitTransparent = -1,
  kHitClient = 1,
  kHitLeft = 10,
  kHitRight = 11,
  kHitTop = 12,
  kHitTopLeft = 13,
  kHitTopRight = 14,
  kHitBottom = 15,
  kHitBottomLeft = 16,
  kHitBottomRight = 17,
};

// Where a point (window coordinates) of a lens with this area falls: outside the area grown by
// 4 pixels the click goes through; inside, the 8-pixel bands at the grown area's rim resize and
// the rest is client (pixels at 96 DPI).
std::int32_t HitTest(const Rect& area, std::int32_t x, std::int32_t y, const Metrics& metrics = {});

// Confines a proposed window position (x, y: the window's left and top) so that the centre of
// the lens area stays on this monitor (the one nearest to where the centre was asked to go): it
// may reach the monitor's left, right and top edges, and stops 8 pixels (at 96 DPI) above its bottom.
void Confine(std::int32_t& x, std::int32_t& y, const Rect& area, const Rect& monitor, const Metrics& metrics = {});

// Where the centre of the lens area lies in the window; halves truncate.
std::int32_t AreaCentreX(const Rect& area);
std::int32_t AreaCentreY(const Rect& area);

// The screen rectangle that a window at (x, y) enlarges into its lens area at this zoom:
// centred on the area's centre, 1/zoom of its size (truncated). A zoom below 1 counts as 1.
struct SourceRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const SourceRect&, const SourceRect&) = default;
};
SourceRect SourceFor(std::int32_t x, std::int32_t y, const Rect& area, std::int32_t zoom);

// Thumbnail mode: the part of the source window that the thumbnail window (at `window` on the
// screen) shows at this zoom, in the source window's own coordinates (its top-left corner at
// `sourceLeft`, `sourceTop` on the screen): the middle 1/zoom of the window, divisions
// truncated. The zoom must not be 0.
Rect ThumbnailSource(const Rect& window, std::int32_t zoom, std::int32_t sourceLeft, std::int32_t sourceTop);

// One row of the lens area: `count` pixels of the enlarged screen (24-bit B, G, R) under the
// frame (32-bit B, G, R, A, colour not multiplied by alpha) into `out` (32-bit). Each colour
// becomes (m * (256 - a) + f * a) >> 8 and the alpha 255. `out` may be `frame`; `capture` must
// not overlap `out`.
void BlendRow(std::uint8_t* out, const std::uint8_t* capture, const std::uint8_t* frame, std::int32_t count);
// The same, one pixel at a time; BlendRow takes a SIMD path where the processor has one.
void BlendRowPlain(std::uint8_t* out, const std::uint8_t* capture, const std::uint8_t* frame, std::int32_t count);

// Thumbnail mode: a row of the lens area where every alpha 0 becomes 1 (colour unchanged), so
// the area stays see-through without being fully transparent.
void LiftTransparentAlpha(std::uint8_t* row, std::int32_t count);

}  // namespace Lens
