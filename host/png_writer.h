// Writes the screenshots of the stand-in host as PNG files: plain 8-bit RGB, no filtering.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Encodes pixels given as rows top to bottom, `stride` bytes apart, each pixel red, green, blue.
// Throws Error for an empty or impossibly large picture.
std::vector<std::uint8_t> EncodePng(std::uint32_t width, std::uint32_t height, const std::uint8_t* rgb,
                                    std::size_t stride);
