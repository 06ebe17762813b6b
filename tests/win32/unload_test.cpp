// Loading and unloading the real plug-in by Windows' rules: nothing it runs under the loader lock
// loads or frees a library or calls USER32 or GDI32, and a host that unloads it without the
// clean-up notice while its windows live is left with windows that still work.
#include <algorithm>

#include "host/loader_watch.h"
#include "host_fixture.h"
#include "lens_probe.h"

namespace {

class UnloadTest : public HostTest {
protected:
  // Loads the plug-in again with a fresh host, as a host does when it starts a publication.
  void Reload() {
    host = std::make_unique<PluginHost>(BesideExecutable(plugin.c_str()));
    host->publication = page.get();
  }
  static bool Loaded() { return GetModuleHandleW(L"Vitrelle.nbp") != nullptr; }
};

}  // namespace

// The host's whole round: load; the catalogue, a panel, the lens, the About box; the clean-up
// notice; unload. The plug-in's own code makes none of the watched calls while it loads or goes.
TEST_F(UnloadTest, LoadingAndUnloadingCallNoLibraryLoaderUser32OrGdi32) {
  host.reset();  // the watch must be set before the plug-in is bound
  ASSERT_FALSE(Loaded());
  LoaderWatch watch;
  ASSERT_GT(watch.Watched(), 500u);

  watch.Arm();
  Reload();
  watch.Disarm();
  const HMODULE module = host->module();
  const std::size_t size = ImageSize(module);
  EXPECT_EQ(watch.CallsFrom(module, size), std::vector<std::string>{}) << "while loading";

  // Outside the lock the watch sees the plug-in at work: its windows, the compositor library
  // taken (from the system folder, by name with the search flag under Wine) and given back.
  watch.Arm();
  Start();
  ASSERT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
  ASSERT_TRUE(host->ExecAction(3, {std::string("Rectangle1"), std::string("4")}));
  Publication::Pump(100);
  ASSERT_TRUE(host->ExecAction(4, {std::string("Rectangle1")}));
  host->Message(2);
  watch.Disarm();
  const std::vector<std::string> working = watch.CallsFrom(module, size);
  for (const char* call : {"USER32.DLL CreateWindowExW", "GDI32.DLL CreateDIBSection", "KERNEL32.DLL LoadLibraryExW",
                           "KERNEL32.DLL FreeLibrary"})
    EXPECT_NE(std::find(working.begin(), working.end(), call), working.end()) << call;

  EXPECT_EQ(host->violations(), std::vector<std::string>{});
  watch.Arm();
  host.reset();
  watch.Disarm();
  EXPECT_EQ(watch.CallsFrom(module, size), std::vector<std::string>{}) << "while unloading";
  EXPECT_FALSE(Loaded()) << "the notice left nothing holding the module";

  // Loaded again afterwards, it works as new.
  Reload();
  Start();
  EXPECT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
  EXPECT_TRUE(host->ExecAction(3, {std::string("Rectangle1"), std::string("2")}));
  EXPECT_NE(TheLens(), nullptr);
  host->Message(2);
}

// A host that frees the plug-in without message 2 while two panels and the lens are on the
// screen: their windows keep the module, and messages to them still run its code. A later load
// gets the same module, whose notice then frees them all, and the next unload takes it.
TEST_F(UnloadTest, UnloadedWithoutTheNoticeItsWindowsStillWork) {
  page->AddRectangle("Rectangle2", 300, 40, 500, 160, RGB(220, 120, 40));
  Start();
  ASSERT_TRUE(host->ExecAction(1, {std::string("Rectangle1"), std::string("")}));
  ASSERT_TRUE(host->ExecAction(1, {std::string("Rectangle2"), std::string("")}));
  ASSERT_TRUE(host->ExecAction(3, {std::string("Rectangle1"), std::string("4")}));
  const HWND lens = TheLens();
  ASSERT_NE(lens, nullptr);
  EXPECT_EQ(host->violations(), std::vector<std::string>{});

  host.reset();
  ASSERT_TRUE(Loaded());
  ASSERT_TRUE(IsWindow(lens));
  // The timer renders, the panels refit to their objects, the page resizes them, the lens moves,
  // resizes and zooms.
  Publication::Pump(200);
  std::vector<HWND> panels;
  for (HWND child = GetWindow(page->window(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    for (HWND panel = GetWindow(child, GW_CHILD); panel != nullptr; panel = GetWindow(panel, GW_HWNDNEXT))
      panels.push_back(panel);
  ASSERT_EQ(panels.size(), 2u);
  for (HWND panel : panels) SendMessageW(panel, WM_USER + 250, 0, 1);
  MoveWindow(rectangle, 20, 20, 260, 200, TRUE);
  SendMessageW(lens, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  SetWindowPos(lens, nullptr, 10, 10, 300, 280, SWP_NOZORDER | SWP_NOACTIVATE);
  Publication::Pump(100);
  EXPECT_TRUE(IsWindow(lens));
  for (HWND panel : panels) EXPECT_TRUE(IsWindow(panel));

  Reload();
  Start();
  ASSERT_TRUE(host->ExecAction(3, {std::string("Rectangle2"), std::string("2")}));
  EXPECT_EQ(host->Variable("[Rectangle2.VitrelleLastError]"), "000 Ok");
  host->Message(2);
  Publication::Pump(50);
  EXPECT_TRUE(LensWindows().empty());
  EXPECT_TRUE(lens_probe::WindowsOfClass(L"VitrellePanel").empty());
  host.reset();
  EXPECT_FALSE(Loaded());
}
