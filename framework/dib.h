// Dib: a framework bitmap whose pixels are a top-down DIB section, selected into a memory DC
// of its own so that GDI can draw into it and blit from it. Resizing or changing the format
// re-creates the section. GDI batches its drawing: call GdiFlush() before reading pixels that
// GDI has just drawn.
#pragma once

#include <windows.h>

#include "framework/bitmap.h"

class Dib : public Bitmap {
public:
  Dib();
  Dib(int width, int height, PixelFormat format);
  ~Dib() override;

  // The memory DC holding the section; valid for the Dib's life.
  HDC Dc() const { return dc_; }
  // The section itself; null while the bitmap is empty.
  HBITMAP Handle() const { return section_; }

protected:
  // Palette formats take the palette as it is when the section is made.
  std::uint8_t* AllocatePixels(int width, int height, PixelFormat format, std::size_t stride) override;

private:
  void ReleaseSection();

  HDC dc_ = nullptr;
  HGDIOBJ original_ = nullptr;  // the DC's own bitmap, put back before the section goes
  HBITMAP section_ = nullptr;
};
