#include "magnifier/lens_geometry.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace Lens {

namespace {

std::int32_t ClampSide(std::int32_t v, const Metrics& m) {
  return v < m.minSize ? m.minSize : v > m.maxSize ? m.maxSize : v;
}

// To nearest, halves to even, worked out by hand so that a host that changes the FPU's rounding
// mode cannot move the lens. Saturates instead of overflowing on absurd input.
std::int32_t Round(double v) {
  double r = std::floor(v);
  const double fraction = v - r;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  if (r <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (r >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(r);
}

// Right and bottom exclusive, as PtInRect has it.
bool Contains(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, std::int32_t x,
              std::int32_t y) {
  return x >= left && x < right && y >= top && y < bottom;
}

}  // namespace

Metrics Metrics::AtDpi(std::int32_t dpi) {
  Metrics m;
  if (dpi <= 0) return m;
  m.dpi = dpi;
  m.minSize = m.Scaled(kMinSize);
  m.maxSize = m.Scaled(kMaxSize);
  m.areaLeft = m.Scaled(kAreaLeft);
  m.areaTop = m.Scaled(kAreaTop);
  const std::int32_t margins = m.Scaled(kAreaLeft + kAreaRight);
  m.areaRight = margins - m.areaLeft;
  m.areaBottom = margins - m.areaTop;
  m.frameSize = m.Scaled(kFrameSize);
  m.frameCorner = m.Scaled(kFrameCorner);
  m.bandDepth = m.Scaled(kBandDepth);
  m.growth = m.Scaled(kGrowth);
  m.bottomStop = m.Scaled(kBottomStop);
  return m;
}

std::int32_t Metrics::Scaled(std::int32_t length) const {
  const std::int64_t product = std::int64_t{length} * dpi;
  const std::int64_t half = product < 0 ? -48 : 48;
  return static_cast<std::int32_t>((product + half) / 96);
}

Size ClampedSize(std::int32_t windowWidth, std::int32_t windowHeight, const Metrics& metrics) {
  return {ClampSide(windowWidth, metrics), ClampSide(windowHeight, metrics)};
}

Rect AreaOf(Size size, const Metrics& m) {
  return {m.areaLeft, m.areaTop, size.width - m.areaRight, size.height - m.areaBottom};
}

std::int32_t HitTest(const Rect& area, std::int32_t x, std::int32_t y, const Metrics& m) {
  const std::int64_t left = std::int64_t{area.left} - m.growth;
  const std::int64_t top = std::int64_t{area.top} - m.growth;
  const std::int64_t right = std::int64_t{area.right} + m.growth;
  const std::int64_t bottom = std::int64_t{area.bottom} + m.growth;
  if (!Contains(left, top, right, bottom, x, y)) return kHitTransparent;

  const bool inTop = Contains(left, top, right, top + m.bandDepth, x, y);
  const bool inLeft = Contains(left, top, left + m.bandDepth, bottom, x, y);
  const bool inBottom = Contains(left, bottom - m.bandDepth, right, bottom, x, y);
  const bool inRight = Contains(right - m.bandDepth, top, right, bottom, x, y);

  const std::int32_t first = inTop && inLeft ? kHitTopLeft : inTop ? kHitTop : inLeft ? kHitLeft : kHitClient;
  const std::int32_t second =
      inBottom && inRight ? kHitBottomRight : inBottom ? kHitBottom : inRight ? kHitRight : kHitClient;
  if (first == kHitClient) return second;
  if (first == kHitTop && second == kHitRight) return kHitTopRight;
  if (first == kHitLeft && second == kHitBottom) return kHitBottomLeft;
  return first;
}

std::int32_t AreaCentreX(const Rect& area) { return area.left + RectWidth(area) / 2; }
std::int32_t AreaCentreY(const Rect& area) { return area.top + RectHeight(area) / 2; }

void Confine(std::int32_t& x, std::int32_t& y, const Rect& area, const Rect& monitor, const Metrics& metrics) {
  const std::int64_t centreX = AreaCentreX(area);
  const std::int64_t centreY = AreaCentreY(area);

  const std::int64_t xmin = monitor.left - centreX;
  const std::int64_t xmax = monitor.right - centreX;
  if (x < xmin) {
    x = static_cast<std::int32_t>(xmin);
  } else if (x > xmax) {
    x = static_cast<std::int32_t>(xmax);
  }

  const std::int64_t ymin = monitor.top - centreY;
  const std::int64_t ymax = std::int64_t{monitor.bottom} - metrics.bottomStop - centreY;
  if (y < ymin) {
    y = static_cast<std::int32_t>(ymin);
  } else if (y > ymax) {
    y = static_cast<std::int32_t>(ymax);
  }
}

SourceRect SourceFor(std::int32_t x, std::int32_t y, const Rect& area, std::int32_t zoom) {
  const std::int32_t s = zoom < 1 ? 1 : zoom;
  const std::int32_t w = RectWidthOrZero(area);
  const std::int32_t h = RectHeightOrZero(area);
  // Centred with the exact quotient; the size is the truncated one.
  const double offsetX = (w - w / double(s)) / 2;
  const double offsetY = (h - h / double(s)) / 2;
  return {Round(offsetX + (double(x) + area.left)), Round(offsetY + (double(y) + area.top)), w / s, h / s};
}

Rect ThumbnailSource(const Rect& window, std::int32_t zoom, std::int32_t sourceLeft, std::int32_t sourceTop) {
  const std::int32_t w = RectWidth(window);
  const std::int32_t h = RectHeight(window);
  const std::int32_t left = window.left + (w - w / zoom) / 2;
  const std::int32_t top = window.top + (h - h / zoom) / 2;
  return {left - sourceLeft, top - sourceTop, left + w / zoom - sourceLeft, top + h / zoom - sourceTop};
}

}  // namespace Lens
