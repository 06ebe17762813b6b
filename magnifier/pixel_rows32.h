// PixelRows32: pixels of a 32-bit bitmap by coordinates, for the lens's per-pixel loops. A plain
// class (no virtual calls) over the rows of an attached bitmap it does not own; it keeps the
// bitmap's size and row layout as they were at Attach, so re-attach after a resize.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/bitmap.h"
#include "framework/rect.h"

// Framework colour (0x00BBGGRR) to compositor colour (0x00RRGGBB) and back; the top byte is
// cleared.
constexpr std::uint32_t SwapRedBlue(std::uint32_t v) {
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

class PixelRows32 {
public:
  // Fails (and leaves Width() 0) for a bitmap narrower or lower than 2 pixels, or one that is
  // not 32 bits per pixel.
  bool Attach(Bitmap& bitmap);

  Bitmap* Attached() const { return bitmap_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // Bytes from row 0 to row 1; negative for rows stored bottom-up.
  std::int32_t RowDelta() const { return rowDelta_; }
  std::uint8_t* Row0() const { return row0_; }

  // No bounds checks here: these run once per pixel of every frame.
  std::uint8_t* PixelAddress(std::int32_t x, std::int32_t y) const {
    return row0_ + std::ptrdiff_t(y) * rowDelta_ + std::ptrdiff_t(x) * 4;
  }
  // The pixel as a framework colour with the alpha in the top byte (0xAABBGGRR).
  std::uint32_t Read(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* p = PixelAddress(x, y);
    return std::uint32_t(p[2]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[3]) << 24;
  }
  // Stores a framework colour with alpha (0xAABBGGRR) as B, G, R, A.
  void Write(std::int32_t x, std::int32_t y, std::uint32_t v) {
    std::uint8_t* p = PixelAddress(x, y);
    p[0] = std::uint8_t(v >> 16);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v);
    p[3] = std::uint8_t(v >> 24);
  }
  // Sets the rectangle's pixels to a compositor colour (0xAARRGGBB, stored as it is). Rows
  // top..bottom-1, right-left pixels from left (none when negative); the part outside the
  // attached size is left alone.
  void Fill(const Rect& r, std::uint32_t value);

private:
  Bitmap* bitmap_ = nullptr;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::int32_t rowDelta_ = 0;
  std::uint8_t* row0_ = nullptr;
};
