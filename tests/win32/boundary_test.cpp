// The plug-in boundary through the real DLL: exports, hand-over, catalogue, dispatch and the
// result protocol, as a host calling with the register convention sees them.
#include "heap_usage.h"
#include "host/dialog_driver.h"
#include "host_fixture.h"

#include "host/thunks.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <fstream>
#include <set>

namespace {

const std::string kVersionMessage = "This function requires NeoBook 4.0.9 or higher.";

template <typename T>
const T* At(HMODULE module, DWORD rva) {
  return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

const IMAGE_NT_HEADERS32* Headers(HMODULE module) {
  const auto* dos = At<IMAGE_DOS_HEADER>(module, 0);
  return At<IMAGE_NT_HEADERS32>(module, dos->e_lfanew);
}

}  // namespace

TEST_F(HostTest, ExportsExactlyTheNineRoutinesByNameAndOrdinal) {
  const auto* nt = Headers(host->module());
  EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
  EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL);

  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = At<IMAGE_EXPORT_DIRECTORY>(host->module(), dir.VirtualAddress);
  EXPECT_STREQ(At<char>(host->module(), exports->Name), "Vitrelle.nbp");
  ASSERT_EQ(exports->NumberOfFunctions, 9u);
  ASSERT_EQ(exports->NumberOfNames, 9u);
  EXPECT_EQ(exports->Base, 1u);

  const char* const expected[9] = {"nbAbout", "nbMessage", "nbRegisterStreamAccess", "nbRegisterInterfaceAccess",
                                   "nbRegisterScriptProcessor", "nbRegisterPlugIn", "nbInitPlugIn",
                                   "nbExecAction", "nbEditAction"};
  const auto* names = At<DWORD>(host->module(), exports->AddressOfNames);
  const auto* ordinals = At<WORD>(host->module(), exports->AddressOfNameOrdinals);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    const std::string name = At<char>(host->module(), names[i]);
    const auto* where = std::find_if(std::begin(expected), std::end(expected), [&](const char* e) { return name == e; });
    ASSERT_NE(where, std::end(expected)) << "unexpected export " << name;
    EXPECT_EQ(ordinals[i] + exports->Base, static_cast<DWORD>(where - std::begin(expected) + 1)) << name;
  }
}

// Windows system libraries only, and of those only functions that Windows XP has too.
TEST_F(HostTest, ImportsOnlySystemFunctionsThatWindowsXPHas) {
  std::set<std::string> onXP;
  std::ifstream list(VITRELLE_SOURCE_DIR "/tests/win32/xp_imports.txt");
  for (std::string line; std::getline(list, line);)
    if (!line.empty() && line[0] != '#') onXP.insert(line);
  ASSERT_GT(onXP.size(), 100u);

  const auto* nt = Headers(host->module());
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  int count = 0;
  for (const auto* imp = At<IMAGE_IMPORT_DESCRIPTOR>(host->module(), dir.VirtualAddress); imp->Name; ++imp) {
    std::string library = At<char>(host->module(), imp->Name);
    std::transform(library.begin(), library.end(), library.begin(), [](unsigned char c) { return std::toupper(c); });
    for (const auto* name = At<IMAGE_THUNK_DATA32>(host->module(), imp->OriginalFirstThunk); name->u1.AddressOfData;
         ++name, ++count) {
      ASSERT_FALSE(IMAGE_SNAP_BY_ORDINAL32(name->u1.Ordinal)) << library << " by ordinal";
      const std::string function = library + " " + At<IMAGE_IMPORT_BY_NAME>(host->module(), name->u1.AddressOfData)->Name;
      EXPECT_TRUE(onXP.count(function)) << "imports " << function;
    }
  }
  EXPECT_GT(count, 0);
}

TEST_F(HostTest, InitFillsTheThreeSlotsWithExactBlocks) {
  const InitStrings got = host->InitPlugIn();
  EXPECT_EQ(got.title, "Vitrelle [2011.02]");
  ASSERT_TRUE(got.author);
  EXPECT_FALSE(got.author->empty());
  EXPECT_EQ(got.description, "Magnifier Plugin.");
}

TEST_F(HostTest, RepeatedInitFreesTheBlocksItReplaces) {
  // The host's check that each replaced block was freed shows up as a violation otherwise.
  const InitStrings first = host->InitPlugIn();
  const InitStrings second = host->InitPlugIn({std::string("old title"), std::string(""), std::string("x")});
  EXPECT_EQ(second.title, first.title);
  EXPECT_EQ(second.author, first.author);
  EXPECT_EQ(second.description, first.description);
}

TEST_F(HostTest, RegistersTheFiveCatalogueRowsByteForByte) {
  host->RegisterPlugIn();
  struct Row {
    std::int32_t id;
    const char* name;
    const char* hint;
    std::vector<std::uint8_t> codes;
    std::int32_t count;
  };
  const Row expected[] = {
      {0, "\xD1\xEE\xE7\xE4\xE0\xF2\xFC", "Basic Functions", {0}, 0},
      {1, "VitrelleCreate",
       "\xD1\xEE\xE7\xE4\xE0\xF2\xFC \xFD\xEA\xF0\xE0\xED\xED\xF3\xFE \xEB\xF3\xEF\xF3 \xE2 Rectangle. "
       "\xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB:\x22Rectangle\x22 \x22\xCF\xE5\xF0\xE5\xEC\xE5\xED\xED\xE0\xFF "
       "\xE4\xEB\xFF \xEF\xEE\xEB\xF3\xF7\xE5\xED\xE8\xFF \xF1\xEE\xE1\xFB\xF2\xE8\xE9 "
       "\xE8\xE7\xEC\xE5\xED\xE5\xED\xE8\xFF\x22",
       {1, 6}, 2},
      {0, "\xDD\xEA\xF0\xE0\xED\xED\xE0\xFF \xEB\xF3\xEF\xE0", "Magnifier Functions", {0}, 0},
      {3, "VitrelleExecute",
       "\xC7\xE0\xEF\xF3\xF1\xF2\xE8\xF2\xFC. \xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0:\x22Rectangle\x22 "
       "\x22\xEC\xE0\xF1\xF8\xF2\xE0\xE1 (\xEE\xF2 2 \xE4\xEE 16)\x22",
       {1, 1}, 2},
      {4, "VitrelleClose", "\xC7\xE0\xEA\xF0\xFB\xF2\xFC \xFD\xEA\xF0\xE0\xED\xED\xF3\xFE \xEB\xF3\xEF\xF3.", {1}, 1},
  };
  const auto& rows = host->catalogue();
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    EXPECT_EQ(rows[i].id, expected[i].id);
    EXPECT_EQ(rows[i].name, expected[i].name);
    EXPECT_EQ(rows[i].hint, expected[i].hint);
    EXPECT_EQ(rows[i].codes, expected[i].codes);
    EXPECT_EQ(rows[i].lastIndex, static_cast<std::int32_t>(expected[i].codes.size()) - 1);
    EXPECT_EQ(rows[i].count, expected[i].count);
  }

  // Registration is repeated in full whenever the host asks again.
  host->RegisterPlugIn();
  EXPECT_EQ(host->catalogue().size(), 5u);
}

TEST_F(HostTest, UnknownActionIdsAreRefusedWithoutTouchingAnything) {
  Start();
  for (std::int32_t id : {0, 2, 5, -1, 100, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(id);
    std::vector<HostText> params = {std::string("Rectangle1"), std::string("4")};
    EXPECT_FALSE(host->ExecAction(id, params));
    EXPECT_EQ(host->lastRawResult() & 0xFF, 0u);
    EXPECT_FALSE(host->ExecActionNullBlock(id));
    EXPECT_FALSE(host->EditAction(id, params));
    EXPECT_FALSE(host->EditActionNullBlock(id));
    EXPECT_EQ(params[0], "Rectangle1");
    EXPECT_EQ(params[1], "4");
  }
  EXPECT_TRUE(host->writes().empty());
  EXPECT_TRUE(host->interfaceCommands().empty());
}

TEST_F(HostTest, CreateFailsWithTheVersionMessageWithoutInterfaceAccess) {
  host->InitPlugIn();
  host->RegisterPlugIn();
  host->SetVariableText("[LastError]", "earlier");
  EXPECT_FALSE(host->ExecAction(1, {std::string("Rectangle1"), std::string("[Changed]")}));
  EXPECT_EQ(Trace(), std::vector<std::string>{"[LastError]=" + kVersionMessage});
  EXPECT_TRUE(host->interfaceCommands().empty());

  // A host that hands over a null routine is the same as one that never did.
  host->RegisterInterfaceAccess(false);
  host->ClearRecords();
  EXPECT_FALSE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
  EXPECT_EQ(Trace(), std::vector<std::string>{"[LastError]=" + kVersionMessage});
  EXPECT_TRUE(host->interfaceCommands().empty());
}

TEST_F(HostTest, CapabilityProbeLeftNullFailsAndAsksNothingMore) {
  Start();
  host->probeAnswers = false;
  EXPECT_FALSE(host->ExecAction(1, {std::string("Rectangle1"), std::string("[Changed]")}));
  EXPECT_EQ(host->interfaceCommands(), std::vector<std::int32_t>{6});
  EXPECT_EQ(Trace(), std::vector<std::string>{"[LastError]=" + kVersionMessage});
}

TEST_F(HostTest, CreateLooksTheObjectUpAfterTheProbeAndFreesBothAnswers) {
  // The host reports any answer block still alive when the export returns (see TearDown).
  Start();
  EXPECT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("[Changed]")}));
  EXPECT_EQ(host->interfaceCommands(), (std::vector<std::int32_t>{6, 7}));
  EXPECT_EQ(Trace(), std::vector<std::string>{});
  host->Message(2);
}

TEST_F(HostTest, CreateForAnUnknownObjectSaysItDoesNotExist) {
  Start();
  EXPECT_FALSE(host->ExecAction(1, {std::string("NoSuchObject"), std::string("")}));
  EXPECT_EQ(Trace(), std::vector<std::string>{"[LastError]=An object named NoSuchObject does not exist."});
  EXPECT_FALSE(host->Variable("[NoSuchObject.VitrelleLastError]"));
}

TEST_F(HostTest, ObjectLookupAnswersGoThroughTheWholeNumberConversion) {
  Start();
  // The object's real handle in the number forms the conversion reads; other numbers name no window.
  const auto handle = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(rectangle));
  char hex[16], lowerHex[16];
  std::snprintf(hex, sizeof hex, "%X", handle);
  std::snprintf(lowerHex, sizeof lowerHex, "%x", handle);
  const std::string decimal = std::to_string(handle);
  auto prefixed = [](std::string prefix, const std::string& digits) { return prefix.append(digits); };
  struct Case {
    std::string answer;
    const char* outcome;  // "fail", "none" (no such window) or "attach"
  } cases[] = {
      {"0", "none"},      {"  0", "none"},  {"-0", "none"},  {"$0", "none"},    {"0x0", "none"},
      {decimal, "attach"},                 {prefixed("  ", decimal), "attach"}, {prefixed("+", decimal), "attach"},
      {prefixed("$", hex), "attach"},      {prefixed("x", lowerHex), "attach"}, {prefixed("0X", hex), "attach"},
      {"123456", "none"}, {"$1F", "none"},  {"x1f", "none"}, {"+7", "none"},    {"-2147483648", "none"},
      {"$FFFFFFFF", "none"},
      {"", "fail"},      {" ", "fail"},     {"abc", "fail"},     {"12 ", "fail"},       {"1 2", "fail"},
      {"+", "fail"},     {"$", "fail"},     {"0x", "fail"},      {"2147483648", "fail"}, {"$100000000", "fail"},
      {"\t5", "fail"},   {"0x-1", "fail"},  {"--1", "fail"},     {"1e3", "fail"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    host->lookupOverride = c.answer;
    host->ClearRecords();
    const std::string outcome = c.outcome;
    EXPECT_EQ(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}), outcome == "attach");
    if (outcome == "attach") {
      EXPECT_EQ(Trace(), std::vector<std::string>{});
    } else {
      const std::string expected = outcome == "fail" ? "'" + c.answer + "' is not a valid integer value"
                                                     : "An object named Rectangle1 does not exist.";
      EXPECT_EQ(Trace(), std::vector<std::string>{"[LastError]=" + expected});
    }
  }
  host->Message(2);
}

TEST_F(HostTest, ASuccessfulCreateLeavesLastErrorAlone) {
  Start();
  host->SetVariableText("[LastError]", "earlier");
  EXPECT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
  EXPECT_TRUE(host->writes().empty());
  EXPECT_EQ(host->Variable("[LastError]"), "earlier");
  host->Message(2);
}

TEST_F(HostTest, ExecuteAndCloseWithoutAPanelEmptyTheVariableFirst) {
  Start();
  for (std::int32_t id : {3, 4}) {
    SCOPED_TRACE(id);
    host->ClearRecords();
    host->SetVariableText("[Rectangle1.VitrelleLastError]", "earlier");
    EXPECT_FALSE(host->ExecAction(id, {std::string("Rectangle1"), std::string("4")}));
    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "[Rectangle1.VitrelleLastError]=<null>",
                           "[Rectangle1.VitrelleLastError]=There is no control attached to an object named Rectangle1.",
                       }));
  }
}

TEST_F(HostTest, NullBlocksAndNullElementsReadAsEmptyTexts) {
  Start();
  EXPECT_FALSE(host->ExecActionNullBlock(3));
  EXPECT_FALSE(host->ExecAction(4, {std::nullopt}));
  EXPECT_FALSE(host->ExecAction(1, {std::nullopt, std::nullopt}));
  EXPECT_EQ(Trace(), (std::vector<std::string>{
                         "[.VitrelleLastError]=<null>",
                         "[.VitrelleLastError]=There is no control attached to an object named .",
                         "[.VitrelleLastError]=<null>",
                         "[.VitrelleLastError]=There is no control attached to an object named .",
                         "[LastError]=An object named  does not exist.",
                     }));
}

TEST_F(HostTest, ObjectNamesReachTheVariablesUnchanged) {
  Start();
  const std::string name = " rect\xC0\xE0 1 ";  // blanks and Cyrillic kept as given
  host->ExecAction(4, {name});
  ASSERT_EQ(host->writes().size(), 2u);
  EXPECT_EQ(host->writes()[0].name, "[" + name + ".VitrelleLastError]");
  EXPECT_EQ(host->writes()[1].value, "There is no control attached to an object named " + name + ".");
}

TEST_F(HostTest, ActionsBeforeRegistrationSkipTheWriteAndStillAnswer) {
  // A host that executes before handing over SetVariable gets its Boolean and no crash.
  host->RegisterInterfaceAccess();
  EXPECT_FALSE(host->ExecAction(3, {std::string("Rectangle1"), std::string("4")}));
  EXPECT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
  EXPECT_FALSE(host->ExecAction(3, {std::string("Rectangle1"), std::string("abc")}));
  EXPECT_TRUE(host->writes().empty());

  host->RegisterPlugIn(false);  // a null SetVariable routine is the same
  EXPECT_TRUE(host->ExecAction(4, {std::string("Rectangle1")}));
  EXPECT_TRUE(host->writes().empty());
  host->Message(2);
}

TEST_F(HostTest, EditingThatTheAuthorCancelsChangesNoSlot) {
  Start();
  for (std::int32_t id : {1, 3, 4}) {
    std::vector<HostText> params = {std::string("Rectangle1"), std::string("[Var]")};
    DialogDriver author({DialogStep::Type(1, "Other"), DialogStep::Press(DialogStep::Key::Escape)});
    EXPECT_FALSE(host->EditAction(id, params)) << id;
    EXPECT_FALSE(author.Finish().empty());
    EXPECT_EQ(params[0], "Rectangle1");
    EXPECT_EQ(params[1], "[Var]");
  }
  EXPECT_TRUE(host->writes().empty());
}

TEST_F(HostTest, MessagesOtherThanTwoDoNothingAndTwoIsHarmlessWithoutPanels) {
  Start();
  for (std::uint32_t code : {0u, 1u, 2u, 3u, 0xFFFFFFFFu}) host->Message(code);
  host->RegisterScriptProcessor(0x5C);
  host->RegisterStreamAccess(0x5A);
  EXPECT_TRUE(host->writes().empty());
  EXPECT_TRUE(host->interfaceCommands().empty());
}

// The host's own check must catch a routine that breaks the convention, or it proves nothing.
extern "C" {
static void __cdecl CallerPops(int, int, int, int) {}
static void __attribute__((regparm(3), stdcall)) CalleePops(int, int, int, int) {}
}

TEST(Thunks, CatchARoutineThatLeavesItsStackArgumentsBehind) {
  const std::uint32_t args[4] = {1, 2, 3, 4};
  std::uint32_t checks = 0;
  nb_call(reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&CallerPops)), args, 4, &checks);
  EXPECT_FALSE(checks & kBalanced);
  nb_call(reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&CalleePops)), args, 4, &checks);
  EXPECT_EQ(checks, kBalanced | kKeptRegisters);
}

TEST_F(HostTest, ThousandsOfCallsLeaveTheHeapAsTheyFoundIt) {
  Start();
  auto round = [this] {
    host->InitPlugIn({std::string("t"), std::nullopt, std::string("d")});
    host->RegisterPlugIn();
    host->ExecAction(1, {std::string("Rectangle1"), std::string("[Changed]")});
    host->ExecAction(1, {std::string("Missing"), std::string("")});
    host->ExecAction(3, {std::string("Rectangle1"), std::string("4")});
    host->ExecAction(4, {std::string("Rectangle1")});
    std::vector<HostText> slots = {std::string("Rectangle1"), std::string("8")};
    host->EditAction(2, slots);  // refused; the dialogs have a soak of their own
    host->Message(2);
    host->ClearRecords();
  };
  for (int i = 0; i < 50; ++i) round();
  const std::size_t before = HeapBytesInUse();
  for (int i = 0; i < 1000; ++i) round();
  EXPECT_EQ(HeapBytesInUse(), before);
}
