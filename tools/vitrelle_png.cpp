// vitrelle-png IN.png OUT.pam: decodes a PNG with the product's own reader and writes what it
// produced as a PAM file, so that any image can be checked against another decoder.
#include <cstdio>
#include <string>
#include <vector>

#include "framework/stream.h"
#include "imaging/png_graphic.h"
#include "magnifier/frame_pixels.h"

namespace {

// Rows of RGB or RGBA bytes: 32-bit results keep their alpha, everything else becomes RGB,
// palette pictures through their palette.
std::vector<std::uint8_t> Tuples(const Bitmap& image, bool alpha) {
  Bitmap bgra;
  CopyToBgra32(image, bgra);
  std::vector<std::uint8_t> out;
  out.reserve(std::size_t(image.Width()) * std::size_t(image.Height()) * (alpha ? 4 : 3));
  for (int y = 0; y < bgra.Height(); ++y) {
    const std::uint8_t* p = bgra.ScanLine(y);
    for (int x = 0; x < bgra.Width(); ++x, p += 4) {
      out.insert(out.end(), {p[2], p[1], p[0]});
      if (alpha) out.push_back(p[3]);
    }
  }
  return out;
}

bool WritePam(const std::string& path, const Bitmap& image) {
  const bool alpha = image.Format() == PixelFormat::pf32bit;
  std::vector<std::uint8_t> tuples = Tuples(image, alpha);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::fprintf(file, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n", image.Width(),
               image.Height(), alpha ? 4 : 3, alpha ? "RGB_ALPHA" : "RGB");
  bool ok = std::fwrite(tuples.data(), 1, tuples.size(), file) == tuples.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vitrelle-png IN.png OUT.pam\n");
    return 2;
  }
  TPNGGraphic image;
  try {
    std::vector<std::uint8_t> data = ReadWholeFile(argv[1]);
    MemoryStream stream(data.data(), data.size());
    image.ReadImage(stream);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  if (!WritePam(argv[2], image)) {
    std::fprintf(stderr, "Cannot write file \"%s\"\n", argv[2]);
    return 1;
  }
  std::printf("%dx%d %dbpp\n", image.Width(), image.Height(), BitsOf(image.Format()));
  return 0;
}
