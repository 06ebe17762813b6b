#include "magnifier/frame_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

void Bgr24RowToBgra32(const std::uint8_t* source, std::uint8_t* target, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, source += 3, target += 4) {
    target[0] = source[0];
    target[1] = source[1];
    target[2] = source[2];
    target[3] = 0xFF;
  }
}

void ZeroTransparentRow(std::uint8_t* row, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, row += 4) {
    if (row[3] == 0) std::memset(row, 0, 4);
  }
}

void CopyToBgra32(const Bitmap& source, Bitmap& target) {
  target.SetFormat(PixelFormat::Bits32);
  target.SetSize(source.Width(), source.Height());
  const auto width = std::size_t(source.Width());
  for (int y = 0; y < source.Height(); ++y) {
    std::uint8_t* out = target.Row(y);
    switch (source.Format()) {
      case PixelFormat::Bits32: std::memcpy(out, source.Row(y), width * 4); break;
      case PixelFormat::Bits24: Bgr24RowToBgra32(source.Row(y), out, width); break;
      default:
        for (int x = 0; x < source.Width(); ++x, out += 4) {
          const Color c = source.PixelColor(x, y);
          out[0] = BlueOf(c);
          out[1] = GreenOf(c);
          out[2] = RedOf(c);
          out[3] = 0xFF;
        }
        break;
    }
  }
}

void ZeroTransparentPixels(Bitmap& bgra32) {
  if (bgra32.Format() != PixelFormat::Bits32) return;
  for (int y = 0; y < bgra32.Height(); ++y) ZeroTransparentRow(bgra32.Row(y), std::size_t(bgra32.Width()));
}

namespace {

// Where a target pixel's centre falls among the source pixels: the two neighbours and the weight
// of the second.
struct Tap {
  int first, second;
  double weight;
};

std::vector<Tap> Taps(int sourceSize, int targetSize) {
  std::vector<Tap> taps(static_cast<std::size_t>(targetSize));
  for (int t = 0; t < targetSize; ++t) {
    const double at = std::clamp((t + 0.5) * sourceSize / targetSize - 0.5, 0.0, double(sourceSize - 1));
    const int first = int(at);
    taps[std::size_t(t)] = {first, std::min(first + 1, sourceSize - 1), at - first};
  }
  return taps;
}

}  // namespace

void ScaleBgra32(const Bitmap& source, Bitmap& target) {
  if (source.Empty() || target.Empty()) return;
  const std::vector<Tap> across = Taps(source.Width(), target.Width());
  const std::vector<Tap> down = Taps(source.Height(), target.Height());
  for (int y = 0; y < target.Height(); ++y) {
    const Tap& v = down[std::size_t(y)];
    const std::uint8_t* rows[2] = {source.Row(v.first), source.Row(v.second)};
    std::uint8_t* out = target.Row(y);
    for (int x = 0; x < target.Width(); ++x, out += 4) {
      const Tap& h = across[std::size_t(x)];
      const double weights[4] = {(1 - h.weight) * (1 - v.weight), h.weight * (1 - v.weight),
                                 (1 - h.weight) * v.weight, h.weight * v.weight};
      const std::uint8_t* pixels[4] = {rows[0] + std::size_t(h.first) * 4, rows[0] + std::size_t(h.second) * 4,
                                       rows[1] + std::size_t(h.first) * 4, rows[1] + std::size_t(h.second) * 4};
      double alpha = 0, colour[3] = {0, 0, 0};
      for (int i = 0; i < 4; ++i) {
        const double a = weights[i] * pixels[i][3];
        alpha += a;
        for (int c = 0; c < 3; ++c) colour[c] += a * pixels[i][c];
      }
      const long a = std::lround(alpha);
      if (a == 0) {
        std::memset(out, 0, 4);
        continue;
      }
      for (int c = 0; c < 3; ++c) out[c] = std::uint8_t(std::clamp(std::lround(colour[c] / alpha), 0L, 255L));
      out[3] = std::uint8_t(std::min(a, 255L));
    }
  }
}
