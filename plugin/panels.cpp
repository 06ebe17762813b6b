#include "plugin/panels.h"

#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "boundary/host_strings.h"
#include "framework/errors.h"
#include "magnifier/lens_registry.h"
#include "plugin/int_conv.h"
#include "resources/texts.h"

namespace {

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

}  // namespace

std::string LastErrorVariable(const std::string& objectName) {
  return "[" + objectName + ".VitrelleLastError]";
}

int PanelList::Find(const std::string& name) const {
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    if (SameObjectName(panels_[i]->ObjectName(), name)) return int(i);
  }
  return -1;
}

// Removes the panel registered under the name, emptying its change-event variable first.
// Silent when there is none; a failure goes to the general last-error variable.
bool PanelList::Detach(const std::string& name) {
  try {
    const int index = Find(name);
    if (index < 0) return false;
    // Out of the list before the host hears of it: the host may call us again from inside that
    // write, and must find the list as it will be.
    WindowPtr<MagnifierPanel> panel = std::move(panels_[std::size_t(index)]);
    panels_.erase(panels_.begin() + index);
    if (!panel->ChangeVariable().empty()) host_.SetVariable(panel->ChangeVariable(), "");
    return true;  // the panel goes here and, with it, an open lens
  } catch (const std::exception& e) {
    host_.SetVariable(kGeneralLastError, FailureText(e));
    return false;
  }
}

// Start and Close: the object's last-error variable is emptied first and ends with
// texts::kActionOk or the failure's text. In between, the panel's outcome goes to the variable
// under the name the panel was attached with (names match whatever their case): texts::kPanelDone
// when its step succeeds, else the failure's text, which then stays.
template <typename Step>
bool PanelList::RunStep(const std::string& objectName, Step step) {
  const std::string variable = LastErrorVariable(objectName);
  try {
    host_.SetVariable(variable, nullptr);
    const int index = Find(objectName);
    if (index < 0) {
      host_.SetVariable(variable, texts::NoPanelOn(objectName));
      return false;
    }
    MagnifierPanel& panel = *panels_[std::size_t(index)];
    const std::string panelVariable = LastErrorVariable(panel.ObjectName());
    try {
      step(panel);
      host_.SetVariable(panelVariable, texts::kPanelDone);
    } catch (const std::exception& e) {
      host_.SetVariable(panelVariable, FailureText(e));
      return false;
    }
    host_.SetVariable(variable, texts::kActionOk);
    return true;
  } catch (const std::exception& e) {
    host_.SetVariable(variable, FailureText(e));
    return false;
  }
}

bool PanelList::Attach(const std::string& objectName, const std::string& changeVariable) {
  try {
    if (!host_.ServesPanels()) {
      host_.SetVariable(kGeneralLastError, texts::kHostTooOld);
      return false;
    }
    Detach(objectName);
    const auto handle = ParseInt(host_.ObjectWindowText(objectName));
    if (handle == 0) {
      host_.SetVariable(kGeneralLastError, texts::NoSuchObject(objectName));
      return false;
    }
    // The host's handle is a number: a 32-bit window handle as a signed integer.
    const HWND parent = reinterpret_cast<HWND>(static_cast<std::intptr_t>(handle));
    if (!IsWindow(parent)) throw Error(texts::NoSuchObject(objectName));
    WindowPtr<MagnifierPanel> panel(new MagnifierPanel(parent, lenses_, objectName, changeVariable));
    ShowWindow(panel->Handle(), SW_SHOW);
    panel->FitToParent();
    // A host that called us back meanwhile may have attached a panel under the name; this one,
    // attached last, takes its place (the other's variable is not written again).
    if (const int index = Find(objectName); index >= 0) {
      const WindowPtr<MagnifierPanel> other = std::move(panels_[std::size_t(index)]);
      panels_.erase(panels_.begin() + index);
    }
    panels_.push_back(std::move(panel));
    return true;
  } catch (const std::exception& e) {
    host_.SetVariable(kGeneralLastError, FailureText(e));
    return false;
  }
}

bool PanelList::Start(const std::string& objectName, const std::string& zoomText) {
  return RunStep(objectName, [&](MagnifierPanel& panel) { panel.OpenLens(zoomText); });
}

bool PanelList::Close(const std::string& objectName) {
  return RunStep(objectName, [](MagnifierPanel& panel) { panel.CloseLens(); });
}

void PanelList::FreeAll() {
  // Taken out of the list first, so that nothing a panel does while it goes finds it there.
  auto panels = std::move(panels_);
  panels_.clear();
  for (auto& panel : panels) panel.reset();
}

void PanelList::Abandon() {
  for (auto& panel : panels_) (void)panel.release();
  panels_.clear();
}
