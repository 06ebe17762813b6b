#include "framework/encoding.h"
#include "host/script.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

std::vector<Command> Parse(const std::string& text) { return ParseScript(text, "t.pub"); }

TEST(ScriptParse, ReadsEveryCommand) {
  const auto c = Parse(
      "page \"Demo\" 800 600\n"
      "rectangle \"Rectangle1\" 10 -20 200 150 #3366cC\n"
      "text 5 6 \"hello\"\n"
      "init\n"
      "interface off\n"
      "probe on\n"
      "pick refuse\n"
      "pick \"Rectangle1\"\n"
      "lookup objects\n"
      "lookup \"0\"\n"
      "VitrelleCreate \"Rectangle1\" \"\"\n"
      "edit VitrelleClose \"R\"\n"
      "send \"R\" -1\n"
      "about\n"
      "about 250\n");
  ASSERT_EQ(c.size(), 15u);
  EXPECT_EQ(c[0].texts, std::vector<std::string>{"Demo"});
  EXPECT_EQ(c[0].numbers, (std::vector<std::int32_t>{800, 600}));
  EXPECT_EQ(c[1].numbers, (std::vector<std::int32_t>{10, -20, 200, 150}));
  EXPECT_EQ(c[1].colour, 0x3366CCu);
  EXPECT_EQ(c[2].numbers, (std::vector<std::int32_t>{5, 6}));
  EXPECT_EQ(c[2].colour, 0u);
  EXPECT_EQ(c[3].verb, Verb::Init);
  EXPECT_FALSE(c[4].on);
  EXPECT_TRUE(c[5].on);
  EXPECT_TRUE(c[6].texts.empty());
  EXPECT_EQ(c[7].texts, std::vector<std::string>{"Rectangle1"});
  EXPECT_TRUE(c[8].texts.empty());
  EXPECT_EQ(c[9].texts, std::vector<std::string>{"0"});
  EXPECT_EQ(c[10].verb, Verb::Action);
  EXPECT_EQ(c[10].action, "VitrelleCreate");
  EXPECT_EQ(c[10].texts, (std::vector<std::string>{"Rectangle1", ""}));
  EXPECT_EQ(c[11].verb, Verb::Edit);
  EXPECT_EQ(c[11].action, "VitrelleClose");
  EXPECT_EQ(c[12].numbers, std::vector<std::int32_t>{-1});
  EXPECT_EQ(c[13].numbers, std::vector<std::int32_t>{1000});
  EXPECT_EQ(c[14].numbers, std::vector<std::int32_t>{250});
}

TEST(ScriptParse, ReadsKeys) {
  const auto c = Parse("key left 64\nkey shift menu\n");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].numbers, (std::vector<std::int32_t>{0, 0, 64}));
  EXPECT_EQ(c[1].numbers, (std::vector<std::int32_t>{9, 2, 1}));
}

TEST(ScriptParse, ReadsPicturesAndLines) {
  const auto c = Parse(
      "page \"Demo\" 800 600\n"
      "picture -5 6 70 80\n"
      "lines 1 -2 30 4 #0a0B0c\n"
      "lines 0 0 1 1\n");
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[1].verb, Verb::Picture);
  EXPECT_EQ(c[1].numbers, (std::vector<std::int32_t>{-5, 6, 70, 80}));
  EXPECT_EQ(c[2].verb, Verb::Lines);
  EXPECT_EQ(c[2].numbers, (std::vector<std::int32_t>{1, -2, 30, 4}));
  EXPECT_EQ(c[2].colour, 0x0A0B0Cu);
  EXPECT_EQ(c[3].colour, 0u);
}

TEST(ScriptParse, ReadsDialogSteps) {
  const auto c = Parse(
      "dialog type 1 \"Прямоугольник\"\n"
      "dialog type 2 \"\"\n"
      "dialog press enter\n"
      "dialog press escape\n"
      "dialog press space\n"
      "dialog press tab\n"
      "dialog press shift_tab\n"
      "dialog press alt \"\xD0\x9E\"\n"
      "edit VitrelleCreate \"R\" \"[V]\"\n"
      "dialog click ok\n"
      "dialog click cancel\n"
      "dialog click picker\n"
      "dialog close\n"
      "dialog screenshot \"d.png\"\n"
      "dialog show\n"
      "about\n");
  using Key = DialogStep::Key;
  using Button = DialogStep::Button;
  const DialogStep steps[] = {
      DialogStep::Type(1, "\xCF\xF0\xFF\xEC\xEE\xF3\xE3\xEE\xEB\xFC\xED\xE8\xEA"), DialogStep::Type(2, ""),
      DialogStep::Press(Key::Enter), DialogStep::Press(Key::Escape), DialogStep::Press(Key::Space),
      DialogStep::Press(Key::Tab), DialogStep::Press(Key::ShiftTab), DialogStep::PressAlt("\xCE"),
      DialogStep::Click(Button::Ok), DialogStep::Click(Button::Cancel),
      DialogStep::Click(Button::Picker), DialogStep::Close(), DialogStep::Screenshot("d.png"), DialogStep::Show(),
  };
  ASSERT_EQ(c.size(), std::size(steps) + 2);
  std::size_t k = 0;
  for (const Command& command : c) {
    if (command.verb != Verb::Dialog) continue;
    EXPECT_TRUE(command.step == steps[k]) << command.source;
    ++k;
  }
  EXPECT_EQ(k, std::size(steps));
  EXPECT_EQ(c[8].verb, Verb::Edit);
  EXPECT_EQ(c[15].verb, Verb::About);
}

TEST(ScriptParse, CountsEveryPhysicalLine) {
  // BOM, CRLF, comments, blank and blank-only lines, no final newline.
  const auto c = Parse("\xEF\xBB\xBF# comment\r\n\r\n  \t\r\n  init  \r\n\t# indented comment\nregister");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].line, 4);
  EXPECT_EQ(c[0].source, "init");
  EXPECT_EQ(c[1].line, 6);
}

TEST(ScriptParse, StringsDoubleTheirQuotesAndArriveInCp1251) {
  const auto c = Parse(
      "print \"say \"\"hi\"\"\"\n"
      "print \"\"\"\"\n"
      "print \"a # b\"\n"
      "print \"Лупа №1\"\n");
  EXPECT_EQ(c[0].texts[0], "say \"hi\"");
  EXPECT_EQ(c[1].texts[0], "\"");
  EXPECT_EQ(c[2].texts[0], "a # b");
  EXPECT_EQ(c[3].texts[0], "\xCB\xF3\xEF\xE0 \xB9" "1");
}

struct Malformed {
  const char* script;
  const char* message;
};

class ScriptErrors : public ::testing::TestWithParam<Malformed> {};

TEST_P(ScriptErrors, NameTheLineAndTheFault) {
  try {
    Parse(GetParam().script);
    FAIL() << "parsed: " << GetParam().script;
  } catch (const ScriptError& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  }
}

const Malformed kMalformed[] = {
    {"foo", "t.pub:1: unknown command 'foo'"},
    {"regster 1", "t.pub:1: unknown command 'regster'"},
    {"Page \"T\" 1 1", "t.pub:1: parameters of action 'Page' must be quoted strings"},
    {"VitrelleExecute \"R\" 4", "t.pub:1: parameters of action 'VitrelleExecute' must be quoted strings"},
    {"\"init\"", "t.pub:1: a line must start with a command"},
    {"42", "t.pub:1: a line must start with a command"},
    {"wa!t 5", "t.pub:1: unexpected 'wa!t'"},
    {"print \"x\"#", "t.pub:1: expected a blank after a closing quote"},
    {"print \"open", "t.pub:1: unterminated string"},
    {"print \"ends with doubled \"\"", "t.pub:1: unterminated string"},
    {"print \"Ωmega\"", "t.pub:1: text has a character outside Windows-1251"},
    {"print \"\xD0\"", "t.pub:1: malformed UTF-8 text"},
    {"print", "t.pub:1: usage: print \"[VARIABLE]\""},
    {"page \"T\" 800", "t.pub:1: usage: page \"TITLE\" WIDTH HEIGHT"},
    {"page \"T\" 800 600 1", "t.pub:1: usage: page \"TITLE\" WIDTH HEIGHT"},
    {"page \"T\" 0 600", "t.pub:1: sizes must be positive"},
    {"page \"T\" 80x 600", "t.pub:1: bad number '80x'"},
    {"page \"T\" 2147483648 600", "t.pub:1: bad number '2147483648'"},
    {"page \"T\" - 600", "t.pub:1: bad number '-'"},
    {"page \"T\" +8 600", "t.pub:1: unexpected '+8'"},
    {"page \"A\" 1 1\npage \"B\" 1 1", "t.pub:2: a publication has one page"},
    {"rectangle \"R\" 0 0 10 10", "t.pub:1: 'rectangle' needs a page first"},
    {"text 0 0 \"x\"", "t.pub:1: 'text' needs a page first"},
    {"page \"A\" 1 1\nrectangle \"R\" 0 0 10 10 #12345", "t.pub:2: bad colour '#12345' (expected #RRGGBB)"},
    {"page \"A\" 1 1\nrectangle \"R\" 0 0 10 10 #GG0000", "t.pub:2: bad colour '#GG0000' (expected #RRGGBB)"},
    {"page \"A\" 1 1\nrectangle \"R\" 0 0 10 10 red",
     "t.pub:2: usage: rectangle \"NAME\" X Y WIDTH HEIGHT [#RRGGBB]"},
    {"page \"A\" 1 1\ntext 0 0 \"x\" #000000 #000000", "t.pub:2: usage: text X Y \"TEXT\" [#RRGGBB]"},
    {"picture 0 0 10 10", "t.pub:1: 'picture' needs a page first"},
    {"lines 0 0 10 10", "t.pub:1: 'lines' needs a page first"},
    {"page \"A\" 1 1\npicture 0 0 10 0", "t.pub:2: sizes must be positive"},
    {"page \"A\" 1 1\nlines 0 0 -4 10", "t.pub:2: sizes must be positive"},
    {"page \"A\" 1 1\npicture 0 0 10 10 #FFFFFF", "t.pub:2: usage: picture X Y WIDTH HEIGHT"},
    {"page \"A\" 1 1\nlines 0 0 10", "t.pub:2: usage: lines X Y WIDTH HEIGHT [#RRGGBB]"},
    {"page \"A\" 1 1\nlines 0 0 10 10 #000000 #000000", "t.pub:2: usage: lines X Y WIDTH HEIGHT [#RRGGBB]"},
    {"init now", "t.pub:1: usage: init"},
    {"interface maybe", "t.pub:1: usage: interface on|off"},
    {"probe", "t.pub:1: usage: probe on|off"},
    {"pick nobody", "t.pub:1: usage: pick \"NAME\" | pick refuse"},
    {"lookup", "t.pub:1: usage: lookup \"TEXT\" | lookup objects"},
    {"edit \"R\"", "t.pub:1: usage: edit ACTION \"PARAM\" ..."},
    {"edit VitrelleClose", "t.pub:1: usage: edit ACTION \"PARAM\" ..."},
    {"edit VitrelleClose \"R\" 1", "t.pub:1: usage: edit ACTION \"PARAM\" ..."},
    {"wait -1", "t.pub:1: a delay cannot be negative"},
    {"about -5", "t.pub:1: a delay cannot be negative"},
    {"send \"R\" x", "t.pub:1: usage: send \"OBJECT\" LPARAM"},
    {"key ctrl shift left", "t.pub:1: usage: key [ctrl|shift] left|right|up|down|home|plus|minus|pageup|pagedown|menu|escape [TIMES]"},
    {"# fine\n\nscreenshot shot.png", "t.pub:3: unexpected 'shot.png'"},
    {"dialog", "t.pub:1: usage: dialog type|press|click|close|screenshot|show ..."},
    {"dialog \"show\"", "t.pub:1: usage: dialog type|press|click|close|screenshot|show ..."},
    {"dialog 1 \"x\"", "t.pub:1: usage: dialog type|press|click|close|screenshot|show ..."},
    {"dialog tpye 1 \"x\"", "t.pub:1: unknown dialog step 'tpye'"},
    {"dialog type \"x\"", "t.pub:1: usage: dialog type 1|2 \"TEXT\""},
    {"dialog type 3 \"x\"", "t.pub:1: usage: dialog type 1|2 \"TEXT\""},
    {"dialog type 0 \"x\"", "t.pub:1: usage: dialog type 1|2 \"TEXT\""},
    {"dialog type 1", "t.pub:1: usage: dialog type 1|2 \"TEXT\""},
    {"dialog type 1 \"x\" \"y\"", "t.pub:1: usage: dialog type 1|2 \"TEXT\""},
    {"dialog type 1 \"Ωmega\"", "t.pub:1: text has a character outside Windows-1251"},
    {"dialog press", "t.pub:1: usage: dialog press enter|escape|space|tab|shift_tab|alt \"LETTER\""},
    {"dialog press return", "t.pub:1: usage: dialog press enter|escape|space|tab|shift_tab|alt \"LETTER\""},
    {"dialog press Enter", "t.pub:1: usage: dialog press enter|escape|space|tab|shift_tab|alt \"LETTER\""},
    {"dialog press alt", "t.pub:1: usage: dialog press enter|escape|space|tab|shift_tab|alt \"LETTER\""},
    {"dialog press alt \"ab\"", "t.pub:1: usage: dialog press enter|escape|space|tab|shift_tab|alt \"LETTER\""},
    {"dialog press enter tab", "t.pub:1: usage: dialog press enter|escape|space|tab|shift_tab|alt \"LETTER\""},
    {"dialog click", "t.pub:1: usage: dialog click ok|cancel|picker"},
    {"dialog click 1", "t.pub:1: usage: dialog click ok|cancel|picker"},
    {"dialog click apply", "t.pub:1: usage: dialog click ok|cancel|picker"},
    {"dialog close now", "t.pub:1: usage: dialog close"},
    {"dialog screenshot", "t.pub:1: usage: dialog screenshot \"FILE.png\""},
    {"dialog show 1", "t.pub:1: usage: dialog show"},
    {"dialog show\ninit", "t.pub:1: dialog steps with no 'edit' or 'about' after them"},
    {"about\ndialog show\nabout\n\ndialog close\ndialog show",
     "t.pub:5: dialog steps with no 'edit' or 'about' after them"},
};

INSTANTIATE_TEST_SUITE_P(Table, ScriptErrors, ::testing::ValuesIn(kMalformed));

TEST(ScriptLoad, MissingFileIsAScriptError) {
  EXPECT_THROW(LoadScript("/nonexistent/demo.pub"), ScriptError);
}

// Scripts in a fresh folder of their own.
class ScriptFiles : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("script_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_ / "sub");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }

  std::filesystem::path dir_;
};

TEST_F(ScriptFiles, IncludedCommandsArePlayedInPlaceAndKnowTheirScript) {
  Write("sub/page.pub", "page \"P\" 100 100\n\ninclude \"more.pub\"\n");
  Write("sub/more.pub", "text 1 2 \"t\"\n");
  const std::string top = Write("top.pub", "include \"sub/page.pub\"\ninit\n");
  const auto c = LoadScript(top);
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].verb, Verb::Page);
  EXPECT_EQ(c[0].line, 1);
  EXPECT_EQ(c[0].file, (dir_ / "sub/page.pub").string());
  EXPECT_EQ(c[1].verb, Verb::Text);  // the page of the including script counts
  EXPECT_EQ(c[1].file, (dir_ / "sub/more.pub").string());
  EXPECT_EQ(c[2].verb, Verb::Init);
  EXPECT_EQ(c[2].line, 2);
  EXPECT_EQ(c[2].file, top);
}

TEST_F(ScriptFiles, DialogStepsReachAcrossIncludes) {
  Write("steps.pub", "dialog show\n");
  EXPECT_EQ(LoadScript(Write("ok.pub", "include \"steps.pub\"\nabout\n")).size(), 2u);
  const std::string stranded = Write("stranded.pub", "include \"steps.pub\"\ninit\n");
  EXPECT_THROW(
      try { LoadScript(stranded); } catch (const ScriptError& e) {
        EXPECT_EQ(std::string(e.what()),
                  (dir_ / "steps.pub").string() + ":1: dialog steps with no 'edit' or 'about' after them");
        throw;
      },
      ScriptError);
}

TEST_F(ScriptFiles, IncludeFailuresNameTheIncludingLine) {
  const std::string missing = Write("missing.pub", "init\ninclude \"nowhere.pub\"\n");
  EXPECT_THROW(
      try { LoadScript(missing); } catch (const ScriptError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(missing + ":2: cannot read the script", 0), 0u) << e.what();
        throw;
      },
      ScriptError);
  const std::string loop = Write("loop.pub", "include \"loop.pub\"\n");
  EXPECT_THROW(
      try { LoadScript(loop); } catch (const ScriptError& e) {
        EXPECT_EQ(std::string(e.what()), loop + ":1: scripts include each other too deeply");
        throw;
      },
      ScriptError);
  const std::string bad = Write("bad.pub", "include \"sub/x.pub\"\n");
  Write("sub/x.pub", "\nbogus 1\n");
  EXPECT_THROW(
      try { LoadScript(bad); } catch (const ScriptError& e) {
        EXPECT_EQ(std::string(e.what()), (dir_ / "sub/x.pub").string() + ":2: unknown command 'bogus'");
        throw;
      },
      ScriptError);
}

TEST(Cp1251, CyrillicRoundTrips) {
  const std::string utf8 = "Экранная лупа: АБВ…Яабв…я Ёё Ђђ Її Ґґ №€«»";
  const std::string bytes = Utf8ToCp1251(utf8);
  EXPECT_EQ(bytes.substr(0, 7), "\xDD\xEA\xF0\xE0\xED\xED\xE0");
  EXPECT_EQ(Cp1251ToUtf8(bytes), utf8);
}

TEST(Cp1251, EveryAssignedByteRoundTrips) {
  std::string all;
  for (int b = 1; b < 256; ++b)
    if (b != 0x98) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, UnassignedByteShowsAsReplacementCharacter) {
  EXPECT_EQ(Cp1251ToUtf8("a\x98z"), "a\xEF\xBF\xBDz");
}

}  // namespace
