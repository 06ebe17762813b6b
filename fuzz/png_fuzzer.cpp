// Fuzz target over the PNG reader: every input must either decode or fail with one of the
// reader's own errors; anything else (a crash, a sanitizer report, another exception) is a
// finding.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "framework/stream.h"
#include "imaging/png_image.h"

namespace {

// Inputs this large decode correctly but slowly (most of the time goes into reading back
// every pixel); the fuzzer learns nothing from them that a smaller picture would not teach it.
constexpr std::uint64_t kMaxFuzzPixels = std::uint64_t(1) << 18;

const char* const kKnownTexts[] = {
    "Cannot load image. Invalid or unexpected PNG image format.",
    "Cannot load image. The compression scheme is not supported for PNG files.",
    "Cannot load image. CRC error found in PNG file.",
    "Cannot load image. Palette in PNG file is invalid.",
    "Invalid color format in PNG file.",
    "Cannot load PNG image. Unexpected but critical chunk detected.",
    "Cannot load image. Compression error found in PNG file.",
    "Cannot load image. Extra compressed data found in PNG file.",
    "Cannot load image. No image data found in PNG file.",
    "Cannot load image. Not enough memory for the PNG image.",
    "LZ77 decompression error.",
    "Stream read error",
};

bool KnownText(const char* text) {
  for (const char* known : kKnownTexts) {
    if (std::strcmp(text, known) == 0) return true;
  }
  return std::strncmp(text, "Cannot load image. The PNG image of ", 36) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PngImage image;
  MemoryStream stream(data, size);
  try {
    if (image.ReadHeader(stream)) {
      // Pictures past the reader's own limit still go through: it must refuse them unharmed.
      const std::uint64_t pixels = std::uint64_t(image.Properties().width) * image.Properties().height;
      if (pixels > kMaxFuzzPixels && pixels <= PngImage::kMaxPixels) return 0;
    }
  } catch (const Error&) {
  }
  stream.Seek(0);
  try {
    image.ReadImage(stream);
  } catch (const Error& e) {
    if (!KnownText(e.what())) std::abort();
    if (!image.Empty()) std::abort();  // a failed read leaves no picture behind
    return 0;
  }
  // A decoded picture has the header's size and every row can be read in full.
  if (std::uint32_t(image.Width()) != image.Properties().width ||
      std::uint32_t(image.Height()) != image.Properties().height) {
    std::abort();
  }
  unsigned sum = 0;
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* row = image.Row(y);
    for (std::size_t i = 0; i < image.Stride(); ++i) sum += row[i];
  }
  for (int x = 0; x < image.Width(); ++x) sum += image.PixelColor(x, image.Height() - 1);
  return sum == 0xFFFFFFFF;  // keeps the loops from being optimised away
}
