#include "magnifier/frame_image.h"

#include <string>

#include "framework/resources.h"
#include "framework/stream.h"
#include "framework/window.h"  // ThisModule
#include "imaging/png_image.h"
#include "magnifier/bitmap_helpers.h"
#include "magnifier/frame_pixels.h"
#include "resources/texts.h"

std::unique_ptr<Dib> LoadFrameImage(const char* name) { return LoadFrameImage(ThisModule(), name); }

std::unique_ptr<Dib> LoadFrameImage(HMODULE module, const char* name) {
  const ResourceBytes resource = FindDataResource(module, name);
  if (resource.data == nullptr) throw Error(texts::ResourceNotFound(name));

  MemoryStream stream(resource.data, resource.size);
  PngImage png;
  png.ReadImage(stream);

  auto frame = CreateDib32(png.Width(), png.Height());
  CopyToBgra32(png, *frame);
  ZeroTransparentPixels(*frame);
  return frame;
}
