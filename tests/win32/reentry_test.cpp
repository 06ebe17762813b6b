// A host that calls the plug-in again from inside the plug-in's own calls: from SetVariable, from
// InterfaceAccess, and from the page's activation and focus messages that showing and closing
// the lens cause. Whatever it calls, nothing crashes, every action still reports its outcome by
// the result protocol, and once the panels are freed nothing of ours is left. Also: a lens whose
// window someone else destroys is gone for the plug-in too.
#include <memory>
#include <string>
#include <vector>

#include "gui_counts.h"
#include "host_fixture.h"
#include "lens_probe.h"
#include "stand_in_probe.h"

namespace {

using Reentry = PluginHost::Reentry;

constexpr std::int32_t kCreate = 1, kExecute = 3, kClose = 4;

struct Case {
  const char* name;
  unsigned points;
  std::vector<Reentry> calls;
  bool composed = false;  // thumbnail mode, the stand-in compositor loaded first
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::vector<Reentry> kEveryCall = {Reentry::FreeAllPanels, Reentry::CloseSame,    Reentry::CloseOther,
                                         Reentry::CreateSame,    Reentry::CreateOther,  Reentry::ExecuteSame,
                                         Reentry::ExecuteOther,  Reentry::UnknownAction};

// By the order of PluginHost::Reentry.
const char* const kCallNames[] = {"FreeAllPanels", "CloseSame",   "CloseOther",   "CreateSame",
                                  "CreateOther",   "ExecuteSame", "ExecuteOther", "UnknownAction"};

// Every call from each point in turn, in both modes; each call on its own from the page's
// activation, where showing and closing the lens give the host its chances.
std::vector<Case> Cases() {
  const std::pair<const char*, unsigned> points[] = {{"Variable", PluginHost::kOnVariable},
                                                     {"InterfaceAccess", PluginHost::kOnInterfaceAccess},
                                                     {"PageActivation", PluginHost::kOnPageActivation}};
  std::vector<Case> cases;
  static std::vector<std::string> names;  // gtest keeps the pointers
  names.reserve(32);
  for (const auto& [pointName, point] : points) {
    for (bool composed : {false, true}) {
      names.push_back(std::string(pointName) + "_EveryCallInTurn" + (composed ? "_Composed" : ""));
      cases.push_back({names.back().c_str(), point, kEveryCall, composed});
    }
  }
  for (std::size_t i = 0; i < kEveryCall.size(); ++i) {
    names.push_back(std::string("PageActivation_") + kCallNames[i]);
    cases.push_back({names.back().c_str(), PluginHost::kOnPageActivation, {kEveryCall[i]}});
  }
  names.push_back("EverywhereEveryCallInTurn");
  cases.push_back({names.back().c_str(), PluginHost::kOnVariable | PluginHost::kOnInterfaceAccess |
                                              PluginHost::kOnPageActivation,
                   kEveryCall});
  return cases;
}

struct Counts {
  DWORD windows, gdi, user;
  bool operator==(const Counts&) const = default;
};

Counts Count() {
  Publication::Pump(50);
  return {ThreadWindows(), GdiObjectsBesidesWindowDCs(), UserObjects()};
}

void PrintTo(const Counts& c, std::ostream* os) {
  *os << "windows " << c.windows << ", GDI " << c.gdi << ", USER " << c.user;
}

class HostCallingBack : public HostTest, public ::testing::WithParamInterface<Case> {
protected:
  void SetUp() override {
    if (GetParam().composed) {
      stand_in = std::make_unique<StandIn>(StandIn::Full());
      ASSERT_TRUE(stand_in->Loaded());
    }
    HostTest::SetUp();
    page->AddRectangle("Rectangle2", 320, 40, 240, 160, RGB(220, 120, 40));
    Start();
  }
  void TearDown() override {
    EXPECT_TRUE(LensWindows().empty());
    EXPECT_TRUE(ThumbWindows().empty());
    EXPECT_EQ(FindWindowExW(rectangle, nullptr, L"VitrellePanel", nullptr), nullptr);
    HostTest::TearDown();
    if (stand_in) {
      EXPECT_EQ(stand_in->Thumbnails(), 0);
    }
    stand_in.reset();
  }

  // The script, with the host calling back in as the case says; then the host stops doing so
  // and frees the panels.
  void Play() {
    host->SetReentry(GetParam().points, GetParam().calls, "Rectangle2");
    Act(kCreate, "Rectangle1", "[R1Changed]");
    Act(kCreate, "Rectangle2", "[R2Changed]");
    Act(kExecute, "Rectangle1", "4");
    Act(kExecute, "Rectangle2", "8");
    Act(kCreate, "Rectangle1", "[R1Changed]");  // replaces the panel that opened the lens
    Act(kExecute, "Rectangle1", "2");
    Act(kClose, "Rectangle1", "");
    Act(kExecute, "Rectangle2", "16");
    host->Message(2);
    Act(kExecute, "Rectangle1", "4");
    Act(kCreate, "Rectangle1", "");
    Act(kExecute, "Rectangle1", "3");
    Publication::Pump(100);  // timer ticks and the deferred end of closed lenses
    Act(kClose, "Rectangle2", "");
    EXPECT_GT(host->reentries(), 0) << "the host never called back";
    host->SetReentry(0, {}, "");
    host->Message(2);
  }

  // One action of the script; an Execute or Close reports its outcome by the protocol: true with
  // "000 Ok" written to the object's last-error variable, false with a failure's text there.
  void Act(std::int32_t id, const std::string& object, const std::string& parameter) {
    host->ClearRecords();
    const bool result = host->ExecAction(id, {object, parameter});
    if (id == kCreate) return;  // reports failures in [LastError], success by its result alone
    const std::string variable = "[" + object + ".VitrelleLastError]";
    bool ok = false, failure = false;
    for (const VariableWrite& w : host->writes()) {
      if (w.name != variable || !w.value) continue;
      ok |= *w.value == "000 Ok";
      failure |= *w.value != "000 Ok" && *w.value != "OOO OK" && !w.value->empty();
    }
    SCOPED_TRACE(object + " " + std::to_string(id) + " " + parameter);
    EXPECT_TRUE(result ? ok : failure) << "result " << result;
  }

  std::unique_ptr<StandIn> stand_in;
};

// Counted after a first playing, which lets Wine make what it makes once for the windows and
// activations of the script.
TEST_P(HostCallingBack, NothingCrashesEveryActionReportsAndNothingIsLeft) {
  Play();
  const Counts before = Count();
  Play();
  EXPECT_EQ(Count(), before);
}

INSTANTIATE_TEST_SUITE_P(, HostCallingBack, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Someone else destroys the lens window: the next Execute opens a new lens instead of reporting
// success for one that is gone; a Close then has nothing to close.
class LensDestroyedFromOutside : public HostTest, public ::testing::WithParamInterface<bool> {
protected:
  void SetUp() override {
    if (GetParam()) {
      stand_in = std::make_unique<StandIn>(StandIn::Full());
      ASSERT_TRUE(stand_in->Loaded());
    }
    HostTest::SetUp();
    Start();
    ASSERT_TRUE(host->ExecAction(kCreate, {std::string("Rectangle1"), std::string()}));
  }
  void TearDown() override {
    host->Message(2);
    Publication::Pump(50);
    EXPECT_TRUE(LensWindows().empty());
    HostTest::TearDown();
    stand_in.reset();
  }
  std::unique_ptr<StandIn> stand_in;
};

TEST_P(LensDestroyedFromOutside, NextExecuteOpensANewLens) {
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(host->ExecAction(kExecute, {std::string("Rectangle1"), std::string("4")}));
    const HWND lens = TheLens();
    ASSERT_NE(lens, nullptr);
    EXPECT_TRUE(IsWindowVisible(lens));
    EXPECT_EQ(ThumbWindows().size(), GetParam() ? 1u : 0u);
    ASSERT_TRUE(DestroyWindow(lens));
    Publication::Pump(50);
    EXPECT_TRUE(LensWindows().empty());
    EXPECT_TRUE(ThumbWindows().empty());
    if (stand_in) {
      EXPECT_EQ(stand_in->Thumbnails(), 0);
    }
  }
  EXPECT_TRUE(host->ExecAction(kClose, {std::string("Rectangle1")}));
  EXPECT_EQ(host->Variable("[Rectangle1.VitrelleLastError]"), "000 Ok");
}

INSTANTIATE_TEST_SUITE_P(, LensDestroyedFromOutside, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "Composed" : "Capture"); });

}  // namespace
