// The lens's portable pixel helpers: the 32-bit pixel accessor, colour swaps, rectangle extents
// and the frame loader's conversion to B, G, R, A.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "magnifier/pixel_rows32.h"
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

TEST(PixelRows32, AttachNeedsTwoByTwoPixelsOf32Bits) {
  struct Case {
    int width, height;
    PixelFormat format;
    bool attached;
  };
  const Case cases[] = {{1, 100, PixelFormat::Bits32, false}, {100, 1, PixelFormat::Bits32, false},
                        {2, 2, PixelFormat::Bits32, true},    {3, 7, PixelFormat::Bits32, true},
                        {10, 10, PixelFormat::Bits24, false}};
  Bitmap good;
  Prepare(good, 4, 4);
  for (const Case& c : cases) {
    Bitmap b;
    Prepare(b, c.width, c.height, c.format);
    PixelRows32 f;
    ASSERT_TRUE(f.Attach(good));  // a failed attach must not leave the old width usable
    EXPECT_EQ(f.Attach(b), c.attached) << c.width << "x" << c.height;
    EXPECT_EQ(f.Width(), c.attached ? c.width : 0);
  }
}

TEST(PixelRows32, AddressesRowsThroughTheRowDeltaAndSwapsRedAndBlue) {
  Bitmap b;
  Prepare(b, 3, 4);  // 12-byte rows, top-down
  PixelRows32 f;
  ASSERT_TRUE(f.Attach(b));
  EXPECT_EQ(f.Row0(), b.Row(0));
  EXPECT_EQ(f.RowDelta(), 12);
  EXPECT_EQ(f.PixelAddress(2, 3), b.Row(3) + 8);

  // Stored B, G, R, A = 11 22 33 44 reads as the framework colour 0x112233 under alpha 0x44.
  const std::uint8_t stored[4] = {0x11, 0x22, 0x33, 0x44};
  std::memcpy(b.Row(1) + 4, stored, 4);
  EXPECT_EQ(f.Read(1, 1), 0x44112233u);
  f.Write(2, 1, 0x80563412);
  EXPECT_EQ(Pixels(b, 2, 1), (Bytes{0x56, 0x34, 0x12, 0x80}));
  EXPECT_EQ(Pixels(b, 0, 1), Bytes(4, kSentinel));
}

TEST(PixelRows32, FillStoresTheValueUnswappedInsideTheRectangle) {
  const Rect cases[] = {
      {1, 1, 4, 3},    // inner block
      {0, 0, 5, 4},    // whole bitmap
      {4, 0, 1, 4},    // negative width: nothing
      {0, 3, 5, 1},    // rows upside down: nothing
      {-2, -1, 9, 2},  // beyond the edges: cut
  };
  const Bytes stored{0x33, 0x22, 0x11, 0x80};  // of the compositor colour 0x80112233
  for (const Rect& r : cases) {
    Bitmap b;
    Prepare(b, 5, 4);
    PixelRows32 f;
    ASSERT_TRUE(f.Attach(b));
    f.Fill(r, 0x80112233);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 5; ++x) {
        const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        EXPECT_EQ(Pixels(b, x, y), inside ? stored : Bytes(4, kSentinel))
            << "rect " << r.left << "," << r.top << "," << r.right << "," << r.bottom << " at " << x << "," << y;
      }
    }
  }
}

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
