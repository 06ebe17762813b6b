#include "dialogs/edit_forms.h"

#include "dialogs/pictograms.h"
#include "plugin/plugin_utils.h"
#include "resources/texts.h"

namespace {

constexpr std::int32_t kCmdPickObject = 8;
constexpr int kClientWidth = 433;
// The one-field dialog is shown this high (outer size), whatever its stored client height.
constexpr int kOneFieldOuterHeight = 180;

// Host strings are in the system's ANSI code page; the fields are wide.
std::wstring FromHost(const char* text) {
  if (text == nullptr || *text == '\0') return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(std::size_t(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
  wide.resize(wide.size() - 1);
  return wide;
}

std::string ToHost(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(std::size_t(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), narrow.data(), n, nullptr, nullptr);
  return narrow;
}

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
  AddButton(kOkBtn, Place(363, okTop, 65, 25), "OK", font_, true, true);
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
  if (PlugInUtils::InterfaceAccess == nullptr) return;
  LocalHostSlot slot(ToHost(ControlText(kEdit1)));
  if (PlugInUtils::InterfaceAccess(kCmdPickObject, slot.get())) SetControlText(kEdit1, FromHost(slot.text().c_str()));
}

bool EditObjectAction(HostSlot param1) {
  TEditForm1 form(GetActiveWindow());
  form.SetCaption(texts::kPropertiesCaption);
  form.SetControlText(kEdit1, FromHost(*param1));
  form.SetOuterHeight(kOneFieldOuterHeight);
  if (form.ShowModal() != mrOk) return false;
  SetHostString(param1, ToHost(form.ControlText(kEdit1)));
  return true;
}

bool EditObjectParamAction(HostSlot param1, HostSlot param2, const std::string& label) {
  TEditForm2 form(GetActiveWindow());
  form.SetCaption(texts::kPropertiesCaption);
  form.SetControlText(kEdit1, FromHost(*param1));
  form.SetControlText(kEdit2, FromHost(*param2));
  form.SetControlText(kLab1, Widen(label));
  if (form.ShowModal() != mrOk) return false;
  SetHostString(param1, ToHost(form.ControlText(kEdit1)));
  SetHostString(param2, ToHost(form.ControlText(kEdit2)));
  return true;
}
