// Rectangles laid out as the Windows API lays them out (left, top, right, bottom; right and
// bottom exclusive), for pixel code that must build without <windows.h>.
#pragma once

#include <cstdint>

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// Differences wrap as 32-bit integers do on the machine. Templates so that a Windows RECT serves
// as well as a Rect.
constexpr std::int32_t WrappingDifference(std::int32_t low, std::int32_t high) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(high) - static_cast<std::uint32_t>(low));
}

template <typename AnyRect>
constexpr std::int32_t RectWidth(const AnyRect& r) {
  return WrappingDifference(static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.right));
}

template <typename AnyRect>
constexpr std::int32_t RectHeight(const AnyRect& r) {
  return WrappingDifference(static_cast<std::int32_t>(r.top), static_cast<std::int32_t>(r.bottom));
}

// For callers that cannot use a negative extent: 0 instead.
template <typename AnyRect>
constexpr std::int32_t RectWidthOrZero(const AnyRect& r) {
  const std::int32_t width = RectWidth(r);
  return width < 0 ? 0 : width;
}

template <typename AnyRect>
constexpr std::int32_t RectHeightOrZero(const AnyRect& r) {
  const std::int32_t height = RectHeight(r);
  return height < 0 ? 0 : height;
}
