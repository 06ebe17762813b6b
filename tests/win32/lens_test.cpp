// The lens window opened through the real plug-in, as it stands on the screen: its window, its
// menu, keys and hit test, its first frame's pixels against the screen beneath it, and how it
// fails when the frame picture is missing. Then the capture that Windows runs, through the test
// build of the plug-in that copies the screen under Wine too.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <optional>

#include "host_fixture.h"
#include "frame_layer.h"
#include "host/screenshot.h"
#include "key_steps.h"
#include "layered_spy.h"
#include "lens_probe.h"
#include "screen_copy_spy.h"
#include "screen_pattern.h"
#include "text_fit.h"

namespace {

std::uint32_t Rgb(const std::uint8_t* bgr) { return std::uint32_t(bgr[2]) << 16 | std::uint32_t(bgr[1]) << 8 | bgr[0]; }

// Set by the test bed for its runs under Wine 10 (see WrongPixels).
const bool kClearShowsBlack = std::getenv("VITRELLE_WINE10") != nullptr;

// The main screen, in the numbers the test works in (the screen's own pixels where the system
// scales unaware programs).
RECT Screen() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }
// Covers the centred 250 by 250 lens and everything it enlarges, at 150% too.
const RECT kUnderLens = {400, 300, 880, 740};

// The screen rectangle that a lens window standing at `lens` enlarges at this zoom: the middle
// 1/zoom of its lens area.
RECT SourceUnder(const RECT& lens, int zoom, const Lens::Metrics& m) {
  const int margins = m.areaLeft + m.areaRight;
  const int w = std::clamp(int(lens.right - lens.left), m.minSize, m.maxSize) - margins;
  const int h = std::clamp(int(lens.bottom - lens.top), m.minSize, m.maxSize) - margins;
  const int sx = int(std::lrint((w - double(w) / zoom) / 2 + lens.left + m.areaLeft));
  const int sy = int(std::lrint((h - double(h) / zoom) / 2 + lens.top + m.areaTop));
  return {sx, sy, sx + w / zoom, sy + h / zoom};
}

// The lens opened by Open shows its first frame: no message has run since.
class LensTest : public LensFixture {
protected:
  // The publication takes the activation back from the lens it owns, and with it comes forward:
  // the test's pattern windows go back above it.
  bool CloseAndWait() {
    const bool closed = host->ExecAction(4, {std::string("Rectangle1")});
    Publication::Pump(50);
    for (HWND pattern : lens_probe::WindowsOfClass(L"LensTestPattern"))
      SetWindowPos(pattern, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Publication::Pump(50);
    return closed;
  }

  // Compares the lens at `lens` with what it must show at this zoom over the screen `before`:
  // inside the lens area the enlarged screen under the frame. On the screen (`shown`), outside
  // the area the frame where it is opaque and what lies beneath where it is clear; in the
  // picture handed to the layered update (`picture`), the frame itself, alpha and all.
  // Returns the number of wrong pixels; the first few are reported.
  int WrongPixels(const ScreenGrab& before, const RECT& lens, int zoom, const ScreenGrab* shown,
                  const LayeredSpy::Frame* picture = nullptr) {
    const int width = lens.right - lens.left, height = lens.bottom - lens.top;
    const Lens::Metrics m = MetricsOf(TheLens());
    const int left = m.areaLeft, top = m.areaTop;
    const int W = width - left - m.areaRight, H = height - top - m.areaBottom;
    const RECT source = SourceUnder(lens, zoom, m);
    auto enlarged = CreateDib24(W, H);
    StretchBlt(enlarged->Dc(), 0, 0, W, H, before.Dc(), source.left - before.Left(),
               source.top - before.Top(), W / zoom, H / zoom, SRCCOPY);
    GdiFlush();
    const auto frame = FrameLayer(host->module(), width, height, m);
    if (picture != nullptr && (picture->width != width || picture->height != height)) return width * height;

    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* f = frame->Row(y) + x * 4;
        const unsigned a = f[3];
        const bool inArea = x >= left && x < left + W && y >= top && y < top + H;
        std::uint32_t want;
        if (inArea) {
          const std::uint8_t* e = enlarged->Row(y - top) + (x - left) * 3;
          std::uint8_t blend[3];
          for (int c = 0; c < 3; ++c) blend[c] = std::uint8_t((e[c] * (256 - a) + f[c] * a) >> 8);
          want = Rgb(blend) | (picture != nullptr ? 0xFF000000u : 0);
        } else if (picture != nullptr) {
          want = Rgb(f) | std::uint32_t(a) << 24;
        } else if (a == 255) {
          want = Rgb(f);
        } else if (a == 0) {
          // Wine 10 on a display without a compositing manager shows a layered window's clear
          // pixels black, not what lies beneath them: the display's affair, not the lens's.
          if (kClearShowsBlack) continue;
          want = before.At(lens.left + x, lens.top + y);
        } else {
          continue;  // how a part-transparent pixel mixes on the screen is the system's affair
        }
        const std::uint32_t got = picture != nullptr ? picture->At(x, y) : shown->At(lens.left + x, lens.top + y);
        if (got != want && ++wrong <= 5)
          ADD_FAILURE() << "zoom " << zoom << " at (" << x << ", " << y << ") frame alpha " << a << ": shown "
                        << std::hex << got << ", expected " << want;
      }
    }
    return wrong;
  }
  int WrongPixels(const ScreenGrab& before, const ScreenGrab& shown, const RECT& lens, int zoom) {
    return WrongPixels(before, lens, zoom, &shown);
  }

  // The frames that the layered update got for the lens window.
  static std::vector<const LayeredSpy::Frame*> LensFrames(const LayeredSpy& spy, HWND lens) {
    std::vector<const LayeredSpy::Frame*> frames;
    for (const auto& f : spy.Frames())
      if (f.window == lens) frames.push_back(&f);
    return frames;
  }
};

}  // namespace

TEST_F(LensTest, IsATopmostLayeredPopupCentredOnTheScreen) {
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  wchar_t text[32] = {};
  GetWindowTextW(lens, text, 32);
  EXPECT_EQ(std::wstring(text), L"Mgn");
  const auto style = DWORD(GetWindowLongW(lens, GWL_STYLE));
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU));
  EXPECT_TRUE(IsWindowVisible(lens));
  const auto exStyle = DWORD(GetWindowLongW(lens, GWL_EXSTYLE));
  EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_LAYERED), DWORD(WS_EX_TOPMOST | WS_EX_LAYERED));
  EXPECT_EQ(GetWindow(lens, GW_OWNER), page->window());
  const RECT r = WindowRectOf(lens);
  EXPECT_EQ(MetricsOf(lens).dpi, ScreenDpi());  // its measures are its screen's
  const int side = MetricsOf(lens).Scaled(250);
  EXPECT_EQ(r.left, (Screen().right - side) / 2);
  EXPECT_EQ(r.top, (Screen().bottom - side) / 2);
  EXPECT_EQ(r.right - r.left, side);
  EXPECT_EQ(r.bottom - r.top, side);
}

TEST_F(LensTest, RightClickOpensTheZoomMenu) {
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const MenuView menu = OpenLensMenu(lens);
  ASSERT_TRUE(menu.opened);
  ASSERT_EQ(menu.items.size(), 6u);
  const wchar_t* const zooms[] = {L"2x", L"4x", L"8x", L"16x"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(menu.items[std::size_t(i)].text, zooms[i]);
    EXPECT_TRUE(menu.items[std::size_t(i)].type & MFT_RADIOCHECK) << i;
  }
  EXPECT_TRUE(menu.items[4].type & MFT_SEPARATOR);
  EXPECT_EQ(menu.items[5].text, L"Закрыть\tEsc");
  EXPECT_EQ(menu.defaultItem, 5u);
  EXPECT_TRUE(menu.items[5].state & MFS_DEFAULT);
  EXPECT_EQ(menu.Checked(), 1);
  EXPECT_EQ(TheLens(), lens);  // Esc in the menu only dismissed the menu
}

TEST_F(LensTest, TheMenusItemsAreWholeInTheSystemsMenuFont) {
  // The menu font grows with the screen's density; the menu must grow with it. The open menu
  // over the lens is saved as a picture.
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  std::vector<std::string> problems = {"no menu opened"};
  OpenLensMenu(lens, {VK_ESCAPE}, [&](HWND window, HMENU menu) {
    problems = MenuFitProblems(window, menu);
    RECT shown = WindowRectOf(lens);
    const RECT menuRect = WindowRectOf(window);
    UnionRect(&shown, &shown, &menuRect);
    try {
      SaveScreenshot(PictureFolder() + "lens-menu.png", shown);
    } catch (const std::exception& e) {
      problems.push_back(e.what());  // nothing may unwind through the menu's loop
    }
  });
  EXPECT_EQ(problems, std::vector<std::string>{}) << "at " << ScreenDpi() << " DPI";
}

TEST_F(LensTest, ChoosingAZoomFromTheMenuChecksItAndReZooms) {
  const PatternWindow pattern(kUnderLens);
  const ScreenGrab before(Screen());
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const MenuView chosen = OpenLensMenu(lens, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // "8x"
  ASSERT_TRUE(chosen.opened);
  EXPECT_EQ(OpenLensMenu(lens).Checked(), 2);
  const RECT r = WindowRectOf(lens);
  EXPECT_EQ(WrongPixels(before, ScreenGrab(r), r, 8), 0);
}

TEST_F(LensTest, EscapeAndTheMenusCloseItemCloseAndFreeTheLens) {
  HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  SendMessageW(lens, WM_KEYDOWN, 'A', 0);
  EXPECT_TRUE(IsWindowVisible(lens));
  SendMessageW(lens, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(IsWindowVisible(lens));
  Publication::Pump(50);
  EXPECT_FALSE(IsWindow(lens));
  EXPECT_TRUE(LensWindows().empty());

  // Nothing of the old lens is left to raise: the next Execute opens a new one.
  lens = Open("2");
  ASSERT_NE(lens, nullptr);
  EXPECT_TRUE(IsWindowVisible(lens));
  OpenLensMenu(lens, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // "Закрыть"
  EXPECT_TRUE(LensWindows().empty());

  lens = Open("2");
  ASSERT_NE(lens, nullptr);
  EXPECT_TRUE(CloseAndWait());
  EXPECT_TRUE(LensWindows().empty());
}

TEST_F(LensTest, HitTestLetsTheFrameThroughAndResizesAtTheAreasRim) {
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  const RECT r = WindowRectOf(lens);
  // Window coordinates; at 96 DPI the lens area is (24, 21)-(224, 221), grown by 4 for the test,
  // its bands 8 deep.
  const Lens::Metrics m = MetricsOf(lens);
  const int left = m.areaLeft - m.growth, top = m.areaTop - m.growth, d = m.bandDepth;
  const int right = r.right - r.left - m.areaRight + m.growth, bottom = r.bottom - r.top - m.areaBottom + m.growth;
  const POINT c0 = AreaCentreOf(lens);
  const struct {
    int x, y;
    LRESULT code;
  } cases[] = {
      {0, 0, HTTRANSPARENT},
      {left - 1, c0.y, HTTRANSPARENT},
      {right, c0.y, HTTRANSPARENT},
      {c0.x, top - 1, HTTRANSPARENT},
      {c0.x, bottom, HTTRANSPARENT},
      {c0.x, c0.y, HTCLIENT},
      {left + d, c0.y, HTCLIENT},
      {left, c0.y, HTLEFT},
      {left + d - 1, c0.y, HTLEFT},
      {right - 1, c0.y, HTRIGHT},
      {c0.x, top, HTTOP},
      {c0.x, bottom - 1, HTBOTTOM},
      {left, top, HTTOPLEFT},
      {right - 1, top, HTTOPRIGHT},
      {left, bottom - 1, HTBOTTOMLEFT},
      {right - 1, bottom - 1, HTBOTTOMRIGHT},
  };
  for (const auto& c : cases) {
    const LPARAM at = MAKELPARAM(r.left + c.x, r.top + c.y);
    EXPECT_EQ(SendMessageW(lens, WM_NCHITTEST, 0, at), c.code) << "(" << c.x << ", " << c.y << ")";
  }
}

TEST_F(LensTest, TheFirstFrameIsTheScreenBeneathEnlargedUnderTheFrame) {
  const PatternWindow pattern(kUnderLens);
  for (int zoom : {2, 3, 16}) {
    SCOPED_TRACE(zoom);
    const ScreenGrab before(Screen());
    ASSERT_EQ(before.PatternMismatches(kUnderLens), 0) << "something covers the pattern";
    const HWND lens = Open(std::to_string(zoom));
    ASSERT_NE(lens, nullptr);
    const RECT r = WindowRectOf(lens);
    const ScreenGrab shown(r);  // at once: no message has run since the lens opened
    EXPECT_EQ(WrongPixels(before, shown, r, zoom), 0);
    ASSERT_TRUE(CloseAndWait());
  }
}

// Wine's copies of the screen show layered windows, as those of Windows 8 and later do, and the
// plug-in has no way to tell that it runs under Wine: it takes a copy of the screen first, finds
// itself in the next copy and takes the windows beneath, without pushing a frame of that copy.
// Over a still page, every frame pushed while the lens moves and ticks is the page's.
TEST_F(LensTest, NeverPushesAFrameThatShowsItself) {
  const PatternWindow pattern(kUnderLens);
  for (int zoom : {2, 16}) {
    SCOPED_TRACE(zoom);
    const ScreenGrab before(Screen());
    ASSERT_EQ(before.PatternMismatches(kUnderLens), 0) << "something covers the pattern";
    const HWND lens = Open(std::to_string(zoom));
    ASSERT_NE(lens, nullptr);
    const RECT start = WindowRectOf(lens);
    LayeredSpy spy;
    int pushed = 0;
    for (int move = 0; move <= 10; ++move) {
      SCOPED_TRACE(testing::Message() << "move " << move);
      spy.Clear();
      if (move < 10) {
        SetWindowPos(lens, nullptr, start.left + (move % 3 - 1) * 23, start.top + (move % 4 - 1) * 17, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      } else {
        for (int tick = 0; tick < 100; ++tick) SendMessageW(lens, WM_TIMER, 1, 0);
      }
      for (const LayeredSpy::Frame* frame : LensFrames(spy, lens)) {
        ++pushed;
        EXPECT_EQ(WrongPixels(before, WindowRectOf(lens), zoom, nullptr, frame), 0);
      }
    }
    EXPECT_GE(pushed, 9);  // a frame for each move to another place
    ASSERT_TRUE(CloseAndWait());
  }
}

TEST_F(LensTest, ASizeOutsideTheLimitsIsClampedByTheNextFrame) {
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  const Lens::Metrics m = MetricsOf(lens);
  SetWindowPos(lens, nullptr, 0, 0, 100, 5000, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r = WindowRectOf(lens);
  EXPECT_EQ(r.right - r.left, m.minSize);
  EXPECT_EQ(r.bottom - r.top, m.maxSize);
  Publication::Pump(100);  // the timer's frames keep it so
  r = WindowRectOf(lens);
  EXPECT_EQ(r.right - r.left, m.minSize);
  EXPECT_EQ(r.bottom - r.top, m.maxSize);
  EXPECT_EQ(r.left, (Screen().right - m.Scaled(250)) / 2);
}

TEST_F(LensTest, MovesAreConfinedSoThatTheAreasCentreStaysOnTheDesktop) {
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  // Centre of the 200 by 200 area at (124, 121) in the window (at 96 DPI): it may reach the left,
  // right and top edges of the screen, and stop 8 pixels above the bottom.
  const POINT c0 = AreaCentreOf(lens);
  const int stop = MetricsOf(lens).bottomStop;
  const struct {
    int x, y, left, top;
  } cases[] = {
      {-1000, 300, -c0.x, 300},
      {5000, 300, Screen().right - c0.x, 300},
      {300, -1000, 300, -c0.y},
      {300, 5000, 300, Screen().bottom - stop - c0.y},
      {-c0.x, -c0.y, -c0.x, -c0.y},
  };
  for (const auto& c : cases) {
    SetWindowPos(lens, nullptr, c.x, c.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT r = WindowRectOf(lens);
    EXPECT_EQ(r.left, c.left) << c.x << ", " << c.y;
    EXPECT_EQ(r.top, c.top) << c.x << ", " << c.y;
  }
}

TEST_F(LensTest, TheMouseDragsTheLensByItsAreaAndResizesItAtTheRim) {
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  const RECT start = WindowRectOf(lens);
  const POINT c = AreaCentreOf(lens);
  Drag({start.left + c.x, start.top + c.y}, {start.left + c.x + 60, start.top + c.y + 40});
  RECT r = WindowRectOf(lens);
  EXPECT_EQ(r.left, start.left + 60);
  EXPECT_EQ(r.top, start.top + 40);
  EXPECT_EQ(r.right - r.left, start.right - start.left);

  // The bottom-right corner band of the area: the window grows with the drag.
  const Lens::Metrics m = MetricsOf(lens);
  const POINT corner = {r.right - m.areaRight + 2, r.bottom - m.areaBottom + 2};
  Drag(corner, {corner.x + 50, corner.y + 30});
  const RECT grown = WindowRectOf(lens);
  EXPECT_EQ(grown.left, r.left);
  EXPECT_EQ(grown.top, r.top);
  EXPECT_EQ(grown.right - grown.left, r.right - r.left + 50);
  EXPECT_EQ(grown.bottom - grown.top, r.bottom - r.top + 30);
}

// The lens's class takes double-clicks: a press that follows a click at once is one, and still
// drags the lens.
TEST_F(LensTest, APressRightAfterAClickStillDrags) {
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  const RECT start = WindowRectOf(lens);
  const POINT c = AreaCentreOf(lens);
  Drag({start.left + c.x, start.top + c.y}, {start.left + c.x - 70, start.top + c.y + 30}, true);
  const RECT r = WindowRectOf(lens);
  EXPECT_EQ(r.left, start.left - 70);
  EXPECT_EQ(r.top, start.top + 30);
}

TEST_F(LensTest, WithoutTheFramePictureExecuteFailsAndLeavesNoLens) {
  host->Message(2);
  host.reset();
  host = std::make_unique<PluginHost>(BesideExecutable("VitrelleNoFrame.nbp"));
  host->publication = page.get();
  Start();
  ASSERT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
  for (int attempt = 0; attempt < 2; ++attempt) {
    // A half-made lens kept from the first attempt would make the second one "succeed".
    SCOPED_TRACE(attempt);
    host->ClearRecords();
    EXPECT_FALSE(host->ExecAction(3, {std::string("Rectangle1"), std::string("2")}));
    EXPECT_EQ(Trace(), (std::vector<std::string>{"[Rectangle1.VitrelleLastError]=<null>",
                                                 "[Rectangle1.VitrelleLastError]=Resource MAGN not found"}));
    EXPECT_TRUE(LensWindows().empty());
  }
  Publication::Pump(50);
  EXPECT_TRUE(LensWindows().empty());
  host->Message(2);
  host.reset();
  EXPECT_TRUE(LensWindows().empty());

  // The same page with the complete plug-in opens its lens.
  host = std::make_unique<PluginHost>(BesideExecutable("Vitrelle.nbp"));
  host->publication = page.get();
  Start();
  ASSERT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  EXPECT_TRUE(IsWindowVisible(lens));
}

// The menu's mark follows the zoom, onto no item for a zoom between the menu's.
TEST_F(LensTest, AZoomSetFromCodeReZoomsAtOnceAndMovesTheCheckMark) {
  const PatternWindow pattern(kUnderLens);
  const ScreenGrab before(Screen());
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  for (const auto& [zoom, checked] : {std::pair{16, 3}, std::pair{3, -1}, std::pair{2, 0}}) {
    SCOPED_TRACE(zoom);
    ASSERT_EQ(Open(std::to_string(zoom)), lens);
    const RECT r = WindowRectOf(lens);
    EXPECT_EQ(WrongPixels(before, ScreenGrab(r), r, zoom), 0);  // rendered inside the Execute
    EXPECT_EQ(OpenLensMenu(lens).Checked(), checked);
  }
}

// The timer copies the page under the lens on every tick but pushes a frame only when the copy,
// the lens's place, size or zoom differ from the last frame's, or the system may have lost that
// frame. What it pushes then is exactly the frame of the lens as it stands over the page as it is.
TEST_F(LensTest, OnlyAChangePushesAFrameAndThatFrameIsExact) {
  const PatternWindow page(kUnderLens);
  LayeredSpy spy;
  int zoom = 4;
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const auto source = [&] { return SourceUnder(WindowRectOf(lens), zoom, MetricsOf(lens)); };
  // One pixel of the page, at a screen point, takes another colour.
  const auto repaint = [&](int x, int y) {
    const HDC dc = GetDC(page.Handle());
    SetPixelV(dc, x - kUnderLens.left, y - kUnderLens.top, GetPixel(dc, x - kUnderLens.left, y - kUnderLens.top) ^ 0xFFFFFF);
    ReleaseDC(page.Handle(), dc);
  };
  const auto place = [&](int dx, int dy, int w, int h, UINT flags) {
    const RECT r = WindowRectOf(lens);
    SetWindowPos(lens, nullptr, r.left + dx, r.top + dy, w, h, flags | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  const struct {
    const char* what;
    std::function<void()> change;
    int frames;
  } steps[] = {
      {"nothing", [] {}, 0},
      {"the source's first pixel", [&] { repaint(source().left, source().top); }, 1},
      {"the source's last pixel", [&] { repaint(source().right - 1, source().bottom - 1); }, 1},
      {"a pixel of the area beside the source", [&] { repaint(source().right, source().bottom - 1); }, 0},
      {"moved by one pixel", [&] { place(1, 0, 0, 0, SWP_NOSIZE); }, 1},
      {"re-zoomed", [&] { Open(std::to_string(zoom = 8)); }, 1},
      {"resized", [&] { place(0, 0, 300, 280, SWP_NOMOVE); }, 1},
      {"activated", [&] { SendMessageW(lens, WM_ACTIVATE, WA_ACTIVE, 0); }, 1},
      {"the display changed", [&] { SendMessageW(lens, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024)); }, 1},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    spy.Clear();
    step.change();
    for (int tick = 0; tick < 3; ++tick) SendMessageW(lens, WM_TIMER, 1, 0);
    const auto frames = LensFrames(spy, lens);
    ASSERT_EQ(int(frames.size()), step.frames);
    if (frames.empty()) continue;
    const ScreenGrab beneath(kUnderLens, page.Handle());
    EXPECT_EQ(WrongPixels(beneath, WindowRectOf(lens), zoom, nullptr, frames.back()), 0);
  }
}

namespace {

// Where a point of the lens window at 96 DPI is as the lens stands: the area's centre, and a
// point of the frame's shadow, which clicks go through.
constexpr POINT kCentre = {124, 121};
constexpr POINT kShadow = {240, 240};
POINT At(HWND lens, POINT at) {
  if (at.x == kCentre.x && at.y == kCentre.y) return AreaCentreOf(lens);
  const Lens::Metrics m = MetricsOf(lens);
  return {m.Scaled(at.x), m.Scaled(at.y)};
}

// A wheel message as the system sends it: `delta`, the pointer at `at` in the lens window.
void Wheel(HWND lens, int delta, POINT at = kCentre, UINT message = WM_MOUSEWHEEL) {
  const RECT r = WindowRectOf(lens);
  at = At(lens, at);
  SendMessageW(lens, message, MAKEWPARAM(0, WORD(std::int16_t(delta))), MAKELPARAM(r.left + at.x, r.top + at.y));
}

}  // namespace

// The keys through the system's input: the lens's place, size and zoom after each, and the picture.
TEST_F(LensTest, TheKeyboardMovesResizesAndZoomsTheLens) {
  const PatternWindow pattern(kUnderLens);
  const ScreenGrab before(Screen());
  const HWND lens = Open("3");
  ASSERT_NE(lens, nullptr);
  if (MetricsOf(lens).dpi != 96) GTEST_SKIP() << "the table's places are those of a 96-DPI screen";
  Publication::Pump(50);
  for (const KeyStep& s : kKeySteps) {
    SCOPED_TRACE(testing::Message() << "key " << s.key << " with " << s.held);
    Press(s.key, s.held);
    const RECT r = WindowRectOf(lens);
    EXPECT_EQ(r, s.r);
    EXPECT_EQ(WrongPixels(before, ScreenGrab(r), r, s.zoom), 0);
  }
  EXPECT_EQ(OpenLensMenu(lens).Checked(), 0);
  for (const KeyEdge& e : kKeyEdges) {
    SCOPED_TRACE(testing::Message() << "key " << e.key << " with " << e.held << " at " << e.at);
    SetWindowPos(lens, nullptr, e.at.left, e.at.top, e.at.right - e.at.left, e.at.bottom - e.at.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Press(e.key, e.held);
    EXPECT_EQ(WindowRectOf(lens), e.r);
  }
}

// The table above is the screen's at 96 DPI. At any density the arrows move the lens by ten
// pixels at 96 DPI, scaled, and by one screen pixel with Ctrl; with Shift they resize it by ten.
TEST_F(LensTest, TheKeysStepByTenPixelsAtTheScreensDensity) {
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  Publication::Pump(50);
  const int ten = MetricsOf(lens).Scaled(10);
  const struct {
    WORD held, key;
    int dx, dy, dw, dh;
  } steps[] = {
      {0, VK_RIGHT, ten, 0, 0, 0},         {0, VK_DOWN, 0, ten, 0, 0},         {VK_CONTROL, VK_LEFT, -1, 0, 0, 0},
      {VK_SHIFT, VK_RIGHT, 0, 0, ten, 0}, {VK_SHIFT, VK_UP, 0, 0, 0, -ten},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(testing::Message() << "key " << s.key << " with " << s.held);
    const RECT before = WindowRectOf(lens);
    Press(s.key, s.held);
    EXPECT_EQ(WindowRectOf(lens), (RECT{before.left + s.dx, before.top + s.dy, before.right + s.dx + s.dw,
                                        before.bottom + s.dy + s.dh}));
  }
}

// The menu key and Shift+F10 open the menu at the lens area's centre; Enter chooses an item.
TEST_F(LensTest, TheMenuKeyOpensTheMenuAtTheAreasCentre) {
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const RECT r = WindowRectOf(lens);
  for (WORD held : {WORD(0), WORD(VK_SHIFT)}) {
    POINT at = {};
    const MenuView menu = OpenLensMenu(
        lens, {VK_DOWN, VK_RETURN}, [&at](HWND menuWindow, HMENU) { at = {WindowRectOf(menuWindow).left, WindowRectOf(menuWindow).top}; },
        [held] { Press(held != 0 ? VK_F10 : VK_APPS, held); });
    ASSERT_TRUE(menu.opened) << held;
    EXPECT_EQ(at.x, r.left + AreaCentreOf(lens).x);
    EXPECT_EQ(at.y, r.top + AreaCentreOf(lens).y);
    EXPECT_EQ(OpenLensMenu(lens).Checked(), 0) << "Enter on the first item";
  }
}

TEST_F(LensTest, TheWheelStepsTheZoomFromTwoToSixteen) {
  const PatternWindow pattern(kUnderLens);
  const ScreenGrab before(Screen());
  const struct {
    int zoom;
    std::vector<int> deltas;
    int shown, checked;  // the menu's checked position, -1 for none
    UINT message = WM_MOUSEWHEEL;
    POINT at = kCentre;
  } cases[] = {
      {4, {120}, 8, 2},
      {3, {120}, 4, 1},  // from a zoom the script set, to the next value that way
      {3, {-120}, 2, 0},
      {16, {120}, 16, 3},
      {2, {-120}, 2, 0},
      {2, {360}, 16, 3},
      {4, {480, -120}, 8, 2},  // stops at 16, and the first notch back steps back
      {4, {60, 59}, 4, 1},
      {4, {40, 40, 40}, 8, 2},
      {4, {180, 60}, 16, 3},
      {4, {90, -120}, 2, 0},  // turning back drops what was turned before
      {4, {120}, 4, 1, WM_MOUSEHWHEEL},
      {4, {-120}, 4, 1, WM_MOUSEWHEEL, kShadow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "zoom " << c.zoom << ", message " << std::hex << c.message << std::dec
                                    << ", at " << c.at.x << ", " << c.at.y << ", first delta " << c.deltas[0]);
    const HWND lens = Open(std::to_string(c.zoom));
    ASSERT_NE(lens, nullptr);
    for (int delta : c.deltas) Wheel(lens, delta, c.at, c.message);
    const RECT r = WindowRectOf(lens);
    EXPECT_EQ(WrongPixels(before, ScreenGrab(r), r, c.shown), 0);  // rendered at once
    EXPECT_EQ(OpenLensMenu(lens).Checked(), c.checked);
    ASSERT_TRUE(CloseAndWait());
  }
}

// Another panel zooms the lens it did not open. The panel that opened it re-zooms it only when
// its own zoom changes, yet the wheel's step must show; and what was turned past 16 before is
// not kept for later.
TEST_F(LensTest, TheWheelStepsFromTheZoomAnotherPanelGaveTheLens) {
  const PatternWindow pattern(kUnderLens);
  const ScreenGrab before(Screen());
  page->AddRectangle("Rectangle2", 300, 40, 200, 120, RGB(60, 200, 60));
  ASSERT_TRUE(host->ExecAction(1, {std::string("Rectangle2"), std::string("")}));
  const auto zoomFromSecondPanel = [this](const char* zoom) {
    ASSERT_TRUE(host->ExecAction(3, {std::string("Rectangle2"), std::string(zoom)}));
  };
  const HWND lens = Open("16");
  ASSERT_NE(lens, nullptr);
  const RECT r = WindowRectOf(lens);

  Wheel(lens, 240);
  zoomFromSecondPanel("8");
  Wheel(lens, 120);  // to 16, which the first panel holds already
  EXPECT_EQ(WrongPixels(before, ScreenGrab(r), r, 16), 0);

  Wheel(lens, 240);
  zoomFromSecondPanel("4");
  Wheel(lens, 60);
  EXPECT_EQ(WrongPixels(before, ScreenGrab(r), r, 4), 0);
}

// Wine sends the wheel to the window under the pointer, whichever has the focus (as Windows 10
// does by default; before it, the wheel goes to the focus window, and the lens has the focus only
// until the host takes it back).
TEST_F(LensTest, ARealWheelOverTheLensAreaZoomsIt) {
  const HWND lens = Open("4");
  ASSERT_NE(lens, nullptr);
  const struct {
    const char* what;
    HWND focus;
    POINT at;
    int delta, checked;
  } cases[] = {
      {"the lens active", lens, kCentre, 120, 2},
      {"the page active", page->window(), kCentre, 120, 3},
      {"over the shadow", lens, kShadow, -120, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetForegroundWindow(c.focus);
    Publication::Pump(50);
    ASSERT_EQ(GetFocus(), c.focus);
    const RECT r = WindowRectOf(lens);
    const POINT at = At(lens, c.at);
    SetCursorPos(r.left + at.x, r.top + at.y);
    INPUT wheel = {};
    wheel.type = INPUT_MOUSE;
    wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
    wheel.mi.mouseData = DWORD(c.delta);
    SendInput(1, &wheel, sizeof wheel);
    Publication::Pump(100);
    EXPECT_EQ(OpenLensMenu(lens).Checked(), c.checked);
  }
}

namespace {

// The plug-in built to copy the screen as on Windows. Under Wine the copy shows layered windows,
// the lens among them, so only a frame made before the lens shows on the screen is the page's.
class ScreenCopyLensTest : public LensTest {
protected:
  ScreenCopyLensTest() { plugin = "VitrelleScreenCopy.nbp"; }
};

}  // namespace

TEST_F(ScreenCopyLensTest, TheFirstFrameIsThePageBeneathEnlargedUnderTheFrame) {
  const PatternWindow pattern(kUnderLens);
  for (int zoom : {2, 3, 16}) {
    SCOPED_TRACE(zoom);
    const ScreenGrab before(Screen());
    ASSERT_EQ(before.PatternMismatches(kUnderLens), 0) << "something covers the pattern";
    LayeredSpy spy;
    const HWND lens = Open(std::to_string(zoom));
    ASSERT_NE(lens, nullptr);
    const auto frames = LensFrames(spy, lens);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(WrongPixels(before, WindowRectOf(lens), zoom, nullptr, frames[0]), 0);
    ASSERT_TRUE(CloseAndWait());
  }
}

// Each render makes one copy of the screen: from the DC of the whole screen, given back within the
// render, with the plain source copy (no CAPTUREBLT, so layered windows stay out on Windows), of
// the middle 1/zoom of the lens area as the lens stands, at its own resolution. Each frame pushed
// stretches that copy over the whole area.
TEST_F(ScreenCopyLensTest, EveryRenderCopiesTheScreenUnderTheAreasMiddle) {
  ScreenCopySpy copies(host->module());
  ASSERT_TRUE(copies.Hooked());
  LayeredSpy frames;
  HWND lens = nullptr;
  int zoom = 2;
  const auto resize = [&lens](int w, int h) {
    SetWindowPos(lens, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  const struct Step {
    const char* what;
    std::function<void()> run;
  } steps[] = {
      {"open at 2", [&] { lens = Open("2"); }},
      {"timer", [&] { SendMessageW(lens, WM_TIMER, 1, 0); }},
      {"move", [&] { SetWindowPos(lens, nullptr, 101, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); }},
      {"resize to 400 by 300", [&] { resize(400, 300); }},
      {"resize below and beyond the limits", [&] { resize(100, 1000); }},
      {"zoom 16", [&] { Open(std::to_string(zoom = 16)); }},
      {"zoom 3", [&] { Open(std::to_string(zoom = 3)); }},
      {"messages", [&] { Publication::Pump(100); }},
  };
  // The source for the lens as it stands now: a size change renders once at the old size first
  // (the frame for its place, as the change is announced), then at the new one.
  const auto source = [&lens, &zoom] {
    const Lens::Metrics m = MetricsOf(lens);
    const RECT r = WindowRectOf(lens), from = SourceUnder(r, zoom, m);
    const Rect area = Lens::AreaOf(Lens::ClampedSize(r.right - r.left, r.bottom - r.top, m), m);
    return std::pair{from, RECT{0, 0, RectWidth(area), RectHeight(area)}};
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const auto before = lens != nullptr ? source() : std::pair<RECT, RECT>{};
    copies.copies.clear();
    frames.Clear();
    step.run();
    ASSERT_NE(lens, nullptr);
    const auto after = source();
    int fromScreen = 0, enlarged = 0;
    bool lastIsAfter = false;
    for (const auto& c : copies.copies) {
      const RECT copied = {0, 0, c.from.right - c.from.left, c.from.bottom - c.from.top};
      if (!c.fromScreen) {
        const RECT whole = {0, 0, after.first.right - after.first.left, after.first.bottom - after.first.top};
        enlarged += c.stretched && EqualRect(&c.from, &whole) && EqualRect(&c.to, &after.second);
        continue;
      }
      ++fromScreen;
      EXPECT_FALSE(c.stretched);
      EXPECT_EQ(c.rop, DWORD(SRCCOPY));
      EXPECT_TRUE(EqualRect(&c.to, &copied));
      lastIsAfter = EqualRect(&c.from, &after.first);
      EXPECT_TRUE(lastIsAfter || EqualRect(&c.from, &before.first))
          << "copied " << c.from.left << ", " << c.from.top << ", " << c.from.right << ", " << c.from.bottom;
    }
    EXPECT_TRUE(lastIsAfter);
    const int pushed = int(LensFrames(frames, lens).size());
    EXPECT_GT(fromScreen, 0);
    EXPECT_LE(pushed, fromScreen);
    EXPECT_GE(enlarged, std::min(pushed, 1));  // the last frame at least is the lens as it stands
    EXPECT_TRUE(copies.screenHeld.empty());
  }
  EXPECT_EQ(copies.screenTaken, copies.screenReleased);
}

namespace {

// On two monitors (scripts/testbed --monitors two): the main one at (0, 0)-(1280, 1024) and one of
// 800 by 600 to its left, at (-800, 100)-(0, 700). On one monitor these tests are skipped.
template <typename Base>
class OnTwoMonitors : public Base {
protected:
  void SetUp() override {
    if (GetSystemMetrics(SM_CMONITORS) != 2) GTEST_SKIP() << "needs the test bed's two monitors";
    Base::SetUp();
    pattern.emplace(kDesk);
  }
  void TearDown() override {
    if (!this->IsSkipped()) Base::TearDown();
  }
  // A page above the publication, over both monitors and the corners where neither is.
  static constexpr RECT kDesk = {-800, 0, 1280, 1024};
  std::optional<PatternWindow> pattern;
};
using TwoMonitorsTest = OnTwoMonitors<LensTest>;
using TwoMonitorsScreenCopyTest = OnTwoMonitors<ScreenCopyLensTest>;

}  // namespace

// Where the publication stands, the lens opens centred on that monitor; its first frame, copied
// from the screen as on Windows, is the page there.
TEST_F(TwoMonitorsScreenCopyTest, OpensCentredOnThePublicationsMonitorOverThePageThere) {
  const ScreenGrab before(kDesk);
  for (const auto& [page, lens] : {std::pair{POINT{0, 0}, RECT{515, 387, 765, 637}},
                                   std::pair{POINT{-750, 150}, RECT{-525, 275, -275, 525}}}) {
    SetWindowPos(GetAncestor(rectangle, GA_ROOT), pattern->Handle(), page.x, page.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    LayeredSpy spy;
    const HWND opened = Open("2");
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(WindowRectOf(opened), lens);
    ASSERT_FALSE(LensFrames(spy, opened).empty());
    EXPECT_EQ(WrongPixels(before, lens, 2, nullptr, LensFrames(spy, opened)[0]), 0);
    ASSERT_TRUE(CloseAndWait());
  }
}

// The area's centre (124, 121 in the window) stays on the monitor nearest to where it is asked to
// go, which beside the shorter left monitor may be the main one. In each place the frame is the
// page beneath, across the monitors' edges too; Wine's capture reads each window's own picture,
// so where no monitor is the lens shows the page all the same.
TEST_F(TwoMonitorsTest, TheAreasCentreStaysOnTheNearestMonitorAndEachFrameIsThePageBeneath) {
  const ScreenGrab page(kDesk, pattern->Handle());
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  LayeredSpy spy;
  const struct {
    int x, y, left, top;
  } cases[] = {
      {-5000, 300, -924, 300}, {5000, 300, 1156, 300}, {-500, -200, -500, -21},  {-500, 800, -500, 571},
      {300, -1000, 300, -121}, {300, 5000, 300, 895},  {-500, 5000, -124, 895}, {-500, -5000, -124, -121},
      {-600, 300, -600, 300},  {-124, 300, -124, 300}, {-500, 0, -500, 0},  // on the left one, across edges
  };
  for (const auto& c : cases) {
    SetWindowPos(lens, nullptr, c.x, c.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT r = WindowRectOf(lens);
    EXPECT_EQ(r, (RECT{c.left, c.top, c.left + 250, c.top + 250})) << c.x << ", " << c.y;
    RECT common = {};
    if (IntersectRect(&common, &r, &kDesk) && EqualRect(&common, &r)) {  // the page lies beneath it all
      EXPECT_EQ(WrongPixels(page, r, 2, nullptr, &spy.Frames().back()), 0) << c.x << ", " << c.y;
    }
  }
}

// A real drag takes the lens to the left monitor; right-clicked there near the bottom, its menu
// opens on that monitor and stays whole on it.
TEST_F(TwoMonitorsTest, ADragTakesItToTheLeftMonitorWhereItsMenuOpensWhole) {
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  Drag({515 + 124, 387 + 121}, {-400, 400});
  EXPECT_EQ(WindowRectOf(lens), (RECT{-524, 279, -274, 529}));
  SetWindowPos(lens, nullptr, -850, 550, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT menu = {}, inside = {};
  ASSERT_TRUE(OpenLensMenu(lens, {VK_ESCAPE}, [&menu](HWND window, HMENU) { menu = WindowRectOf(window); }).opened);
  const RECT left = {-800, 100, 0, 700};
  EXPECT_TRUE(IntersectRect(&inside, &menu, &left) && EqualRect(&inside, &menu)) << menu;
  EXPECT_EQ(menu.left, -850 + 124);
}
