#include "dialogs/about.h"

#include "framework/errors.h"
#include "framework/resources.h"
#include "imaging/jpeg_image.h"
#include "resources/texts.h"

namespace {

constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr RECT kShape1 = {0, 151, 298, 187};  // the grey band along the bottom
constexpr POINT kImage1 = {0, -2};            // the banner's top two rows lie above the page

// The banner stored with the plug-in as a JPEG; null when it is missing or does not decode.
std::unique_ptr<Dib> LoadBanner() {
  const ResourceBytes resource = FindDataResource(ThisModule(), "BANNER");
  if (resource.data == nullptr) return nullptr;
  try {
    auto banner = std::make_unique<Dib>();
    LoadJpeg(resource.data, resource.size, *banner);
    return banner;
  } catch (const Exception&) {
    return nullptr;
  }
}

}  // namespace

TAboutFrm::TAboutFrm(HWND parent)
    : DialogForm(L"VitrelleAboutForm", parent, 298, 187, RGB(255, 255, 255)),
      font_(L"MS Sans Serif", 11),
      titleFont_(L"MS Sans Serif", 19, true),
      boldFont_(L"MS Sans Serif", 11, true),
      band_(kSilver),
      banner_(LoadBanner()) {
  SetCaption(texts::kAboutCaption);
  AddButton(kButton1, Place(236, 156, 56, 25), texts::kOk, font_, false);  // first: it has the focus
  AddLabel(kLabel1, Place(9, 81, 280, 24), texts::kAboutTitle, titleFont_, {.centred = true});
  AddLabel(kLabel2, Place(112, 113, 79, 13), texts::kAboutVersion, font_, {.autoSize = true});
  AddLabel(kLabel3, Place(10, 129, 279, 13), texts::kAboutSeries, font_, {.centred = true});
  AddLabel(kLabel4, Place(60, 155, 118, 13), texts::kAboutCredit1, boldFont_, {.autoSize = true, .transparent = true});
  AddLabel(kLabel5, Place(10, 168, 214, 13), texts::kAboutCredit2, boldFont_, {.autoSize = true, .transparent = true});
}

void TAboutFrm::ButtonClick(int id) {
  if (id == kButton1) Button1Click();
}

void TAboutFrm::Button1Click() { SetModalResult(mrCancel); }

void TAboutFrm::Paint(HDC dc) {
  FillRect(dc, &kShape1, band_.get());
  if (banner_ != nullptr)
    BitBlt(dc, kImage1.x, kImage1.y, banner_->Width(), banner_->Height(), banner_->Canvas(), 0, 0, SRCCOPY);
}

void ShowAbout() {
  TAboutFrm box(GetActiveWindow());
  box.ShowModal();
}
