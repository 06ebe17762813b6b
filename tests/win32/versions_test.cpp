// The lens on the Windows version that the test bed makes Wine report (one run per version):
// whether the plug-in takes the compositor library, and which mode the lens opens in, follow from
// the version this process sees and from what the library it would get answers. The program lies
// in planted/ beside a copy of the stand-in compositor and runs with that folder as its current
// one, where a load by bare name would find the copy: the plug-in must take the system folder's
// library all the same, unless a library of that name was loaded first.
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "code_patch.h"
#include "framework/system_library.h"
#include "host_fixture.h"
#include "layered_spy.h"
#include "lens_probe.h"
#include "screen_pattern.h"
#include "stand_in_probe.h"

namespace {

// What the plug-in does with the compositor library, by the major version the process sees (it
// declares 10 and 11, so that is the true one). Before Vista there is none, and a library of that
// name must not even be loaded. From 8 on the compositor always runs, whatever it answers.
struct VersionRow {
  DWORD major;  // from this major version up to the next row's
  const char* systems;
  bool takesCompositor;
  bool alwaysComposed;
};
constexpr VersionRow kVersions[] = {
    {5, "2000 to Server 2003", false, false},
    {6, "Vista and 7 (the test bed reports no 8 or 8.1)", true, false},
    {10, "10 and 11", true, true},
};

DWORD SeenMajorVersion() {
  OSVERSIONINFOW v = {};
  v.dwOSVersionInfoSize = sizeof v;
  GetVersionExW(&v);
  return v.dwMajorVersion;
}

const VersionRow& RowFor(DWORD major) {
  const VersionRow* row = &kVersions[0];
  for (const VersionRow& r : kVersions)
    if (r.major <= major) row = &r;
  return *row;
}

// The "dwmapi.dll" the plug-in would get: the system folder's, or a library the test loads first
// (a loaded library of that name is the one handed out); and what it says to the composition
// check.
enum class Answer { On, Off, AskIt };
struct Compositor {
  const char* name;
  std::string (*loadedFirst)();  // null: nothing is loaded first
  Answer answer;
  bool makesThumbnails;  // or the lens, finding none, takes another source
  bool standIn;          // keeps a log of the calls it gets
};

// The stand-in's copy beside this program, which must never be loaded.
std::string Planted() { return BesideExecutable("dwmapi.dll"); }

std::string SwitchedOff() { return BesideExecutable("..\\bin\\compositor-off\\dwmapi.dll"); }
std::string WinesOwn() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system) + "\\dwmapi.dll";
}

// Whether the module's file lies in the system folder itself.
bool InSystemFolder(HMODULE module) {
  char path[MAX_PATH] = {}, system[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string file(path), folder = std::string(system) + "\\";
  return file.size() > folder.size() && lstrcmpiA(file.substr(0, folder.size()).c_str(), folder.c_str()) == 0 &&
         file.find('\\', folder.size()) == std::string::npos;
}

// This program's folder as the current one while the object lives.
class InProgramFolder {
public:
  InProgramFolder() {
    GetCurrentDirectoryA(MAX_PATH, before_);
    SetCurrentDirectoryA(BesideExecutable("").c_str());
  }
  ~InProgramFolder() { SetCurrentDirectoryA(before_); }
  InProgramFolder(const InProgramFolder&) = delete;
  InProgramFolder& operator=(const InProgramFolder&) = delete;

private:
  char before_[MAX_PATH] = {};
};

void PrintTo(const Compositor& c, std::ostream* out) { *out << c.name; }

const Compositor kCompositors[] = {
    // Wine's own, with the stand-in's copy beside the program and in the current folder.
    {"PlantedBesideTheProgram", nullptr, Answer::AskIt, false, false},
    {"StandInLoadedFirst", StandIn::Full, Answer::On, true, true},
    {"SwitchedOff", SwitchedOff, Answer::Off, true, true},
    // Off while Wine reports a version before 8; from 8 on, as there, on, but its thumbnail
    // functions are not implemented.
    {"WinesOwn", WinesOwn, Answer::AskIt, false, false},
};

template <typename F>
F Export(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The version the kernel reports, whatever this program is told.
RTL_OSVERSIONINFOW KernelVersion() {
  RTL_OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  Export<LONG(WINAPI*)(RTL_OSVERSIONINFOW*)>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")(&version);
  return version;
}

bool SaysOn(HMODULE compositor) {
  BOOL on = FALSE;
  const auto check = Export<HRESULT(WINAPI*)(BOOL*)>(compositor, "DwmIsCompositionEnabled");
  return check != nullptr && check(&on) == S_OK && on;
}

// What the system folder's library answers, asked with a reference of the test's own.
bool SystemSaysOn() {
  const HMODULE system = LoadLibraryA(WinesOwn().c_str());
  const bool on = SaysOn(system);
  FreeLibrary(system);
  return on;
}

// Covers the centred 250 by 250 lens and everything it enlarges.
const RECT kUnderLens = {400, 300, 880, 740};

class VersionsTest : public LensFixture, public ::testing::WithParamInterface<Compositor> {
protected:
  VersionsTest() { plugin = "..\\bin\\Vitrelle.nbp"; }

  void TearDown() override {
    LensFixture::TearDown();
    if (first_ != nullptr) FreeLibrary(first_);
    // Released with the plug-in: the next case starts with no library of that name.
    EXPECT_EQ(GetModuleHandleW(L"dwmapi.dll"), nullptr);
  }

  HMODULE first_ = nullptr;
  InProgramFolder folder_;
};

}  // namespace

TEST_P(VersionsTest, TheLensTakesTheCompositorOnlyFromVistaOnAndFollowsItsAnswer) {
  const Compositor& c = GetParam();
  const VersionRow& row = RowFor(SeenMajorVersion());
  SCOPED_TRACE(std::string("Windows ") + std::to_string(SeenMajorVersion()) + ": " + row.systems);
  if (c.loadedFirst != nullptr) {
    first_ = LoadLibraryA(c.loadedFirst().c_str());
    ASSERT_NE(first_, nullptr) << c.loadedFirst();
  }
  const bool on = c.answer == Answer::On || (c.answer == Answer::AskIt && SystemSaysOn());
  const bool thumbnail = row.takesCompositor && (on || row.alwaysComposed) && c.makesThumbnails;

  const PatternWindow pattern(kUnderLens);
  LayeredSpy spy;
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  const HMODULE got = GetModuleHandleW(L"dwmapi.dll");
  if (c.loadedFirst == nullptr) {
    EXPECT_EQ(got != nullptr, row.takesCompositor);
    EXPECT_TRUE(got == nullptr || InSystemFolder(got)) << "not the system folder's";
  }
  EXPECT_EQ(GetModuleHandleA(Planted().c_str()), nullptr) << "the copy beside the program";
  if (c.standIn && got != nullptr) {
    const auto calls = Export<stand_in::CallCount>(got, stand_in::kCallCount);
    ASSERT_NE(calls, nullptr) << "not the stand-in";
    EXPECT_EQ(calls() > 0, row.takesCompositor);
  }
  EXPECT_EQ(TheThumb() != nullptr, thumbnail);

  // The frame pushed as the lens opened: the enlarged pattern at the area's centre in capture
  // mode, a see-through pixel over the thumbnail window in thumbnail mode.
  ASSERT_FALSE(spy.Frames().empty());
  const LayeredSpy::Frame& frame = spy.Frames().back();
  EXPECT_EQ(frame.window, lens);
  const RECT r = WindowRectOf(lens);
  EXPECT_EQ(frame.At(124, 121), thumbnail ? 0x01000000u : 0xFF000000u | PatternAt(r.left + 124, r.top + 121));

  ASSERT_TRUE(host->ExecAction(4, {std::string("Rectangle1")}));
  Publication::Pump(50);
  EXPECT_TRUE(LensWindows().empty());
  EXPECT_TRUE(ThumbWindows().empty());

  // Without this program's reference the library stays only if the plug-in took one.
  if (first_ != nullptr) FreeLibrary(std::exchange(first_, nullptr));
  EXPECT_EQ(GetModuleHandleW(L"dwmapi.dll") != nullptr, row.takesCompositor);
}

namespace {

// Display affinity as Windows 10 version 2004 keeps it, in place of Wine's, which refuses every
// value; each call is logged.
class AffinityStandIn {
public:
  struct Call {
    HWND window;
    DWORD affinity;
    friend bool operator==(const Call&, const Call&) = default;
  };
  AffinityStandIn() { standIn_ = this; }
  ~AffinityStandIn() { standIn_ = nullptr; }
  AffinityStandIn(const AffinityStandIn&) = delete;
  AffinityStandIn& operator=(const AffinityStandIn&) = delete;

  const std::vector<Call>& Calls() const { return calls_; }

private:
  static BOOL WINAPI Set(HWND window, DWORD affinity) {
    standIn_->calls_.push_back({window, affinity});
    standIn_->affinity_[window] = affinity;
    return TRUE;
  }
  static BOOL WINAPI Get(HWND window, DWORD* affinity) {
    *affinity = standIn_->affinity_[window];
    return TRUE;
  }

  static inline AffinityStandIn* standIn_ = nullptr;
  std::vector<Call> calls_;
  std::map<HWND, DWORD> affinity_;
  CodePatch set_{L"user32.dll", "SetWindowDisplayAffinity", reinterpret_cast<const void*>(&Set)};
  CodePatch get_{L"user32.dll", "GetWindowDisplayAffinity", reinterpret_cast<const void*>(&Get)};
};

class AffinityTest : public LensFixture {
protected:
  AffinityTest() { plugin = "..\\bin\\Vitrelle.nbp"; }
};

}  // namespace

// From Windows 10 version 2004 the lens keeps itself out of screen copies and copies the screen.
// Wine's copies show it all the same, as a Windows that ignores the affinity would: the lens finds
// itself in the next copy, lets itself into copies again and takes another source, without ever
// pushing a frame of what it copied. Before that build it never asks.
TEST_F(AffinityTest, TheLensKeepsOutOfScreenCopiesFromWindows10Build19041) {
  const RTL_OSVERSIONINFOW real = KernelVersion();
  const bool asks = real.dwMajorVersion >= 10 && real.dwBuildNumber >= 19041;
  SCOPED_TRACE(testing::Message() << "Windows " << real.dwMajorVersion << "." << real.dwMinorVersion << "."
                                  << real.dwBuildNumber);
  const AffinityStandIn affinity;
  const PatternWindow pattern(kUnderLens);
  LayeredSpy spy;
  const HWND lens = Open("2");
  ASSERT_NE(lens, nullptr);
  for (int tick = 0; tick < 5; ++tick) SendMessageW(lens, WM_TIMER, 1, 0);
  // Every frame pushed shows the pattern at the area's centre, or is see-through there, over a
  // thumbnail window.
  const RECT r = WindowRectOf(lens);
  ASSERT_FALSE(spy.Frames().empty());
  for (const LayeredSpy::Frame& frame : spy.Frames()) {
    if (frame.At(124, 121) != 0x01000000u) {
      EXPECT_EQ(frame.At(124, 121), 0xFF000000u | PatternAt(r.left + 124, r.top + 121));
    }
  }

  using Calls = std::vector<AffinityStandIn::Call>;
  const Calls expected = asks ? Calls{{lens, 0x11}, {lens, 0}} : Calls{};
  EXPECT_EQ(affinity.Calls(), expected);
}

INSTANTIATE_TEST_SUITE_P(Compositors, VersionsTest, ::testing::ValuesIn(kCompositors),
                         [](const auto& info) { return std::string(info.param.name); });

// Both ways the plug-in may load a system library take the system folder's over the copy beside
// the program and in the current folder. Wine takes the first; Vista and 7 without the update
// that brought the search flags take the second.
TEST(SystemLibrary, EitherWayTakesTheSystemFoldersOverThePlantedCopy) {
  const InProgramFolder folder;
  ASSERT_EQ(GetModuleHandleW(L"dwmapi.dll"), nullptr);
  EXPECT_EQ(SystemFolderLoadWay(), SystemFolderLoad::SearchFlag);
  for (const SystemFolderLoad way : {SystemFolderLoad::SearchFlag, SystemFolderLoad::FullPath}) {
    SCOPED_TRACE(way == SystemFolderLoad::SearchFlag ? "by name, searching the system folder" : "by full path");
    const HMODULE module = LoadSystemLibrary(L"dwmapi.dll", way);
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(InSystemFolder(module));
    EXPECT_EQ(GetModuleHandleA(Planted().c_str()), nullptr);
    FreeLibrary(module);
  }
}

// Each run sees the version its test entry asked for (VITRELLE_WINDOWS), so that a prefix made
// without the setting cannot pass for another version; and, declaring 10 and 11, sees it as is.
TEST(TestBed, WineReportsTheVersionAsked) {
  const char* asked = std::getenv("VITRELLE_WINDOWS");
  if (asked == nullptr) GTEST_SKIP() << "not a run of the version matrix";
  const std::map<std::string, std::pair<DWORD, DWORD>> versions = {
      {"winxp", {5, 1}}, {"win7", {6, 1}}, {"win10", {10, 0}}, {"win11", {10, 0}}};
  ASSERT_EQ(versions.count(asked), 1u) << asked;
  const RTL_OSVERSIONINFOW real = KernelVersion();
  EXPECT_EQ(std::make_pair(real.dwMajorVersion, real.dwMinorVersion), versions.at(asked));
  EXPECT_EQ(SeenMajorVersion(), real.dwMajorVersion);
}
