#include "panels.h"

#include "int_conv.h"
#include "plugin_utils.h"

#include <exception>

// This build has no magnifier panels yet. The actions keep their result protocol: the create
// action asks the host for the object's window as usual and then reports that panels are
// unavailable; since nothing can ever be attached, starting or closing reports that no panel
// is attached.

namespace {

const char* const kNoPanels = "Magnifier panels are not available in this build of Vitrelle.";

bool ReportNoPanel(const std::string& objectName) {
  const std::string variable = LastErrorVariable(objectName);
  SetHostVariable(variable, nullptr);
  SetHostVariable(variable, "There is no control attached to an object named " + objectName + ".");
  return false;
}

}  // namespace

std::string LastErrorVariable(const std::string& objectName) {
  return "[" + objectName + ".VitrelleLastError]";
}

bool AttachPanel(const std::string& objectName, const std::string& varName) {
  (void)varName;
  try {
    if (!ProbeHostCapability()) {
      SetHostVariable(kGeneralLastError, "This function requires NeoBook 4.0.9 or higher.");
      return false;
    }
    if (StrToInt(LookupObjectWindowText(objectName)) == 0) {
      SetHostVariable(kGeneralLastError, "An object named " + objectName + " does not exist.");
      return false;
    }
    SetHostVariable(kGeneralLastError, kNoPanels);
  } catch (const std::exception& e) {
    SetHostVariable(kGeneralLastError, e.what());
  }
  return false;
}

bool StartPanel(const std::string& objectName, const std::string& scaleText) {
  (void)scaleText;
  return ReportNoPanel(objectName);
}

bool ClosePanel(const std::string& objectName) { return ReportNoPanel(objectName); }

void FreeAllPanels() {}
