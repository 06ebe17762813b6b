#include "magnifier/pixel_rows32.h"

#include <algorithm>

bool PixelRows32::Attach(Bitmap& bitmap) {
  if (bitmap.Height() < 2 || bitmap.Width() < 2 || bitmap.Format() != PixelFormat::Bits32) {
    width_ = 0;
    return false;
  }
  bitmap_ = &bitmap;
  width_ = bitmap.Width();
  height_ = bitmap.Height();
  row0_ = bitmap.Row(0);
  rowDelta_ = std::int32_t(bitmap.Row(1) - row0_);
  return true;
}

void PixelRows32::Fill(const Rect& r, std::uint32_t value) {
  const std::int32_t first = std::max<std::int32_t>(r.left, 0);
  const std::int64_t end = std::min<std::int64_t>(std::int64_t(r.left) + RectWidthOrZero(r), width_);
  const std::int32_t top = std::max<std::int32_t>(r.top, 0);
  const std::int32_t bottom = std::min(r.bottom, height_);
  const std::uint8_t bytes[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                                 std::uint8_t(value >> 24)};
  for (std::int32_t y = top; y < bottom; ++y) {
    std::uint8_t* p = PixelAddress(first, y);
    for (std::int64_t x = first; x < end; ++x, p += 4) std::copy(bytes, bytes + 4, p);
  }
}
