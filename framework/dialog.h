// DialogWindow: a fixed-size window with a caption bar and a close box, shown modally over its
// owner with a dialog's keyboard: Tab and Shift+Tab through the controls in their order, Enter
// for the default button (or the focused one), Escape for the cancel button, Alt and a label's
// underlined letter for the control after the label. Its controls are standard child windows,
// found by their ids.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/dib.h"
#include "framework/app_window.h"
#include "framework/gdi.h"

enum DialogResult : int { kNoResult = 0, kResultOk = IDOK, kResultCancel = IDCANCEL };

// How a label draws its text.
struct ButtonStyle {
  bool isDefault = false;     // pressed by Enter
  bool anchorBottom = false;  // follows the bottom edge when the dialog's height changes
};

struct LabelStyle {
  bool autoSize = false;  // grows or shrinks from its top-left corner to fit its text on one line
  bool wordWrap = false;
  bool centred = false;
  bool transparent = false;  // drawn on whatever the window paints beneath it
  bool accelerator = false;  // "&" underlines the next letter, and Alt plus it focuses the next control
};

class DialogWindow : public AppWindow {
public:
  ~DialogWindow() override;

  // Shows the window over its owner, which is disabled meanwhile, and runs its messages until a
  // button or the close box sets the result (kResultCancel when the loop ends otherwise).
  int RunModal();
  void SetModalResult(int result) { modalResult_ = result; }
  void SetCaption(const std::string& utf8);
  // Outer height; controls anchored to the bottom edge keep their distance from it.
  void SetOuterHeight(int height);

  // A one-line text field's text, or a control's caption.
  std::wstring ControlText(int id) const;
  void SetControlText(int id, const std::wstring& text);

protected:
  // A window of `clientWidth` by `clientHeight` in the given background, owned by `owner`,
  // centred on the screen when shown.
  DialogWindow(const wchar_t* className, HWND owner, int clientWidth, int clientHeight, COLORREF background);

  // Controls, in tab order among those that take the focus. Places are in client pixels.
  void AddLabel(int id, RECT place, const std::string& caption, const Font& font, LabelStyle style = {});
  void AddEdit(int id, RECT place, const Font& font);
  void AddButton(int id, RECT place, const std::string& caption, const Font& font, ButtonStyle style = {});
  // A picture centred in its place, the colour of its lower-left pixel left out.
  void AddPicture(int id, RECT place, std::unique_ptr<Dib> picture);
  // A flat button showing a picture (lower-left pixel colour left out) and a tooltip; it does not
  // take the focus.
  void AddPictureButton(int id, RECT place, std::unique_ptr<Dib> glyph, const std::string& tooltip);

  // A click on a button (or its key). By default OK and Cancel end the dialog with their result.
  virtual void ButtonClick(int id);
  // What the window draws beneath its controls, after its background.
  virtual void Paint(HDC dc) { (void)dc; }

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  static RECT Place(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

private:
  // Moves the focus as a dialog does: a field's text is selected, and a push button that takes the
  // focus is the default one until the focus moves on to a control that is not a push button.
  void FocusControl(HWND control);
  // Tab and Shift+Tab, unless the focused control takes them itself; true when handled.
  bool TabKey(const MSG& msg);
  // Alt and a label's or a button's underlined letter, in either case; true when handled.
  bool MnemonicKey(const MSG& msg);
  HWND AddChild(const wchar_t* className, int id, RECT place, const std::wstring& text, DWORD style,
                DWORD exStyle, const Font* font);
  void DrawPicture(const DRAWITEMSTRUCT& item) const;

  SolidBrush background_;
  int modalResult_ = kNoResult;
  int defaultButton_ = 0;
  int clientHeight_;
  std::vector<HWND> bottomAnchored_;
  std::vector<HWND> transparentLabels_;
  std::map<int, std::unique_ptr<Dib>> pictures_;
  OwnedWindow tooltip_;  // made with the first picture button
  HWND lastFocus_ = nullptr;
};
