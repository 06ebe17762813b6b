// The framework's bitmap: a picture of 1, 4, 8, 24 or 32 bits per pixel with rows top-down,
// an optional palette and a transparent colour. Portable: the pixels live in memory that a
// derived class may provide (a Windows DIB section, for one), so the PNG reader and its tests
// need no Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Framework colour: red in the low byte, then green, then blue (0x00BBGGRR).
using Color = std::uint32_t;
// "No colour" where a colour may be absent (transparent colour, background).
constexpr Color kNoColor = 0x1FFFFFFF;

constexpr Color RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Color(r) | Color(g) << 8 | Color(b) << 16;
}
constexpr std::uint8_t RedOf(Color c) { return std::uint8_t(c); }
constexpr std::uint8_t GreenOf(Color c) { return std::uint8_t(c >> 8); }
constexpr std::uint8_t BlueOf(Color c) { return std::uint8_t(c >> 16); }

enum class PixelFormat : std::uint8_t { Bits1 = 1, Bits4 = 4, Bits8 = 8, Bits24 = 24, Bits32 = 32 };

constexpr int BitsOf(PixelFormat f) { return int(f); }
constexpr bool HasPalette(PixelFormat f) { return BitsOf(f) <= 8; }

class Bitmap {
public:
  Bitmap() = default;
  virtual ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  PixelFormat Format() const { return format_; }
  // Bytes from one row to the next; rows are 4-byte aligned.
  std::size_t Stride() const { return stride_; }

  // Changing the size or the format keeps neither the pixels nor their place in memory; the new
  // pixels are zero. Throws Error when the picture could not be held in memory.
  void SetFormat(PixelFormat format);
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  // Size 0 by 0, no palette, no transparency; the format stays.
  void Clear();

  std::uint8_t* Row(int y) { return bits_ + std::ptrdiff_t(y) * std::ptrdiff_t(stride_); }
  const std::uint8_t* Row(int y) const { return bits_ + std::ptrdiff_t(y) * std::ptrdiff_t(stride_); }

  // Palette of the 1, 4 and 8-bit formats, framework colours in index order.
  const std::vector<Color>& Palette() const { return palette_; }
  void SetPalette(std::vector<Color> palette);
  // The colour of pixel (x, y), through the palette for the palette formats (black for an index
  // the palette lacks); the alpha of a 32-bit pixel is not part of it.
  Color PixelColor(int x, int y) const;

  Color TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(Color c) { transparentColor_ = c; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on) { transparent_ = on; }

  // Paints every pixel with the colour: the nearest palette entry for the palette formats,
  // alpha 0 for 32 bits (as a brush would).
  void Fill(Color color) { FillRows(0, height_, color); }
  // The same for rows first .. last - 1 only.
  void FillRows(int first, int last, Color color);

  // Largest picture we agree to hold, in bytes of pixel storage.
  static constexpr std::size_t kMaxBytes = std::size_t(512) << 20;

protected:
  // Provides storage for `height` rows of `stride` zeroed bytes, rows top-down; nullptr with a
  // zero size, or when there is no memory (a derived class may throw instead, with the cause).
  // The default keeps the pixels in ordinary memory.
  virtual std::uint8_t* AllocatePixels(int width, int height, PixelFormat format, std::size_t stride);

private:
  void Reallocate(int width, int height, PixelFormat format);

  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::Bits24;
  std::size_t stride_ = 0;
  std::uint8_t* bits_ = nullptr;
  // calloc'd: large blocks come straight from the system already zero, with no pass to clear
  // them before the pixels are written.
  struct FreeMemory {
    void operator()(std::uint8_t* p) const;
  };
  std::unique_ptr<std::uint8_t, FreeMemory> memory_;
  std::vector<Color> palette_;
  Color transparentColor_ = kNoColor;
  bool transparent_ = false;
};
