// The About box the host opens from its plug-in list: the banner, the title, the version and two
// credit lines over a white page with a grey band, and OK.
#pragma once

#include <memory>

#include "framework/dialog.h"

class TAboutFrm : public DialogForm {
public:
  explicit TAboutFrm(HWND parent);

  enum Control : int { kButton1 = IDOK, kLabel1 = 201, kLabel2, kLabel3, kLabel4, kLabel5 };

protected:
  void ButtonClick(int id) override;
  void Paint(HDC dc) override;

private:
  void Button1Click();

  Font font_;
  Font titleFont_;
  Font boldFont_;
  SolidBrush band_;
  std::unique_ptr<Dib> banner_;  // null when it could not be read; the box shows without it
};

// Shows the box modally over the active window; returns when it is closed.
void ShowAbout();
