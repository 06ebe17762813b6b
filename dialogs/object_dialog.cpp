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

ObjectDialog::ObjectDialog(HWND parent) : ObjectDialog(parent, L"VitrelleEditForm1", 150, 116, 114, false) {}

ObjectDialog::ObjectDialog(HWND parent, const wchar_t* className, int clientHeight, int okTop, int cancelTop,
                       bool labelKey)
    : DialogForm(className, parent, kClientWidth, clientHeight, GetSysColor(COLOR_BTNFACE)),
      font_(L"MS Sans Serif", 11) {
  // Created in tab order: the field, OK, Cancel (then the two-field dialog's second field). The
  // label comes just before the field it names, for its Alt key.
  AddPicture(kObjectPicture, Place(4, 52, 37, 39), ObjectPictogram());
  AddLabel(kNoteLabel, Place(46, 52, 381, 49), texts::kObjectTypeNote, font_, {.wordWrap = true});
  AddPictureButton(kPickerButton, Place(404, 26, 23, 22), PickerGlyph(), texts::kPickObjectTip);
  AddLabel(kObjectLabel, Place(4, 8, 93, 13), labelKey ? texts::kObjectLabelWithKey : texts::kObjectLabel, font_,
           {.autoSize = true, .accelerator = labelKey});
  AddEdit(kObjectEdit, Place(4, 26, 395, 21), font_);
  AddButton(kOkButton, Place(363, okTop, 65, 25), texts::kOk, font_, true, true);
  AddButton(kCancelButton, Place(5, cancelTop, 65, 25), texts::kCancel, font_, false, true);
}

ObjectParamDialog::ObjectParamDialog(HWND parent) : ObjectDialog(parent, L"VitrelleEditForm2", 175, 139, 139, true) {
  AddLabel(kParamLabel, Place(4, 112, 90, 13), texts::kVariableNameLabel, font_, {.autoSize = true});
  AddEdit(kParamEdit, Place(158, 108, 269, 21), font_);
}

void ObjectDialog::ButtonClick(int id) {
  if (id == kPickerButton) {
    OnPickObject();
  } else {
    DialogForm::ButtonClick(id);
  }
}

void ObjectDialog::OnPickObject() {
  const auto picked = PickHostObject(WideToAnsi(ControlText(kObjectEdit)));
  if (picked) SetControlText(kObjectEdit, AnsiToWide(picked->c_str()));
}

bool EditObjectAction(HostSlot param1) {
  ObjectDialog form(GetActiveWindow());
  form.SetCaption(texts::kPropertiesCaption);
  form.SetControlText(kObjectEdit, AnsiToWide(*param1));
  form.SetOuterHeight(kOneFieldOuterHeight);
  if (form.ShowModal() != mrOk) return false;
  SetHostString(param1, WideToAnsi(form.ControlText(kObjectEdit)));
  return true;
}

bool EditObjectParamAction(HostSlot param1, HostSlot param2, const std::string& label) {
  ObjectParamDialog form(GetActiveWindow());
  form.SetCaption(texts::kPropertiesCaption);
  form.SetControlText(kObjectEdit, AnsiToWide(*param1));
  form.SetControlText(kParamEdit, AnsiToWide(*param2));
  form.SetControlText(kParamLabel, Utf8ToWide(label));
  if (form.ShowModal() != mrOk) return false;
  SetHostString(param1, WideToAnsi(form.ControlText(kObjectEdit)));
  SetHostString(param2, WideToAnsi(form.ControlText(kParamEdit)));
  return true;
}
