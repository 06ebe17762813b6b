#include "tools/frame_art.h"

#include "tools/png_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace frame_art {
namespace {

struct RoundedBox {
  double left, top, right, bottom, radius;
};

// Signed distance to the box's outline, negative inside. Beside a straight edge it is the distance
// to that edge alone, so the nine-slice middle strips come out the same all along.
double Distance(const RoundedBox& b, double x, double y) {
  const double qx = std::abs(x - (b.left + b.right) / 2) - ((b.right - b.left) / 2 - b.radius);
  const double qy = std::abs(y - (b.top + b.bottom) / 2) - ((b.bottom - b.top) / 2 - b.radius);
  return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - b.radius;
}

double SmoothStep(double from, double to, double x) {
  const double t = std::clamp((x - from) / (to - from), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Falls from 1 at the edge to 0 at `reach`, quickly at first like a real soft shadow.
double Fade(double distance, double reach) {
  const double t = std::clamp(1 - distance / reach, 0.0, 1.0);
  return t * t;
}

constexpr double kRingWidth = 4;
constexpr RoundedBox kInner = {kLensLeft, kLensTop, kLensRight, kLensBottom, 2};
constexpr RoundedBox kOuter = {kInner.left - kRingWidth, kInner.top - kRingWidth, kInner.right + kRingWidth,
                               kInner.bottom + kRingWidth, kInner.radius + kRingWidth};

// Light comes from the upper left, so the drop shadow sits a little right of and below the ring.
constexpr double kShadowDx = 0.5, kShadowDy = 1.5, kShadowSpread = 1.5, kShadowSigma = 4.5, kShadowOpacity = 0.82;
constexpr RoundedBox kShadow = {kOuter.left - kShadowSpread, kOuter.top - kShadowSpread, kOuter.right + kShadowSpread,
                                kOuter.bottom + kShadowSpread, kOuter.radius + kShadowSpread};

// Grey level across the ring, `depth` px in from its outer edge: a darker rim that keeps the frame
// visible on white pages, rising to white, then a touch greyer where it meets the picture.
double RingGrey(double depth) {
  constexpr double kRim = 122, kInnerEdge = 214;
  return kRim + (255 - kRim) * SmoothStep(0.2, 2.4, depth) - (255 - kInnerEdge) * SmoothStep(2.6, 4, depth);
}

// Coverage of black by the inner shadow: the ring shades the top and left of the picture most.
double InnerShadow(double x, double y) {
  const double top = 0.22 * Fade(y - kLensTop, 25), left = 0.22 * Fade(x - kLensLeft, 25);
  const double bottom = 0.10 * Fade(kLensBottom - y, 8), right = 0.10 * Fade(kLensRight - x, 8);
  return 1 - (1 - top) * (1 - left) * (1 - bottom) * (1 - right);
}

// Coverage of white by the glossy line under the ring's top edge, fading out towards the corners.
double Highlight(double x, double y) {
  const double along = SmoothStep(kInner.left + 2, kInner.left + 18, x) * SmoothStep(kInner.right - 2, kInner.right - 18, x);
  return 0.85 * Fade(y - kLensTop, 2) * along;
}

struct Sample {
  double white;  // premultiplied grey level, 0..1
  double alpha;
};

Sample At(double x, double y) {
  if (Distance(kInner, x, y) < 0) {
    const double shadow = InnerShadow(x, y), highlight = Highlight(x, y);
    return {highlight, highlight + shadow * (1 - highlight)};
  }
  const double depth = -Distance(kOuter, x, y);
  if (depth > 0) return {RingGrey(depth) / 255, 1};
  const double d = Distance(kShadow, x - kShadowDx, y - kShadowDy);
  return {0, kShadowOpacity * 0.5 * std::erfc(d / (kShadowSigma * std::sqrt(2.0)))};
}

std::uint8_t Byte(double unit) { return static_cast<std::uint8_t>(std::lround(std::clamp(unit, 0.0, 1.0) * 255)); }

}  // namespace

std::vector<std::uint8_t> Pixels() {
  constexpr int kSub = 16;  // samples per pixel along each axis, for smooth round edges
  std::vector<std::uint8_t> rgba(kSize * kSize * 4);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      double white = 0, alpha = 0;
      for (int j = 0; j < kSub; ++j) {
        for (int i = 0; i < kSub; ++i) {
          const Sample s = At(x + (i + 0.5) / kSub, y + (j + 0.5) / kSub);
          white += s.white;
          alpha += s.alpha;
        }
      }
      white /= kSub * kSub;
      alpha /= kSub * kSub;
      std::uint8_t* p = &rgba[(y * kSize + x) * 4];
      p[3] = Byte(alpha);
      // Straight colour in the lens area, premultiplied outside it; the loader clears the colour of
      // clear pixels outside, which the art leaves white like an empty canvas.
      std::uint8_t grey = 0;
      if (InLens(x, y)) grey = p[3] == 0 ? 0 : Byte(white / alpha);
      else grey = p[3] == 0 ? 255 : Byte(white);
      p[0] = p[1] = p[2] = grey;
    }
  }
  return rgba;
}

std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgba,
                                    const std::string& comment) {
  if (width <= 0 || height <= 0 || rgba.size() != std::size_t(width) * height * 4) {
    throw std::invalid_argument("bad picture size");
  }
  namespace pe = png_encoder;
  pe::Image image{std::uint32_t(width), std::uint32_t(height), pe::kRGBA, 8, {rgba.begin(), rgba.end()}, {}};
  pe::Options options;
  options.filter = 0;  // unfiltered rows: the pictures are small and stay easy to check
  options.zlib_level = Z_BEST_COMPRESSION;
  options.chunks = {pe::Gama(45000, pe::At::kAfterIHDR),  // 1/2.2, as for any screen picture
                    pe::Text("Comment", comment, pe::At::kAfterIHDR)};
  return pe::Encode(image, options);
}

std::vector<std::uint8_t> Png() { return EncodePng(kSize, kSize, Pixels(), "Vitrelle lens frame"); }

}  // namespace frame_art
