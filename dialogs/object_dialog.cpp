#include "dialogs/object_dialog.h"

#include "boundary/host_strings.h"
#include "dialogs/pictograms.h"
#include "framework/encoding.h"
#include "resources/texts.h"

namespace {

constexpr int kClientWidth = 433;
// The one-field dialog is shown this high (outer size), whatever its stored client height.
constexpr int kOneFieldOuterHeight = 180;

}  // namespace

ObjectDialog::ObjectDialog(HWND parent, const HostServices& host)
    : ObjectDialog(parent, host, L"VitrelleEditForm1", 150, 116, 114, false) {}

ObjectDialog::ObjectDialog(HWND parent, const HostServices& host, const wchar_t* className, int clientHeight,
                           int okTop, int cancelTop, bool labelKey)
    : DialogWindow(className, parent, kClientWidth, clientHeight, GetSysColor(COLOR_BTNFACE)),
      font_(L"MS Sans Serif", 11),
      host_(host) {
  // Created in tab order: the field, OK, Cancel (then the two-field dialog's second field). The
  // label comes just before the field it names, for its Alt key.
  AddPicture(kObjectPicture, Place(4, 52, 37, 39), ObjectPictogram());
  AddLabel(kNoteLabel, Place(46, 52, 381, 49), texts::kObjectTypeNote, font_, {.wordWrap = true});
  AddPictureButton(kPickerButton, Place(404, 26, 23, 22), PickerGlyph(), texts::kPickObjectTip);
  AddLabel(kObjectLabel, Place(4, 8, 93, 13), labelKey ? texts::kObjectLabelWithKey : texts::kObjectLabel, font_,
           {.autoSize = true, .accelerator = labelKey});
  AddEdit(kObjectEdit, Place(4, 26, 395, 21), font_);
  AddButton(kOkButton, Place(363, okTop, 65, 25), texts::kOk, font_, {.isDefault = true, .anchorBottom = true});
  AddButton(kCancelButton, Place(5, cancelTop, 65, 25), texts::kCancel, font_, {.anchorBottom = true});
}

ObjectParamDialog::ObjectParamDialog(HWND parent, const HostServices& host)
    : ObjectDialog(parent, host, L"VitrelleEditForm2", 175, 139, 139, true) {
  AddLabel(kParamLabel, Place(4, 112, 90, 13), texts::kVariableNameLabel, font_, {.autoSize = true});
  AddEdit(kParamEdit, Place(158, 108, 269, 21), font_);
}

void ObjectDialog::ButtonClick(int id) {
  if (id == kPickerButton) {
    OnPickObject();
  } else {
    DialogWindow::ButtonClick(id);
  }
}

void ObjectDialog::OnPickObject() {
  const auto picked = host_.PickObject(WideToAnsi(ControlText(kObjectEdit)));
  if (picked) SetControlText(kObjectEdit, AnsiToWide(picked->c_str()));
}

bool EditObjectAction(HostSlot objectSlot, const HostServices& host) {
  ObjectDialog dialog(GetActiveWindow(), host);
  dialog.SetCaption(texts::kPropertiesCaption);
  dialog.SetControlText(kObjectEdit, AnsiToWide(*objectSlot));
  dialog.SetOuterHeight(kOneFieldOuterHeight);
  if (dialog.RunModal() != kResultOk) return false;
  SetHostString(objectSlot, WideToAnsi(dialog.ControlText(kObjectEdit)));
  return true;
}

bool EditObjectParamAction(HostSlot objectSlot, HostSlot paramSlot, const std::string& label,
                           const HostServices& host) {
  ObjectParamDialog dialog(GetActiveWindow(), host);
  dialog.SetCaption(texts::kPropertiesCaption);
  dialog.SetControlText(kObjectEdit, AnsiToWide(*objectSlot));
  dialog.SetControlText(kParamEdit, AnsiToWide(*paramSlot));
  dialog.SetControlText(kParamLabel, Utf8ToWide(label));
  if (dialog.RunModal() != kResultOk) return false;
  SetHostString(objectSlot, WideToAnsi(dialog.ControlText(kObjectEdit)));
  SetHostString(paramSlot, WideToAnsi(dialog.ControlText(kParamEdit)));
  return true;
}
