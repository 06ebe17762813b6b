#include "host_fixture.h"

std::string PluginPath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, length);
  return dir.substr(0, dir.find_last_of("\\/") + 1) + "Vitrelle.nbp";
}

void HostTest::SetUp() {
  page = std::make_unique<Publication>("Test publication", 640, 480);
  rectangle = page->AddRectangle("Rectangle1", 40, 40, 240, 160, RGB(40, 120, 220));
  host = std::make_unique<PluginHost>(PluginPath());
  host->publication = page.get();
}

void HostTest::TearDown() {
  EXPECT_EQ(host->violations(), std::vector<std::string>{});
  host.reset();
  page.reset();
}

void HostTest::Start() {
  host->InitPlugIn();
  host->RegisterPlugIn();
  host->RegisterInterfaceAccess();
  host->ClearRecords();
}

std::vector<std::string> HostTest::Trace() const {
  std::vector<std::string> trace;
  for (const VariableWrite& w : host->writes()) trace.push_back(w.name + "=" + (w.value ? *w.value : "<null>"));
  return trace;
}
