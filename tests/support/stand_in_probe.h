// The stand-in compositor loaded into a test: loaded before the plug-in asks for "dwmapi.dll",
// it is the one the plug-in gets (a load by name takes a module of that name already loaded, even
// from the system folder only), and the test reads its log of calls through its test exports.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/plugin_host.h"
#include "host/stand_in_compositor.h"

class StandIn {
public:
  // The full stand-in, or the one without thumbnail functions (for programs in bin/ or planted/).
  static std::string Full() { return BesideExecutable("..\\bin\\compositor\\dwmapi.dll"); }
  static std::string Partial() { return BesideExecutable("..\\bin\\partial-compositor\\dwmapi.dll"); }

  explicit StandIn(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
  ~StandIn() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  bool Loaded() const { return module_ != nullptr; }

  // The calls since the log was last cleared; of one function only, when named.
  std::vector<StandInCall> Calls(const char* function = nullptr) const {
    std::vector<StandInCall> calls;
    const int n = Get<stand_in::CallCount>(stand_in::kCallCount)();
    for (int i = 0; i < n; ++i) {
      StandInCall c = {};
      Get<stand_in::CallAt>(stand_in::kCallAt)(i, &c);
      if (function == nullptr || std::strcmp(c.function, function) == 0) calls.push_back(c);
    }
    return calls;
  }
  void ClearLog() const { Get<stand_in::ClearLog>(stand_in::kClearLog)(); }
  int Thumbnails() const { return Get<stand_in::ThumbnailCount>(stand_in::kThumbnailCount)(); }
  void SetColor(DWORD argb) const { Get<stand_in::SetColor>(stand_in::kSetColor)(argb); }
  void SetUpdateResult(HRESULT result) const { Get<stand_in::SetUpdateResult>(stand_in::kSetUpdateResult)(result); }
  void SetCloaked(HWND window, bool on) const { Get<stand_in::SetCloaked>(stand_in::kSetCloaked)(window, on); }
  void SetComposition(bool on) const { Get<stand_in::SetComposition>(stand_in::kSetComposition)(on); }

private:
  template <typename F>
  F Get(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }

  HMODULE module_;
};
