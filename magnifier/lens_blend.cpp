// The lens's per-pixel loops: they run over the whole lens area in every frame.

#include "magnifier/lens_geometry.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#define LENS_HAVE_SSE2_PATH 1
#endif

namespace Lens {

void BlendRowPlain(std::uint8_t* out, const std::uint8_t* capture, const std::uint8_t* frame, std::int32_t count) {
  // Every frame byte is read before the pixel is written, so `out` may be `frame`.
  for (std::int32_t i = 0; i < count; ++i, out += 4, capture += 3, frame += 4) {
    const unsigned a = frame[3];
    const unsigned keep = 256 - a;
    const unsigned b = (capture[0] * keep + frame[0] * a) >> 8;
    const unsigned g = (capture[1] * keep + frame[1] * a) >> 8;
    const unsigned r = (capture[2] * keep + frame[2] * a) >> 8;
    out[0] = static_cast<std::uint8_t>(b);
    out[1] = static_cast<std::uint8_t>(g);
    out[2] = static_cast<std::uint8_t>(r);
    out[3] = 0xFF;
  }
}

#ifdef LENS_HAVE_SSE2_PATH
namespace {

// Four pixels a step in 16-bit lanes. The 32-bit plug-in is built for processors without SSE2,
// so this is compiled for SSE2 on its own and chosen at run time.
__attribute__((target("sse2"))) void BlendRowSse2(std::uint8_t* out, const std::uint8_t* capture,
                                                   const std::uint8_t* frame, std::int32_t count) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i k256 = _mm_set1_epi16(256);
  const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
  std::int32_t i = 0;
  // A 16-byte load of capture bytes reaches 4 bytes past the four pixels: stay 2 pixels short
  // of the row's end and leave the rest to the plain loop.
  for (; i + 6 <= count; i += 4, out += 16, capture += 12, frame += 16) {
    const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(capture));
    // B, G, R of each pixel spread to 4 bytes each (the fourth byte is not used).
    const __m128i p01 = _mm_unpacklo_epi32(raw, _mm_srli_si128(raw, 3));
    const __m128i p23 = _mm_unpacklo_epi32(_mm_srli_si128(raw, 6), _mm_srli_si128(raw, 9));
    const __m128i m = _mm_unpacklo_epi64(p01, p23);
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame));
    const __m128i mlo = _mm_unpacklo_epi8(m, zero), mhi = _mm_unpackhi_epi8(m, zero);
    const __m128i flo = _mm_unpacklo_epi8(f, zero), fhi = _mm_unpackhi_epi8(f, zero);
    const __m128i alo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(flo, 0xFF), 0xFF);
    const __m128i ahi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(fhi, 0xFF), 0xFF);
    // m * (256 - a) + f * a stays below 65536, so 16-bit lanes hold it.
    const __m128i rlo =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(mlo, _mm_sub_epi16(k256, alo)), _mm_mullo_epi16(flo, alo)), 8);
    const __m128i rhi =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(mhi, _mm_sub_epi16(k256, ahi)), _mm_mullo_epi16(fhi, ahi)), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(_mm_packus_epi16(rlo, rhi), opaque));
  }
  BlendRowPlain(out, capture, frame, count - i);
}

bool HasSse2() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) != 0;
}

}  // namespace
#endif

void BlendRow(std::uint8_t* out, const std::uint8_t* capture, const std::uint8_t* frame, std::int32_t count) {
#ifdef LENS_HAVE_SSE2_PATH
  static const bool sse2 = HasSse2();
  if (sse2) {
    BlendRowSse2(out, capture, frame, count);
    return;
  }
#endif
  BlendRowPlain(out, capture, frame, count);
}

void LiftTransparentAlpha(std::uint8_t* row, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i, row += 4) row[3] = static_cast<std::uint8_t>(row[3] + (row[3] == 0));
}

}  // namespace Lens
