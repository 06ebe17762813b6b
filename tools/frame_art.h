// Draws the lens frame artwork: a light rounded ring with a soft drop shadow outside and a faint
// inner shadow and highlight inside, as a 120x120 RGBA PNG that the lens window nine-slice stretches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace frame_art {

constexpr int kSize = 120;
constexpr int kCorner = 50;  // nine-slice corners; the 20 px between them are stretched

// The lens area, [kLensLeft, kLensRight) x [kLensTop, kLensBottom): the window shows the enlarged
// picture there. Pixels inside it hold straight colour; the window treats those outside as premultiplied.
constexpr int kLensLeft = 24;
constexpr int kLensTop = 21;
constexpr int kLensRight = kSize - 26;
constexpr int kLensBottom = kSize - 29;

constexpr bool InLens(int x, int y) { return x >= kLensLeft && x < kLensRight && y >= kLensTop && y < kLensBottom; }

// kSize x kSize pixels, rows top to bottom, each red, green, blue, alpha.
std::vector<std::uint8_t> Pixels();

// An 8-bit RGBA PNG with a gamma chunk and a comment.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgba,
                                    const std::string& comment);

// The artwork as written to resources/magn.png.
std::vector<std::uint8_t> Png();

}  // namespace frame_art
