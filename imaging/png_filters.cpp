#include "imaging/png_filters.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The Paeth predictor with its tie order (left, then up, then upper-left), written without
// branches: the choice depends on the data and mispredicts half the time otherwise.
inline std::uint8_t Paeth(int a, int b, int c) {
  int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  int pick = a, best = pa;
  pick = pb < best ? b : pick;
  best = pb < best ? pb : best;
  pick = pc < best ? c : pick;
  return std::uint8_t(pick);
}

// Sub, Average or Paeth over whole pixels. Each byte depends only on the same byte of the
// pixel before, so the previous pixel is kept in registers: Step independent chains instead of
// one chain through memory. `whole` is a whole number of pixels.
template <int Step, int Filter>
void FilterPixels(std::uint8_t* __restrict row, const std::uint8_t* __restrict prior, std::size_t whole) {
  int a[Step] = {}, c[Step] = {};
  for (std::size_t i = 0; i < whole; i += Step) {
    for (int k = 0; k < Step; ++k) {
      const int b = prior[i + k];
      int predictor;
      if constexpr (Filter == 1) {
        predictor = a[k];
      } else if constexpr (Filter == 3) {
        predictor = (a[k] + b) >> 1;
      } else {
        predictor = Paeth(a[k], b, c[k]);
      }
      a[k] = (row[i + k] + predictor) & 0xFF;
      row[i + k] = std::uint8_t(a[k]);
      c[k] = b;
    }
  }
}

#if defined(__SSE2__)
// Three- and four-byte pixels (8-bit RGB and RGBA, the common case) one pixel per step in SSE2
// registers; the same arithmetic as FilterPixels, widened to 16 bits where sums need the room.
template <int Step, int Filter>
void FilterPixelsSSE2(std::uint8_t* __restrict row, const std::uint8_t* __restrict prior, std::size_t whole) {
  static_assert(Step == 3 || Step == 4);
  const __m128i zero = _mm_setzero_si128();
  __m128i a = zero, c = zero;  // previous reconstructed pixel and the one above it, 16-bit lanes
  // Three bytes are put together in a register: copied through memory into a four-byte
  // word, as memcpy would, the load of the word waits for the byte stores to retire.
  auto load = [](const std::uint8_t* p) {
    std::uint32_t v;
    if constexpr (Step == 4) {
      std::memcpy(&v, p, 4);
    } else {
      v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
    }
    return _mm_cvtsi32_si128(int(v));
  };
  for (std::size_t i = 0; i < whole; i += Step) {
    const __m128i b = _mm_unpacklo_epi8(load(prior + i), zero);
    const __m128i x = _mm_unpacklo_epi8(load(row + i), zero);
    __m128i predictor;
    if constexpr (Filter == 1) {
      predictor = a;
    } else if constexpr (Filter == 3) {
      predictor = _mm_srli_epi16(_mm_add_epi16(a, b), 1);
    } else {
      // |b - c|, |a - c|, |a + b - 2c| as max(v, -v) in 16 bits.
      __m128i pa = _mm_sub_epi16(b, c), pb = _mm_sub_epi16(a, c), pc = _mm_add_epi16(pa, pb);
      pa = _mm_max_epi16(pa, _mm_sub_epi16(zero, pa));
      pb = _mm_max_epi16(pb, _mm_sub_epi16(zero, pb));
      pc = _mm_max_epi16(pc, _mm_sub_epi16(zero, pc));
      // a unless pb < pa, then b; then c if pc is below the smaller of the two.
      __m128i takeB = _mm_cmplt_epi16(pb, pa);
      __m128i pick = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, a));
      __m128i best = _mm_min_epi16(pa, pb);
      __m128i takeC = _mm_cmplt_epi16(pc, best);
      predictor = _mm_or_si128(_mm_and_si128(takeC, c), _mm_andnot_si128(takeC, pick));
    }
    a = _mm_and_si128(_mm_add_epi16(x, predictor), _mm_set1_epi16(0xFF));
    const std::uint32_t out = std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(a, zero)));
    std::memcpy(row + i, &out, Step);
    c = b;
  }
}
#endif

template <int Step>
void UnfilterFixed(std::uint8_t filter, std::uint8_t* __restrict row, const std::uint8_t* __restrict prior,
                   std::size_t size) {
  // Whole pixels side by side, then the bytes of a last partial pixel one by one.
  const std::size_t whole = size / Step * Step;
#if defined(__SSE2__)
  if constexpr (Step == 3 || Step == 4) {
    switch (filter) {
      case 1: FilterPixelsSSE2<Step, 1>(row, prior, whole); break;
      case 3: FilterPixelsSSE2<Step, 3>(row, prior, whole); break;
      case 4: FilterPixelsSSE2<Step, 4>(row, prior, whole); break;
    }
  } else
#endif
  {
    switch (filter) {
      case 1: FilterPixels<Step, 1>(row, prior, whole); break;
      case 3: FilterPixels<Step, 3>(row, prior, whole); break;
      case 4: FilterPixels<Step, 4>(row, prior, whole); break;
    }
  }
  for (std::size_t i = whole; i < size; ++i) {
    int a = i >= Step ? row[i - Step] : 0, b = prior[i], c = i >= Step ? prior[i - Step] : 0;
    int predictor = filter == 1 ? a : filter == 3 ? (a + b) >> 1 : Paeth(a, b, c);
    row[i] = std::uint8_t(row[i] + predictor);
  }
}

}  // namespace

void UnfilterRow(std::uint8_t filter, std::uint8_t* __restrict row, const std::uint8_t* __restrict prior,
                 std::size_t size, int step) {
  if (filter == 0 || filter > 4) return;
  if (filter == 2) {
    for (std::size_t i = 0; i < size; ++i) row[i] = std::uint8_t(row[i] + prior[i]);
    return;
  }
  switch (step) {
    case 1: UnfilterFixed<1>(filter, row, prior, size); break;
    case 2: UnfilterFixed<2>(filter, row, prior, size); break;
    case 3: UnfilterFixed<3>(filter, row, prior, size); break;
    case 4: UnfilterFixed<4>(filter, row, prior, size); break;
    case 6: UnfilterFixed<6>(filter, row, prior, size); break;
    case 8: UnfilterFixed<8>(filter, row, prior, size); break;
    default: UnfilterRowPlain(filter, row, prior, size, step); break;
  }
}

void UnfilterRowPlain(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* prior, std::size_t size,
                      int step) {
  for (std::size_t i = 0; i < size; ++i) {
    int a = i >= std::size_t(step) ? row[i - step] : 0;
    int b = prior[i];
    int c = i >= std::size_t(step) ? prior[i - step] : 0;
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    int predictor;
    switch (filter) {
      case 1: predictor = a; break;
      case 2: predictor = b; break;
      case 3: predictor = (a + b) / 2; break;
      case 4: predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c); break;
      default: return;
    }
    row[i] = std::uint8_t(row[i] + predictor);
  }
}
