// The About box the host opens from its plug-in list: the banner, the title, the version and two
// credit lines over a white page with a grey band, and OK.
#pragma once

#include <memory>

#include "framework/dialog.h"

class AboutDialog : public DialogWindow {
public:
  explicit AboutDialog(HWND parent);

  enum Control : int {
    kOkButton = IDOK,
    kTitleLabel = 201,
    kVersionLabel,
    kSeriesLabel,
    kCopyrightLabel,
    kTaglineLabel,
  };

protected:
  void ButtonClick(int id) override;
  void Paint(HDC dc) override;

private:
  void OnOk();

  Font font_;
  Font titleFont_;
  Font boldFont_;
  SolidBrush band_;
  std::unique_ptr<Dib> banner_;  // null when it could not be read; the box shows without it
};

// Shows the box modally over the active window; returns when it is closed.
void ShowAbout();
