// The magnifier panels that the run-time actions attach to host objects, and the actions' work.
#pragma once
#include <string>

bool AttachPanel(const std::string& objectName, const std::string& varName);
bool StartPanel(const std::string& objectName, const std::string& zoomText);
bool ClosePanel(const std::string& objectName);
void FreeAllPanels();

// "[<Object>.VitrelleLastError]"
std::string LastErrorVariable(const std::string& objectName);
inline const std::string kGeneralLastError = "[LastError]";
