#include "imaging/color_manager.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool SchemeHasAlpha(ColorScheme s) {
  return s == ColorScheme::GrayAlpha || s == ColorScheme::Rgba || s == ColorScheme::Bgra;
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
  if (bits != sourceBits_) sourceBits_ = bits, changed_ = true;
}
void ColorManager::SetTargetBitsPerSample(std::uint8_t bits) {
  if (bits != targetBits_) targetBits_ = bits, changed_ = true;
}
void ColorManager::SetSourceSamplesPerPixel(std::uint8_t samples) {
  if (samples != sourceSamples_) sourceSamples_ = samples, changed_ = true;
}
void ColorManager::SetTargetSamplesPerPixel(std::uint8_t samples) {
  if (samples != targetSamples_) targetSamples_ = samples, changed_ = true;
}
void ColorManager::SetSourceColorScheme(ColorScheme scheme) {
  if (scheme != sourceScheme_) sourceScheme_ = scheme, changed_ = true;
}
void ColorManager::SetTargetColorScheme(ColorScheme scheme) {
  if (scheme != targetScheme_) targetScheme_ = scheme, changed_ = true;
}

void ColorManager::BuildGammaTable(float mainGamma, float displayGamma) {
  mainGamma_ = mainGamma > 0 ? mainGamma : 1.0f;
  displayGamma_ = displayGamma > 0 ? displayGamma : 2.2f;
  const float exponent = 1.0f / (mainGamma_ * displayGamma_);
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
  std::memcpy(gammaTable_, hit->table, sizeof gammaTable_);
}

std::vector<Color> ColorManager::CreateGrayscalePalette() const {
  int bits = targetBits_ * targetSamples_;
  if (bits > 8) bits = 8;
  const unsigned entries = 1u << bits;
  const unsigned step = 255 / (entries - 1);
  const bool gamma = targetOptions_ & kOptionGamma;
  std::vector<Color> palette(entries);
  for (unsigned i = 0; i < entries; ++i) {
    std::uint8_t v = std::uint8_t(i * step);
    if (gamma) v = gammaTable_[v];
    palette[i] = RGBColor(v, v, v);
  }
  return palette;
}

std::vector<Color> ColorManager::CreateColorPalette(const std::uint8_t* entries, std::uint32_t count) const {
  if (count > 256) count = 256;
  const bool gamma = targetOptions_ & kOptionGamma;
  auto entry = [&](std::uint32_t i) {
    std::uint8_t r = entries[3 * i], g = entries[3 * i + 1], b = entries[3 * i + 2];
    if (gamma) r = gammaTable_[r], g = gammaTable_[g], b = gammaTable_[b];
    return RGBColor(r, g, b);
  };
  std::vector<Color> palette;
  if (sourceBits_ == 2 && targetBits_ == 4) {
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
                                std::uint8_t columnMask) {
  if (changed_) ChooseRowRoutine();
  if (rowRoutine_) (this->*rowRoutine_)(source, target, count, columnMask);
}

void ColorManager::ChooseRowRoutine() {
  changed_ = false;
  sourceOptions_ = (sourceOptions_ & ~kOptionAlpha) | (SchemeHasAlpha(sourceScheme_) ? kOptionAlpha : 0);
  targetOptions_ = (targetOptions_ & ~kOptionAlpha) | (SchemeHasAlpha(targetScheme_) ? kOptionAlpha : 0);
  switch (sourceScheme_) {
    case ColorScheme::Indexed:
    case ColorScheme::Gray:
      rowRoutine_ = sourceBits_ <= 8 ? &ColorManager::RowIndexed : &ColorManager::RowGrey;
      break;
    case ColorScheme::GrayAlpha:
      rowRoutine_ = &ColorManager::RowGrey;
      break;
    case ColorScheme::Rgb:
    case ColorScheme::Rgba:
      rowRoutine_ = &ColorManager::RowRGBA;
      break;
    default:
      rowRoutine_ = nullptr;
      break;
  }
}

// Grey and palette indices of 1 to 8 bits, packed most significant bits first on both sides.
void ColorManager::RowIndexed(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                               std::uint8_t mask) {
  const unsigned sb = sourceBits_, tb = targetBits_;
  if (sb == tb && mask == 0xFF) {
    std::memcpy(target, source, (std::size_t(count) * sb + 7) / 8);
    return;
  }
  const unsigned sourceMax = (1u << sb) - 1, targetMax = (1u << tb) - 1;
  std::size_t sourceBit = 0;  // bit position in the source row
  ForEachColumn(mask, count, [&](std::uint32_t column) {
    unsigned v = (source[sourceBit / 8] >> (8 - sb - sourceBit % 8)) & sourceMax;
    sourceBit += sb;
    v = v * targetMax / sourceMax;
    const std::size_t targetBit = std::size_t(column) * tb;
    std::uint8_t* t = target + targetBit / 8;
    const unsigned shift = 8 - tb - unsigned(targetBit % 8);
    *t = std::uint8_t((*t & ~(targetMax << shift)) | (v << shift));
  });
}

// One 8-bit grey value per pixel from 16-bit grey or from grey with alpha; the alpha is dropped.
void ColorManager::RowGrey(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                            std::uint8_t mask) {
  const bool wide = sourceBits_ == 16;
  const unsigned step = (wide ? 2 : 1) * (sourceScheme_ == ColorScheme::GrayAlpha ? 2 : 1);
  ForEachColumn(mask, count, [&](std::uint32_t column) {
    target[column] = wide ? Reduce16(source) : source[0];
    source += step;
  });
}

// RGB or RGBA of 8 or 16 bits into BGR or BGRA of 8 bits; gamma on colour, never on alpha.
void ColorManager::RowRGBA(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                            std::uint8_t mask) {
  const bool sourceAlpha = sourceOptions_ & kOptionAlpha;
  const bool targetAlpha = targetOptions_ & kOptionAlpha;
  const bool gamma = targetOptions_ & kOptionGamma;
  if (sourceBits_ == 8 && mask == 0xFF && sourceAlpha == targetAlpha) {
    RowRGBA8Fast(source, target, count, mask);
    return;
  }
  const bool wide = sourceBits_ == 16;
  const unsigned sample = wide ? 2 : 1;
  const unsigned sourceStep = sample * (sourceAlpha ? 4 : 3);
  const unsigned targetStep = targetAlpha ? 4 : 3;
  ForEachColumn(mask, count, [&](std::uint32_t column) {
    std::uint8_t r, g, b;
    if (wide) {
      r = Reduce16(source), g = Reduce16(source + 2), b = Reduce16(source + 4);
    } else {
      r = source[0], g = source[1], b = source[2];
    }
    if (gamma) r = gammaTable_[r], g = gammaTable_[g], b = gammaTable_[b];
    std::uint8_t* t = target + std::size_t(column) * targetStep;
    t[0] = b, t[1] = g, t[2] = r;
    if (sourceAlpha && targetAlpha) t[3] = wide ? Reduce16(source + 6) : source[3];
    source += sourceStep;
  });
}

// The common case of whole 8-bit rows: red and blue exchange places, colour through the gamma
// table when there is one. Same result as RowRGBA.
void ColorManager::RowRGBA8Fast(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count,
                                 std::uint8_t) {
  const bool alpha = sourceOptions_ & kOptionAlpha;
  if (targetOptions_ & kOptionGamma) {
    const std::uint8_t* g = gammaTable_;
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
    const __m128i greenAlpha = _mm_set1_epi32(int(0xFF00FF00u));
    for (; i + 4 <= count; i += 4, source += 16, target += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
      const __m128i redBlue = _mm_andnot_si128(greenAlpha, v);
      const __m128i swapped = _mm_or_si128(_mm_slli_epi32(redBlue, 16), _mm_srli_epi32(redBlue, 16));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(target), _mm_or_si128(_mm_and_si128(greenAlpha, v), swapped));
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
