#include "magnifier/bitmap_helpers.h"

#include "framework/gdi.h"

namespace {

std::unique_ptr<Dib> CreateDib(int width, int height, PixelFormat format) {
  return std::make_unique<Dib>(width, height, format);
}

// Pieces of the source DC onto the destination DC. A piece whose margins overlap has a negative
// extent and is left out.
class Painter {
public:
  Painter(HDC dest, HDC source) : dest_(dest), source_(source) {}

  void Copy(const RECT& to, int sourceX, int sourceY) const {
    const int width = RectWidth(to);
    const int height = RectHeight(to);
    if (width > 0 && height > 0) BitBlt(dest_, to.left, to.top, width, height, source_, sourceX, sourceY, SRCCOPY);
  }

  void Stretch(const RECT& to, const RECT& from) const {
    const int toWidth = RectWidth(to);
    const int toHeight = RectHeight(to);
    const int fromWidth = RectWidth(from);
    const int fromHeight = RectHeight(from);
    if (toWidth <= 0 || toHeight <= 0 || fromWidth <= 0 || fromHeight <= 0) return;
    StretchBlt(dest_, to.left, to.top, toWidth, toHeight, source_, from.left, from.top, fromWidth, fromHeight, SRCCOPY);
  }

private:
  HDC dest_;
  HDC source_;
};

// The rectangle inside the margins.
RECT Inner(const RECT& outer, const Sides& margins) {
  return RECT{outer.left + margins.left, outer.top + margins.top, outer.right - margins.right,
              outer.bottom - margins.bottom};
}

}  // namespace

std::unique_ptr<Dib> CreateDib24(int width, int height) { return CreateDib(width, height, PixelFormat::Bits24); }

std::unique_ptr<Dib> CreateDib32(int width, int height) { return CreateDib(width, height, PixelFormat::Bits32); }

void PaintNineSlice(Dib& dest, Dib& source, const RECT& destRect, const RECT& sourceRect, const Sides& margins) {
  const RECT destInner = Inner(destRect, margins);
  const RECT sourceInner = Inner(sourceRect, margins);

  const StretchModeGuard wholePixels(dest.Dc(), BLACKONWHITE);  // alpha and all
  const Painter painter(dest.Dc(), source.Dc());

  // Corners, top-left, bottom-left, top-right, bottom-right: where the margins overlap, the later
  // ones cover the earlier.
  painter.Copy(RECT{destRect.left, destRect.top, destInner.left, destInner.top}, sourceRect.left, sourceRect.top);
  painter.Copy(RECT{destRect.left, destInner.bottom, destInner.left, destRect.bottom}, sourceRect.left,
               sourceInner.bottom);
  painter.Copy(RECT{destInner.right, destRect.top, destRect.right, destInner.top}, sourceInner.right, sourceRect.top);
  painter.Copy(RECT{destInner.right, destInner.bottom, destRect.right, destRect.bottom}, sourceInner.right,
               sourceInner.bottom);

  // Edges, left, top, right, bottom, then the centre.
  painter.Stretch(RECT{destRect.left, destInner.top, destInner.left, destInner.bottom},
                  RECT{sourceRect.left, sourceInner.top, sourceInner.left, sourceInner.bottom});
  painter.Stretch(RECT{destInner.left, destRect.top, destInner.right, destInner.top},
                  RECT{sourceInner.left, sourceRect.top, sourceInner.right, sourceInner.top});
  painter.Stretch(RECT{destInner.right, destInner.top, destRect.right, destInner.bottom},
                  RECT{sourceInner.right, sourceInner.top, sourceRect.right, sourceInner.bottom});
  painter.Stretch(RECT{destInner.left, destInner.bottom, destInner.right, destRect.bottom},
                  RECT{sourceInner.left, sourceInner.bottom, sourceInner.right, sourceRect.bottom});
  painter.Stretch(destInner, sourceInner);

  // Callers read the result through its rows next.
  GdiFlush();
}
