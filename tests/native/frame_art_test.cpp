#include "tools/frame_art.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace frame_art;

struct Rgba {
  int r, g, b, a;
  bool operator==(const Rgba&) const = default;
};

void PrintTo(const Rgba& p, std::ostream* os) { *os << '(' << p.r << ',' << p.g << ',' << p.b << ',' << p.a << ')'; }

const std::vector<std::uint8_t>& Art() {
  static const auto pixels = Pixels();
  return pixels;
}

Rgba At(int x, int y) {
  const std::uint8_t* p = &Art()[(y * kSize + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

TEST(FrameArtFile, CommittedResourceIsWhatTheGeneratorMakes) {
  std::ifstream in(VITRELLE_SOURCE_DIR "/resources/magn.png", std::ios::binary);
  ASSERT_TRUE(in);
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
  EXPECT_TRUE(file == Png()) << "regenerate it: make_frame_art resources/magn.png";
}

TEST(FrameArtFile, HoldsExactlyTheExpectedChunksAndThePixels) {
  const auto png = Png();
  const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
  std::vector<std::string> types;
  std::vector<std::vector<std::uint8_t>> data;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = U32(&png[at]);
    ASSERT_LE(at + 12 + length, png.size());
    const std::uint8_t* type = &png[at + 4];
    EXPECT_EQ(U32(type + 4 + length), crc32(0, type, 4 + length));
    types.emplace_back(type, type + 4);
    data.emplace_back(type + 4, type + 4 + length);
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  ASSERT_EQ(types, (std::vector<std::string>{"IHDR", "gAMA", "tEXt", "IDAT", "IEND"}));
  EXPECT_EQ(data[0], (std::vector<std::uint8_t>{0, 0, 0, 120, 0, 0, 0, 120, 8, 6, 0, 0, 0}));
  EXPECT_EQ(U32(data[1].data()), 45000u);
  EXPECT_EQ(std::string(data[2].begin(), data[2].end()), std::string("Comment\0Vitrelle lens frame", 27));

  std::vector<std::uint8_t> raw(kSize * (kSize * 4 + 1) + 1);
  uLongf rawSize = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawSize, data[3].data(), data[3].size()), Z_OK);
  ASSERT_EQ(rawSize, raw.size() - 1);
  for (int y = 0; y < kSize; ++y) {
    const auto row = raw.begin() + y * (kSize * 4 + 1);
    ASSERT_EQ(row[0], 0) << "row " << y;
    ASSERT_TRUE(std::equal(row + 1, row + 1 + kSize * 4, Art().begin() + y * kSize * 4)) << "row " << y;
  }
}

TEST(FrameArtPixels, MarkedPixels) {
  EXPECT_EQ(At(23, 18), (Rgba{152, 152, 152, 255}));
  EXPECT_EQ(At(60, 60), (Rgba{0, 0, 0, 0}));
  for (const int x : {0, kSize - 1})
    for (const int y : {0, kSize - 1}) EXPECT_EQ(At(x, y), (Rgba{255, 255, 255, 0})) << x << ',' << y;
}

TEST(FrameArtPixels, RingIsOpaqueFourPixelsJustOutsideTheLens) {
  for (int i = 30; i < 88; ++i) {
    for (int d = 1; d <= 4; ++d) {
      EXPECT_EQ(At(kLensLeft - d, i).a, 255) << i;
      EXPECT_EQ(At(kLensRight - 1 + d, i).a, 255) << i;
      EXPECT_EQ(At(i, kLensTop - d).a, 255) << i;
      EXPECT_EQ(At(i, kLensBottom - 1 + d).a, 255) << i;
    }
    for (const int x : {kLensLeft - 5, kLensLeft, kLensRight - 1, kLensRight + 4}) EXPECT_LT(At(x, i).a, 255) << x;
    for (const int y : {kLensTop - 5, kLensTop, kLensBottom - 1, kLensBottom + 4}) EXPECT_LT(At(i, y).a, 255) << y;
  }
}

// The window takes the colour outside the lens area as already multiplied by alpha.
TEST(FrameArtPixels, ColourOutsideTheLensIsPremultiplied) {
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const Rgba p = At(x, y);
      if (InLens(x, y) || p.a == 0) continue;
      EXPECT_TRUE(p.r <= p.a && p.g <= p.a && p.b <= p.a) << x << ',' << y;
    }
}

TEST(FrameArtPixels, StretchedStripsAreTheSameAllAlong) {
  for (int i = 0; i < kSize; ++i)
    for (int s = kCorner + 1; s < kSize - kCorner; ++s) {
      EXPECT_EQ(At(s, i), At(kCorner, i)) << s << ',' << i;
      EXPECT_EQ(At(i, s), At(i, kCorner)) << i << ',' << s;
    }
  for (int i = 0; i < kSize; ++i) {
    EXPECT_EQ(At(i, 0).a + At(i, kSize - 1).a + At(0, i).a + At(kSize - 1, i).a, 0) << "edge " << i;
  }
}

TEST(FrameArtPixels, ShadowFallsDownAndRightAndFadesOut) {
  const int left = At(kLensLeft - 5, 60).a, top = At(60, kLensTop - 5).a;
  const int right = At(kLensRight + 4, 60).a, bottom = At(60, kLensBottom + 4).a;
  EXPECT_NEAR(left, 114, 8);
  EXPECT_LT(top, left);
  EXPECT_GT(right, left);
  EXPECT_GT(bottom, right);
  for (int d = 1; d < 18; ++d) {
    if (const Rgba p = At(kLensLeft - 5 - d, 60); p.a > 0) {
      EXPECT_EQ(p, (Rgba{0, 0, 0, p.a}));
    }
    EXPECT_LE(At(kLensLeft - 5 - d, 60).a, At(kLensLeft - 4 - d, 60).a);
    EXPECT_LE(At(60, kLensBottom + 4 + d).a, At(60, kLensBottom + 3 + d).a);
  }
  EXPECT_EQ(At(kLensLeft - 5 - 16, 60).a, 0);
  EXPECT_EQ(At(60, kLensTop - 5 - 16).a, 0);
}

TEST(FrameArtPixels, LensHasAFaintInnerShadowAndAHighlightUnderTheTop) {
  EXPECT_NEAR(At(kLensLeft, 60).a, 56, 6);
  for (int d = 1; d < 25; ++d) {
    EXPECT_EQ(At(kLensLeft + d, 60).r, 0);
    EXPECT_LE(At(kLensLeft + d, 60).a, At(kLensLeft + d - 1, 60).a);
  }
  EXPECT_EQ(At(kLensLeft + 26, 60).a, 0);
  EXPECT_EQ(At(60, kLensTop + 26).a, 0);

  const Rgba line = At(60, kLensTop);
  EXPECT_GE(line.r, 200);
  EXPECT_GT(line.a, 60);
  EXPECT_LT(line.a, 255);
}

}  // namespace
