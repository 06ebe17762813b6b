// The JPEG reader, for the About box's banner: libjpeg decodes a baseline or progressive JPEG
// held in memory into a 24-bit bitmap.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/bitmap.h"

// Largest width or height accepted, checked before anything is allocated for the pixels.
constexpr int kMaxJpegSide = 16384;

// Replaces `out` with the JPEG in data[0, size) as PixelFormat::Bits24 (B, G, R, rows top-down);
// a grey image comes out with B = G = R. A stream cut short inside its image data gives what
// arrived, the rest grey, as libjpeg pads it. Throws InvalidImageError for data that holds no
// picture we can show (CMYK included); `out` is then empty or unchanged.
void LoadJpeg(const std::uint8_t* data, std::size_t size, Bitmap& out);
