// Magnifier panels through the real plug-in: attaching them to the publication's objects, the
// three actions' results and variable writes, the shared lens, re-fitting and the clean-up notice.
#include <thread>

#include "host_fixture.h"
#include "lens_probe.h"
#include "memory_shortage.h"
#include "resources/texts.h"

namespace {

using Writes = std::vector<std::string>;

const std::string kVersionMessage = "This function requires NeoBook 4.0.9 or higher.";

class PanelTest : public HostTest {
protected:
  void SetUp() override {
    HostTest::SetUp();
    Start();
  }
  void TearDown() override {
    host->Message(2);
    Publication::Pump(50);
    EXPECT_TRUE(LensWindows().empty());
    HostTest::TearDown();
  }

  bool Create(const std::string& name, const std::string& variable = "") {
    host->ClearRecords();
    return host->ExecAction(1, {name, variable});
  }
  bool Execute(const std::string& name, const HostText& zoom) {
    host->ClearRecords();
    return host->ExecAction(3, {name, zoom});
  }
  bool Close(const std::string& name) {
    host->ClearRecords();
    return host->ExecAction(4, {name});
  }

  // The panels inside an object's window.
  static std::vector<HWND> Panels(HWND object) {
    std::vector<HWND> found;
    for (HWND w = FindWindowExW(object, nullptr, L"VitrellePanel", nullptr); w;
         w = FindWindowExW(object, w, L"VitrellePanel", nullptr))
      found.push_back(w);
    return found;
  }
  static HWND PanelOf(HWND object) {
    const std::vector<HWND> panels = Panels(object);
    return panels.size() == 1 ? panels[0] : nullptr;
  }
  static SIZE ClientSize(HWND window) {
    RECT r = {};
    GetClientRect(window, &r);
    return {r.right, r.bottom};
  }

  // The three writes of a successful Execute or Close: cleared under the name given, "OOO OK"
  // from the panel under the name it was attached with, "000 Ok" under the name given.
  static Writes Success(const std::string& given, const std::string& attached) {
    return {"[" + given + ".VitrelleLastError]=<null>", "[" + attached + ".VitrelleLastError]=OOO OK",
            "[" + given + ".VitrelleLastError]=000 Ok"};
  }
  static Writes NoControl(const std::string& name) {
    return {"[" + name + ".VitrelleLastError]=<null>",
            "[" + name + ".VitrelleLastError]=There is no control attached to an object named " + name + "."};
  }
};

bool SameSize(SIZE a, SIZE b) { return a.cx == b.cx && a.cy == b.cy; }

}  // namespace

TEST_F(PanelTest, AttachPutsAVisibleChildOverTheObjectsClientArea) {
  // Something already inside the object: the panel must still come out on top.
  const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, rectangle, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(Create("Rectangle1", "[Changed]"));
  EXPECT_EQ(Trace(), Writes{});
  EXPECT_EQ(host->interfaceCommands(), (std::vector<std::int32_t>{6, 7}));

  const HWND panel = PanelOf(rectangle);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(GetParent(panel), rectangle);
  EXPECT_EQ(GetWindow(rectangle, GW_CHILD), panel);
  EXPECT_EQ(GetWindow(panel, GW_HWNDNEXT), other);
  const auto style = DWORD(GetWindowLongW(panel, GWL_STYLE));
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_TRUE(IsWindowVisible(panel));
  EXPECT_FALSE(style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME));
  RECT placed = {};
  GetWindowRect(panel, &placed);
  MapWindowPoints(HWND_DESKTOP, rectangle, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 0);
  EXPECT_EQ(placed.top, 0);
  EXPECT_TRUE(SameSize(ClientSize(panel), ClientSize(rectangle)));
  EXPECT_TRUE(SameSize(ClientSize(rectangle), SIZE{240, 160}));

  const HWND label = FindWindowExW(panel, nullptr, L"STATIC", nullptr);
  ASSERT_NE(label, nullptr);
  wchar_t text[64] = {};
  GetWindowTextW(label, text, 64);
  EXPECT_EQ(std::wstring(text), L"Лупа активирована");
  RECT labelRect = {};
  GetWindowRect(label, &labelRect);
  MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&labelRect), 2);
  EXPECT_EQ(labelRect.left, 4);
  EXPECT_EQ(labelRect.top, 4);
  EXPECT_TRUE(LensWindows().empty());  // the lens waits for Execute

  // On the screen: the button-face colour away from the label, edge to edge.
  Publication::Pump(100);
  RECT client = {};
  GetClientRect(panel, &client);
  MapWindowPoints(panel, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  const HDC screen = GetDC(nullptr);
  for (POINT p : {POINT{client.left, client.bottom - 1}, POINT{client.right - 1, client.top},
                  POINT{client.right - 1, client.bottom - 1}, POINT{client.left + 120, client.top + 80}})
    EXPECT_EQ(GetPixel(screen, p.x, p.y), GetSysColor(COLOR_BTNFACE)) << p.x << ", " << p.y;
  ReleaseDC(nullptr, screen);
}

TEST_F(PanelTest, ExecuteAndCloseReportThroughTheVariables) {
  ASSERT_TRUE(Create("Rectangle1", "[Changed]"));

  EXPECT_TRUE(Execute("Rectangle1", "4"));
  EXPECT_EQ(Trace(), Success("Rectangle1", "Rectangle1"));
  const HWND lens = TheLens();
  ASSERT_NE(lens, nullptr);
  EXPECT_TRUE(IsWindowVisible(lens));

  // Again while it is open: still the one lens.
  EXPECT_TRUE(Execute("Rectangle1", "4"));
  EXPECT_EQ(Trace(), Success("Rectangle1", "Rectangle1"));
  EXPECT_EQ(LensWindows(), std::vector<HWND>{lens});

  EXPECT_TRUE(Close("Rectangle1"));
  EXPECT_EQ(Trace(), Success("Rectangle1", "Rectangle1"));
  EXPECT_FALSE(IsWindowVisible(lens));
  Publication::Pump(50);
  EXPECT_FALSE(IsWindow(lens));

  // Closing with nothing open is a success too, and the panel stays attached.
  EXPECT_TRUE(Close("Rectangle1"));
  EXPECT_EQ(Trace(), Success("Rectangle1", "Rectangle1"));
  EXPECT_NE(PanelOf(rectangle), nullptr);
  EXPECT_EQ(host->Variable("[Changed]"), std::nullopt);  // never written while the panel lives
}

TEST_F(PanelTest, AFailedExecuteReportsWhy) {
  ASSERT_TRUE(Create("Rectangle1"));
  EXPECT_FALSE(Execute("RECTANGLE1", "abc"));
  EXPECT_EQ(Trace(), (Writes{"[RECTANGLE1.VitrelleLastError]=<null>",
                             "[Rectangle1.VitrelleLastError]='abc' is not a valid integer value"}));
  EXPECT_FALSE(Execute("Rectangle1", std::nullopt));
  EXPECT_EQ(Trace(), (Writes{"[Rectangle1.VitrelleLastError]=<null>",
                             "[Rectangle1.VitrelleLastError]='' is not a valid integer value"}));
  EXPECT_TRUE(LensWindows().empty());

  // Short of memory, the open lens cannot keep the larger copy that zoom 2 takes: the author
  // reads that, not a C++ type name.
  ASSERT_TRUE(Execute("Rectangle1", "4"));
  {
    const LargeAllocationsFail shortOfMemory(host->module());
    ASSERT_TRUE(shortOfMemory.Hooked());
    EXPECT_FALSE(Execute("Rectangle1", "2"));
  }
  EXPECT_EQ(Trace(), (Writes{"[Rectangle1.VitrelleLastError]=<null>", "[Rectangle1.VitrelleLastError]=Out of memory"}));
}

TEST_F(PanelTest, NamesMatchWhateverTheCaseOfTheirAsciiLettersOnly) {
  ASSERT_TRUE(Create("Rectangle1"));
  EXPECT_TRUE(Execute("RECTANGLE1", "2"));
  EXPECT_EQ(Trace(), Success("RECTANGLE1", "Rectangle1"));
  EXPECT_TRUE(Close("rectangle1"));
  EXPECT_EQ(Trace(), Success("rectangle1", "Rectangle1"));

  // "Лупа1" and "лупа1" (Windows-1251): the same word to a reader, two names to the registry.
  const std::string upper = "\xCB\xF3\xEF\xE0" "1", lower = "\xEB\xF3\xEF\xE0" "1";
  const HWND object = page->AddRectangle(upper, 300, 40, 120, 80, RGB(200, 60, 60));
  ASSERT_TRUE(Create(upper));
  EXPECT_FALSE(Execute(lower, "2"));
  EXPECT_EQ(Trace(), NoControl(lower));
  EXPECT_FALSE(Close(lower));
  EXPECT_EQ(Trace(), NoControl(lower));
  EXPECT_TRUE(Close(upper));

  // Attaching under an ASCII-case variant replaces the panel rather than adding one.
  ASSERT_TRUE(Create("RECTANGLE1", "[Changed]"));
  EXPECT_EQ(Panels(rectangle).size(), 1u);
  EXPECT_EQ(Panels(object).size(), 1u);
}

TEST_F(PanelTest, AttachingAgainFreesThePanelItsLensAndEmptiesItsVariable) {
  ASSERT_TRUE(Create("Rectangle1", "[Changed]"));
  const HWND first = PanelOf(rectangle);
  ASSERT_TRUE(Execute("Rectangle1", "4"));
  ASSERT_NE(TheLens(), nullptr);

  ASSERT_TRUE(Create("Rectangle1", "[Other]"));
  EXPECT_EQ(Trace(), Writes{"[Changed]="});
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(Panels(rectangle).size(), 1u);
  EXPECT_TRUE(LensWindows().empty());  // at once, not on some later message

  // A panel attached without a variable is replaced without any write.
  ASSERT_TRUE(Create("Rectangle1", ""));
  ASSERT_TRUE(Create("Rectangle1", ""));
  EXPECT_EQ(Trace(), Writes{});
  EXPECT_TRUE(Execute("Rectangle1", "2"));
}

TEST_F(PanelTest, AFailedLookupLeavesTheObjectWithoutItsEarlierPanel) {
  const struct {
    const char* answer;
    std::string message;
  } cases[] = {
      {"0", "An object named Rectangle1 does not exist."},
      {"12x", "'12x' is not a valid integer value"},
      {"123456789", "An object named Rectangle1 does not exist."},  // a number, but no window
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    host->lookupOverride.reset();
    ASSERT_TRUE(Create("Rectangle1", "[Changed]"));
    const HWND panel = PanelOf(rectangle);
    ASSERT_TRUE(Execute("Rectangle1", "2"));

    host->lookupOverride = c.answer;
    EXPECT_FALSE(Create("Rectangle1", "[Changed]"));
    EXPECT_EQ(Trace(), (Writes{"[Changed]=", "[LastError]=" + c.message}));
    EXPECT_FALSE(IsWindow(panel));
    EXPECT_TRUE(LensWindows().empty());
    EXPECT_FALSE(Execute("Rectangle1", "2"));
    EXPECT_EQ(Trace(), NoControl("Rectangle1"));
  }
}

TEST_F(PanelTest, AFailedProbeLeavesTheExistingPanelAlone) {
  ASSERT_TRUE(Create("Rectangle1", "[Changed]"));
  const HWND panel = PanelOf(rectangle);
  ASSERT_TRUE(Execute("Rectangle1", "2"));
  const HWND lens = TheLens();

  host->probeAnswers = false;
  EXPECT_FALSE(Create("Rectangle1", "[Changed]"));
  EXPECT_EQ(Trace(), Writes{"[LastError]=" + kVersionMessage});
  EXPECT_EQ(PanelOf(rectangle), panel);
  EXPECT_EQ(LensWindows(), std::vector<HWND>{lens});
  EXPECT_TRUE(Close("Rectangle1"));
}

TEST_F(PanelTest, TwoPanelsShareOneLens) {
  const HWND second = page->AddRectangle("Rectangle2", 300, 40, 200, 120, RGB(60, 200, 60));
  ASSERT_TRUE(Create("Rectangle1"));
  ASSERT_TRUE(Create("Rectangle2"));
  ASSERT_NE(PanelOf(second), nullptr);

  ASSERT_TRUE(Execute("Rectangle1", "4"));
  const HWND lens = TheLens();
  ASSERT_NE(lens, nullptr);
  EXPECT_TRUE(Execute("Rectangle2", "4"));  // the zoom the lens shows: it is only raised
  EXPECT_EQ(Trace(), Success("Rectangle2", "Rectangle2"));
  EXPECT_EQ(LensWindows(), std::vector<HWND>{lens});
  EXPECT_EQ(OpenLensMenu(lens).Checked(), 1);

  // Either panel closes it.
  EXPECT_TRUE(Close("Rectangle2"));
  EXPECT_FALSE(IsWindowVisible(lens));
  Publication::Pump(50);
  EXPECT_TRUE(LensWindows().empty());

  // Freeing the panel that did not open it destroys it as well.
  ASSERT_TRUE(Execute("Rectangle1", "2"));
  ASSERT_NE(TheLens(), nullptr);
  ASSERT_TRUE(Create("Rectangle2"));
  EXPECT_TRUE(LensWindows().empty());
  ASSERT_TRUE(Execute("Rectangle2", "2"));
  ASSERT_TRUE(Create("Rectangle1"));
  EXPECT_TRUE(LensWindows().empty());
}

TEST_F(PanelTest, TheHostsRefitMessageWithFourFitsThePanelToTheObjectAgain) {
  const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, rectangle, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(Create("Rectangle1"));
  const HWND panel = PanelOf(rectangle);
  ASSERT_TRUE(page->MoveObject("Rectangle1", 20, 30, 300, 200));
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  for (LPARAM ignored : {3, 5}) {
    EXPECT_EQ(SendMessageW(panel, WM_USER + 250, 0, ignored), 0);
    EXPECT_TRUE(SameSize(ClientSize(panel), SIZE{240, 160})) << ignored;
    EXPECT_EQ(GetWindow(rectangle, GW_CHILD), other);
  }
  EXPECT_GE(host->SendPanelMessage("Rectangle1", 4), 2);
  EXPECT_TRUE(SameSize(ClientSize(panel), SIZE{300, 200}));
  EXPECT_EQ(GetWindow(rectangle, GW_CHILD), panel);
  EXPECT_TRUE(IsWindowVisible(panel));

  ASSERT_TRUE(page->MoveObject("Rectangle1", 20, 30, 100, 50));
  EXPECT_EQ(SendMessageW(panel, WM_USER + 250, 0, 4), 0);
  EXPECT_TRUE(SameSize(ClientSize(panel), SIZE{100, 50}));
  EXPECT_EQ(host->writes().size(), 0u);
}

TEST_F(PanelTest, TheCleanUpNoticeFreesEveryPanelAndTheLens) {
  const HWND second = page->AddRectangle("Rectangle2", 300, 40, 200, 120, RGB(60, 200, 60));
  ASSERT_TRUE(Create("Rectangle1", "[Changed]"));
  ASSERT_TRUE(Create("Rectangle2", "[Changed2]"));
  const HWND panels[] = {PanelOf(rectangle), PanelOf(second)};
  ASSERT_TRUE(Execute("Rectangle2", "4"));

  // Other codes leave everything as it is.
  host->Message(1);
  host->Message(3);
  EXPECT_TRUE(IsWindow(panels[0]) && IsWindow(panels[1]));
  EXPECT_NE(TheLens(), nullptr);

  host->ClearRecords();
  host->Message(2);
  EXPECT_FALSE(IsWindow(panels[0]));
  EXPECT_FALSE(IsWindow(panels[1]));
  EXPECT_TRUE(LensWindows().empty());
  EXPECT_EQ(Trace(), Writes{});  // not even the change-event variables

  EXPECT_FALSE(Execute("Rectangle1", "2"));
  EXPECT_EQ(Trace(), NoControl("Rectangle1"));
  EXPECT_FALSE(Close("Rectangle2"));
  EXPECT_EQ(Trace(), NoControl("Rectangle2"));

  // The registry comes back with the next attach.
  ASSERT_TRUE(Create("Rectangle1"));
  EXPECT_TRUE(Execute("Rectangle1", "2"));
}

// The windows belong to the thread that made them: a host that calls from another is refused,
// told why, and finds every panel and the lens as they were.
TEST_F(PanelTest, ACallFromAnotherThreadIsRefusedAndDestroysNothing) {
  ASSERT_TRUE(Create("Rectangle1", "[Changed]"));
  ASSERT_TRUE(Execute("Rectangle1", "4"));
  const HWND panel = PanelOf(rectangle);
  host->ClearRecords();
  bool closed = true;
  std::thread([&] {
    closed = host->ExecAction(4, {"Rectangle1"});
    host->Message(2);
  }).join();
  EXPECT_FALSE(closed);
  const std::string refused = "[LastError]=" + std::string(texts::kWrongThread);
  EXPECT_EQ(Trace(), (Writes{refused, refused}));
  EXPECT_TRUE(IsWindow(panel));
  EXPECT_NE(TheLens(), nullptr);
  EXPECT_TRUE(Close("Rectangle1"));
}

TEST_F(PanelTest, LensesClosedEarlierGoWithThePanelsToo) {
  // Each close leaves the window to be freed by a message of its own; a host that sends the
  // clean-up notice and unloads the plug-in before pumping again must find none of ours left.
  ASSERT_TRUE(Create("Rectangle1"));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(Execute("Rectangle1", "2"));
    ASSERT_TRUE(Close("Rectangle1"));
  }
  host->Message(2);
  EXPECT_EQ(LensWindows().size(), 0u);
}

TEST_F(PanelTest, TheScaleIsKeptBetweenTwoAndSixteen) {
  ASSERT_TRUE(Create("Rectangle1"));
  const struct {
    const char* zoom;
    int checked;  // menu position of the checked zoom item, -1 for none
  } cases[] = {{"1", 0}, {"17", 3}, {"-5", 0}, {"1000", 3}, {"8", 2}, {"3", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zoom);
    ASSERT_TRUE(Execute("Rectangle1", c.zoom));
    const HWND lens = TheLens();
    ASSERT_NE(lens, nullptr);
    const MenuView menu = OpenLensMenu(lens);
    ASSERT_TRUE(menu.opened);
    EXPECT_EQ(menu.Checked(), c.checked);
    ASSERT_TRUE(Close("Rectangle1"));
    Publication::Pump(50);
  }
}

TEST_F(PanelTest, ExecuteWithANewScaleReZoomsTheOpenLens) {
  // Through the panel that opened it and through another: the same lens takes each new zoom.
  page->AddRectangle("Rectangle2", 300, 40, 200, 120, RGB(60, 200, 60));
  ASSERT_TRUE(Create("Rectangle1"));
  ASSERT_TRUE(Create("Rectangle2"));
  ASSERT_TRUE(Execute("Rectangle1", "4"));
  const HWND lens = TheLens();
  ASSERT_NE(lens, nullptr);
  EXPECT_TRUE(Execute("Rectangle1", "8"));
  EXPECT_EQ(Trace(), Success("Rectangle1", "Rectangle1"));
  EXPECT_TRUE(Execute("Rectangle2", "16"));
  EXPECT_EQ(Trace(), Success("Rectangle2", "Rectangle2"));
  // The first panel's own zoom is 8 still, but the lens shows 16: 8 is a change.
  EXPECT_TRUE(Execute("Rectangle1", "8"));
  EXPECT_EQ(OpenLensMenu(lens).Checked(), 2);
  EXPECT_EQ(LensWindows(), std::vector<HWND>{lens});
  EXPECT_TRUE(IsWindowVisible(lens));
}
