// The lens's portable pixel helpers: colour swaps, rectangle extents and the frame loader's
// conversion to B, G, R, A.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "framework/rect.h"
#include "magnifier/colour_swap.h"
#include "magnifier/frame_pixels.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kSentinel = 0xA5;

void Prepare(Bitmap& b, int width, int height, PixelFormat format = PixelFormat::Bits32) {
  b.SetFormat(format);
  b.SetSize(width, height);
  for (int y = 0; y < height; ++y) std::memset(b.Row(y), kSentinel, b.Stride());
}

// The bytes of `count` 32-bit pixels from (x, y).
Bytes Pixels(const Bitmap& b, int x, int y, int count = 1) {
  const std::uint8_t* p = b.Row(y) + 4 * x;
  return {p, p + 4 * count};
}

}  // namespace

TEST(ColourSwap, SwapsRedAndBlueAndClearsTheTopByte) {
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {
      {0xFF112233, 0x00332211}, {0x00FF0000, 0x000000FF}, {0x0000FF00, 0x0000FF00}, {0xFFFFFFFF, 0x00FFFFFF}};
  for (const auto& [in, out] : cases) EXPECT_EQ(SwapRedBlue(in), out) << std::hex << in;
}

TEST(RectExtents, AreNegativeUnlessAskedNotToBe) {
  struct Case {
    Rect r;
    std::int32_t width, height, widthOrZero, heightOrZero;
  };
  const Case cases[] = {
      {{0, 0, 10, 5}, 10, 5, 10, 5},
      {{10, 5, 0, 0}, -10, -5, 0, 0},
      {{INT_MIN, 0, INT_MAX, 0}, -1, 0, 0, 0},  // wraps as the machine does, no overflow trap
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RectWidth(c.r), c.width);
    EXPECT_EQ(RectHeight(c.r), c.height);
    EXPECT_EQ(RectWidthOrZero(c.r), c.widthOrZero);
    EXPECT_EQ(RectHeightOrZero(c.r), c.heightOrZero);
  }
}

TEST(FramePixels, CopiesEveryFormatToBgra32AndClearsTransparentPixels) {
  Bitmap target;  // 24-bit to begin with: the copy makes it 32-bit of the source's size
  target.SetSize(9, 9);

  Bitmap rgba;
  Prepare(rgba, 2, 1);
  const Bytes rgba_bytes{1, 2, 3, 0, 4, 5, 6, 200};
  std::memcpy(rgba.Row(0), rgba_bytes.data(), 8);
  CopyToBgra32(rgba, target);
  ASSERT_EQ(target.Format(), PixelFormat::Bits32);
  ASSERT_EQ(target.Width(), 2);
  ASSERT_EQ(target.Height(), 1);
  EXPECT_EQ(Pixels(target, 0, 0, 2), rgba_bytes);
  ZeroTransparentPixels(target);
  EXPECT_EQ(Pixels(target, 0, 0, 2), (Bytes{0, 0, 0, 0, 4, 5, 6, 200}));

  Bitmap bgr;
  Prepare(bgr, 2, 2, PixelFormat::Bits24);
  for (int i = 0; i < 6; ++i) bgr.Row(1)[i] = std::uint8_t(10 + i);
  CopyToBgra32(bgr, target);
  EXPECT_EQ(Pixels(target, 0, 1, 2), (Bytes{10, 11, 12, 255, 13, 14, 15, 255}));

  Bitmap indexed;
  Prepare(indexed, 3, 1, PixelFormat::Bits8);
  indexed.SetPalette({RGBColor(1, 2, 3), RGBColor(40, 50, 60)});
  const std::uint8_t indices[3] = {1, 0, 7};  // 7 is beyond the palette: black
  std::memcpy(indexed.Row(0), indices, 3);
  CopyToBgra32(indexed, target);
  EXPECT_EQ(Pixels(target, 0, 0, 3), (Bytes{60, 50, 40, 255, 3, 2, 1, 255, 0, 0, 0, 255}));
}

// The frame picture grows smoothly on a scaled screen: the same size comes back unchanged, a flat
// picture stays flat, and where an opaque edge meets clear pixels the mix fades the alpha but
// keeps the edge's colour (no dark fringe), while clear stays clear.
TEST(FramePixels, ScalesSmoothlyWithoutDarkeningEdges) {
  Bitmap art;
  Prepare(art, 4, 1);
  const Bytes artBytes{0, 0, 0, 0, 10, 20, 200, 255, 30, 60, 90, 128, 0, 0, 0, 0};
  std::memcpy(art.Row(0), artBytes.data(), artBytes.size());
  Bitmap same;
  Prepare(same, 4, 1);
  ScaleBgra32(art, same);
  EXPECT_EQ(Pixels(same, 0, 0, 4), artBytes);

  Bitmap flat, flatLarge;
  Prepare(flat, 3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) std::memcpy(flat.Row(y) + x * 4, Bytes{7, 8, 9, 255}.data(), 4);
  Prepare(flatLarge, 5, 4);
  ScaleBgra32(flat, flatLarge);
  Bytes flatRow;
  for (int i = 0; i < 5; ++i) flatRow.insert(flatRow.end(), {7, 8, 9, 255});
  for (int y = 0; y < 4; ++y) EXPECT_EQ(Pixels(flatLarge, 0, y, 5), flatRow) << y;

  Bitmap large;
  Prepare(large, 8, 1);  // twice as wide: each target pixel a quarter or three quarters along
  ScaleBgra32(art, large);
  const Bytes want{0, 0, 0, 0,      10, 20, 200, 64, 10, 20, 200, 191, 13, 26, 184, 223,
                   22, 44, 134, 160, 30, 60, 90, 96,  30, 60, 90, 32,   0, 0, 0, 0};
  EXPECT_EQ(Pixels(large, 0, 0, 8), want);
}
