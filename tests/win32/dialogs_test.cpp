// The property dialogs and the About box through the real plug-in, worked as an author works
// them (the stand-in host's dialog driver types, presses keys and clicks): their layouts, what
// reaches the host's parameter slots, the object picker, and how each one ends.
#include <algorithm>
#include <cstring>
#include <regex>

#include "frame_layer.h"
#include "host/dialog_driver.h"
#include "host_fixture.h"
#include "imaging/jpeg_image.h"
#include "screen_pattern.h"

namespace {

using Key = DialogStep::Key;
using Button = DialogStep::Button;
using Steps = std::vector<DialogStep>;
using Lines = std::vector<std::string>;

constexpr std::int32_t kCreate = 1, kExecute = 3, kClose = 4;
// Pictures of the dialogs land beside the demo's.
const std::string kShots = VITRELLE_SOURCE_DIR "/build/";

class DialogsTest : public HostTest {
protected:
  void SetUp() override {
    HostTest::SetUp();
    Start();
  }

  // nbEditAction with these slot texts while the driver plays the steps; the driver's report.
  Lines Edit(std::int32_t id, std::vector<HostText>& slots, Steps steps, bool* result = nullptr) {
    DialogDriver driver(std::move(steps));
    const bool ok = host->EditAction(id, slots);
    if (result != nullptr) *result = ok;
    return driver.Finish();
  }
  Lines About(Steps steps) {
    DialogDriver driver(std::move(steps));
    host->About();
    return driver.Finish();
  }
};

bool Has(const Lines& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

// The "control" lines of a `show` report, with autosized labels' widths replaced by "*": their
// width follows the font the system substitutes.
Lines Controls(const Lines& report, std::initializer_list<int> autosized) {
  Lines out;
  for (std::string line : report) {
    const auto at = line.find("control ");
    if (at == std::string::npos) continue;
    line = line.substr(at);
    for (int id : autosized) {
      if (line.rfind("control " + std::to_string(id) + " ", 0) == 0)
        line = std::regex_replace(line, std::regex(R"( (\d+,\d+) \d+x(\d+))"), " $1 *x$2");
    }
    out.push_back(line);
  }
  return out;
}

const char* const kNote =
    "\"Тип объекта должен быть Rectangle (Прямоугольник). Требуется версия NeoBook 4.0.9 или выше.\"";

}  // namespace

TEST_F(DialogsTest, EachActionOpensItsDialogLaidOutAsStored) {
  std::vector<HostText> two = {std::string("Rectangle1"), std::string("[V]")};
  bool ok = true;
  Lines report = Edit(kCreate, two, {DialogStep::Show(), DialogStep::Screenshot(kShots + "dialog-create.png"),
                                     DialogStep::Click(Button::Cancel)}, &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Has(report, "window \"Свойства\" client 433x175")) << report[1];
  EXPECT_EQ(Controls(report, {106, 107}),
            (Lines{"control 104 Static \"\" 4,52 37x39", "control 105 Static " + std::string(kNote) + " 46,52 381x49",
                   "control 103 Button \"\" 404,26 23x22", "control 106 Static \"&Объект Rectangle:\" 4,8 *x13",
                   "control 101 Edit \"Rectangle1\" 4,26 395x21 focused", "control 1 Button \"OK\" 363,139 65x25 default",
                   "control 2 Button \"Отменить\" 5,139 65x25", "control 107 Static \"Имя переменной:\" 4,112 *x13",
                   "control 102 Edit \"[V]\" 158,108 269x21"}));

  report = Edit(kExecute, two, {DialogStep::Show(), DialogStep::Screenshot(kShots + "dialog-execute.png"),
                                DialogStep::Click(Button::Cancel)});
  EXPECT_TRUE(Has(report, "control 107 Static \"Масштаб:\" 4,112"));

  // The one-field dialog is 180 pixels high outside, its buttons moved down with its bottom edge.
  std::vector<HostText> one = {std::string("Rectangle1")};
  report = Edit(kClose, one, {DialogStep::Show(), DialogStep::Screenshot(kShots + "dialog-close.png"),
                              DialogStep::Click(Button::Cancel)});
  EXPECT_TRUE(Has(report, "dialog-close.png\": 439x180")) << report.back();
  RECT frame = {0, 0, 433, 150};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
  const int grown = 180 - (frame.bottom - frame.top);
  const Lines controls = Controls(report, {106});
  EXPECT_EQ(controls.size(), 7u);
  EXPECT_TRUE(Has(controls, "control 1 Button \"OK\" 363," + std::to_string(116 + grown) + " 65x25 default"));
  EXPECT_TRUE(Has(controls, "control 2 Button \"Отменить\" 5," + std::to_string(114 + grown) + " 65x25"));
  EXPECT_TRUE(Has(controls, "control 106 Static \"Объект Rectangle:\" 4,8 *x13"));
  EXPECT_EQ(host->violations(), Lines{});
}

TEST_F(DialogsTest, TabGoesFromTheObjectToOkCancelAndOnlyThenTheSecondField) {
  std::vector<HostText> slots = {std::string("Rectangle1"), std::string("4")};
  const Lines report = Edit(kExecute, slots,
                            {DialogStep::Press(Key::Tab), DialogStep::Show(), DialogStep::Press(Key::Tab),
                             DialogStep::Show(), DialogStep::Press(Key::Tab), DialogStep::Show(),
                             DialogStep::Click(Button::Cancel)});
  Lines focused;
  for (const std::string& line : report)
    if (line.find(" focused") != std::string::npos) focused.push_back(line.substr(line.find("control ")));
  ASSERT_EQ(focused.size(), 3u);
  EXPECT_EQ(focused[0].substr(0, 10), "control 1 ");
  EXPECT_EQ(focused[1].substr(0, 10), "control 2 ");
  EXPECT_EQ(focused[2].substr(0, 12), "control 102 ");
}

TEST_F(DialogsTest, OkWritesEverySlotAndNothingElseDoes) {
  // OK with the texts as they were still hands back new blocks with equal texts; the host checks
  // that the old ones were freed and the new ones are fixed blocks of the exact size.
  std::vector<HostText> slots = {std::string("Rectangle1"), std::string("12")};
  bool ok = false;
  Edit(kExecute, slots, {DialogStep::Press(Key::Enter)}, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(slots, (std::vector<HostText>{std::string("Rectangle1"), std::string("12")}));

  Edit(kCreate, slots, {DialogStep::Type(1, "Rectangle2"), DialogStep::Type(2, ""), DialogStep::Click(Button::Ok)},
       &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(slots, (std::vector<HostText>{std::string("Rectangle2"), std::string("")}));  // empty, not null

  // Whatever was typed or picked, Cancel, Escape and the close box leave the slots alone.
  host->pickAnswer = "Rectangle9";
  const DialogStep endings[] = {DialogStep::Click(Button::Cancel), DialogStep::Press(Key::Escape), DialogStep::Close()};
  for (const DialogStep& ending : endings) {
    std::vector<HostText> kept = {std::string("Rectangle1"), std::string("[V]")};
    const Lines report = Edit(kCreate, kept, {DialogStep::Type(1, "Other"), DialogStep::Type(2, "[W]"),
                                              DialogStep::Click(Button::Picker), ending}, &ok);
    EXPECT_FALSE(ok) << report.back();
    EXPECT_EQ(kept, (std::vector<HostText>{std::string("Rectangle1"), std::string("[V]")})) << report.back();
    EXPECT_FALSE(Has(report, "not played")) << report.back();
  }
  std::vector<HostText> one = {std::string("Rectangle1")};
  Edit(kClose, one, {DialogStep::Type(1, "Rectangle3"), DialogStep::Press(Key::Escape)}, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(one, (std::vector<HostText>{std::string("Rectangle1")}));
  Edit(kClose, one, {DialogStep::Type(1, "Rectangle3"), DialogStep::Press(Key::Enter)}, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(one, (std::vector<HostText>{std::string("Rectangle3")}));
  EXPECT_EQ(host->violations(), Lines{});
}

TEST_F(DialogsTest, ThePickerReplacesTheObjectOnlyWhenTheHostPicksOne) {
  struct Case {
    const char* what;
    bool interfaceAccess;
    std::optional<std::string> pick;
    const char* object;  // after OK
    std::vector<std::int32_t> commands;
  };
  const Case cases[] = {
      {"picked", true, "Rectangle9", "Rectangle9", {8}},
      {"refused", true, std::nullopt, "Typed", {8}},
      {"no InterfaceAccess", false, "Rectangle9", "Typed", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host->RegisterInterfaceAccess(c.interfaceAccess);
    host->pickAnswer = c.pick;
    host->ClearRecords();
    std::vector<HostText> slots = {std::string("Rectangle1"), std::string("[V]")};
    bool ok = false;
    Edit(kCreate, slots, {DialogStep::Type(1, "Typed"), DialogStep::Click(Button::Picker), DialogStep::Press(Key::Enter)},
         &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(slots, (std::vector<HostText>{std::string(c.object), std::string("[V]")}));  // never the second
    EXPECT_EQ(host->interfaceCommands(), c.commands);
    EXPECT_EQ(host->violations(), Lines{});  // the picker's slot was released
  }
  // An empty field goes to the host as an empty text.
  host->RegisterInterfaceAccess(true);
  host->pickAnswer = "Rectangle5";
  std::vector<HostText> one = {std::nullopt};
  Edit(kClose, one, {DialogStep::Click(Button::Picker), DialogStep::Press(Key::Enter)});
  EXPECT_EQ(one, (std::vector<HostText>{std::string("Rectangle5")}));
}

TEST_F(DialogsTest, OtherIdsAndANullBlockOpenNothing) {
  for (std::int32_t id : {0, 2, 5, -1}) {
    std::vector<HostText> slots = {std::string("Rectangle1"), std::string("[V]")};
    bool ok = true;
    const Lines report = Edit(id, slots, {DialogStep::Show()}, &ok);
    EXPECT_FALSE(ok) << id;
    EXPECT_TRUE(Has(report, "not played show")) << id;
    EXPECT_EQ(slots, (std::vector<HostText>{std::string("Rectangle1"), std::string("[V]")}));
  }
}

TEST_F(DialogsTest, TheAboutBoxEndsOnOkEnterSpaceAndTheCloseBoxOnly) {
  const DialogStep endings[] = {DialogStep::Click(Button::Ok), DialogStep::Press(Key::Enter),
                                DialogStep::Press(Key::Space), DialogStep::Close()};
  for (const DialogStep& ending : endings) {
    const Lines report = About({DialogStep::Show(), DialogStep::Screenshot(kShots + "about.png"), ending});
    EXPECT_TRUE(Has(report, "window \"О плагине\" client 298x187")) << report.front();
    EXPECT_TRUE(Has(report, "control 1 Button \"OK\" 236,156 56x25 focused"));
    EXPECT_FALSE(Has(report, "not played")) << report.back();
    EXPECT_FALSE(Has(report, "WM_CLOSE")) << report.back();  // it ended by itself, and only then
  }
  // Escape is not among them: the box stays until the driver gives up on it.
  const Lines report = About({DialogStep::Press(Key::Escape)});
  EXPECT_TRUE(Has(report, "WM_CLOSE")) << report.back();
}

namespace {

// While the About box is open: its client area as the screen shows it, then the box closed.
struct AboutGrab {
  std::unique_ptr<ScreenGrab> client;
  RECT rect = {};
  static inline AboutGrab* current = nullptr;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND box = FindWindowW(L"VitrelleAboutForm", nullptr);
    if (box == nullptr || !IsWindowVisible(box) || current->client != nullptr) return;
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GetClientRect(box, &current->rect);
    MapWindowPoints(box, HWND_DESKTOP, reinterpret_cast<POINT*>(&current->rect), 2);
    current->client = std::make_unique<ScreenGrab>(current->rect);
    KillTimer(nullptr, id);
    PostMessageW(box, WM_CLOSE, 0, 0);
  }
};

}  // namespace

TEST_F(DialogsTest, TheBannerShowsWithoutItsTopTwoRows) {
  const HRSRC resource = FindResourceW(host->module(), L"BANNER", MAKEINTRESOURCEW(10));
  ASSERT_NE(resource, nullptr);
  Bitmap banner;
  LoadJpeg(static_cast<const std::uint8_t*>(LockResource(LoadResource(host->module(), resource))),
           SizeofResource(host->module(), resource), banner);
  ASSERT_EQ(banner.Width(), 298);
  ASSERT_EQ(banner.Height(), 75);

  AboutGrab grab;
  AboutGrab::current = &grab;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, AboutGrab::Tick);
  host->About();
  KillTimer(nullptr, timer);
  AboutGrab::current = nullptr;
  ASSERT_NE(grab.client, nullptr);
  int wrong = 0;
  for (int y = 0; y < 73; ++y) {
    for (int x = 0; x < 298; ++x) {
      const std::uint8_t* p = banner.ScanLine(y + 2) + x * 3;
      const std::uint32_t want = std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
      wrong += grab.client->At(grab.rect.left + x, grab.rect.top + y) != want;
    }
  }
  EXPECT_EQ(wrong, 0);
  // The grey band along the bottom, under the credit lines.
  EXPECT_EQ(grab.client->At(grab.rect.left + 2, grab.rect.top + 185), 0xC0C0C0u);
  EXPECT_EQ(grab.client->At(grab.rect.left + 2, grab.rect.top + 149), 0xFFFFFFu);
}
