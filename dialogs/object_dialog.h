// The property dialogs of the actions: the object name alone (ObjectDialog), or the object name
// and one more parameter under a label the caller gives (ObjectParamDialog). Each lives for one edit:
// shown modally over the active window, read on OK, freed however it ends.
#pragma once

#include <string>

#include "boundary/boundary.h"
#include "boundary/host_strings.h"
#include "framework/dialog.h"

// Control ids, by which scripts and tests find the controls too.
enum ObjectDialogControl : int {
  kOkButton = IDOK,
  kCancelButton = IDCANCEL,
  kObjectEdit = 101,
  kParamEdit = 102,
  kPickerButton = 103,
  kObjectPicture = 104,
  kNoteLabel = 105,
  kObjectLabel = 106,
  kParamLabel = 107,
};

class ObjectDialog : public DialogWindow {
public:
  // The object picker asks the host's list.
  ObjectDialog(HWND parent, const HostServices& host);

protected:
  // The controls both dialogs share, at the places of a dialog `clientHeight` high whose buttons
  // stand at these tops; the two-field dialog's label takes the Alt key.
  ObjectDialog(HWND parent, const HostServices& host, const wchar_t* className, int clientHeight, int okTop,
               int cancelTop, bool labelKey);

  void ButtonClick(int id) override;

  Font font_;

private:
  // The object picker: the host's list, starting from the name in the field.
  void OnPickObject();

  const HostServices& host_;
};

class ObjectParamDialog : public ObjectDialog {
public:
  ObjectParamDialog(HWND parent, const HostServices& host);
};

// Edits the object name of an action with one parameter; true when the author pressed OK, and
// the slot then holds the new text.
bool EditObjectAction(HostSlot objectSlot, const HostServices& host);
// Edits both parameters of an action with two; the second field is labelled `label`.
bool EditObjectParamAction(HostSlot objectSlot, HostSlot paramSlot, const std::string& label,
                           const HostServices& host);
