#include "panels.h"

#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "boundary/host_strings.h"
#include "framework/errors.h"
#include "int_conv.h"
#include "magnifier_panel.h"
#include "resources/texts.h"

namespace {

// The attached panels in the order of attachment; absent until the first attach and again after
// the host's clean-up notice. The host calls us on its one user-interface thread only: no lock.
std::optional<std::vector<WindowPtr<MagnifierPanel>>> PanelList;

// As the module unloads, under the loader lock, no window may be touched. Panels still attached
// then were never freed by the host's notice: either their windows hold the module (see
// ReentryScope) and the process is ending, or the host destroyed those windows itself. Either way
// they are left as they are.
struct PanelsLeftAtExit {
  ~PanelsLeftAtExit() {
    if (!PanelList) return;
    for (auto& panel : *PanelList) (void)panel.release();
  }
} panelsLeftAtExit;  // defined after PanelList, so destroyed before it

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// Object names match when equal after folding a..z to upper case; no other letters fold.
bool SameObjectName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// What an author reads of a failure: the exception's own text, but for a failed allocation, whose
// C++ type name would mean nothing to an author.
const char* FailureText(const std::exception& e) {
  return dynamic_cast<const std::bad_alloc*>(&e) != nullptr ? texts::kOutOfMemory : e.what();
}

int FindPanel(const std::string& name) {
  if (!PanelList) return -1;
  for (std::size_t i = 0; i < PanelList->size(); ++i) {
    if (SameObjectName((*PanelList)[i]->ObjectName, name)) return int(i);
  }
  return -1;
}

// Removes the panel registered under the name, emptying its change-event variable first.
// Silent when there is none; a failure goes to the general last-error variable.
bool DetachPanel(const std::string& name) {
  try {
    const int index = FindPanel(name);
    if (index < 0) return false;
    // Out of the registry before the host hears of it: the host may call us again from inside
    // that write, and must find the registry as it will be.
    WindowPtr<MagnifierPanel> panel = std::move((*PanelList)[std::size_t(index)]);
    PanelList->erase(PanelList->begin() + index);
    if (!panel->VarName.empty()) SetHostVariable(panel->VarName, "");
    return true;  // the panel goes here and, with it, an open lens
  } catch (const std::exception& e) {
    SetHostVariable(kGeneralLastError, FailureText(e));
    return false;
  }
}

// StartPanel and ClosePanel: the object's last-error variable is emptied first and ends with
// texts::kActionOk or the failure's text. In between, the panel's outcome goes to the variable
// under the name the panel was attached with (names match whatever their case): texts::kPanelDone
// when its step succeeds, else the failure's text, which then stays.
template <typename Step>
bool RunPanelStep(const std::string& objectName, Step step) {
  const std::string variable = LastErrorVariable(objectName);
  try {
    SetHostVariable(variable, nullptr);
    const int index = FindPanel(objectName);
    if (index < 0) {
      SetHostVariable(variable, texts::NoPanelOn(objectName));
      return false;
    }
    MagnifierPanel& panel = *(*PanelList)[std::size_t(index)];
    const std::string panelVariable = LastErrorVariable(panel.ObjectName);
    try {
      step(panel);
      SetHostVariable(panelVariable, texts::kPanelDone);
    } catch (const std::exception& e) {
      SetHostVariable(panelVariable, FailureText(e));
      return false;
    }
    SetHostVariable(variable, texts::kActionOk);
    return true;
  } catch (const std::exception& e) {
    SetHostVariable(variable, FailureText(e));
    return false;
  }
}

}  // namespace

std::string LastErrorVariable(const std::string& objectName) {
  return "[" + objectName + ".VitrelleLastError]";
}

bool AttachPanel(const std::string& objectName, const std::string& varName) {
  try {
    if (!ProbeHostCapability()) {
      SetHostVariable(kGeneralLastError, texts::kHostTooOld);
      return false;
    }
    DetachPanel(objectName);
    const auto handle = StrToInt(LookupObjectWindowText(objectName));
    if (handle == 0) {
      SetHostVariable(kGeneralLastError, texts::NoSuchObject(objectName));
      return false;
    }
    // The host's handle is a number: a 32-bit window handle as a signed integer.
    const HWND parent = reinterpret_cast<HWND>(static_cast<std::intptr_t>(handle));
    if (!IsWindow(parent)) throw Exception(texts::NoSuchObject(objectName));
    WindowPtr<MagnifierPanel> panel(new MagnifierPanel(parent));
    panel->VarName = varName;
    panel->ObjectName = objectName;
    ShowWindow(panel->Handle(), SW_SHOW);
    panel->FitToParent();
    // A host that called us back meanwhile may have attached a panel under the name; this one,
    // attached last, takes its place (the other's variable is not written again).
    if (const int index = FindPanel(objectName); index >= 0) {
      const WindowPtr<MagnifierPanel> other = std::move((*PanelList)[std::size_t(index)]);
      PanelList->erase(PanelList->begin() + index);
    }
    if (!PanelList) PanelList.emplace();
    PanelList->push_back(std::move(panel));
    return true;
  } catch (const std::exception& e) {
    SetHostVariable(kGeneralLastError, FailureText(e));
    return false;
  }
}

bool StartPanel(const std::string& objectName, const std::string& zoomText) {
  return RunPanelStep(objectName, [&](MagnifierPanel& panel) { panel.OpenLens(zoomText); });
}

bool ClosePanel(const std::string& objectName) {
  return RunPanelStep(objectName, [](MagnifierPanel& panel) { panel.CloseLens(); });
}

void FreeAllPanels() {
  if (!PanelList) return;
  // Taken out of the registry first, so that nothing a panel does while it goes finds it there.
  auto panels = std::move(*PanelList);
  PanelList.reset();
  for (auto& panel : panels) panel.reset();
}
