// Rectangles laid out as the Windows API lays them out (left, top, right, bottom; right and
// bottom exclusive), for pixel code that must build without <windows.h>.
#pragma once

#include <cstdint>

struct TRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// Differences wrap as 32-bit integers do on the machine; callers that cannot use a negative
// extent ask for 0 instead. Templates so that a Windows RECT serves as well as a TRect.
constexpr std::int32_t RectExtent(std::int32_t low, std::int32_t high, bool noNegative) {
  const auto extent = static_cast<std::int32_t>(static_cast<std::uint32_t>(high) - static_cast<std::uint32_t>(low));
  return noNegative && extent < 0 ? 0 : extent;
}

template <typename Rect>
constexpr std::int32_t RectWidth(const Rect& r, bool noNegative) {
  return RectExtent(static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.right), noNegative);
}

template <typename Rect>
constexpr std::int32_t RectHeight(const Rect& r, bool noNegative) {
  return RectExtent(static_cast<std::int32_t>(r.top), static_cast<std::int32_t>(r.bottom), noNegative);
}
