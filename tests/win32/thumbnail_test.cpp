// The lens on a composed desktop, through the real plug-in with the stand-in compositor: the
// thumbnail window beneath the lens area, what it asks of the compositor, what it shows, and the
// see-through frame the lens draws over it.
#include <functional>
#include <memory>
#include <type_traits>

#include "frame_layer.h"
#include "framework/compositor.h"
#include "host_fixture.h"
#include "key_steps.h"
#include "layered_spy.h"
#include "lens_probe.h"
#include "magnifier/thumbnail_window.h"
#include "screen_pattern.h"
#include "stand_in_probe.h"

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
    // The plug-in released the compositor when it unloaded: the next test may load another.
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

// The middle 1/zoom of a window's place, as the thumbnail shows it.
RECT MiddleOf(const RECT& r, int zoom) {
  const int w = (r.right - r.left) / zoom, h = (r.bottom - r.top) / zoom;
  const int left = r.left + (r.right - r.left - w) / 2, top = r.top + (r.bottom - r.top - h) / 2;
  return {left, top, left + w, top + h};
}

// The functions of these calls, in order: what a test that expects none prints.
std::string Functions(const std::vector<StandInCall>& calls) {
  std::string names;
  for (const StandInCall& c : calls) names += std::string(names.empty() ? "" : " ") + c.function;
  return names;
}

// Counts the placements (SetWindowPos, moves, z-order changes) of one window of this thread: each
// sends it WM_WINDOWPOSCHANGING, even one that changes nothing.
class PlacementSpy {
public:
  explicit PlacementSpy(HWND window) {
    window_ = window;
    count_ = 0;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Seen, nullptr, GetCurrentThreadId());
  }
  ~PlacementSpy() { UnhookWindowsHookEx(hook_); }
  PlacementSpy(const PlacementSpy&) = delete;
  PlacementSpy& operator=(const PlacementSpy&) = delete;
  int Count() const { return count_; }
  void Clear() { count_ = 0; }

private:
  static LRESULT CALLBACK Seen(int code, WPARAM wParam, LPARAM lParam) {
    const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent.hwnd == window_ && sent.message == WM_WINDOWPOSCHANGING) ++count_;
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline HWND window_ = nullptr;
  static inline int count_ = 0;
  HHOOK hook_;
};

}  // namespace

TEST_F(ThumbnailTest, OpensBeneathTheLensAndShowsTheWindowUnderItsCentreEnlarged) {
  const PatternWindow pattern(kUnderLens);
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const HWND thumb = TheThumb();
  ASSERT_NE(thumb, nullptr);

  // A plain topmost pop-up directly beneath the lens, at the lens area, the lens keeping the focus;
  // both belong to the publication's window.
  const RECT l = WindowRectOf(lens), t = WindowRectOf(thumb);
  EXPECT_EQ(t, (RECT{l.left + 24, l.top + 21, l.left + 224, l.top + 221}));
  EXPECT_TRUE(IsWindowVisible(thumb));
  EXPECT_EQ(GetWindow(lens, GW_HWNDNEXT), thumb);
  const auto exStyle = DWORD(GetWindowLongW(thumb, GWL_EXSTYLE));
  EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_APPWINDOW),
            DWORD(WS_EX_TOPMOST | WS_EX_NOACTIVATE));
  EXPECT_EQ(GetWindow(thumb, GW_OWNER), page->window());
  EXPECT_EQ(GetWindow(lens, GW_OWNER), page->window());
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
      std::memcpy(&want, layer->Row(y) + x * 4, 4);
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

// The keys take the ways of the mouse here too: the thumbnail window follows each move and resize
// at once, and shows the middle of the page beneath at each zoom (compared pixel for pixel where
// the stand-in's stretch is the test's, over the usual 200 by 200 area).
TEST_F(ThumbnailTest, TheKeyboardMovesResizesAndZoomsTheLens) {
  const PatternWindow pattern(kUnderLens);
  const HWND lens = Open("3");
  ASSERT_NE(lens, nullptr);
  Publication::Pump(50);
  const auto areaOf = [](const RECT& l) { return RECT{l.left + 24, l.top + 21, l.right - 26, l.bottom - 29}; };
  for (const KeyStep& s : kKeySteps) {
    SCOPED_TRACE(testing::Message() << "key " << s.key << " with " << s.held);
    stand_in->ClearLog();
    Press(s.key, s.held);
    EXPECT_EQ(WindowRectOf(lens), s.r);
    const RECT t = WindowRectOf(TheThumb());
    EXPECT_EQ(t, areaOf(s.r));
    const auto updates = stand_in->Calls("DwmUpdateThumbnailProperties");
    if (!updates.empty()) {
      EXPECT_EQ(updates.back().sourceRect, Offset(MiddleOf(t, s.zoom), -kUnderLens.left, -kUnderLens.top));
    }
    if (t.right - t.left == 200 && t.bottom - t.top == 200) {
      EXPECT_EQ(WrongThumbnailPixels(TheThumb(), MiddleOf(t, s.zoom)), 0);
    }
  }
}

// On two monitors (scripts/testbed --monitors two: the main one, and one at (-800, 100)-(0, 700)):
// the lens opens on the publication's monitor, and the thumbnail window stands at the lens area
// and shows the page wherever the lens goes, across the monitors' boundary too.
TEST_F(ThumbnailTest, OnTwoMonitorsTheThumbnailFollowsTheLensAcrossTheirBoundary) {
  if (GetSystemMetrics(SM_CMONITORS) != 2) GTEST_SKIP() << "needs the test bed's two monitors";
  SetWindowPos(GetAncestor(rectangle, GA_ROOT), nullptr, -750, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const PatternWindow pattern({-800, 0, 1280, 1024});
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  EXPECT_EQ(WindowRectOf(lens), (RECT{-525, 275, -275, 525}));
  for (const POINT at : {POINT{-525, 275}, POINT{-124, 300}, POINT{-500, 0}}) {
    SetWindowPos(lens, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Publication::Pump(50);
    const RECT t = WindowRectOf(TheThumb());
    EXPECT_EQ(t, (RECT{at.x + 24, at.y + 21, at.x + 224, at.y + 221}));
    EXPECT_EQ(WrongThumbnailPixels(TheThumb(), MiddleOf(t, 2)), 0) << at.x << ", " << at.y;
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

// A window the compositor cloaks (on another virtual desktop) is not on the screen, though it is
// visible to the window manager: the thumbnail shows the window beneath it, and the cloaked one
// again once it is back.
TEST_F(ThumbnailTest, ACloakedWindowUnderTheCentreIsPassedOver) {
  const PatternWindow below(RECT{100, 200, 1100, 800});
  const PatternWindow above(RECT{300, 300, 900, 700});
  stand_in->SetCloaked(above.Handle(), true);
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  EXPECT_EQ(stand_in->Calls("DwmRegisterThumbnail").back().source, below.Handle());
  stand_in->SetCloaked(above.Handle(), false);
  Tick(lens);
  EXPECT_EQ(stand_in->Calls("DwmRegisterThumbnail").back().source, above.Handle());
}

TEST_F(ThumbnailTest, WhereTheSourceWindowEndsTheCompositionColourShows) {
  // The pattern ends 10 pixels right of the area's centre (x 639): at zoom 2 the source square
  // is 589..689, so its right 40 columns, 80 pixels of the thumbnail, lie off the window. The
  // publication page below it moves out of the way.
  SetWindowPos(page->window(), nullptr, 0, 800, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const PatternWindow pattern(RECT{400, 300, 649, 740});
  HWND lens = nullptr, thumb = nullptr;
  // The colour the lens finds as it opens, then one the compositor announces while it is open.
  for (const std::uint32_t colour : {0x336699u, 0x993366u}) {
    SCOPED_TRACE(colour);
    stand_in->SetColor(0x80000000 | colour);
    if (lens == nullptr) {
      lens = Open("2");
      ASSERT_NE(lens, nullptr);
      thumb = TheThumb();
      ASSERT_NE(thumb, nullptr);
    }
    Publication::Pump(50);
    Tick(lens);
    Publication::Pump(50);
    const RECT t = WindowRectOf(thumb);
    const ScreenGrab shown(t, thumb);
    int wrong = 0;
    for (int y = t.top; y < t.bottom; ++y) {
      for (int x = t.left; x < t.right; ++x) {
        const int sx = t.left + 50 + (x - t.left) / 2, sy = t.top + 50 + (y - t.top) / 2;
        const std::uint32_t want = sx < 649 ? PatternAt(sx, sy) : colour;
        wrong += shown.At(x, y) != want;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// Both windows belong to the publication's top-level window (see the first test): hidden while it
// is minimised and back when it is restored, and destroyed with it, which ends the lens as any
// destruction from outside does.
TEST_F(ThumbnailTest, BothWindowsFollowThePublicationsWindow) {
  const PatternWindow pattern(kUnderLens);
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const HWND thumb = TheThumb();
  ASSERT_NE(thumb, nullptr);

  // As a reader does it: the publication's window clicked, then its minimise button, and later its
  // taskbar button.
  SetForegroundWindow(page->window());
  for (const WPARAM command : {SC_MINIMIZE, SC_RESTORE}) {
    SendMessageW(page->window(), WM_SYSCOMMAND, command, 0);
    Publication::Pump(100);
    EXPECT_EQ(IsWindowVisible(lens) != FALSE, command == SC_RESTORE);
    EXPECT_EQ(IsWindowVisible(thumb) != FALSE, command == SC_RESTORE);
  }
  Tick(lens);
  EXPECT_EQ(stand_in->Thumbnails(), 1);

  DestroyWindow(page->window());
  Publication::Pump(100);
  EXPECT_TRUE(LensWindows().empty());
  EXPECT_TRUE(ThumbWindows().empty());
  EXPECT_EQ(stand_in->Thumbnails(), 0);

  // The publication's window made again: the panel is attached anew, and the lens opens there.
  NewPage();
  ASSERT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
  const HWND again = Open("2");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetWindow(again, GW_OWNER), page->window());
}

// Composition turned off and on while the lens is open (a theme change on Windows 7, which the
// test bed reports): the lens leaves thumbnail mode and comes back in place, each time pushing a
// frame of the new way at once, so that the area is never left see-through over nothing.
TEST_F(ThumbnailTest, CompositionTurnedOffAndOnChangesTheWayInPlace) {
  const PatternWindow pattern(kUnderLens);
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  ASSERT_NE(TheThumb(), nullptr);
  const RECT r = WindowRectOf(lens);
  for (const bool on : {false, true, false}) {
    SCOPED_TRACE(on);
    LayeredSpy spy;
    stand_in->SetComposition(on);
    EXPECT_EQ(TheThumb() != nullptr, on);
    ASSERT_FALSE(spy.Frames().empty());
    EXPECT_EQ(spy.Frames().back().At(124, 121), on ? 0x01000000u : 0xFF000000u | PatternAt(r.left + 124, r.top + 121));
  }
  stand_in->SetComposition(true);
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
    ThumbnailWindow thumb;
    stand_in->ClearLog();
    thumb.RefreshThumbnail();
    EXPECT_TRUE(stand_in->Calls().empty());
    EXPECT_EQ(thumb.BackgroundColour(), GetSysColor(COLOR_BTNFACE));

    SendMessageW(thumb.Handle(), 0x0320, 0xFF112233, 0);  // the composition colour changed
    EXPECT_EQ(thumb.BackgroundColour(), COLORREF(0x00332211));       // red 11, green 22, blue 33
    const auto calls = stand_in->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_STREQ(calls[0].function, "DwmGetColorizationColor");
    EXPECT_EQ(thumb.ThumbnailId(), nullptr);
    EXPECT_EQ(thumb.SourceWindow(), nullptr);
  }
  // This program's own copy of the lens code releases the compositor too.
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

// Each change to what the lens shows, or to where its thumbnail window stands, is taken up by the
// change itself or by the next tick, and only then: the thumbnail window back at the lens area
// directly beneath the lens, the thumbnail's properties sent when they differ from those the
// compositor has, and the picture right; the tick after it does nothing.
TEST_F(ThumbnailTest, EachChangeIsTakenUpOnceAndShowsAtOnce) {
  const PatternWindow pattern(kUnderLens);
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const HWND thumb = TheThumb();
  int zoom = 4;
  HWND source = pattern.Handle();
  std::unique_ptr<PatternWindow> other;
  const std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)> window(
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                      nullptr, nullptr),
      DestroyWindow);
  const HWND between = window.get();
  const auto moveBy = [](HWND window, int dx) {
    const RECT r = WindowRectOf(window);
    SetWindowPos(window, nullptr, r.left + dx, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  const struct {
    const char* change;
    std::function<void()> make;
    bool update;     // the thumbnail's properties are sent again
    bool registers;  // a new thumbnail, of `source`
  } cases[] = {
      {"the thumbnail window displaced",
       [&] { SetWindowPos(thumb, nullptr, 0, 0, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE); }, false, false},
      {"another topmost window between the lens and the thumbnail window",
       [&] {
         SetWindowPos(between, lens, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
         ASSERT_EQ(GetWindow(lens, GW_HWNDNEXT), between);
       },
       false, false},
      {"the source window moved by a pixel",
       [&] {
         moveBy(pattern.Handle(), 1);
         RedrawWindow(pattern.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // fixed to the screen
       },
       true, false},
      {"another window under the centre",
       [&] {
         other = std::make_unique<PatternWindow>(RECT{500, 350, 800, 700});
         source = other->Handle();
       },
       true, true},
      {"the window under the centre closed",
       [&] {
         other.reset();
         source = pattern.Handle();
       },
       true, true},
      {"re-zoomed",
       [&] {
         zoom = 8;
         ASSERT_EQ(Open("8"), lens);
       },
       true, false},
      {"the lens resized",
       [&] { SetWindowPos(lens, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE); }, true,
       false},
      {"the lens moved by a pixel", [&] { moveBy(lens, 1); }, true, false},
      {"the thumbnail window hidden and shown again: a new thumbnail, perhaps with the same handle",
       [&] {
         ShowWindow(thumb, SW_HIDE);
         ShowWindow(thumb, SW_SHOWNA);
       },
       true, true},
      {"the lens moved while the compositor refused updates",
       [&] {
         stand_in->SetUpdateResult(HRESULT(0x80263001));  // DWM_E_COMPOSITIONDISABLED
         moveBy(lens, -1);
         stand_in->SetUpdateResult(S_OK);
       },
       true, false},
  };
  PlacementSpy placements(thumb);
  ULONG_PTR thumbnail = stand_in->Calls("DwmRegisterThumbnail").back().thumbnail;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    stand_in->ClearLog();
    c.make();
    Tick(lens);
    Publication::Pump(50);

    const RECT l = WindowRectOf(lens), t = WindowRectOf(thumb);
    EXPECT_EQ(t, (RECT{l.left + 24, l.top + 21, l.right - 26, l.bottom - 29}));
    EXPECT_EQ(GetWindow(lens, GW_HWNDNEXT), thumb);
    EXPECT_TRUE(IsWindowVisible(thumb));
    const auto registered = stand_in->Calls("DwmRegisterThumbnail");
    if (c.registers) {
      ASSERT_EQ(registered.size(), 1u);
      EXPECT_EQ(registered[0].source, source);
      thumbnail = registered[0].thumbnail;
    } else {
      EXPECT_TRUE(registered.empty());
    }
    const auto updates = stand_in->Calls("DwmUpdateThumbnailProperties");
    const RECT middle = MiddleOf(t, zoom);
    if (c.update) {
      ASSERT_FALSE(updates.empty());
      EXPECT_EQ(updates.back().result, S_OK);
      EXPECT_EQ(updates.back().thumbnail, thumbnail);
      EXPECT_EQ(updates.back().destinationRect, (RECT{0, 0, t.right - t.left, t.bottom - t.top}));
      const RECT s = WindowRectOf(source);
      EXPECT_EQ(updates.back().sourceRect, Offset(middle, -s.left, -s.top));
    } else {
      EXPECT_TRUE(updates.empty());
    }
    EXPECT_EQ(WrongThumbnailPixels(thumb, middle), 0);

    stand_in->ClearLog();
    placements.Clear();
    Tick(lens);
    EXPECT_EQ(Functions(stand_in->Calls()), "") << "the tick after";
    EXPECT_EQ(placements.Count(), 0) << "the tick after";
  }
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
