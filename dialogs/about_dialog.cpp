#include "dialogs/about_dialog.h"

#include "framework/errors.h"
#include "framework/resources.h"
#include "imaging/jpeg_image.h"
#include "resources/texts.h"

namespace {

constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr RECT kBand = {0, 151, 298, 187};  // the grey band along the bottom
constexpr POINT kBannerAt = {0, -2};            // the banner's top two rows lie above the page

// The banner stored with the plug-in as a JPEG; null when it is missing or does not decode.
std::unique_ptr<Dib> LoadBanner() {
  const ResourceBytes resource = FindDataResource(ThisModule(), "BANNER");
  if (resource.data == nullptr) return nullptr;
  try {
    auto banner = std::make_unique<Dib>();
    LoadJpeg(resource.data, resource.size, *banner);
    return banner;
  } catch (const Error&) {
    return nullptr;
  }
}

}  // namespace

AboutDialog::AboutDialog(HWND parent)
    : DialogWindow(L"VitrelleAboutForm", parent, 298, 187, RGB(255, 255, 255)),
      font_(L"MS Sans Serif", 11),
      titleFont_(L"MS Sans Serif", 19, Font::Weight::Bold),
      boldFont_(L"MS Sans Serif", 11, Font::Weight::Bold),
      band_(kSilver),
      banner_(LoadBanner()) {
  SetCaption(texts::kAboutCaption);
  AddButton(kOkButton, Place(236, 156, 56, 25), texts::kOk, font_);  // first: it has the focus
  AddLabel(kTitleLabel, Place(9, 81, 280, 24), texts::kAboutTitle, titleFont_, {.centred = true});
  AddLabel(kVersionLabel, Place(112, 113, 79, 13), texts::kAboutVersion, font_, {.autoSize = true});
  AddLabel(kSeriesLabel, Place(10, 129, 279, 13), texts::kAboutSeries, font_, {.centred = true});
  AddLabel(kCopyrightLabel, Place(60, 155, 118, 13), texts::kAboutCopyright, boldFont_,
           {.autoSize = true, .transparent = true});
  AddLabel(kTaglineLabel, Place(10, 168, 214, 13), texts::kAboutTagline, boldFont_,
           {.autoSize = true, .transparent = true});
}

void AboutDialog::ButtonClick(int id) {
  if (id == kOkButton) OnOk();
}

void AboutDialog::OnOk() { SetModalResult(kResultCancel); }

void AboutDialog::Paint(HDC dc) {
  FillRect(dc, &kBand, band_.get());
  if (banner_ != nullptr)
    BitBlt(dc, kBannerAt.x, kBannerAt.y, banner_->Width(), banner_->Height(), banner_->Dc(), 0, 0, SRCCOPY);
}

void ShowAbout() {
  AboutDialog box(GetActiveWindow());
  box.RunModal();
}
