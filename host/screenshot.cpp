#include "screenshot.h"

#include "framework/dpi.h"
#include "framework/encoding.h"
#include "framework/errors.h"
#include "png_writer.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace {

class ScreenDc {
public:
  ScreenDc() : dc_(GetDC(nullptr)) {
    if (!dc_) throw Error("cannot reach the screen");
  }
  ~ScreenDc() { ReleaseDC(nullptr, dc_); }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

private:
  HDC dc_;
};

// A top-down 24-bit DIB section selected into a memory DC of its own; puts back what it replaced.
class Capture {
public:
  Capture(HDC like, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows, as PNG stores them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(like, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = bitmap_ ? CreateCompatibleDC(like) : nullptr;
    if (!dc_) {
      if (bitmap_) DeleteObject(bitmap_);
      throw Error("cannot create the capture bitmap");
    }
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Capture() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  HDC dc() const { return dc_; }
  std::uint8_t* bits() const { return static_cast<std::uint8_t*>(bits_); }

private:
  HBITMAP bitmap_ = nullptr;
  void* bits_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

SIZE SaveScreenshot(const std::string& path, const RECT& area) {
  const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  RECT seen;
  if (!IntersectRect(&seen, &area, &screen)) throw Error("the area is off the screen");
  const int width = seen.right - seen.left, height = seen.bottom - seen.top;

  ScreenDc screenDc;
  Capture capture(screenDc.get(), width, height);
  // CAPTUREBLT so that layered windows (the lens) are in the picture, as a user sees them.
  if (!BitBlt(capture.dc(), 0, 0, width, height, screenDc.get(), seen.left, seen.top, SRCCOPY | CAPTUREBLT))
    throw Error("cannot copy the screen");
  GdiFlush();

  // DIB rows are padded to four bytes and hold blue, green, red.
  const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t{3};
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = capture.bits() + y * stride;
    for (int x = 0; x < width; ++x, p += 3) std::swap(p[0], p[2]);
  }
  const std::vector<std::uint8_t> png = EncodePng(std::uint32_t(width), std::uint32_t(height), capture.bits(), stride);
  std::unique_ptr<std::FILE, FileCloser> file(_wfopen(Cp1251ToWide(path).c_str(), L"wb"));
  if (!file) throw Error("cannot create the screenshot file");
  if (std::fwrite(png.data(), 1, png.size(), file.get()) != png.size() || std::fflush(file.get()) != 0)
    throw Error("cannot write the screenshot file");
  return {width, height};
}

SIZE SaveScreenshot(const std::string& path) {
  // In the screen's own pixels, as the reader sees it, on a scaled screen too.
  const PerMonitorDpiScope aware;
  const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  return SaveScreenshot(path, screen);
}
