#include "magnifier/frame_pixels.h"

#include <cstring>

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
  target.SetFormat(PixelFormat::pf32bit);
  target.SetSize(source.Width(), source.Height());
  const auto width = std::size_t(source.Width());
  for (int y = 0; y < source.Height(); ++y) {
    std::uint8_t* out = target.Row(y);
    switch (source.Format()) {
      case PixelFormat::pf32bit: std::memcpy(out, source.Row(y), width * 4); break;
      case PixelFormat::pf24bit: Bgr24RowToBgra32(source.Row(y), out, width); break;
      default:
        for (int x = 0; x < source.Width(); ++x, out += 4) {
          const TColor c = source.PixelColor(x, y);
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
  if (bgra32.Format() != PixelFormat::pf32bit) return;
  for (int y = 0; y < bgra32.Height(); ++y) ZeroTransparentRow(bgra32.Row(y), std::size_t(bgra32.Width()));
}
