// Converts rows of PNG samples into rows of the bitmap: bit depths, sample order, 16-bit
// reduction, gamma and the Adam7 column masks.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/bitmap.h"

enum class TColorScheme : std::uint8_t { csUnknown, csIndexed, csG, csGA, csRGB, csRGBA, csBGR, csBGRA };

class ColorManager {
public:
  static constexpr std::uint8_t coAlpha = 1;      // the scheme carries alpha
  static constexpr std::uint8_t coByteSwap = 2;   // source: 16-bit samples are big-endian
  static constexpr std::uint8_t coApplyGamma = 4; // target: map colour through the gamma table

  ColorManager();

  void SetSourceBitsPerSample(std::uint8_t bits);
  void SetTargetBitsPerSample(std::uint8_t bits);
  void SetSourceSamplesPerPixel(std::uint8_t samples);
  void SetTargetSamplesPerPixel(std::uint8_t samples);
  void SetSourceColorScheme(TColorScheme scheme);
  void SetTargetColorScheme(TColorScheme scheme);

  std::uint8_t SourceBitsPerSample() const { return source_bits_; }
  std::uint8_t TargetBitsPerSample() const { return target_bits_; }
  std::uint8_t SourceSamplesPerPixel() const { return source_samples_; }
  std::uint8_t TargetSamplesPerPixel() const { return target_samples_; }
  TColorScheme SourceColorScheme() const { return source_scheme_; }
  TColorScheme TargetColorScheme() const { return target_scheme_; }

  std::uint8_t SourceOptions() const { return source_options_; }
  std::uint8_t TargetOptions() const { return target_options_; }
  void SetSourceOptions(std::uint8_t options) { source_options_ = options; }
  void SetTargetOptions(std::uint8_t options) { target_options_ = options; }

  void BuildGammaTable(float main_gamma, float display_gamma);
  const std::uint8_t* GammaTable() const { return gamma_table_; }

  // Converts `count` pixels from `source` into `target`; of each group of eight pixels only
  // those whose bit in `column_mask` is set (bit 7 = first) are written and consume source.
  void TransferRow(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                   std::uint8_t column_mask);

  // Grey ramp for the grey formats: 2, 16 or 256 entries.
  std::vector<TColor> CreateGrayscalePalette() const;
  // Palette from PLTE entries (red, green, blue bytes), at most 256, gamma applied.
  std::vector<TColor> CreateColorPalette(const std::uint8_t* entries, std::uint32_t count) const;

private:
  using RowRoutine = void (ColorManager::*)(const std::uint8_t*, std::uint8_t*, std::uint32_t, std::uint8_t);

  void ChooseRowRoutine();
  void RowIndexed(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count, std::uint8_t mask);
  void RowGrey(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count, std::uint8_t mask);
  void RowRGBA(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count, std::uint8_t mask);
  void RowRGBA8Fast(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count, std::uint8_t mask);

  bool changed_ = true;
  std::uint8_t source_bits_ = 8;
  std::uint8_t target_bits_ = 8;
  std::uint8_t source_samples_ = 3;
  std::uint8_t target_samples_ = 3;
  float main_gamma_ = 1.0f;
  float display_gamma_ = 2.2f;
  std::uint8_t gamma_table_[256] = {};
  TColorScheme source_scheme_ = TColorScheme::csRGB;
  TColorScheme target_scheme_ = TColorScheme::csBGR;
  RowRoutine row_routine_ = nullptr;
  std::uint8_t source_options_ = 0;
  std::uint8_t target_options_ = 0;
};
