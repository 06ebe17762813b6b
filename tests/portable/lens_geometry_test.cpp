// The lens's geometry and per-pixel arithmetic: sizes and area, hit codes, the aspect-keeping
// resize, confinement to the desktop, the enlarged source rectangle and the frame blend.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "magnifier/lens_geometry.h"

namespace {

using Quad = std::array<std::int32_t, 4>;
using Bytes = std::vector<std::uint8_t>;

Quad Of(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
Quad Of(const Lens::SourceRect& s) { return {s.x, s.y, s.width, s.height}; }

Rect AreaOfWindow(std::int32_t width, std::int32_t height) {
  return Lens::AreaOf(Lens::ClampedSize(width, height));
}

}  // namespace

TEST(LensGeometry, ClampsTheWindowAndPlacesTheAreaInsideTheFrame) {
  struct Case {
    std::int32_t width, height;
    Lens::Size size;
    Quad area;
  };
  const Case cases[] = {
      {250, 250, {250, 250}, {24, 21, 224, 221}},
      {100, 1000, {150, 800}, {24, 21, 124, 771}},
      {150, 800, {150, 800}, {24, 21, 124, 771}},
      {801, 149, {800, 150}, {24, 21, 774, 121}},
      {-5, INT_MAX, {150, 800}, {24, 21, 124, 771}},
      {0, INT_MIN, {150, 150}, {24, 21, 124, 121}},
  };
  for (const Case& c : cases) {
    const Lens::Size size = Lens::ClampedSize(c.width, c.height);
    EXPECT_EQ(size, c.size) << c.width << "x" << c.height;
    EXPECT_EQ(Of(Lens::AreaOf(size)), c.area) << c.width << "x" << c.height;
  }
  // The default window's area is 200 by 200 and centred on (124, 121).
  const Rect area = AreaOfWindow(250, 250);
  EXPECT_EQ(area.left + RectWidth(area) / 2, 124);
  EXPECT_EQ(area.top + RectHeight(area) / 2, 121);
}

// On a scaled screen every measure grows with the density, rounded to nearest, and the frame's
// margins still add up to the same across and down.
TEST(LensGeometry, MeasuresGrowWithTheDensity) {
  struct Case {
    std::int32_t dpi;
    std::array<std::int32_t, 12> measures;  // min, max, margins l t r b, frame, corner, band, growth, stop, dpi
  };
  const Case cases[] = {
      {96, {150, 800, 24, 21, 26, 29, 120, 50, 8, 4, 8, 96}},
      {0, {150, 800, 24, 21, 26, 29, 120, 50, 8, 4, 8, 96}},
      {120, {188, 1000, 30, 26, 33, 37, 150, 63, 10, 5, 10, 120}},
      {144, {225, 1200, 36, 32, 39, 43, 180, 75, 12, 6, 12, 144}},
      {192, {300, 1600, 48, 42, 52, 58, 240, 100, 16, 8, 16, 192}},
  };
  for (const Case& c : cases) {
    const Lens::Metrics m = Lens::Metrics::AtDpi(c.dpi);
    const std::array<std::int32_t, 12> got = {m.minSize,   m.maxSize,     m.areaLeft,  m.areaTop,
                                              m.areaRight, m.areaBottom,  m.frameSize, m.frameCorner,
                                              m.bandDepth, m.growth,      m.bottomStop, m.dpi};
    EXPECT_EQ(got, c.measures) << c.dpi;
    EXPECT_EQ(m.areaLeft + m.areaRight, m.areaTop + m.areaBottom) << c.dpi;
  }
  EXPECT_EQ(Lens::Metrics::AtDpi(96), Lens::Metrics{});

  // At 150%: the window is clamped to 225..1200, the hit bands are 12 deep around an area grown
  // by 6, and the centre stops 12 above the monitor's bottom.
  const Lens::Metrics m = Lens::Metrics::AtDpi(144);
  const Rect area = Lens::AreaOf(Lens::ClampedSize(100, 5000, m), m);
  EXPECT_EQ(Of(area), (Quad{36, 32, 225 - 39, 1200 - 43}));
  EXPECT_EQ(Lens::HitTest(area, 30, 500, m), Lens::kHitLeft);
  EXPECT_EQ(Lens::HitTest(area, 29, 500, m), Lens::kHitTransparent);
  EXPECT_EQ(Lens::HitTest(area, 41, 500, m), Lens::kHitLeft);
  EXPECT_EQ(Lens::HitTest(area, 42, 500, m), Lens::kHitClient);
  std::int32_t x = 0, y = 100000;
  Lens::Confine(x, y, Lens::AreaOf({375, 375}, m), Rect{0, 0, 1920, 1080}, m);
  EXPECT_EQ(y, 1080 - 12 - (32 + 150));
}

TEST(LensHitTest, GrowsTheAreaByFourAndResizesInEightPixelBands) {
  // Area (24, 21, 224, 221) grown to (20, 17, 228, 225): bands are x 20..27 and 220..227,
  // y 17..24 and 217..224.
  const Rect area = AreaOfWindow(250, 250);
  struct Case {
    std::int32_t x, y, code;
  };
  constexpr std::int32_t T = Lens::kHitTransparent, C = Lens::kHitClient;
  const Case cases[] = {
      // Across the middle row, left to right.
      {19, 120, T}, {20, 120, Lens::kHitLeft}, {27, 120, Lens::kHitLeft}, {28, 120, C},
      {124, 121, C}, {219, 120, C}, {220, 120, Lens::kHitRight}, {227, 120, Lens::kHitRight},
      {228, 120, T},
      // Down the middle column.
      {120, 16, T}, {120, 17, Lens::kHitTop}, {120, 24, Lens::kHitTop}, {120, 25, C},
      {120, 216, C}, {120, 217, Lens::kHitBottom}, {120, 224, Lens::kHitBottom}, {120, 225, T},
      // Corners, where two bands meet, and just past them.
      {20, 17, Lens::kHitTopLeft}, {27, 24, Lens::kHitTopLeft}, {28, 24, Lens::kHitTop},
      {27, 25, Lens::kHitLeft}, {227, 17, Lens::kHitTopRight}, {220, 24, Lens::kHitTopRight},
      {20, 224, Lens::kHitBottomLeft}, {27, 217, Lens::kHitBottomLeft},
      {227, 224, Lens::kHitBottomRight}, {220, 217, Lens::kHitBottomRight},
      {19, 17, T}, {228, 225, T},
      // The frame's shadow well outside, including negative coordinates.
      {-5, -5, T}, {240, 240, T},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lens::HitTest(area, c.x, c.y), c.code) << c.x << "," << c.y;
  }
}

TEST(LensHitTest, TopAndLeftBandsWinWhereTheyOverlapTheOthers) {
  // Grown to (6, 6, 18, 18): the bands overlap everywhere but in the middle of each side.
  const Rect tiny{10, 10, 14, 14};
  EXPECT_EQ(Lens::HitTest(tiny, 11, 11), Lens::kHitTopLeft);  // in all four
  EXPECT_EQ(Lens::HitTest(tiny, 17, 11), Lens::kHitTop);      // top, right and bottom
  EXPECT_EQ(Lens::HitTest(tiny, 11, 17), Lens::kHitLeft);     // left, right and bottom
  EXPECT_EQ(Lens::HitTest(tiny, 17, 17), Lens::kHitBottomRight);
}

TEST(LensConfine, KeepsTheAreaCentreOnTheMonitor) {
  // A wide monitor reaching left of the main one's origin, and one that begins above zero.
  const Rect wide{-1280, 0, 1920, 1040};
  const Rect raised{0, -768, 1024, 768};
  struct Case {
    std::int32_t windowWidth, windowHeight;
    const Rect& monitor;
    std::int32_t x, y, confinedX, confinedY;
  };
  // The 250x250 window's area centre sits at (124, 121); the 251x151 one's at (124, 71), its
  // odd area halves truncated. The bottom stop leaves the centre 8 pixels above the monitor's end.
  const Case cases[] = {
      {250, 250, wide, 0, 0, 0, 0},
      {250, 250, wide, -1404, -121, -1404, -121},
      {250, 250, wide, -1405, -122, -1404, -121},
      {250, 250, wide, 1796, 911, 1796, 911},
      {250, 250, wide, 1797, 912, 1796, 911},
      {250, 250, wide, -100000, 100000, -1404, 911},
      {250, 250, wide, 100000, -100000, 1796, -121},
      {251, 151, raised, -500, -1000, -124, -839},
      {251, 151, raised, 1000, 700, 900, 689},
      {251, 151, raised, 900, 689, 900, 689},
  };
  for (const Case& c : cases) {
    std::int32_t x = c.x, y = c.y;
    Lens::Confine(x, y, AreaOfWindow(c.windowWidth, c.windowHeight), c.monitor);
    EXPECT_EQ(x, c.confinedX) << c.x << "," << c.y;
    EXPECT_EQ(y, c.confinedY) << c.x << "," << c.y;
  }
}

TEST(LensSource, CentresATruncatedFractionOfTheAreaOnItsCentre) {
  struct Case {
    std::int32_t windowWidth, windowHeight, x, y, zoom;
    Quad source;
  };
  const Case cases[] = {
      {250, 250, 0, 0, 2, {74, 71, 100, 100}},             // 50 inside the area
      {250, 250, 1000, 300, 16, {1118, 415, 12, 12}},      // 93.75 inside
      {250, 250, 0, 0, 3, {91, 88, 66, 66}},               // 66.67 inside, size truncated
      {250, 250, 10, 20, 1, {34, 41, 200, 200}},           // the area itself
      {250, 250, 10, 20, 0, {34, 41, 200, 200}},           // no zoom yet: counts as 1
      {250, 250, 10, 20, -4, {34, 41, 200, 200}},
      // A 102 by 102 area at zoom 2 starts 25.5 inside: halves to even, below zero too.
      {152, 152, 0, 0, 2, {50, 46, 51, 51}},
      {152, 152, 1, 1, 2, {50, 48, 51, 51}},
      {152, 152, -100, -100, 2, {-50, -54, 51, 51}},
      // 750 by 100 at zoom 4: 281.25 and 37.5 inside, 187 by 25.
      {800, 150, 0, 0, 4, {305, 58, 187, 25}},
  };
  for (const Case& c : cases) {
    const auto source = Lens::SourceFor(c.x, c.y, AreaOfWindow(c.windowWidth, c.windowHeight), c.zoom);
    EXPECT_EQ(Of(source), c.source) << c.windowWidth << "x" << c.windowHeight << " at zoom " << c.zoom;
  }
}

TEST(LensSource, ThumbnailShowsTheMiddleOfItsWindowInTheSourcesCoordinates) {
  struct Case {
    Rect window;
    std::int32_t zoom, sourceLeft, sourceTop;
    Rect source;
  };
  const Case cases[] = {
      // The default 200 by 200 area at zoom 4: 50 by 50, 75 inside, here over a source at (0, 0).
      {{524, 421, 724, 621}, 4, 0, 0, {599, 496, 649, 546}},
      {{524, 421, 724, 621}, 4, 500, 400, {99, 96, 149, 146}},
      // 201 by 203 at zoom 2: 100 by 101, 50 and 51 inside (truncated); at 16: 12 by 12.
      {{0, 0, 201, 203}, 2, 0, 0, {50, 51, 150, 152}},
      {{0, 0, 201, 203}, 16, 0, 0, {94, 95, 106, 107}},
      // Left of and above the source window: negative coordinates pass through.
      {{-300, -200, -100, 0}, 2, 10, 20, {-260, -170, -160, -70}},
      // Zoom 1 is the window itself.
      {{30, 40, 130, 240}, 1, 30, 40, {0, 0, 100, 200}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Of(Lens::ThumbnailSource(c.window, c.zoom, c.sourceLeft, c.sourceTop)), Of(c.source))
        << "zoom " << c.zoom << " window at " << c.window.left << ", " << c.window.top;
  }
}

TEST(LensBlend, LaysTheFrameOverTheCaptureByItsAlphaAndMakesItOpaque) {
  // Capture B, G, R; frame B, G, R, A; then what the blend gives. The last frame pixel lies
  // beyond the count and must be left alone.
  const Bytes capture{
      10, 20, 30,     // under a transparent frame pixel: unchanged, however bright the frame
      0, 255, 100,    // under an opaque one: 254 for f 255 over m 0, exactly f where m = f
      0, 255, 200,    // half: 127 either way round, m = f stays
      255, 1, 0,      // alpha 1
      99, 99, 99,
  };
  const Bytes frame{
      200, 100, 0, 0,
      255, 255, 100, 255,
      255, 0, 200, 128,
      0, 255, 255, 1,
      7, 7, 7, 0,
  };
  const Bytes expected{
      10, 20, 30, 255,
      254, 255, 100, 255,
      127, 127, 200, 255,
      254, 1, 0, 255,
      7, 7, 7, 0,
  };
  Bytes out(frame.size(), 7);
  out[19] = 0;
  Lens::BlendRow(out.data(), capture.data(), frame.data(), 4);
  EXPECT_EQ(out, expected);

  // In place, as the frame is blended where it already lies.
  Bytes inPlace = frame;
  Lens::BlendRow(inPlace.data(), capture.data(), inPlace.data(), 4);
  EXPECT_EQ(inPlace, expected);

  Bytes untouched = frame;
  Lens::BlendRow(untouched.data(), capture.data(), untouched.data(), 0);
  EXPECT_EQ(untouched, frame);
}

// The fast path against the plain loop: every row length around its 4-pixel steps and its
// 2-pixel stop short of the end, a full 750-pixel row, out-of-place and in place, and nothing
// written past the row.
TEST(LensBlend, FastPathMatchesThePlainLoop) {
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return std::uint8_t(seed >> 16);
  };
  for (int count : {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 13, 17, 31, 40, 750}) {
    Bytes capture(std::size_t(count) * 3), frame(std::size_t(count) * 4 + 8);
    for (auto& b : capture) b = next();
    for (auto& b : frame) b = next();
    // Alphas at the extremes as often as in between.
    for (int i = 0; i < count; i += 3) frame[std::size_t(i) * 4 + 3] = i % 2 ? 0 : 255;

    Bytes plain(frame.size(), 0x5A), fast(frame.size(), 0x5A);
    Lens::BlendRowPlain(plain.data(), capture.data(), frame.data(), count);
    Lens::BlendRow(fast.data(), capture.data(), frame.data(), count);
    EXPECT_EQ(fast, plain) << count << " pixels";

    Bytes inPlace = frame;
    Lens::BlendRow(inPlace.data(), capture.data(), inPlace.data(), count);
    EXPECT_TRUE(std::equal(inPlace.begin(), inPlace.begin() + 4 * count, plain.begin())) << count << " pixels";
    EXPECT_TRUE(std::equal(inPlace.begin() + 4 * count, inPlace.end(), frame.begin() + 4 * count)) << count;
  }
}

TEST(LensBlend, LiftsOnlyZeroAlphaToOne) {
  Bytes row{
      1, 2, 3, 0,
      0, 0, 0, 0,
      5, 5, 5, 1,
      9, 9, 9, 255,
      4, 4, 4, 0,  // beyond the count
  };
  Lens::LiftTransparentAlpha(row.data(), 4);
  EXPECT_EQ(row, (Bytes{1, 2, 3, 1, 0, 0, 0, 1, 5, 5, 5, 1, 9, 9, 9, 255, 4, 4, 4, 0}));
}
