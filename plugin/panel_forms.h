// The magnifier panel: a borderless child window placed inside a host object's window, showing
// one line of text and carrying the magnifier component that opens the lens.
#pragma once

#include <optional>
#include <string>

#include "framework/controls.h"
#include "framework/form.h"
#include "magnifier/magnifier.h"

class TDM : public Form {
public:
  // A panel as laid out at design: 253 by 33, button-face colour, its label at (4, 4). With a
  // parent it is made a child of that window (still hidden).
  explicit TDM(HWND parent);
  ~TDM() override;

  // Converts the scale text, sets the component's zoom and opens (or raises) the lens.
  // Writes its own outcome to the panel's last-error variable; false on failure.
  bool SetMag(const std::string& scaleText);
  // Closes the lens; the same reporting as SetMag.
  bool CloseMag();

  std::string ObjectName;
  TsMagnifier mag1;

protected:
  // The panel's window and the lens go at once when the panel is retired.
  void Dispose() override;

  Font font_;
  std::optional<Label> Label1;
};

class TMagH : public TDM {
public:
  explicit TMagH(HWND parent) : TDM(parent) {}

  // Covers the parent window's client area, at the top of its siblings, and shows itself.
  void FitToParent();

  std::string VarName;
  std::string KeyName;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Sent by the host to a panel window; lParam 4 asks it to fit its parent again.
constexpr UINT kRefitMessage = WM_USER + 250;
