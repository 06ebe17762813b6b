// PluginModule: what the plug-in keeps for its process, in one object: the host's services, the
// lenses and the attached panels. It is made by the first host call and ends with the module.
//
//   host      HostServices  the routines the host handed over
//   lenses    LensRegistry  the open lens and the closed ones awaiting their end
//   panels    PanelList     the panels, each with a magnifier component that opens lenses from
//                           `lenses` and reports through `host`
//
// The host's clean-up notice (FreeAll) ends the panels and lenses with their windows. The
// object's own end, as the module unloads under the loader lock, touches no window: whatever is
// left then stays as it is. The window framework keeps its own bookkeeping (framework/window.cpp).
#pragma once

#include "boundary/host_strings.h"
#include "magnifier/lens_registry.h"
#include "plugin/panels.h"

class PluginModule {
public:
  // The one object, made at the first call.
  static PluginModule& Get();

  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  HostServices& Host() { return host_; }
  PanelList& Panels() { return panels_; }

  // The host's clean-up notice: every panel and every lens goes, with their windows (the host
  // may unload us next).
  void FreeAll();

private:
  PluginModule() : panels_(host_, lenses_) {}
  ~PluginModule();

  HostServices host_;
  LensRegistry lenses_;
  PanelList panels_;
};
