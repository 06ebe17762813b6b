// Converts rows of PNG samples into rows of the bitmap: bit depths, sample order, 16-bit
// reduction, gamma and the Adam7 column masks.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/bitmap.h"

enum class ColorScheme : std::uint8_t { Unknown, Indexed, Gray, GrayAlpha, Rgb, Rgba, Bgr, Bgra };

class ColorManager {
public:
  static constexpr std::uint8_t kOptionAlpha = 1;     // the scheme carries alpha
  static constexpr std::uint8_t kOptionByteSwap = 2;  // source: 16-bit samples are big-endian
  static constexpr std::uint8_t kOptionGamma = 4;     // target: map colour through the gamma table

  ColorManager();

  void SetSourceBitsPerSample(std::uint8_t bits);
  void SetTargetBitsPerSample(std::uint8_t bits);
  void SetSourceSamplesPerPixel(std::uint8_t samples);
  void SetTargetSamplesPerPixel(std::uint8_t samples);
  void SetSourceColorScheme(ColorScheme scheme);
  void SetTargetColorScheme(ColorScheme scheme);

  std::uint8_t SourceBitsPerSample() const { return sourceBits_; }
  std::uint8_t TargetBitsPerSample() const { return targetBits_; }
  std::uint8_t SourceSamplesPerPixel() const { return sourceSamples_; }
  std::uint8_t TargetSamplesPerPixel() const { return targetSamples_; }
  ColorScheme SourceColorScheme() const { return sourceScheme_; }
  ColorScheme TargetColorScheme() const { return targetScheme_; }

  std::uint8_t SourceOptions() const { return sourceOptions_; }
  std::uint8_t TargetOptions() const { return targetOptions_; }
  void SetSourceOptions(std::uint8_t options) { sourceOptions_ = options; }
  void SetTargetOptions(std::uint8_t options) { targetOptions_ = options; }

  void BuildGammaTable(float mainGamma, float displayGamma);
  const std::uint8_t* GammaTable() const { return gammaTable_; }

  // Converts `count` pixels from `source` into `target`; of each group of eight pixels only
  // those whose bit in `columnMask` is set (bit 7 = first) are written and consume source.
  void TransferRow(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                   std::uint8_t columnMask);

  // Grey ramp for the grey formats: 2, 16 or 256 entries.
  std::vector<Color> CreateGrayscalePalette() const;
  // Palette from PLTE entries (red, green, blue bytes), at most 256, gamma applied.
  std::vector<Color> CreateColorPalette(const std::uint8_t* entries, std::uint32_t count) const;

private:
  using RowRoutine = void (ColorManager::*)(const std::uint8_t*, std::uint8_t*, std::uint32_t, std::uint8_t);

  void ChooseRowRoutine();
  void RowIndexed(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count, std::uint8_t mask);
  void RowGrey(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count, std::uint8_t mask);
  void RowRGBA(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count, std::uint8_t mask);
  void RowRGBA8Fast(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count, std::uint8_t mask);

  bool changed_ = true;
  std::uint8_t sourceBits_ = 8;
  std::uint8_t targetBits_ = 8;
  std::uint8_t sourceSamples_ = 3;
  std::uint8_t targetSamples_ = 3;
  float mainGamma_ = 1.0f;
  float displayGamma_ = 2.2f;
  std::uint8_t gammaTable_[256] = {};
  ColorScheme sourceScheme_ = ColorScheme::Rgb;
  ColorScheme targetScheme_ = ColorScheme::Bgr;
  RowRoutine rowRoutine_ = nullptr;
  std::uint8_t sourceOptions_ = 0;
  std::uint8_t targetOptions_ = 0;
};
