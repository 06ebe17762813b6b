#include "framework/dib.h"

#include <algorithm>
#include <vector>

#include "framework/errors.h"
#include "resources/texts.h"

Dib::Dib() : dc_(CreateCompatibleDC(nullptr)) {
  if (dc_ == nullptr) throw SystemError(texts::kNoBitmapDC, GetLastError());
  original_ = GetCurrentObject(dc_, OBJ_BITMAP);
}

Dib::Dib(int width, int height, PixelFormat format) : Dib() {
  SetFormat(format);
  SetSize(width, height);
}

Dib::~Dib() {
  ReleaseSection();
  DeleteDC(dc_);
}

std::uint8_t* Dib::AllocatePixels(int width, int height, PixelFormat format, std::size_t stride) {
  ReleaseSection();
  if (stride == 0 || height == 0) return nullptr;

  const int bits = BitsOf(format);
  const std::size_t colors = HasPalette(format) ? std::size_t(1) << bits : 0;
  // BITMAPINFO with its colour table, kept in DWORDs for alignment.
  std::vector<DWORD> buffer((sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD)) / sizeof(DWORD), 0);
  auto* info = reinterpret_cast<BITMAPINFO*>(buffer.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = -height;  // top-down, as the framework's rows are
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = WORD(bits);
  info->bmiHeader.biCompression = BI_RGB;
  const std::size_t used = std::min(colors, Palette().size());
  info->bmiHeader.biClrUsed = DWORD(colors);
  for (std::size_t i = 0; i < used; ++i) {
    const Color c = Palette()[i];
    info->bmiColors[i] = RGBQUAD{BlueOf(c), GreenOf(c), RedOf(c), 0};
  }

  void* pixels = nullptr;
  HBITMAP section = CreateDIBSection(dc_, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (section == nullptr) throw SystemError(texts::kNoBitmap, GetLastError());
  section_ = section;
  SelectObject(dc_, section_);
  return static_cast<std::uint8_t*>(pixels);
}

void Dib::ReleaseSection() {
  if (section_ == nullptr) return;
  SelectObject(dc_, original_);
  DeleteObject(section_);
  section_ = nullptr;
}
