#include "plugin/panel_forms.h"

#include <exception>

#include "boundary/host_strings.h"
#include "plugin/int_conv.h"
#include "plugin/panels.h"
#include "resources/texts.h"

namespace {

constexpr LPARAM kRefitParent = 4;

}  // namespace

TDM::TDM(HWND parent) : font_(L"MS Sans Serif", 11) {
  CreateParams params;
  params.style = parent != nullptr ? WS_CHILD | WS_CLIPSIBLINGS : WS_POPUP;
  params.parent = parent;
  params.width = 253;
  params.height = 33;
  params.background = GetSysColorBrush(COLOR_BTNFACE);
  CreateForm(L"VitrellePanel", params);
  SendMessageW(Handle(), WM_SETFONT, WPARAM(font_.Handle()), FALSE);
  Label1.emplace(*this, 4, 4, texts::kPanelLabel, font_);
}

TDM::~TDM() { DestroyForm(); }

void TDM::Dispose() {
  Form::Dispose();
  mag1.Dispose();
}

bool TDM::SetMag(const std::string& scaleText) {
  const std::string variable = LastErrorVariable(ObjectName);
  try {
    mag1.SetScaling(StrToInt(scaleText));
    mag1.ShowLens(-1, -1);
    SetHostVariable(variable, texts::kPanelDone);
    return true;
  } catch (const std::exception& e) {
    SetHostVariable(variable, e.what());
    return false;
  }
}

bool TDM::CloseMag() {
  const std::string variable = LastErrorVariable(ObjectName);
  try {
    mag1.CloseLens();
    SetHostVariable(variable, texts::kPanelDone);
    return true;
  } catch (const std::exception& e) {
    SetHostVariable(variable, e.what());
    return false;
  }
}

void TMagH::FitToParent() {
  RECT client = {};
  GetClientRect(GetParent(Handle()), &client);
  SetWindowPos(Handle(), HWND_TOP, 0, 0, client.right - client.left, client.bottom - client.top, SWP_SHOWWINDOW);
}

LRESULT TMagH::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRefitMessage) {
    if (lParam == kRefitParent) FitToParent();
    return 0;
  }
  return TDM::HandleMessage(message, wParam, lParam);
}
