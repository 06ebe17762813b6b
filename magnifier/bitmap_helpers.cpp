#include "magnifier/bitmap_helpers.h"

#include <algorithm>

#include "framework/gdi.h"

namespace {

std::unique_ptr<Dib> CreateDib(int width, int height, PixelFormat format) {
  return std::make_unique<Dib>(width, height, format);
}

class Painter {
public:
  Painter(HDC dest, HDC source) : dest_(dest), source_(source) {}

  void Copy(int dx, int dy, int w, int h, int sx, int sy) const {
    if (w > 0 && h > 0) BitBlt(dest_, dx, dy, w, h, source_, sx, sy, SRCCOPY);
  }

  // Covers the dw x dh area at (dx, dy) with the sw x sh block at (sx, sy): stretched, or tiled
  // from the area's top-left with the last column and row of copies cut at the area's end.
  void Block(int mode, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) const {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    if (mode == kNineSliceStretch) {
      StretchBlt(dest_, dx, dy, dw, dh, source_, sx, sy, sw, sh, SRCCOPY);
    } else if (mode == kNineSliceTile) {
      for (int y = 0; y < dh; y += sh) {
        for (int x = 0; x < dw; x += sw) Copy(dx + x, dy + y, std::min(sw, dw - x), std::min(sh, dh - y), sx, sy);
      }
    }
  }

private:
  HDC dest_;
  HDC source_;
};

}  // namespace

std::unique_ptr<Dib> CreateDib24(int width, int height) { return CreateDib(width, height, PixelFormat::Bits24); }

std::unique_ptr<Dib> CreateDib32(int width, int height) { return CreateDib(width, height, PixelFormat::Bits32); }

void PaintNineSlice(Dib& dest, Dib& source, const RECT& D, const RECT& S, const Sides& M, const Sides& L,
                    const Sides& E, int centreMode, bool drawCentre) {
  const int cl = std::min(M.left, L.left);
  const int ct = std::min(M.top, L.top);
  const int cr = std::min(M.right, L.right);
  const int cb = std::min(M.bottom, L.bottom);
  const int iw = RectWidth(S) - M.left - M.right;
  const int ih = RectHeight(S) - M.top - M.bottom;
  const int spanW = RectWidth(D) - M.left - M.right;
  const int spanH = RectHeight(D) - M.top - M.bottom;

  const StretchModeGuard whole(dest.Dc(), BLACKONWHITE);  // whole pixels, alpha and all
  const Painter p(dest.Dc(), source.Dc());

  // Corners: the top or bottom band's strip, then the side edge's strip between it and the
  // side edge proper, which is empty unless the top or bottom limit is below its margin.
  p.Copy(D.left, D.top, M.left, ct, S.left, S.top);
  p.Copy(D.left, D.top + ct, cl, M.top - ct, S.left, S.top + ct);
  p.Copy(D.left, D.bottom - cb, M.left, cb, S.left, S.bottom - cb);
  p.Copy(D.left, D.bottom - M.bottom, cl, M.bottom - cb, S.left, S.bottom - M.bottom);
  p.Copy(D.right - M.right, D.top, M.right, ct, S.right - M.right, S.top);
  p.Copy(D.right - cr, D.top + ct, cr, M.top - ct, S.right - cr, S.top + ct);
  p.Copy(D.right - M.right, D.bottom - cb, M.right, cb, S.right - M.right, S.bottom - cb);
  p.Copy(D.right - cr, D.bottom - M.bottom, cr, M.bottom - cb, S.right - cr, S.bottom - M.bottom);

  p.Block(E.left, D.left, D.top + M.top, cl, spanH, S.left, S.top + M.top, cl, ih);
  p.Block(E.top, D.left + M.left, D.top, spanW, ct, S.left + M.left, S.top, iw, ct);
  p.Block(E.right, D.right - cr, D.top + M.top, cr, spanH, S.right - cr, S.top + M.top, cr, ih);
  p.Block(E.bottom, D.left + M.left, D.bottom - cb, spanW, cb, S.left + M.left, S.bottom - cb, iw, cb);

  if (drawCentre) p.Block(centreMode, D.left + M.left, D.top + M.top, spanW, spanH, S.left + M.left, S.top + M.top, iw, ih);

  // Callers read the result through its rows next.
  GdiFlush();
}
