#include "plugin/magnifier_panel.h"

#include "plugin/int_conv.h"
#include "resources/texts.h"

namespace {

constexpr LPARAM kRefitParent = 4;

}  // namespace

MagnifierPanel::MagnifierPanel(HWND parent, LensRegistry& lenses, std::string objectName, std::string changeVariable)
    : objectName_(std::move(objectName)),
      changeVariable_(std::move(changeVariable)),
      magnifier_(lenses),
      font_(L"MS Sans Serif", 11) {
  CreateParams params;
  params.style = parent != nullptr ? WS_CHILD | WS_CLIPSIBLINGS : WS_POPUP;
  params.parent = parent;
  params.width = 253;
  params.height = 33;
  params.background = GetSysColorBrush(COLOR_BTNFACE);
  CreateAppWindow(L"VitrellePanel", params);
  SendMessageW(Handle(), WM_SETFONT, WPARAM(font_.Handle()), FALSE);
  label_.emplace(*this, 4, 4, texts::kPanelLabel, font_);
  magnifier_.SetPublicationWindow(Handle());
}

MagnifierPanel::~MagnifierPanel() { DestroyAppWindow(); }

void MagnifierPanel::ReleaseNow() {
  AppWindow::ReleaseNow();
  magnifier_.ReleaseNow();
}

void MagnifierPanel::OpenLens(const std::string& zoomText) {
  magnifier_.SetZoom(ParseInt(zoomText));
  magnifier_.ShowLens(-1, -1);
}

void MagnifierPanel::CloseLens() { magnifier_.CloseLens(); }

void MagnifierPanel::FitToParent() {
  RECT client = {};
  GetClientRect(GetParent(Handle()), &client);
  SetWindowPos(Handle(), HWND_TOP, 0, 0, client.right - client.left, client.bottom - client.top, SWP_SHOWWINDOW);
}

LRESULT MagnifierPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRefitMessage) {
    if (lParam == kRefitParent) FitToParent();
    return 0;
  }
  return AppWindow::HandleMessage(message, wParam, lParam);
}
