#include "framework/bitmap.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "framework/errors.h"
#include "resources/texts.h"

Bitmap::~Bitmap() = default;

void Bitmap::FreeMemory::operator()(std::uint8_t* p) const { std::free(p); }

void Bitmap::SetFormat(PixelFormat format) {
  if (format != format_) Reallocate(width_, height_, format);
}

void Bitmap::SetSize(int width, int height) {
  if (width != width_ || height != height_) Reallocate(width, height, format_);
}

void Bitmap::Clear() {
  Reallocate(0, 0, format_);
  palette_.clear();
  transparentColor_ = kNoColor;
  transparent_ = false;
}

void Bitmap::Reallocate(int width, int height, PixelFormat format) {
  if (width < 0 || height < 0) throw Error(texts::kInvalidBitmapSize);
  std::uint64_t stride = std::uint64_t(width) * std::uint64_t(BitsOf(format));
  stride = (stride + 31) / 32 * 4;
  if (width == 0 || height == 0) stride = 0;
  if (stride * std::uint64_t(height) > kMaxBytes) {
    throw Error(texts::BitmapTooLarge(width, height));
  }
  // Drop the old pixels first so that two large pictures never live side by side.
  bits_ = nullptr;
  memory_.reset();
  width_ = 0;
  height_ = 0;
  stride_ = 0;
  format_ = format;
  bits_ = AllocatePixels(width, height, format, std::size_t(stride));
  if (stride != 0 && bits_ == nullptr) throw Error(texts::kNoBitmap);
  width_ = width;
  height_ = height;
  stride_ = std::size_t(stride);
}

std::uint8_t* Bitmap::AllocatePixels(int, int height, PixelFormat, std::size_t stride) {
  if (stride == 0 || height == 0) return nullptr;
  memory_.reset(static_cast<std::uint8_t*>(std::calloc(std::size_t(height), stride)));
  return memory_.get();
}

void Bitmap::SetPalette(std::vector<Color> palette) { palette_ = std::move(palette); }

Color Bitmap::PixelColor(int x, int y) const {
  const std::uint8_t* row = Row(y);
  unsigned index = 0;
  switch (format_) {
    case PixelFormat::Bits1: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
    case PixelFormat::Bits4: index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15; break;
    case PixelFormat::Bits8: index = row[x]; break;
    case PixelFormat::Bits24: return RGBColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    case PixelFormat::Bits32: return RGBColor(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
  }
  return index < palette_.size() ? palette_[index] & 0xFFFFFF : 0;
}

namespace {

unsigned NearestEntry(const std::vector<Color>& palette, Color color) {
  unsigned best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (unsigned i = 0; i < palette.size(); ++i) {
    long dr = long(RedOf(palette[i])) - RedOf(color);
    long dg = long(GreenOf(palette[i])) - GreenOf(color);
    long db = long(BlueOf(palette[i])) - BlueOf(color);
    long distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

}  // namespace

void Bitmap::FillRows(int first, int last, Color color) {
  if (first < 0) first = 0;
  if (last > height_) last = height_;
  if (bits_ == nullptr || first >= last) return;
  std::uint8_t pattern[4] = {};
  std::size_t unit = 1;
  switch (format_) {
    case PixelFormat::Bits1: pattern[0] = NearestEntry(palette_, color) ? 0xFF : 0x00; break;
    case PixelFormat::Bits4: pattern[0] = std::uint8_t(NearestEntry(palette_, color) * 0x11); break;
    case PixelFormat::Bits8: pattern[0] = std::uint8_t(NearestEntry(palette_, color)); break;
    case PixelFormat::Bits24:
    case PixelFormat::Bits32:
      pattern[0] = BlueOf(color), pattern[1] = GreenOf(color), pattern[2] = RedOf(color);
      unit = format_ == PixelFormat::Bits24 ? 3 : 4;
      break;
  }
  // One row by pattern, the others as copies of it.
  std::uint8_t* model = Row(first);
  if (unit == 1) {
    std::memset(model, pattern[0], stride_);
  } else {
    for (std::size_t i = 0; i + unit <= stride_; i += unit) std::memcpy(model + i, pattern, unit);
  }
  for (int y = first + 1; y < last; ++y) std::memcpy(Row(y), model, stride_);
}
