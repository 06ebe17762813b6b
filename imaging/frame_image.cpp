#include "imaging/frame_image.h"

#include <string>

#include "framework/stream.h"
#include "imaging/bitmap_helpers.h"
#include "imaging/frame_pixels.h"
#include "imaging/png_graphic.h"
#include "resources/texts.h"

namespace {

// Any address inside this module finds the module, whether it is the plug-in or a test.
const char kModuleAnchor = 0;

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&kModuleAnchor), &module);
  return module;
}

}  // namespace

std::unique_ptr<Dib> LoadFrameImage(const char* name) { return LoadFrameImage(ThisModule(), name); }

std::unique_ptr<Dib> LoadFrameImage(HMODULE module, const char* name) {
  HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) throw Exception(texts::ResourceNotFound(name));

  // Resource memory belongs to the module; nothing here frees it.
  MemoryStream stream(data, SizeofResource(module, found));
  TPNGGraphic png;
  png.ReadImage(stream);

  auto frame = CreateDib32(png.Width(), png.Height());
  CopyToBgra32(png, *frame);
  ZeroTransparentPixels(*frame);
  return frame;
}
