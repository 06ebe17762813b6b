// GDI helpers of the lens: making its bitmaps and painting its frame picture onto them.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/dib.h"
#include "framework/rect.h"  // RectWidth, RectHeight (RECT works as well as Rect)

// Bitmaps of the given size and format, owned by the caller. Throw Error when GDI cannot
// make them.
std::unique_ptr<Dib> CreateDib24(int width, int height);
std::unique_ptr<Dib> CreateDib32(int width, int height);

// One value per side, in the order of a RECT.
struct Sides {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Paints the source rectangle of `source` onto the destination rectangle of `dest` as nine
// pieces: the corners copied 1:1, the edges and the centre stretched to fit between the margins.
// Stretching uses BLACKONWHITE, which the destination DC gets back as it was: enlarging with it
// makes every pixel a copy of one source pixel, all four bytes.
void PaintNineSlice(Dib& dest, Dib& source, const RECT& destRect, const RECT& sourceRect, const Sides& margins);
