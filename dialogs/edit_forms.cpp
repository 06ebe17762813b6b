#include "dialogs/edit_forms.h"

#include "boundary/host_strings.h"
#include "dialogs/pictograms.h"
#include "framework/encoding.h"
#include "resources/texts.h"

namespace {

constexpr int kClientWidth = 433;
// The one-field dialog is shown this high (outer size), whatever its stored client height.
constexpr int kOneFieldOuterHeight = 180;

}  // namespace

TEditForm1::TEditForm1(HWND parent) : TEditForm1(parent, L"VitrelleEditForm1", 150, 116, 114, false) {}

TEditForm1::TEditForm1(HWND parent, const wchar_t* className, int clientHeight, int okTop, int cancelTop,
                       bool labelKey)
    : DialogForm(className, parent, kClientWidth, clientHeight, GetSysColor(COLOR_BTNFACE)),
      font_(L"MS Sans Serif", 11) {
  // Created in tab order: the field, OK, Cancel (then the two-field dialog's second field). The
  // label comes just before the field it names, for its Alt key.
  AddPicture(kImage1, Place(4, 52, 37, 39), ObjectPictogram());
  AddLabel(kLabel2, Place(46, 52, 381, 49), texts::kObjectTypeNote, font_, {.wordWrap = true});
  AddPictureButton(kSpeedButton1, Place(404, 26, 23, 22), PickerGlyph(), texts::kPickObjectTip);
  AddLabel(kLabel1, Place(4, 8, 93, 13), labelKey ? texts::kObjectLabelWithKey : texts::kObjectLabel, font_,
           {.autoSize = true, .accelerator = labelKey});
  AddEdit(kEdit1, Place(4, 26, 395, 21), font_);
  AddButton(kOkBtn, Place(363, okTop, 65, 25), texts::kOk, font_, true, true);
  AddButton(kCancelBtn, Place(5, cancelTop, 65, 25), texts::kCancel, font_, false, true);
}

TEditForm2::TEditForm2(HWND parent) : TEditForm1(parent, L"VitrelleEditForm2", 175, 139, 139, true) {
  AddLabel(kLab1, Place(4, 112, 90, 13), texts::kVariableNameLabel, font_, {.autoSize = true});
  AddEdit(kEdit2, Place(158, 108, 269, 21), font_);
}

void TEditForm1::ButtonClick(int id) {
  if (id == kSpeedButton1) {
    SpeedButton1Click();
  } else {
    DialogForm::ButtonClick(id);
  }
}

void TEditForm1::SpeedButton1Click() {
  const auto picked = PickHostObject(WideToAnsi(ControlText(kEdit1)));
  if (picked) SetControlText(kEdit1, AnsiToWide(picked->c_str()));
}

bool EditObjectAction(HostSlot param1) {
  TEditForm1 form(GetActiveWindow());
  form.SetCaption(texts::kPropertiesCaption);
  form.SetControlText(kEdit1, AnsiToWide(*param1));
  form.SetOuterHeight(kOneFieldOuterHeight);
  if (form.ShowModal() != mrOk) return false;
  SetHostString(param1, WideToAnsi(form.ControlText(kEdit1)));
  return true;
}

bool EditObjectParamAction(HostSlot param1, HostSlot param2, const std::string& label) {
  TEditForm2 form(GetActiveWindow());
  form.SetCaption(texts::kPropertiesCaption);
  form.SetControlText(kEdit1, AnsiToWide(*param1));
  form.SetControlText(kEdit2, AnsiToWide(*param2));
  form.SetControlText(kLab1, Utf8ToWide(label));
  if (form.ShowModal() != mrOk) return false;
  SetHostString(param1, WideToAnsi(form.ControlText(kEdit1)));
  SetHostString(param2, WideToAnsi(form.ControlText(kEdit2)));
  return true;
}
