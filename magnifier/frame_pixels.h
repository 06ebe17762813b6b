// Pixel work of the lens frame loader that needs no Windows: the decoded picture becomes
// B, G, R, A bytes, and fully transparent pixels become zero in all four bytes so that
// blending with premultiplied alpha adds nothing for them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/bitmap.h"

// Gives `target` the size of `source` in 32 bits and copies the picture: 32-bit pixels as they
// are, other formats through their colours (palette formats through the palette) with alpha 255.
void CopyToBgra32(const Bitmap& source, Bitmap& target);

// A 32-bit bitmap's pixels whose alpha is 0 become 0.
void ZeroTransparentPixels(Bitmap& bgra32);

// Scales a 32-bit picture of B, G, R, A (colour not multiplied by alpha) smoothly into `target`,
// which has its 32-bit size already: each target pixel mixes the four source pixels around its
// centre by distance, each colour weighted by its pixel's alpha, so that clear pixels lend an
// edge no colour of their own. Fully transparent results are zero in all four bytes.
void ScaleBgra32(const Bitmap& source, Bitmap& target);

// Row steps of the above. `source` and `target` must not overlap.
void Bgr24RowToBgra32(const std::uint8_t* source, std::uint8_t* target, std::size_t count);
void ZeroTransparentRow(std::uint8_t* row, std::size_t count);
