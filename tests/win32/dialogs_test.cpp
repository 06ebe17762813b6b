// The property dialogs and the About box through the real plug-in, worked as an author works
// them (the stand-in host's dialog driver types, presses keys and clicks): their layouts, what
// reaches the host's parameter slots, the object picker, and how each one ends.
#include <algorithm>
#include <cstring>
#include <functional>
#include <regex>
#include <vector>

#include "frame_layer.h"
#include "host/dialog_driver.h"
#include "host/screenshot.h"
#include "host_fixture.h"
#include "imaging/jpeg_image.h"
#include "screen_pattern.h"
#include "text_fit.h"

namespace {

using Key = DialogStep::Key;
using Button = DialogStep::Button;
using Steps = std::vector<DialogStep>;
using Lines = std::vector<std::string>;

constexpr std::int32_t kCreate = 1, kExecute = 3, kClose = 4;

// The Alt letters of the dialogs are typed on an author's Russian keyboard. The test bed's display
// has one already (tests/win32/russian_keyboard); elsewhere the program takes the layout for its
// thread and gives the user's back at the end, unloading it if it was not loaded before.
class RussianKeyboard : public testing::Environment {
public:
  void SetUp() override {
    previous_ = GetKeyboardLayout(0);
    if (PRIMARYLANGID(LOWORD(reinterpret_cast<UINT_PTR>(previous_))) == LANG_RUSSIAN) return;
    std::vector<HKL> loaded(GetKeyboardLayoutList(0, nullptr));
    loaded.resize(GetKeyboardLayoutList(int(loaded.size()), loaded.data()));
    russian_ = LoadKeyboardLayoutW(L"00000419", KLF_ACTIVATE);
    ASSERT_NE(russian_, nullptr) << "the Russian keyboard layout could not be loaded";
    wasLoaded_ = std::find(loaded.begin(), loaded.end(), russian_) != loaded.end();
  }
  void TearDown() override {
    if (russian_ == nullptr) return;
    ActivateKeyboardLayout(previous_, 0);
    if (!wasLoaded_) UnloadKeyboardLayout(russian_);
  }

private:
  HKL previous_ = nullptr, russian_ = nullptr;
  bool wasLoaded_ = false;
};
testing::Environment* const kRussianKeyboard = testing::AddGlobalTestEnvironment(new RussianKeyboard);

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

// The font every control of the dialogs has but the About box's title and credit lines.
const std::string kFont = " font \"MS Sans Serif\" 11";

// The window of a `show` report is centred on the screen, over the page it belongs to, which is
// disabled while the window is open.
void ExpectCentredOverTheDisabledPage(const Lines& report) {
  const auto line =
      std::find_if(report.begin(), report.end(), [](const std::string& l) { return l.find("window ") != l.npos; });
  ASSERT_NE(line, report.end());
  std::smatch m;
  ASSERT_TRUE(std::regex_search(*line, m, std::regex(R"( at (-?\d+),(-?\d+) (\d+)x(\d+) owner (.*)$)"))) << *line;
  EXPECT_NEAR(2 * std::stoi(m[1]) + std::stoi(m[3]), GetSystemMetrics(SM_CXSCREEN), 1) << *line;
  EXPECT_NEAR(2 * std::stoi(m[2]) + std::stoi(m[4]), GetSystemMetrics(SM_CYSCREEN), 1) << *line;
  EXPECT_EQ(m[5], "\"Test publication\" disabled");
}

const char* const kNote =
    "\"Тип объекта должен быть Rectangle (Прямоугольник). Требуется версия NeoBook 4.0.9 или выше.\"";

}  // namespace

TEST_F(DialogsTest, EachActionOpensItsDialogLaidOutAsStored) {
  std::vector<HostText> two = {std::string("Rectangle1"), std::string("[V]")};
  bool ok = true;
  Lines report = Edit(kCreate, two, {DialogStep::Show(), DialogStep::Screenshot(PictureFolder() + "dialog-create.png"),
                                     DialogStep::Click(Button::Cancel)}, &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Has(report, "window \"Свойства\" client 433x175")) << report[1];
  EXPECT_EQ(Controls(report, {106, 107}),
            (Lines{"control 104 Static \"\" 4,52 37x39",
                   "control 105 Static " + std::string(kNote) + " 46,52 381x49" + kFont,
                   "control 103 Button \"\" 404,26 23x22",
                   "control 106 Static \"&Объект Rectangle:\" 4,8 *x13" + kFont,
                   "control 101 Edit \"Rectangle1\" 4,26 395x21" + kFont + " focused",
                   "control 1 Button \"OK\" 363,139 65x25" + kFont + " default",
                   "control 2 Button \"Отменить\" 5,139 65x25" + kFont,
                   "control 107 Static \"Имя переменной:\" 4,112 *x13" + kFont,
                   "control 102 Edit \"[V]\" 158,108 269x21" + kFont}));
  ExpectCentredOverTheDisabledPage(report);
  EXPECT_TRUE(IsWindowEnabled(page->window()));

  report = Edit(kExecute, two, {DialogStep::Show(), DialogStep::Screenshot(PictureFolder() + "dialog-execute.png"),
                                DialogStep::Click(Button::Cancel)});
  EXPECT_TRUE(Has(report, "control 107 Static \"Масштаб:\" 4,112"));

  // The one-field dialog is 180 pixels high outside, its buttons moved down with its bottom edge.
  std::vector<HostText> one = {std::string("Rectangle1")};
  report = Edit(kClose, one, {DialogStep::Show(), DialogStep::Screenshot(PictureFolder() + "dialog-close.png"),
                              DialogStep::Click(Button::Cancel)});
  EXPECT_TRUE(Has(report, "dialog-close.png\": 439x180")) << report.back();
  RECT frame = {0, 0, 433, 150};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
  const int grown = 180 - (frame.bottom - frame.top);
  const Lines controls = Controls(report, {106});
  EXPECT_EQ(controls.size(), 7u);
  EXPECT_TRUE(Has(controls, "control 1 Button \"OK\" 363," + std::to_string(116 + grown) + " 65x25" + kFont + " default"));
  EXPECT_TRUE(Has(controls, "control 2 Button \"Отменить\" 5," + std::to_string(114 + grown) + " 65x25" + kFont));
  EXPECT_TRUE(Has(controls, "control 106 Static \"Объект Rectangle:\" 4,8 *x13" + kFont));
  ExpectCentredOverTheDisabledPage(report);
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

// Each `show` of a report as the focused control's id and the default button's, "101/1".
Lines FocusAndDefault(const Lines& report) {
  Lines out;
  std::string focused, chosen;
  const std::regex control(R"(control (-?\d+) .*)");
  for (const std::string& line : report) {
    std::smatch m;
    if (line.rfind("  window ", 0) == 0 && !focused.empty()) out.push_back(focused + "/" + chosen);
    if (line.rfind("  window ", 0) == 0) focused.clear(), chosen.clear();
    if (!std::regex_search(line, m, control)) continue;
    if (line.find(" focused") != line.npos) focused = m[1];
    if (line.find(" default") != line.npos) chosen = m[1];
  }
  if (!focused.empty()) out.push_back(focused + "/" + chosen);
  return out;
}

TEST_F(DialogsTest, TheKeyboardMovesTheFocusAndEndsTheDialogAsInAnyDialog) {
  // Shift+Tab backwards through Edit1, OK, Cancel, Edit2; a focused button is the default one;
  // Alt and the label's underlined letter go to Edit1 from anywhere, another letter nowhere.
  const std::string o = "\xEE", O = "\xCE", zhe = "\xE6";  // Windows-1251 "о", "О", "ж"
  const std::pair<DialogStep, const char*> moves[] = {
      {DialogStep::Press(Key::ShiftTab), "102/1"}, {DialogStep::Press(Key::ShiftTab), "2/2"},
      {DialogStep::Press(Key::ShiftTab), "1/1"},   {DialogStep::Press(Key::ShiftTab), "101/1"},
      {DialogStep::Press(Key::Tab), "1/1"},        {DialogStep::Press(Key::Tab), "2/2"},
      {DialogStep::PressAlt(o), "101/1"},          {DialogStep::Press(Key::ShiftTab), "102/1"},
      {DialogStep::PressAlt(zhe), "102/1"},        {DialogStep::PressAlt(O), "101/1"},
  };
  Steps steps;
  Lines expected;
  for (const auto& [key, focus] : moves) {
    steps.insert(steps.end(), {key, DialogStep::Show()});
    expected.push_back(focus);
  }
  steps.push_back(DialogStep::Press(Key::Escape));
  std::vector<HostText> slots = {std::string("Rectangle1"), std::string("4")};
  bool ok = true;
  const Lines report = Edit(kExecute, slots, steps, &ok);
  Lines failed;  // the driver's word on a key it could not press: which layout it found
  for (const std::string& line : report)
    if (line.rfind("failed ", 0) == 0) failed.push_back(line);
  EXPECT_EQ(FocusAndDefault(report), expected)
      << ::testing::PrintToString(failed) << " with the keyboard layout " << GetKeyboardLayout(0);
  EXPECT_FALSE(ok);

  // Enter presses the focused button, or OK from a field; Escape cancels from anywhere.
  const DialogStep tab = DialogStep::Press(Key::Tab), enter = DialogStep::Press(Key::Enter);
  const struct {
    std::int32_t id;
    Steps keys;
    bool ok;
  } endings[] = {
      {kExecute, {enter}, true},           {kExecute, {tab, enter}, true},
      {kExecute, {tab, tab, enter}, false}, {kExecute, {tab, tab, tab, enter}, true},
      {kExecute, {DialogStep::Press(Key::ShiftTab), DialogStep::Press(Key::Escape)}, false},
      {kClose, {tab, enter}, true},        {kClose, {tab, tab, enter}, false},
      {kClose, {tab, DialogStep::Press(Key::Escape)}, false},
  };
  for (const auto& e : endings) {
    std::vector<HostText> kept = {std::string("Rectangle1"), std::string("4")};
    const Lines played = Edit(e.id, kept, e.keys, &ok);
    EXPECT_EQ(ok, e.ok) << ::testing::PrintToString(played);
    EXPECT_FALSE(Has(played, "WM_CLOSE")) << ::testing::PrintToString(played);
  }
}

TEST_F(DialogsTest, OkWritesEverySlotAndNothingElseDoes) {
  // OK with the texts as they were still hands back new blocks with equal texts; the host checks
  // that the old ones were freed and the new ones are fixed blocks of the exact size.
  std::vector<HostText> slots = {std::string("Rectangle1"), std::string("12")};
  bool ok = false;
  Edit(kExecute, slots, {DialogStep::Press(Key::Enter)}, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(slots, (std::vector<HostText>{std::string("Rectangle1"), std::string("12")}));
  EXPECT_EQ(host->replacedSlots(), (std::vector<bool>{true, true}));

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
    EXPECT_EQ(host->replacedSlots(), (std::vector<bool>{false, false})) << report.back();
    EXPECT_FALSE(Has(report, "not played")) << report.back();
  }
  std::vector<HostText> one = {std::string("Rectangle1")};
  Edit(kClose, one, {DialogStep::Type(1, "Rectangle3"), DialogStep::Press(Key::Escape)}, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(one, (std::vector<HostText>{std::string("Rectangle1")}));
  Edit(kClose, one, {DialogStep::Type(1, "Rectangle3"), DialogStep::Press(Key::Enter)}, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(one, (std::vector<HostText>{std::string("Rectangle3")}));
  EXPECT_EQ(host->replacedSlots(), (std::vector<bool>{true, false}));  // a one-field action writes one slot
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
  for (std::int32_t id : {kCreate, kExecute, kClose, 0}) {
    DialogDriver driver({DialogStep::Show()});
    EXPECT_FALSE(host->EditActionNullBlock(id)) << id;
    EXPECT_TRUE(Has(driver.Finish(), "not played show")) << id;
  }
}

TEST_F(DialogsTest, TheAboutBoxEndsOnOkEnterSpaceAndTheCloseBoxOnly) {
  const DialogStep endings[] = {DialogStep::Click(Button::Ok), DialogStep::Press(Key::Enter),
                                DialogStep::Press(Key::Space), DialogStep::Close()};
  for (const DialogStep& ending : endings) {
    const Lines report = About({DialogStep::Show(), DialogStep::Screenshot(PictureFolder() + "about.png"), ending});
    EXPECT_TRUE(Has(report, "window \"О плагине\" client 298x187")) << report.front();
    ExpectCentredOverTheDisabledPage(report);
    const std::string bold = " font \"MS Sans Serif\" 11 bold";
    EXPECT_EQ(Controls(report, {202, 204, 205}),
              (Lines{"control 1 Button \"OK\" 236,156 56x25" + kFont + " focused",
                     "control 201 Static \"Создание экранной лупы\" 9,81 280x24 font \"MS Sans Serif\" 19 bold",
                     "control 202 Static \"Версия 2010.01\" 112,113 *x13" + kFont,
                     "control 203 Static \"Дополнительные плагины для NeoBook\" 10,129 279x13" + kFont,
                     "control 204 Static \"© Vitrelle, 2010\" 60,155 *x13" + bold,
                     "control 205 Static \"Лупа для ваших публикаций\" 10,168 *x13" + bold}));
    EXPECT_FALSE(Has(report, "not played")) << report.back();
    EXPECT_FALSE(Has(report, "WM_CLOSE")) << report.back();  // it ended by itself, and only then
  }
  // Escape is not among them: the box stays until the driver gives up on it.
  const Lines report = About({DialogStep::Press(Key::Escape)});
  EXPECT_TRUE(Has(report, "WM_CLOSE")) << report.back();
}

namespace {

// Calls `look` with the window of this class once it shows, inside the call that opened it,
// then closes the window.
class OnceOpen {
public:
  OnceOpen(const wchar_t* className, std::function<void(HWND)> look) : className_(className), look_(std::move(look)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 100, Tick);
  }
  ~OnceOpen() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  OnceOpen(const OnceOpen&) = delete;
  OnceOpen& operator=(const OnceOpen&) = delete;

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    OnceOpen* self = current_;
    const HWND window = self != nullptr ? FindWindowW(self->className_, nullptr) : nullptr;
    if (window == nullptr || !IsWindowVisible(window) || self->seen_) return;
    self->seen_ = true;
    self->look_(window);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  static inline OnceOpen* current_ = nullptr;
  const wchar_t* className_;
  std::function<void(HWND)> look_;
  UINT_PTR timer_ = 0;
  bool seen_ = false;
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

  // The box's client area as the screen shows it.
  struct {
    std::unique_ptr<ScreenGrab> client;
    RECT rect = {};
  } grab;
  const auto pixel = [&grab](int x, int y) { return grab.client->At(grab.rect.left + x, grab.rect.top + y); };
  // The places of the title and of the series line, white but for their text.
  const RECT lines[] = {{9, 81, 289, 105}, {10, 129, 289, 142}};
  const auto inked = [&pixel](const RECT& place) {
    for (int y = place.top; y < place.bottom; ++y)
      for (int x = place.left; x < place.right; ++x)
        if (pixel(x, y) != 0xFFFFFFu) return true;
    return false;
  };
  {
    const OnceOpen open(L"VitrelleAboutForm", [&](HWND box) {
      GetClientRect(box, &grab.rect);
      MapWindowPoints(box, HWND_DESKTOP, reinterpret_cast<POINT*>(&grab.rect), 2);
      // On a busy machine the screen may show the labels one by one, a moment after the box:
      // read it again until both lines have ink.
      for (int attempt = 0; attempt < 20; ++attempt) {
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        grab.client = std::make_unique<ScreenGrab>(grab.rect);
        if (std::all_of(std::begin(lines), std::end(lines), inked)) break;
        Sleep(50);
      }
    });
    host->About();
  }
  ASSERT_NE(grab.client, nullptr);
  int wrong = 0;
  for (int y = 0; y < 73; ++y) {
    for (int x = 0; x < 298; ++x) {
      const std::uint8_t* p = banner.Row(y + 2) + x * 3;
      const std::uint32_t want = std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
      wrong += grab.client->At(grab.rect.left + x, grab.rect.top + y) != want;
    }
  }
  EXPECT_EQ(wrong, 0);
  // The grey band along the bottom, under the credit lines.
  EXPECT_EQ(pixel(2, 185), 0xC0C0C0u);
  EXPECT_EQ(pixel(2, 149), 0xFFFFFFu);
  // The credit lines let the band show through (left of OK, whose edges are white).
  int white = 0;
  for (int y = 151; y < 187; ++y)
    for (int x = 0; x < 230; ++x) white += pixel(x, y) == 0xFFFFFFu;
  EXPECT_EQ(white, 0);
  // The title and the series line are centred in their places.
  for (const RECT& place : lines) {
    int first = place.right, last = place.left - 1;
    for (int y = place.top; y < place.bottom; ++y)
      for (int x = place.left; x < place.right; ++x)
        if (pixel(x, y) != 0xFFFFFFu) first = std::min(first, x), last = std::max(last, x);
    ASSERT_LE(first, last) << place.top;
    EXPECT_NEAR(first - place.left, place.right - 1 - last, 1) << place.top;
  }
}

TEST_F(DialogsTest, EveryTextFitsItsControlAndNoTwoOverlap) {
  // Run at several screen densities: the layouts keep their pixels while the caption grows, which
  // takes its height from the one-field dialog's fixed outer height.
  const struct {
    std::int32_t id;  // 0: the About box
    const wchar_t* form;
    const char* picture;
  } windows[] = {{kCreate, L"VitrelleEditForm2", "dialog-create.png"},
                 {kExecute, L"VitrelleEditForm2", "dialog-execute.png"},
                 {kClose, L"VitrelleEditForm1", "dialog-close.png"},
                 {0, L"VitrelleAboutForm", "about.png"}};
  for (const auto& w : windows) {
    SCOPED_TRACE(w.id);
    Lines problems = {"the window did not show"};
    const OnceOpen open(w.form, [&](HWND window) {
      problems = TextFitProblems(window);
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
      try {
        SaveScreenshot(PictureFolder() + w.picture, WindowRectOf(window));
      } catch (const std::exception& e) {
        problems.push_back(e.what());  // nothing may unwind through the dialog's loop
      }
    });
    std::vector<HostText> slots = {std::string("Rectangle1"), std::string("[V]")};
    if (w.id == kClose) slots.pop_back();
    if (w.id == 0) host->About();
    else host->EditAction(w.id, slots);
    EXPECT_EQ(problems, Lines{}) << "at " << ScreenDpi() << " DPI";
  }
}
