#include "dialogs/pictograms.h"

#include <initializer_list>

namespace {

// The 16 colours of the classic system palette, in their usual order.
enum Colour : std::uint8_t {
  kBlack, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kSilver,
  kGray, kRed, kLime, kYellow, kBlue, kFuchsia, kAqua, kWhite,
};

// A 4-bit picture filled with the colour its lower-left pixel will show (left out when drawn).
std::unique_ptr<Dib> Blank(int width, int height, Colour clear) {
  auto dib = std::make_unique<Dib>();
  dib->SetFormat(PixelFormat::Bits4);
  dib->SetPalette({RGBColor(0, 0, 0), RGBColor(128, 0, 0), RGBColor(0, 128, 0), RGBColor(128, 128, 0),
                   RGBColor(0, 0, 128), RGBColor(128, 0, 128), RGBColor(0, 128, 128), RGBColor(192, 192, 192),
                   RGBColor(128, 128, 128), RGBColor(255, 0, 0), RGBColor(0, 255, 0), RGBColor(255, 255, 0),
                   RGBColor(0, 0, 255), RGBColor(255, 0, 255), RGBColor(0, 255, 255), RGBColor(255, 255, 255)});
  dib->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t& b = dib->Row(y)[x / 2];
      b = x % 2 ? std::uint8_t((b & 0xF0) | clear) : std::uint8_t((b & 0x0F) | clear << 4);
    }
  return dib;
}

void Put(Dib& dib, int x, int y, Colour c) {
  std::uint8_t& b = dib.Row(y)[x / 2];
  b = x % 2 ? std::uint8_t((b & 0xF0) | c) : std::uint8_t((b & 0x0F) | c << 4);
}

void Box(Dib& dib, int left, int top, int right, int bottom, Colour c) {
  for (int x = left; x <= right; ++x) Put(dib, x, top, c), Put(dib, x, bottom, c);
  for (int y = top; y <= bottom; ++y) Put(dib, left, y, c), Put(dib, right, y, c);
}

}  // namespace

std::unique_ptr<Dib> ObjectPictogram() {
  auto dib = Blank(20, 20, kFuchsia);
  // Inside the black frame: navy diagonals over white, a light shade along the top and left.
  for (int y = 2; y <= 17; ++y)
    for (int x = 2; x <= 17; ++x) Put(*dib, x, y, (x + y) % 4 == 0 ? kNavy : (x + y) % 4 == 1 ? kBlue : kWhite);
  for (int i = 2; i <= 17; ++i) Put(*dib, i, 2, kSilver), Put(*dib, 2, i, kSilver);
  Box(*dib, 1, 1, 18, 18, kBlack);
  return dib;
}

std::unique_ptr<Dib> PickerGlyph() {
  auto dib = Blank(17, 16, kFuchsia);
  // A sheet with three lines of a list.
  for (int y = 1; y <= 12; ++y)
    for (int x = 1; x <= 10; ++x) Put(*dib, x, y, kWhite);
  Box(*dib, 1, 1, 10, 12, kBlack);
  for (int y : {4, 7, 10})
    for (int x = 3; x <= 8; ++x) Put(*dib, x, y, kNavy);
  // A pointer reaching into the list from the right.
  const int arrow[][2] = {{11, 7}, {12, 6}, {12, 7}, {12, 8}, {13, 5}, {13, 6}, {13, 7}, {13, 8}, {13, 9},
                          {14, 7}, {15, 7}, {14, 6}, {14, 8}};
  for (const auto& p : arrow) Put(*dib, p[0], p[1], kBlack);
  return dib;
}
