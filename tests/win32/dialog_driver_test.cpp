// The dialog driver against a modal dialog of the test's own, built like the plug-in's: two fields
// (101, 102), OK, Cancel and an owner-drawn picker button (103) without a tab stop, over a page.
#include "framework/encoding.h"
#include "host/dialog_driver.h"
#include "host/publication.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

using Key = DialogStep::Key;
using Button = DialogStep::Button;
using Lines = std::vector<std::string>;

constexpr COLORREF kPickerColour = RGB(255, 0, 255);
constexpr int kClientWidth = 300, kClientHeight = 120;

// An in-memory dialog template: DWORD-aligned items, controls named by their class atoms.
class DialogTemplate {
public:
  DialogTemplate(DWORD style, const wchar_t* caption) {
    PutLong(style);
    PutLong(0);
    words_.push_back(0);  // item count, kept up to date by Add
    words_.insert(words_.end(), {0, 0, 150, 60});
    words_.insert(words_.end(), {0, 0});  // no menu, the standard class
    PutText(caption);
  }
  void Add(WORD classAtom, int id, DWORD style, const wchar_t* text) {
    if (words_.size() % 2) words_.push_back(0);
    PutLong(WS_CHILD | WS_VISIBLE | style);
    PutLong(0);
    words_.insert(words_.end(), {0, 0, 10, 10, WORD(id), 0xFFFF, classAtom});
    PutText(text);
    words_.push_back(0);  // no creation data
    ++words_[4];
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
  void PutLong(DWORD value) { words_.insert(words_.end(), {LOWORD(value), HIWORD(value)}); }
  void PutText(const wchar_t* text) { words_.insert(words_.end(), text, text + wcslen(text) + 1); }

  std::vector<WORD> words_;
};

constexpr WORD kButtonAtom = 0x0080, kEditAtom = 0x0081;

// The dialog under test and what it saw.
struct TestDialog {
  bool secondField = true;
  bool pickerEnabled = true;
  bool askOnOk = false;  // OK asks a question in a message box of its own first

  std::wstring field1, field2;  // the fields when the dialog ended
  int pickerClicks = 0;
  int closeBoxes = 0;
  RECT outer = {};          // the window on the screen when it ended
  POINT clientOrigin = {};  // its client area's top left there

  INT_PTR Run(HWND owner) {
    DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, L"Свойства");
    t.Add(kEditAtom, 101, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, L"Rectangle1");
    if (secondField) t.Add(kEditAtom, 102, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, L"[V]");
    t.Add(kButtonAtom, IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, L"OK");
    t.Add(kButtonAtom, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, L"Отменить");
    t.Add(kButtonAtom, 103, BS_OWNERDRAW | (pickerEnabled ? 0 : WS_DISABLED), L"");
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, &Proc, reinterpret_cast<LPARAM>(this));
  }

private:
  static void Place(HWND dialog, int id, int x, int y, int width, int height) {
    if (const HWND control = GetDlgItem(dialog, id)) MoveWindow(control, x, y, width, height, FALSE);
  }

  static std::wstring Text(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
  }

  void End(HWND dialog, int result) {
    field1 = Text(dialog, 101);
    field2 = Text(dialog, 102);
    GetWindowRect(dialog, &outer);
    clientOrigin = {};
    ClientToScreen(dialog, &clientOrigin);
    EndDialog(dialog, result);
  }

  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TestDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
      case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        // Pixel places, whatever the dialog font, so that `show` can be checked exactly.
        Place(dialog, 101, 10, 10, 200, 22);
        Place(dialog, 102, 10, 40, 200, 22);
        Place(dialog, IDOK, 120, 84, 80, 26);
        Place(dialog, IDCANCEL, 210, 84, 80, 26);
        Place(dialog, 103, 220, 10, 24, 22);
        RECT outer = {0, 0, kClientWidth, kClientHeight};
        AdjustWindowRectEx(&outer, DWORD(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                           DWORD(GetWindowLongW(dialog, GWL_EXSTYLE)));
        SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
      }
      case WM_COMMAND:
        if (LOWORD(wParam) == 103 && HIWORD(wParam) == BN_CLICKED) ++self->pickerClicks;
        if (LOWORD(wParam) == IDOK && self->askOnOk) MessageBoxW(dialog, L"Сохранить?", L"Вопрос", MB_OK);
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) self->End(dialog, LOWORD(wParam));
        return TRUE;
      case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) ++self->closeBoxes;
        return FALSE;
      case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const HBRUSH brush = CreateSolidBrush(kPickerColour);
        FillRect(item->hDC, &item->rcItem, brush);
        DeleteObject(brush);
        return TRUE;
      }
      default:
        return FALSE;
    }
  }
};

class DialogDriverTest : public ::testing::Test {
protected:
  void SetUp() override {
    page = std::make_unique<Publication>("Page", 400, 300);
    Publication::Pump(50);
  }
  // A window that was open before the driver started is never driven nor closed.
  void TearDown() override { EXPECT_TRUE(IsWindowVisible(page->window())); }

  // Runs the dialog, owned by the page, with a driver playing these steps.
  INT_PTR Run(std::vector<DialogStep> steps, int graceMilliseconds = 1000) {
    DialogDriver driver(std::move(steps), graceMilliseconds);
    const INT_PTR result = dialog.Run(page->window());
    report = driver.Finish();
    return result;
  }

  std::unique_ptr<Publication> page;
  TestDialog dialog;
  Lines report;
};

TEST_F(DialogDriverTest, TypesIntoBothFieldsAndEnterPressesOk) {
  const std::string name = Utf8ToCp1251("Прямоугольник №2"), variable = Utf8ToCp1251("[Ширина \"x\"]");
  EXPECT_EQ(Run({DialogStep::Type(1, name), DialogStep::Type(2, variable), DialogStep::Type(2, ""),
                 DialogStep::Type(2, variable), DialogStep::Press(Key::Enter)}),
            IDOK);
  EXPECT_EQ(dialog.field1, L"Прямоугольник №2");
  EXPECT_EQ(dialog.field2, L"[Ширина \"x\"]");
  EXPECT_EQ(report, (Lines{"played type 1 \"Прямоугольник №2\"", "played type 2 \"[Ширина \"\"x\"\"]\"",
                           "played type 2 \"\"", "played type 2 \"[Ширина \"\"x\"\"]\"", "played press enter"}));
}

TEST_F(DialogDriverTest, EscapeAndTheCloseBoxCancel) {
  EXPECT_EQ(Run({DialogStep::Type(1, "changed"), DialogStep::Press(Key::Escape)}), IDCANCEL);
  EXPECT_EQ(report, (Lines{"played type 1 \"changed\"", "played press escape"}));
  EXPECT_EQ(dialog.closeBoxes, 0);

  EXPECT_EQ(Run({DialogStep::Close()}), IDCANCEL);
  EXPECT_EQ(report, Lines{"played close"});
  EXPECT_EQ(dialog.closeBoxes, 1);
}

TEST_F(DialogDriverTest, ClicksReachTheDialog) {
  EXPECT_EQ(Run({DialogStep::Click(Button::Picker), DialogStep::Click(Button::Picker), DialogStep::Click(Button::Ok)}),
            IDOK);
  EXPECT_EQ(dialog.pickerClicks, 2);
  EXPECT_EQ(report, (Lines{"played click picker", "played click picker", "played click ok"}));

  EXPECT_EQ(Run({DialogStep::Click(Button::Cancel)}), IDCANCEL);
}

TEST_F(DialogDriverTest, KeysFollowTheTabOrderAndSpacePressesTheFocusedButton) {
  // 101, 102, OK, Cancel: the picker takes no focus.
  EXPECT_EQ(Run({DialogStep::Press(Key::Tab), DialogStep::Show(), DialogStep::Press(Key::Tab),
                 DialogStep::Press(Key::Tab), DialogStep::Show(), DialogStep::Press(Key::Space)}),
            IDCANCEL);
  ASSERT_EQ(report.size(), 1u + 7u + 2u + 7u + 1u) << ::testing::PrintToString(report);
  EXPECT_EQ(report[3], "  control 101 Edit \"Rectangle1\" 10,10 200x22");
  EXPECT_EQ(report[4], "  control 102 Edit \"[V]\" 10,40 200x22 focused");
  EXPECT_EQ(report[14], "  control 1 Button \"OK\" 120,84 80x26");
  EXPECT_EQ(report[15], "  control 2 Button \"Отменить\" 210,84 80x26 focused default");
  EXPECT_EQ(report.back(), "played press space");

  // Shift+Tab goes backwards, from the first field round to Cancel.
  EXPECT_EQ(Run({DialogStep::Press(Key::ShiftTab), DialogStep::Press(Key::Space)}), IDCANCEL);
}

TEST_F(DialogDriverTest, ShowListsTheWindowAndItsControlsInZOrder) {
  dialog.pickerEnabled = false;
  Run({DialogStep::Show(), DialogStep::Click(Button::Ok)});
  const std::string placed = std::to_string(dialog.outer.left) + "," + std::to_string(dialog.outer.top) + " " +
                             std::to_string(dialog.outer.right - dialog.outer.left) + "x" +
                             std::to_string(dialog.outer.bottom - dialog.outer.top);
  EXPECT_EQ(report, (Lines{
                        "played show",
                        "  window \"Свойства\" client 300x120 at " + placed + " owner \"Page\" disabled",
                        "  control 101 Edit \"Rectangle1\" 10,10 200x22 focused",
                        "  control 102 Edit \"[V]\" 10,40 200x22",
                        "  control 1 Button \"OK\" 120,84 80x26 default",
                        "  control 2 Button \"Отменить\" 210,84 80x26",
                        "  control 103 Button \"\" 220,10 24x22 disabled",
                        "played click ok",
                    }));
}

TEST_F(DialogDriverTest, StepsAnAuthorCouldNotTakeFailAndTheRestPlay) {
  dialog.secondField = false;
  dialog.pickerEnabled = false;
  EXPECT_EQ(Run({DialogStep::Type(2, "x"), DialogStep::Click(Button::Picker), DialogStep::Type(1, "y"),
                 DialogStep::Click(Button::Ok)}),
            IDOK);
  EXPECT_EQ(dialog.pickerClicks, 0);
  EXPECT_EQ(dialog.field1, L"y");
  EXPECT_EQ(report, (Lines{"failed type 2 \"x\": no control 102", "failed click picker: control 103 is disabled",
                           "played type 1 \"y\"", "played click ok"}));
}

TEST_F(DialogDriverTest, StepsAfterTheDialogClosedAreNotPlayed) {
  EXPECT_EQ(Run({DialogStep::Click(Button::Ok), DialogStep::Type(1, "x"), DialogStep::Press(Key::Tab)}), IDOK);
  EXPECT_EQ(dialog.field1, L"Rectangle1");
  EXPECT_EQ(report, (Lines{"played click ok", "not played type 1 \"x\": the dialog had closed",
                           "not played press tab: the dialog had closed"}));

  DialogDriver driver({DialogStep::Show()});
  Publication::Pump(200);
  EXPECT_EQ(driver.Finish(), Lines{"not played show: no dialog opened"});
}

TEST_F(DialogDriverTest, ADialogLeftOpenIsClosedAfterTheGracePeriod) {
  const DWORD start = GetTickCount();
  EXPECT_EQ(Run({DialogStep::Show()}, 300), IDCANCEL);
  EXPECT_GE(GetTickCount() - start, 300u);
  ASSERT_FALSE(report.empty());
  EXPECT_EQ(report.back(), "sent WM_CLOSE to \"Свойства\": open 300 ms after the last step");

  EXPECT_EQ(Run({}, 300), IDCANCEL);
  EXPECT_EQ(report, Lines{"sent WM_CLOSE to \"Свойства\": open 300 ms after the last step"});
}

TEST_F(DialogDriverTest, AWindowThatAStepOpensIsClosedToo) {
  dialog.askOnOk = true;
  EXPECT_EQ(Run({DialogStep::Click(Button::Ok), DialogStep::Show()}, 300), IDOK);
  EXPECT_EQ(report, (Lines{"sent WM_CLOSE to \"Вопрос\": open 300 ms into a step", "played click ok",
                           "not played show: the dialog had closed"}));
}

// The picture's pixels, decoded from the writer's own layout: 8-bit RGB rows, filter type 0.
struct Picture {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rows;
  COLORREF At(int x, int y) const {
    const std::uint8_t* p = &rows[std::size_t(y) * (width * 3 + 1) + 1 + std::size_t(x) * 3];
    return RGB(p[0], p[1], p[2]);
  }
};

std::uint32_t BigEndian(const std::uint8_t* p) { return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

Picture ReadPicture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  Picture picture;
  std::vector<std::uint8_t> compressed;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::uint32_t length = BigEndian(&file[at]);
    const std::string type(file.begin() + at + 4, file.begin() + at + 8);
    if (type == "IHDR") {
      picture.width = BigEndian(&file[at + 8]);
      picture.height = BigEndian(&file[at + 12]);
    }
    if (type == "IDAT") compressed.insert(compressed.end(), file.begin() + at + 8, file.begin() + at + 8 + length);
    at += 12 + length;
  }
  uLongf size = (picture.width * 3 + 1) * picture.height;
  picture.rows.resize(size);
  if (uncompress(picture.rows.data(), &size, compressed.data(), uLong(compressed.size())) != Z_OK) picture.rows.clear();
  return picture;
}

TEST_F(DialogDriverTest, ScreenshotIsTheDialogAsShown) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "dialog_driver_test.png";
  std::remove(path.c_str());
  EXPECT_EQ(Run({DialogStep::Screenshot(path), DialogStep::Click(Button::Cancel)}), IDCANCEL);

  const LONG width = dialog.outer.right - dialog.outer.left, height = dialog.outer.bottom - dialog.outer.top;
  ASSERT_EQ(report.size(), 2u);
  EXPECT_EQ(report[0], "played screenshot \"" + path + "\": " + std::to_string(width) + "x" + std::to_string(height));
  const Picture picture = ReadPicture(path);
  std::remove(path.c_str());
  ASSERT_EQ(picture.width, std::uint32_t(width));
  ASSERT_EQ(picture.height, std::uint32_t(height));
  ASSERT_FALSE(picture.rows.empty());
  // The picker's colour in the middle of the picker, the dialog's face beside the fields.
  const int left = dialog.clientOrigin.x - dialog.outer.left, top = dialog.clientOrigin.y - dialog.outer.top;
  EXPECT_EQ(picture.At(left + 232, top + 21), kPickerColour);
  EXPECT_EQ(picture.At(left + 260, top + 50), GetSysColor(COLOR_3DFACE));
}

}  // namespace
