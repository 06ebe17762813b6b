// The compositor gives colours as 0x00RRGGBB; GDI takes them as 0x00BBGGRR.
#pragma once

#include <cstdint>

// Swaps red and blue either way; the top byte is cleared.
constexpr std::uint32_t SwapRedBlue(std::uint32_t v) {
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}
