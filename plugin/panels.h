// The magnifier panels that the run-time actions attach to host objects, and the actions' work.
#pragma once
#include <string>
#include <vector>

#include "framework/window.h"
#include "plugin/magnifier_panel.h"

class HostServices;
class LensRegistry;

// "[<Object>.VitrelleLastError]"
std::string LastErrorVariable(const std::string& objectName);
inline const std::string kGeneralLastError = "[LastError]";

// The attached panels in the order of attachment. The actions report to the host's variables
// through `host`; the panels' lenses come from `lenses`.
class PanelList {
public:
  PanelList(const HostServices& host, LensRegistry& lenses) : host_(host), lenses_(lenses) {}
  // The panels are deleted with their windows, unless Abandon came first.
  ~PanelList() = default;
  PanelList(const PanelList&) = delete;
  PanelList& operator=(const PanelList&) = delete;

  // VitrelleCreate, VitrelleExecute and VitrelleClose.
  bool Attach(const std::string& objectName, const std::string& changeVariable);
  bool Start(const std::string& objectName, const std::string& zoomText);
  bool Close(const std::string& objectName);
  // The host's clean-up notice: every panel goes, and its lens with it.
  void FreeAll();
  // For the module's end under the loader lock, where no window may be touched: the panels are
  // left as they are. Either their windows hold the module (see ReentryScope) and the process is
  // ending, or the host destroyed those windows itself.
  void Abandon();

private:
  int Find(const std::string& name) const;
  bool Detach(const std::string& name);
  template <typename Step>
  bool RunStep(const std::string& objectName, Step step);

  const HostServices& host_;
  LensRegistry& lenses_;
  std::vector<WindowPtr<MagnifierPanel>> panels_;
};
