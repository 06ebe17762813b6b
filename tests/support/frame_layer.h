// The lens's frame picture, taken from the plug-in and stretched to a window size as the lens
// stretches it: what every lens picture must show outside the lens area.
#pragma once

#include <windows.h>

#include <memory>

#include "magnifier/bitmap_helpers.h"
#include "magnifier/frame_image.h"

inline std::unique_ptr<Dib> FrameLayer(HMODULE plugin, int width, int height) {
  auto frame = LoadFrameImage(plugin, "MAGN");
  auto layer = CreateDib32(width, height);
  constexpr int s = kNineSliceStretch;
  PaintNineSlice(*layer, *frame, RECT{0, 0, width, height}, RECT{0, 0, 120, 120}, Sides{50, 50, 50, 50},
                 Sides{255, 255, 255, 255}, Sides{s, s, s, s}, s, true);
  GdiFlush();
  return layer;
}
