#include "screenshot.h"

#include "framework/errors.h"
#include "png_writer.h"
#include "wide_text.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace {

class ScreenDc {
public:
  ScreenDc() : dc_(GetDC(nullptr)) {
    if (!dc_) throw Exception("cannot reach the screen");
  }
  ~ScreenDc() { ReleaseDC(nullptr, dc_); }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

private:
  HDC dc_;
};

// A memory DC with one object selected into it; puts the original back before it goes.
class MemoryDc {
public:
  MemoryDc(HDC like, HGDIOBJ object) : dc_(CreateCompatibleDC(like)) {
    if (!dc_) throw Exception("cannot create a memory DC");
    old_ = SelectObject(dc_, object);
  }
  ~MemoryDc() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

private:
  HDC dc_;
  HGDIOBJ old_;
};

struct GdiObjectDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void SaveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::unique_ptr<std::FILE, FileCloser> file(_wfopen(WideFromHost(path).c_str(), L"wb"));
  if (!file) throw Exception("cannot create the screenshot file");
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::fflush(file.get()) != 0)
    throw Exception("cannot write the screenshot file");
}

}  // namespace

SIZE SaveScreenshot(const std::string& path) {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width <= 0 || height <= 0) throw Exception("the screen has no size");

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows, as PNG stores them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;

  ScreenDc screen;
  void* bits = nullptr;
  BitmapHandle bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) throw Exception("cannot create the capture bitmap");
  {
    MemoryDc memory(screen.get(), bitmap.get());
    // CAPTUREBLT so that layered windows (the lens) are in the picture.
    if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), left, top, SRCCOPY | CAPTUREBLT))
      throw Exception("cannot copy the screen");
    GdiFlush();
  }

  // DIB rows are padded to four bytes and hold blue, green, red.
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  auto* pixels = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = pixels + y * stride;
    for (int x = 0; x < width; ++x, p += 3) std::swap(p[0], p[2]);
  }
  SaveBytes(path, EncodePng(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), pixels, stride));
  return {width, height};
}
