// The lens's frame picture, taken from the plug-in and stretched to a window size as the lens
// stretches it: what every lens picture must show outside the lens area.
#pragma once

#include <windows.h>

#include <memory>

#include "magnifier/bitmap_helpers.h"
#include "magnifier/frame_image.h"
#include "magnifier/frame_pixels.h"
#include "magnifier/lens_geometry.h"

// At a density other than 96 DPI the picture is first scaled smoothly, its corners with it.
inline std::unique_ptr<Dib> FrameLayer(HMODULE plugin, int width, int height, const Lens::Metrics& m = {}) {
  auto frame = LoadFrameImage(plugin, "MAGN");
  if (m.frameSize != Lens::kFrameSize) {
    auto scaled = CreateDib32(m.frameSize, m.frameSize);
    ScaleBgra32(*frame, *scaled);
    frame = std::move(scaled);
  }
  auto layer = CreateDib32(width, height);
  const int c = m.frameCorner;
  PaintNineSlice(*layer, *frame, RECT{0, 0, width, height}, RECT{0, 0, m.frameSize, m.frameSize}, Sides{c, c, c, c});
  GdiFlush();
  return layer;
}
