#include "host_fixture.h"

void HostTest::SetUp() {
  NewPage();
  host = std::make_unique<PluginHost>(BesideExecutable(plugin.c_str()));
  host->publication = page.get();
}

void HostTest::NewPage() {
  page = std::make_unique<Publication>("Test publication", 640, 480);
  rectangle = page->AddRectangle("Rectangle1", 40, 40, 240, 160, RGB(40, 120, 220));
  if (host) host->publication = page.get();
}

void HostTest::TearDown() {
  // As a host closes a publication: the clean-up message, then the unload. Without the message,
  // windows of the plug-in that are still about would keep its module, and the next test would
  // get that module again instead of a fresh one.
  if (host) {
    host->Message(2);
    EXPECT_EQ(host->violations(), std::vector<std::string>{});
  }
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
