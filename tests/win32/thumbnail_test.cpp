// The lens on a composed desktop, through the real plug-in with the stand-in compositor: the
// thumbnail window beneath the lens area, what it asks of the compositor, what it shows, and the
// see-through frame the lens draws over it.
#include "frame_layer.h"
#include "framework/compositor.h"
#include "host_fixture.h"
#include "layered_spy.h"
#include "lens_probe.h"
#include "magnifier/thumb_form.h"
#include "screen_pattern.h"
#include "stand_in_probe.h"

// Rectangles compare and print in the assertions (found by argument lookup: global, as RECT is).
bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
std::ostream& operator<<(std::ostream& out, const RECT& r) {
  return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

// Covers the centred 250 by 250 lens and everything around it.
const RECT kUnderLens = {400, 300, 880, 740};
constexpr WPARAM kRefreshTimer = 1;

RECT Offset(RECT r, int dx, int dy) {
  OffsetRect(&r, dx, dy);
  return r;
}

class ThumbnailTest : public LensFixture {
protected:
  explicit ThumbnailTest(const std::string& compositor = StandIn::Full()) : compositor_(compositor) {}

  void SetUp() override {
    stand_in = std::make_unique<StandIn>(compositor_);
    ASSERT_TRUE(stand_in->Loaded()) << compositor_;
    LensFixture::SetUp();
  }
  void TearDown() override {
    LensFixture::TearDown();
    EXPECT_TRUE(ThumbWindows().empty());
    if (stand_in == nullptr) return;
    EXPECT_EQ(stand_in->Thumbnails(), 0) << "thumbnails left registered";
    stand_in.reset();
    // The plug-in let go of the compositor when it unloaded: the next test may load another.
    EXPECT_EQ(GetModuleHandleW(L"dwmapi.dll"), nullptr);
  }

  // One refresh of the lens's timer, as the 20 ms tick makes it.
  static void Tick(HWND lens) { SendMessageW(lens, WM_TIMER, kRefreshTimer, 0); }

  std::unique_ptr<StandIn> stand_in;

private:
  std::string compositor_;
};

// The thumbnail window's own picture compared with the pattern under `source` (screen
// coordinates) stretched over it, pixel for pixel; the number of wrong pixels, the first few
// reported unless told not to.
int WrongThumbnailPixels(HWND thumb, const RECT& source, bool report = true) {
  const RECT r = WindowRectOf(thumb);
  const ScreenGrab shown(r, thumb);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int sw = source.right - source.left, sh = source.bottom - source.top;
  int wrong = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      // Each pixel takes the source pixel under its centre.
      const std::uint32_t want =
          PatternAt(source.left + (2 * (x - r.left) + 1) * sw / (2 * w), source.top + (2 * (y - r.top) + 1) * sh / (2 * h));
      if (shown.At(x, y) != want && ++wrong <= 5 && report)
        ADD_FAILURE() << "at (" << x - r.left << ", " << y - r.top << "): shown " << std::hex
                      << shown.At(x, y) << ", expected " << want;
    }
  }
  return wrong;
}

}  // namespace

TEST_F(ThumbnailTest, OpensBeneathTheLensAndShowsTheWindowUnderItsCentreEnlarged) {
  const PatternWindow pattern(kUnderLens);
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const HWND thumb = TheThumb();
  ASSERT_NE(thumb, nullptr);

  // A plain topmost pop-up directly beneath the lens, at the lens area, the lens keeping the focus.
  const RECT l = WindowRectOf(lens), t = WindowRectOf(thumb);
  EXPECT_EQ(t, (RECT{l.left + 24, l.top + 21, l.left + 224, l.top + 221}));
  EXPECT_TRUE(IsWindowVisible(thumb));
  EXPECT_EQ(GetWindow(lens, GW_HWNDNEXT), thumb);
  const auto exStyle = DWORD(GetWindowLongW(thumb, GWL_EXSTYLE));
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_FALSE(exStyle & WS_EX_LAYERED);
  EXPECT_EQ(GetWindow(thumb, GW_OWNER), nullptr);
  EXPECT_EQ(GetActiveWindow(), lens);

  // Whether the compositor makes thumbnails at all: one of no window, which it refuses. Then one
  // thumbnail of the pattern window, its middle 50 by 50 (75 inside the area) over the area.
  const auto registered = stand_in->Calls("DwmRegisterThumbnail");
  ASSERT_EQ(registered.size(), 2u);
  EXPECT_EQ(registered[0].destination, thumb);
  EXPECT_EQ(registered[0].source, nullptr);
  EXPECT_EQ(registered[0].result, E_INVALIDARG);
  EXPECT_EQ(registered[1].destination, thumb);
  EXPECT_EQ(registered[1].source, pattern.Handle());
  EXPECT_EQ(registered[1].result, S_OK);
  const RECT source = {t.left + 75, t.top + 75, t.left + 125, t.top + 125};
  const auto updates = stand_in->Calls("DwmUpdateThumbnailProperties");
  ASSERT_FALSE(updates.empty());
  // The two rectangles, and visible: a thumbnail is invisible until its properties say otherwise.
  EXPECT_EQ(updates.back().flags, DWORD(DWM_TNP_RECTDESTINATION | DWM_TNP_RECTSOURCE | DWM_TNP_VISIBLE));
  EXPECT_TRUE(updates.back().visible);
  EXPECT_EQ(updates.back().thumbnail, registered[1].thumbnail);
  EXPECT_EQ(updates.back().destinationRect, (RECT{0, 0, 200, 200}));
  EXPECT_EQ(updates.back().sourceRect, Offset(source, -kUnderLens.left, -kUnderLens.top));
  Tick(lens);
  EXPECT_EQ(WrongThumbnailPixels(thumb, source), 0);
}

TEST_F(ThumbnailTest, TheLensDrawsItsFrameOverASeeThroughArea) {
  const PatternWindow pattern(kUnderLens);
  LayeredSpy spy;
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  ASSERT_FALSE(spy.Frames().empty());
  const LayeredSpy::Frame& frame = spy.Frames().back();
  EXPECT_EQ(frame.window, lens);
  ASSERT_EQ(frame.width, 250);
  ASSERT_EQ(frame.height, 250);

  // The stretched frame as it is, except that the clear pixels of the lens area have alpha 1.
  const auto layer = FrameLayer(host->module(), 250, 250);
  int wrong = 0, lifted = 0;
  for (int y = 0; y < 250; ++y) {
    for (int x = 0; x < 250; ++x) {
      std::uint32_t want;
      std::memcpy(&want, layer->ScanLine(y) + x * 4, 4);
      const bool inArea = x >= 24 && x < 224 && y >= 21 && y < 221;
      if (inArea && want >> 24 == 0) {
        want |= 0x01000000;
        ++lifted;
      }
      if (frame.At(x, y) != want && ++wrong <= 5)
        ADD_FAILURE() << "at (" << x << ", " << y << "): " << std::hex << frame.At(x, y) << ", expected " << want;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(lifted, 100 * 100);  // most of the area is clear
  EXPECT_EQ(frame.At(124, 121), 0x01000000u);

  // The timer only follows with the thumbnail window; the frame stays as it is.
  spy.Clear();
  for (int i = 0; i < 5; ++i) Tick(lens);
  EXPECT_TRUE(spy.Frames().empty());
}

TEST_F(ThumbnailTest, ZoomChangesReachTheThumbnailAtOnce) {
  const PatternWindow pattern(kUnderLens);
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const HWND thumb = TheThumb();
  const RECT t = WindowRectOf(thumb);
  const struct {
    int zoom, inside, size;
  } cases[] = {{2, 50, 100}, {16, 94, 12}, {3, 67, 66}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zoom);
    stand_in->ClearLog();
    ASSERT_EQ(Open(std::to_string(c.zoom)), lens);  // an open lens takes the new zoom
    const auto updates = stand_in->Calls("DwmUpdateThumbnailProperties");
    ASSERT_FALSE(updates.empty());
    const RECT source = {t.left + c.inside, t.top + c.inside, t.left + c.inside + c.size, t.top + c.inside + c.size};
    EXPECT_EQ(updates.back().sourceRect, Offset(source, -kUnderLens.left, -kUnderLens.top));
    EXPECT_TRUE(stand_in->Calls("DwmRegisterThumbnail").empty());  // the same window: no new thumbnail
    EXPECT_EQ(WrongThumbnailPixels(thumb, source), 0);
  }
}

TEST_F(ThumbnailTest, TheWheelReZoomsTheThumbnailAtOnce) {
  const PatternWindow pattern(kUnderLens);
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const HWND thumb = TheThumb();
  const RECT l = WindowRectOf(lens), t = WindowRectOf(thumb);
  const struct {
    int delta, zoom, inside, size;
  } cases[] = {{120, 8, 87, 25}, {-240, 2, 50, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zoom);
    stand_in->ClearLog();
    const LPARAM areaCentre = MAKELPARAM(l.left + 124, l.top + 121);
    SendMessageW(lens, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(std::int16_t(c.delta))), areaCentre);
    const auto updates = stand_in->Calls("DwmUpdateThumbnailProperties");
    ASSERT_FALSE(updates.empty());
    const RECT source = {t.left + c.inside, t.top + c.inside, t.left + c.inside + c.size, t.top + c.inside + c.size};
    EXPECT_EQ(updates.back().sourceRect, Offset(source, -kUnderLens.left, -kUnderLens.top));
    EXPECT_EQ(WrongThumbnailPixels(thumb, source), 0);
  }
}

TEST_F(ThumbnailTest, DraggedOntoAnotherWindowTheLensShowsThatOne) {
  const RECT leftSide = {100, 200, 600, 800}, rightSide = {600, 200, 1100, 800};
  const PatternWindow left(leftSide), right(rightSide);
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const HWND thumb = TheThumb();
  const StandInCall first = stand_in->Calls("DwmRegisterThumbnail").back();
  EXPECT_EQ(first.source, right.Handle());  // the area's centre, x 639, lies on the right

  // A real drag by the area, 300 pixels to the left: the centre lands on the left window.
  stand_in->ClearLog();
  const RECT start = WindowRectOf(lens);
  Drag({start.left + 124, start.top + 121}, {start.left + 124 - 300, start.top + 121});
  const RECT moved = WindowRectOf(lens);
  ASSERT_EQ(moved.left, start.left - 300);
  EXPECT_EQ(WindowRectOf(thumb), (RECT{moved.left + 24, moved.top + 21, moved.left + 224, moved.top + 221}));

  const auto unregistered = stand_in->Calls("DwmUnregisterThumbnail");
  const auto registered = stand_in->Calls("DwmRegisterThumbnail");
  ASSERT_EQ(unregistered.size(), 1u);
  EXPECT_EQ(unregistered[0].thumbnail, first.thumbnail);
  EXPECT_EQ(unregistered[0].result, S_OK);
  ASSERT_EQ(registered.size(), 1u);
  EXPECT_EQ(registered[0].source, left.Handle());
  EXPECT_EQ(registered[0].destination, thumb);
  EXPECT_EQ(stand_in->Thumbnails(), 1);
  Tick(lens);
  const RECT t = WindowRectOf(thumb);
  EXPECT_EQ(WrongThumbnailPixels(thumb, RECT{t.left + 75, t.top + 75, t.left + 125, t.top + 125}), 0);
}

TEST_F(ThumbnailTest, WhereTheSourceWindowEndsTheCompositionColourShows) {
  stand_in->SetColor(0x80336699);  // shown as #336699
  // The pattern ends 10 pixels right of the area's centre (x 639): at zoom 2 the source square
  // is 589..689, so its right 40 columns, 80 pixels of the thumbnail, lie off the window. The
  // publication page below it moves out of the way.
  SetWindowPos(page->window(), nullptr, 0, 800, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const PatternWindow pattern(RECT{400, 300, 649, 740});
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  const HWND thumb = TheThumb();
  ASSERT_NE(thumb, nullptr);
  Publication::Pump(50);
  Tick(lens);
  const RECT t = WindowRectOf(thumb);
  const ScreenGrab shown(t, thumb);
  int wrong = 0;
  for (int y = t.top; y < t.bottom; ++y) {
    for (int x = t.left; x < t.right; ++x) {
      const int sx = t.left + 50 + (x - t.left) / 2, sy = t.top + 50 + (y - t.top) / 2;
      const std::uint32_t want = sx < 649 ? PatternAt(sx, sy) : 0x336699;
      wrong += shown.At(x, y) != want;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(ThumbnailTest, ClosingTheLensDestroysTheThumbnailWindow) {
  const PatternWindow pattern(kUnderLens);
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    const HWND lens = Open("4");
    ASSERT_NE(lens, nullptr);
    const HWND thumb = TheThumb();
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(stand_in->Thumbnails(), 1);
    if (way == 0) SendMessageW(lens, WM_KEYDOWN, VK_ESCAPE, 0);
    if (way == 1) host->ExecAction(4, {std::string("Rectangle1")});
    if (way == 2) host->Message(2);  // the panels go, and their magnifiers with the lens
    EXPECT_FALSE(IsWindow(thumb));   // at once, not after the lens's deferred end
    EXPECT_EQ(stand_in->Thumbnails(), 0);
    Publication::Pump(50);
    EXPECT_TRUE(LensWindows().empty());
    if (way == 2) {
      ASSERT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
    }
  }
}

TEST_F(ThumbnailTest, AnInertWindowDoesNothingButStillTakesNewColours) {
  // The window on its own, as the lens makes it before it has a zoom.
  stand_in->SetColor(0xFF112233);
  {
    TThumbForm thumb;
    stand_in->ClearLog();
    thumb.RefreshThumbnail();
    EXPECT_TRUE(stand_in->Calls().empty());
    EXPECT_EQ(thumb.Color(), GetSysColor(COLOR_BTNFACE));

    SendMessageW(thumb.Handle(), 0x0320, 0xFF112233, 0);  // the composition colour changed
    EXPECT_EQ(thumb.Color(), COLORREF(0x00332211));       // red 11, green 22, blue 33
    const auto calls = stand_in->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_STREQ(calls[0].function, "DwmGetColorizationColor");
    EXPECT_EQ(thumb.ThumbnailId, nullptr);
    EXPECT_EQ(thumb.SourceWindow, nullptr);
  }
  // This program's own copy of the lens code lets go of the compositor too.
  CompositorTesting::Use(nullptr, nullptr);
}

// The stand-in keeps the published default, invisible until the properties say otherwise, so a
// lens that relied on another would fail here as on Windows: the update the lens once made, its
// two rectangles alone, leaves the thumbnail window in its own colour.
TEST_F(ThumbnailTest, AThumbnailShowsOnlyOnceItsPropertiesMakeItVisible) {
  const PatternWindow pattern(kUnderLens);
  const HWND destination = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 700, 500, 200, 200, nullptr,
                                           nullptr, nullptr, nullptr);
  ASSERT_NE(destination, nullptr);
  Publication::Pump(50);
  const RECT middle = {75, 75, 175, 175};  // of the pattern window, which starts at 400, 300
  for (const BOOL visible : {FALSE, TRUE}) {
    SCOPED_TRACE(visible);
    HTHUMBNAIL id = nullptr;
    ASSERT_EQ(Dwm::RegisterThumbnail(destination, pattern.Handle(), &id), S_OK);
    DWM_THUMBNAIL_PROPERTIES p = {};
    p.dwFlags = DWM_TNP_RECTDESTINATION | DWM_TNP_RECTSOURCE | (visible ? DWM_TNP_VISIBLE : 0);
    p.rcDestination = RECT{0, 0, 200, 200};
    p.rcSource = middle;
    p.fVisible = visible;
    ASSERT_EQ(Dwm::UpdateThumbnailProperties(id, &p), S_OK);
    // Shown, every pixel is the pattern's; empty, none is.
    EXPECT_EQ(WrongThumbnailPixels(destination, Offset(middle, 400, 300), visible) == 0, bool(visible));
    Dwm::UnregisterThumbnail(id);
  }
  DestroyWindow(destination);
  CompositorTesting::Use(nullptr, nullptr);
}

namespace {

class WithoutThumbnailFunctions : public ThumbnailTest {
protected:
  WithoutThumbnailFunctions() : ThumbnailTest(StandIn::Partial()) {}
};

}  // namespace

// A compositor that says composition is on but makes no thumbnails would leave the lens empty;
// the lens copies the screen itself instead.
TEST_F(WithoutThumbnailFunctions, TheLensCopiesTheScreenItself) {
  const PatternWindow pattern(kUnderLens);
  LayeredSpy spy;
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  EXPECT_TRUE(ThumbWindows().empty());
  ASSERT_FALSE(spy.Frames().empty());
  const RECT r = WindowRectOf(lens);
  for (const auto& frame : spy.Frames())
    EXPECT_EQ(frame.At(124, 121), 0xFF000000u | PatternAt(r.left + 124, r.top + 121));
  for (const StandInCall& c : stand_in->Calls()) EXPECT_STREQ(c.function, "DwmIsCompositionEnabled");
  EXPECT_TRUE(host->ExecAction(4, {std::string("Rectangle1")}));
}
