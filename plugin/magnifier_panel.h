// The magnifier panel: a borderless child window placed inside a host object's window, showing
// one line of text and carrying the magnifier component that opens the lens.
#pragma once

#include <optional>
#include <string>

#include "framework/controls.h"
#include "framework/app_window.h"
#include "magnifier/magnifier.h"

class MagnifierPanel : public AppWindow {
public:
  // A panel as laid out at design: 253 by 33, button-face colour, its label at (4, 4). With a
  // parent it is made a child of that window (still hidden). It is attached to the host object
  // as the script named it; the script's variable hears of the panel's end. Its lens comes from
  // `lenses`.
  MagnifierPanel(HWND parent, LensRegistry& lenses, std::string objectName, std::string changeVariable);
  ~MagnifierPanel() override;

  const std::string& ObjectName() const { return objectName_; }
  const std::string& ChangeVariable() const { return changeVariable_; }

  // Converts the zoom text, sets the component's zoom and opens (or raises) the lens. Throws on
  // failure; the caller reports the outcome.
  void OpenLens(const std::string& zoomText);
  void CloseLens();
  // Covers the parent window's client area, at the top of its siblings, and shows itself.
  void FitToParent();

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The panel's window and the lens go at once when the panel is passed to DeleteLater.
  void ReleaseNow() override;

private:
  std::string objectName_;
  std::string changeVariable_;
  Magnifier magnifier_;
  Font font_;
  std::optional<Label> label_;
};

// Sent by the host to a panel window; lParam 4 asks it to fit its parent again.
constexpr UINT kRefitMessage = WM_USER + 250;
