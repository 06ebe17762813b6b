// A stand-in host with the real plug-in loaded and a publication page holding "Rectangle1".
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/plugin_host.h"
#include "host/publication.h"

class HostTest : public ::testing::Test {
protected:
  void SetUp() override;
  // Every test ends with the clean-up message and a host that saw no breach of the boundary's
  // contract.
  void TearDown() override;

  // nbInitPlugIn, nbRegisterPlugIn and nbRegisterInterfaceAccess, as a host starts a plug-in;
  // then forgets what those calls recorded.
  void Start();
  // A new publication page holding "Rectangle1", in place of the one the host had.
  void NewPage();
  // The variable writes since the last ClearRecords, as "name=value" or "name=<null>".
  std::vector<std::string> Trace() const;

  // The plug-in that SetUp loads, from beside the test.
  std::string plugin = "Vitrelle.nbp";
  std::unique_ptr<Publication> page;
  std::unique_ptr<PluginHost> host;
  HWND rectangle = nullptr;
};
