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

Quad Of(const TRect& r) { return {r.left, r.top, r.right, r.bottom}; }
Quad Of(const Lens::SourceRect& s) { return {s.x, s.y, s.width, s.height}; }

TRect AreaOfWindow(std::int32_t width, std::int32_t height) {
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
  const TRect area = AreaOfWindow(250, 250);
  EXPECT_EQ(area.left + RectWidth(area, false) / 2, 124);
  EXPECT_EQ(area.top + RectHeight(area, false) / 2, 121);
}

// On a scaled screen every measure grows with the density, rounded to nearest, and the frame's
// margins still add up to the same across and down (KeepAspect relies on it).
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
  // by 6, a resize keeps the area's aspect, and the centre stops 12 above the monitor's bottom.
  const Lens::Metrics m = Lens::Metrics::AtDpi(144);
  const TRect area = Lens::AreaOf(Lens::ClampedSize(100, 5000, m), m);
  EXPECT_EQ(Of(area), (Quad{36, 32, 225 - 39, 1200 - 43}));
  EXPECT_EQ(Lens::HitTest(area, 30, 500, true, m), Lens::kHitLeft);
  EXPECT_EQ(Lens::HitTest(area, 29, 500, true, m), Lens::kHitTransparent);
  EXPECT_EQ(Lens::HitTest(area, 41, 500, true, m), Lens::kHitLeft);
  EXPECT_EQ(Lens::HitTest(area, 42, 500, true, m), Lens::kHitClient);
  TRect r{0, 0, 375 + 150, 375};  // a 300x300 area dragged 150 wider at the right
  Lens::KeepAspect(r, Lens::kEdgeRight, 375, 375, m);
  EXPECT_EQ(Of(r), (Quad{0, 0, 525, 525}));
  std::int32_t x = 0, y = 100000;
  Lens::Confine(x, y, Lens::AreaOf({375, 375}, m), TRect{0, 0, 1920, 1080}, m);
  EXPECT_EQ(y, 1080 - 12 - (32 + 150));
}

TEST(LensHitTest, GrowsTheAreaByFourAndResizesInEightPixelBands) {
  // Area (24, 21, 224, 221) grown to (20, 17, 228, 225): bands are x 20..27 and 220..227,
  // y 17..24 and 217..224.
  const TRect area = AreaOfWindow(250, 250);
  struct Case {
    std::int32_t x, y, resizable, fixed;
  };
  constexpr std::int32_t T = Lens::kHitTransparent, C = Lens::kHitClient;
  const Case cases[] = {
      // Across the middle row, left to right.
      {19, 120, T, T}, {20, 120, Lens::kHitLeft, C}, {27, 120, Lens::kHitLeft, C}, {28, 120, C, C},
      {124, 121, C, C}, {219, 120, C, C}, {220, 120, Lens::kHitRight, C}, {227, 120, Lens::kHitRight, C},
      {228, 120, T, T},
      // Down the middle column.
      {120, 16, T, T}, {120, 17, Lens::kHitTop, C}, {120, 24, Lens::kHitTop, C}, {120, 25, C, C},
      {120, 216, C, C}, {120, 217, Lens::kHitBottom, C}, {120, 224, Lens::kHitBottom, C}, {120, 225, T, T},
      // Corners, where two bands meet, and just past them.
      {20, 17, Lens::kHitTopLeft, C}, {27, 24, Lens::kHitTopLeft, C}, {28, 24, Lens::kHitTop, C},
      {27, 25, Lens::kHitLeft, C}, {227, 17, Lens::kHitTopRight, C}, {220, 24, Lens::kHitTopRight, C},
      {20, 224, Lens::kHitBottomLeft, C}, {27, 217, Lens::kHitBottomLeft, C},
      {227, 224, Lens::kHitBottomRight, C}, {220, 217, Lens::kHitBottomRight, C},
      {19, 17, T, T}, {228, 225, T, T},
      // The frame's shadow well outside, including negative coordinates.
      {-5, -5, T, T}, {240, 240, T, T},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lens::HitTest(area, c.x, c.y, true), c.resizable) << c.x << "," << c.y;
    EXPECT_EQ(Lens::HitTest(area, c.x, c.y, false), c.fixed) << c.x << "," << c.y;
  }
}

TEST(LensHitTest, TopAndLeftBandsWinWhereTheyOverlapTheOthers) {
  // Grown to (6, 6, 18, 18): the bands overlap everywhere but in the middle of each side.
  const TRect tiny{10, 10, 14, 14};
  EXPECT_EQ(Lens::HitTest(tiny, 11, 11, true), Lens::kHitTopLeft);  // in all four
  EXPECT_EQ(Lens::HitTest(tiny, 17, 11, true), Lens::kHitTop);      // top, right and bottom
  EXPECT_EQ(Lens::HitTest(tiny, 11, 17, true), Lens::kHitLeft);     // left, right and bottom
  EXPECT_EQ(Lens::HitTest(tiny, 17, 17, true), Lens::kHitBottomRight);
}

TEST(LensKeepAspect, DerivesTheOtherSideFromTheDraggedOneAndPinsItToTheLimits) {
  // Current windows: 250x250 keeps a square area; 250x450 an area twice as high as wide
  // (e = 2); 450x250 one half as high (e = 0.5).
  struct Case {
    const char* what;
    std::int32_t edge, currentWidth, currentHeight;
    Quad proposed, expected;
  };
  const Case cases[] = {
      {"bottom, square", Lens::kEdgeBottom, 250, 250, {1000, 500, 1250, 800}, {1000, 500, 1300, 800}},
      {"bottom-right, square", Lens::kEdgeBottomRight, 250, 250, {1000, 500, 1400, 700}, {1000, 500, 1200, 700}},
      {"top, square", Lens::kEdgeTop, 250, 250, {1000, 500, 1250, 800}, {950, 500, 1250, 800}},
      {"top-left, square", Lens::kEdgeTopLeft, 250, 250, {1000, 500, 1400, 700}, {1200, 500, 1400, 700}},
      {"right, square", Lens::kEdgeRight, 250, 250, {1000, 500, 1300, 750}, {1000, 500, 1300, 800}},
      {"bottom-left, square", Lens::kEdgeBottomLeft, 250, 250, {1000, 500, 1200, 750}, {1000, 500, 1200, 700}},
      {"left, square", Lens::kEdgeLeft, 250, 250, {1000, 500, 1300, 750}, {1000, 450, 1300, 750}},
      {"top-right, square", Lens::kEdgeTopRight, 250, 250, {1000, 500, 1200, 750}, {1000, 550, 1200, 750}},
      {"bottom, e 2", Lens::kEdgeBottom, 250, 450, {0, 0, 999, 450}, {0, 0, 250, 450}},
      // Height clamped to 800 first, then the top derived from the width.
      {"left, e 2, height clamped", Lens::kEdgeLeft, 250, 450, {-300, -200, -100, 9999}, {-300, 250, -100, 600}},

      // Halves go to even, also below zero: 100.5 + 50 from the left, 150.5 from the right.
      {"bottom, tie down", Lens::kEdgeBottom, 250, 450, {1000, 0, 1300, 251}, {1000, 0, 1150, 251}},
      {"bottom, tie up", Lens::kEdgeBottom, 250, 450, {1001, 0, 1301, 251}, {1001, 0, 1152, 251}},
      {"top, tie at -150.5", Lens::kEdgeTop, 250, 450, {-300, 0, 0, 251}, {-150, 0, 0, 251}},
      {"top, tie at -149.5", Lens::kEdgeTop, 250, 450, {-300, 0, 1, 251}, {-150, 0, 1, 251}},
      {"right, tie down", Lens::kEdgeRight, 450, 250, {0, 500, 251, 600}, {0, 500, 251, 650}},
      {"right, tie up", Lens::kEdgeRight, 450, 250, {0, 501, 251, 600}, {0, 501, 251, 652}},

      // Derived side past a limit: pinned there, the other side derived back on the dragged edge.
      {"bottom, width 950", Lens::kEdgeBottom, 450, 250, {100, 100, 200, 600}, {100, 100, 900, 525}},
      {"bottom-right, width 125", Lens::kEdgeBottomRight, 250, 450, {100, 100, 300, 300}, {100, 100, 250, 350}},
      {"top, width 950", Lens::kEdgeTop, 450, 250, {100, 100, 1000, 600}, {100, 175, 900, 600}},
      {"top-left, width 125", Lens::kEdgeTopLeft, 250, 450, {100, 100, 300, 300}, {150, 50, 300, 300}},
      {"right, height 950", Lens::kEdgeRight, 250, 450, {100, 100, 600, 300}, {100, 100, 525, 900}},
      {"bottom-left, height 125", Lens::kEdgeBottomLeft, 450, 250, {100, 100, 300, 300}, {50, 100, 300, 250}},
      {"left, height 950", Lens::kEdgeLeft, 250, 450, {100, 100, 600, 300}, {175, -500, 600, 300}},
      {"top-right, height 125", Lens::kEdgeTopRight, 450, 250, {100, 100, 300, 300}, {100, 150, 350, 300}},

      // A current window no larger than the frame's margins counts as a 1 by 1 area.
      {"bottom, degenerate current", Lens::kEdgeBottom, 50, 20, {0, 0, 100, 300}, {0, 0, 300, 300}},

      // Unknown edges: only the clamp, by moving the bottom and the right.
      {"edge 0", 0, 250, 250, {10, 20, 110, 920}, {10, 20, 160, 820}},
      {"edge 9", 9, 250, 250, {10, 20, 110, 920}, {10, 20, 160, 820}},
      {"edge 0, inside out", 0, 250, 250, {50, 50, 0, 0}, {50, 50, 200, 200}},
  };
  for (const Case& c : cases) {
    TRect r{c.proposed[0], c.proposed[1], c.proposed[2], c.proposed[3]};
    Lens::KeepAspect(r, c.edge, c.currentWidth, c.currentHeight);
    EXPECT_EQ(Of(r), c.expected) << c.what;
  }
}

TEST(LensConfine, KeepsTheAreaCentreOnTheMonitor) {
  // A wide monitor reaching left of the main one's origin, and one that begins above zero.
  const TRect wide{-1280, 0, 1920, 1040};
  const TRect raised{0, -768, 1024, 768};
  struct Case {
    std::int32_t windowWidth, windowHeight;
    const TRect& monitor;
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
    TRect window;
    std::int32_t zoom, sourceLeft, sourceTop;
    TRect source;
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
