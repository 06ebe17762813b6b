#include "imaging/color_manager.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool SchemeHasAlpha(TColorScheme s) {
  return s == TColorScheme::csGA || s == TColorScheme::csRGBA || s == TColorScheme::csBGRA;
}

// 16-bit samples come big-endian and are brought down to 8 bits by truncation.
inline std::uint8_t Reduce16(const std::uint8_t* p) {
  unsigned v = unsigned(p[0]) << 8 | p[1];
  return std::uint8_t(v * 255 / 65535);
}

// Calls f(column) for each column below `count` that the mask selects, left to right. Bit 7
// of the mask is the first pixel of every group of eight, as in Adam7's passes; the columns a
// pass skips cost nothing.
template <typename F>
inline void ForEachColumn(std::uint8_t mask, std::uint32_t count, F f) {
  std::uint32_t offsets[8];
  int n = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (mask & (0x80 >> bit)) offsets[n++] = std::uint32_t(bit);
  }
  for (std::uint32_t group = 0; group < count; group += 8) {
    for (int j = 0; j < n; ++j) {
      const std::uint32_t column = group + offsets[j];
      if (column >= count) return;
      f(column);
    }
  }
}

}  // namespace

ColorManager::ColorManager() { BuildGammaTable(1.0f, 2.2f); }

void ColorManager::SetSourceBitsPerSample(std::uint8_t bits) {
  if (bits != source_bits_) source_bits_ = bits, changed_ = true;
}
void ColorManager::SetTargetBitsPerSample(std::uint8_t bits) {
  if (bits != target_bits_) target_bits_ = bits, changed_ = true;
}
void ColorManager::SetSourceSamplesPerPixel(std::uint8_t samples) {
  if (samples != source_samples_) source_samples_ = samples, changed_ = true;
}
void ColorManager::SetTargetSamplesPerPixel(std::uint8_t samples) {
  if (samples != target_samples_) target_samples_ = samples, changed_ = true;
}
void ColorManager::SetSourceColorScheme(TColorScheme scheme) {
  if (scheme != source_scheme_) source_scheme_ = scheme, changed_ = true;
}
void ColorManager::SetTargetColorScheme(TColorScheme scheme) {
  if (scheme != target_scheme_) target_scheme_ = scheme, changed_ = true;
}

void ColorManager::BuildGammaTable(float main_gamma, float display_gamma) {
  main_gamma_ = main_gamma > 0 ? main_gamma : 1.0f;
  display_gamma_ = display_gamma > 0 ? display_gamma : 2.2f;
  const float exponent = 1.0f / (main_gamma_ * display_gamma_);
  // Every use looks the table up with an 8-bit value (palette entries, the grey ramp, colour
  // samples of 8 bits or reduced from 16), whatever the image's depth, so it maps 8 bits to 8.
  // The sample depths set in the manager do not come into it: a gAMA after PLTE finds them set to
  // the palette's, and a table built for those garbled the colours of a later PLTE.
  constexpr int kMax = 255;
  // Images of a kind ask for the same few tables (every lens opening decodes the same frame),
  // and 256 powers cost more than the rest of a small image: recent tables are kept.
  struct Cached {
    float exponent = 0;
    bool filled = false;
    std::uint8_t table[256];
  };
  static Cached cache[4];
  static unsigned next = 0;
  Cached* hit = nullptr;
  for (Cached& c : cache) {
    if (c.filled && c.exponent == exponent) hit = &c;
  }
  if (hit == nullptr) {
    hit = &cache[next++ % 4];
    for (int i = 0; i <= kMax; ++i) {
      // lrint rounds halves to even in the default rounding mode.
      long v = std::lrint(std::pow(double(i) / kMax, double(exponent)) * kMax);
      hit->table[i] = std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    hit->exponent = exponent, hit->filled = true;
  }
  std::memcpy(gamma_table_, hit->table, sizeof gamma_table_);
}

std::vector<TColor> ColorManager::CreateGrayscalePalette() const {
  int bits = target_bits_ * target_samples_;
  if (bits > 8) bits = 8;
  const unsigned entries = 1u << bits;
  const unsigned step = 255 / (entries - 1);
  const bool gamma = target_options_ & coApplyGamma;
  std::vector<TColor> palette(entries);
  for (unsigned i = 0; i < entries; ++i) {
    std::uint8_t v = std::uint8_t(i * step);
    if (gamma) v = gamma_table_[v];
    palette[i] = RGBColor(v, v, v);
  }
  return palette;
}

std::vector<TColor> ColorManager::CreateColorPalette(const std::uint8_t* entries, std::uint32_t count) const {
  if (count > 256) count = 256;
  const bool gamma = target_options_ & coApplyGamma;
  auto entry = [&](std::uint32_t i) {
    std::uint8_t r = entries[3 * i], g = entries[3 * i + 1], b = entries[3 * i + 2];
    if (gamma) r = gamma_table_[r], g = gamma_table_[g], b = gamma_table_[b];
    return RGBColor(r, g, b);
  };
  std::vector<TColor> palette;
  if (source_bits_ == 2 && target_bits_ == 4) {
    // Two-bit indices are stored as four-bit ones, v * 5: widen the palette to match.
    palette.resize(16, 0);
    for (std::uint32_t k = 0; k < 16; ++k) {
      std::uint32_t i = k * 3 / 15;
      if (i < count) palette[k] = entry(i);
    }
  } else {
    palette.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) palette.push_back(entry(i));
  }
  return palette;
}

void ColorManager::TransferRow(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                                std::uint8_t column_mask) {
  if (changed_) ChooseRowRoutine();
  if (row_routine_) (this->*row_routine_)(source, target, count, column_mask);
}

void ColorManager::ChooseRowRoutine() {
  changed_ = false;
  source_options_ = (source_options_ & ~coAlpha) | (SchemeHasAlpha(source_scheme_) ? coAlpha : 0);
  target_options_ = (target_options_ & ~coAlpha) | (SchemeHasAlpha(target_scheme_) ? coAlpha : 0);
  switch (source_scheme_) {
    case TColorScheme::csIndexed:
    case TColorScheme::csG:
      row_routine_ = source_bits_ <= 8 ? &ColorManager::RowIndexed : &ColorManager::RowGrey;
      break;
    case TColorScheme::csGA:
      row_routine_ = &ColorManager::RowGrey;
      break;
    case TColorScheme::csRGB:
    case TColorScheme::csRGBA:
      row_routine_ = &ColorManager::RowRGBA;
      break;
    default:
      row_routine_ = nullptr;
      break;
  }
}

// Grey and palette indices of 1 to 8 bits, packed most significant bits first on both sides.
void ColorManager::RowIndexed(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                               std::uint8_t mask) {
  const unsigned sb = source_bits_, tb = target_bits_;
  if (sb == tb && mask == 0xFF) {
    std::memcpy(target, source, (std::size_t(count) * sb + 7) / 8);
    return;
  }
  const unsigned source_max = (1u << sb) - 1, target_max = (1u << tb) - 1;
  std::size_t source_bit = 0;  // bit position in the source row
  ForEachColumn(mask, count, [&](std::uint32_t column) {
    unsigned v = (source[source_bit / 8] >> (8 - sb - source_bit % 8)) & source_max;
    source_bit += sb;
    v = v * target_max / source_max;
    const std::size_t target_bit = std::size_t(column) * tb;
    std::uint8_t* t = target + target_bit / 8;
    const unsigned shift = 8 - tb - unsigned(target_bit % 8);
    *t = std::uint8_t((*t & ~(target_max << shift)) | (v << shift));
  });
}

// One 8-bit grey value per pixel from 16-bit grey or from grey with alpha; the alpha is dropped.
void ColorManager::RowGrey(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                            std::uint8_t mask) {
  const bool wide = source_bits_ == 16;
  const unsigned step = (wide ? 2 : 1) * (source_scheme_ == TColorScheme::csGA ? 2 : 1);
  ForEachColumn(mask, count, [&](std::uint32_t column) {
    target[column] = wide ? Reduce16(source) : source[0];
    source += step;
  });
}

// RGB or RGBA of 8 or 16 bits into BGR or BGRA of 8 bits; gamma on colour, never on alpha.
void ColorManager::RowRGBA(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                            std::uint8_t mask) {
  const bool source_alpha = source_options_ & coAlpha;
  const bool target_alpha = target_options_ & coAlpha;
  const bool gamma = target_options_ & coApplyGamma;
  if (source_bits_ == 8 && mask == 0xFF && source_alpha == target_alpha) {
    RowRGBA8Fast(source, target, count, mask);
    return;
  }
  const bool wide = source_bits_ == 16;
  const unsigned sample = wide ? 2 : 1;
  const unsigned source_step = sample * (source_alpha ? 4 : 3);
  const unsigned target_step = target_alpha ? 4 : 3;
  ForEachColumn(mask, count, [&](std::uint32_t column) {
    std::uint8_t r, g, b;
    if (wide) {
      r = Reduce16(source), g = Reduce16(source + 2), b = Reduce16(source + 4);
    } else {
      r = source[0], g = source[1], b = source[2];
    }
    if (gamma) r = gamma_table_[r], g = gamma_table_[g], b = gamma_table_[b];
    std::uint8_t* t = target + std::size_t(column) * target_step;
    t[0] = b, t[1] = g, t[2] = r;
    if (source_alpha && target_alpha) t[3] = wide ? Reduce16(source + 6) : source[3];
    source += source_step;
  });
}

// The common case of whole 8-bit rows: red and blue exchange places, colour through the gamma
// table when there is one. Same result as RowRGBA.
void ColorManager::RowRGBA8Fast(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                                 std::uint8_t) {
  const bool alpha = source_options_ & coAlpha;
  if (target_options_ & coApplyGamma) {
    const std::uint8_t* g = gamma_table_;
    if (alpha) {
      for (std::uint32_t i = 0; i < count; ++i, source += 4, target += 4) {
        const std::uint8_t r = g[source[0]], gr = g[source[1]], b = g[source[2]], a = source[3];
        target[0] = b, target[1] = gr, target[2] = r, target[3] = a;
      }
    } else {
      for (std::uint32_t i = 0; i < count; ++i, source += 3, target += 3) {
        target[0] = g[source[2]], target[1] = g[source[1]], target[2] = g[source[0]];
      }
    }
  } else if (alpha) {
    std::uint32_t i = 0;
#if defined(__SSE2__)
    // Four pixels at a time: keep green and alpha, swap the red and blue bytes of each pixel.
    const __m128i green_alpha = _mm_set1_epi32(int(0xFF00FF00u));
    for (; i + 4 <= count; i += 4, source += 16, target += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
      const __m128i red_blue = _mm_andnot_si128(green_alpha, v);
      const __m128i swapped = _mm_or_si128(_mm_slli_epi32(red_blue, 16), _mm_srli_epi32(red_blue, 16));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(target), _mm_or_si128(_mm_and_si128(green_alpha, v), swapped));
    }
#endif
    for (; i < count; ++i, source += 4, target += 4) {
      std::uint32_t v;
      std::memcpy(&v, source, 4);
      // Bytes R G B A in memory become B G R A: exchange the first and third.
      v = (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
      std::memcpy(target, &v, 4);
    }
  } else {
    for (std::uint32_t i = 0; i < count; ++i, source += 3, target += 3) {
      target[0] = source[2], target[1] = source[1], target[2] = source[0];
    }
  }
}
