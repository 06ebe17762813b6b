// libpng-pam IN.png OUT.pam: the PAM that vitrelle-png writes, decoded by libpng instead; the
// baseline of png_tool_bench. RGBA for colour type 6 (the pictures our reader gives 32 bits),
// RGB for everything else: grey to RGB, palettes expanded, tRNS and the alpha of grey with alpha
// dropped, 16-bit samples brought down as v * 255 / 65535, as our reader does. gAMA is not
// applied: the benchmark's pictures carry none.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const char* output_path = nullptr;

[[noreturn]] void Fail(png_structp, png_const_charp message) {
  std::fprintf(stderr, "libpng-pam: %s\n", message);
  std::exit(1);
}

[[noreturn]] void CannotWrite() {
  std::fprintf(stderr, "Cannot write file \"%s\"\n", output_path);
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: libpng-pam IN.png OUT.pam\n");
    return 2;
  }
  output_path = argv[2];
  std::FILE* in = std::fopen(argv[1], "rb");
  if (!in) {
    std::fprintf(stderr, "Cannot open file \"%s\"\n", argv[1]);
    return 1;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, in);
  png_read_info(png, info);
  const int type = png_get_color_type(png, info);
  const bool alpha = type == PNG_COLOR_TYPE_RGB_ALPHA;
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  if (!alpha) png_set_strip_alpha(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  const std::size_t row_bytes = png_get_rowbytes(png, info);
  const bool wide = png_get_bit_depth(png, info) == 16;
  const std::size_t samples = std::size_t(width) * (alpha ? 4 : 3);

  // Interlaced pictures are complete only after the last pass: those are read whole.
  std::vector<png_byte> pixels((passes > 1 ? std::size_t(height) : 1) * row_bytes);
  if (passes > 1) {
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + std::size_t(y) * row_bytes;
    png_read_image(png, rows.data());
  }

  std::FILE* out = std::fopen(output_path, "wb");
  if (!out) CannotWrite();
  if (std::fprintf(out, "P7\nWIDTH %u\nHEIGHT %u\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n", unsigned(width),
                   unsigned(height), alpha ? 4 : 3, alpha ? "RGB_ALPHA" : "RGB") < 0) {
    CannotWrite();
  }
  std::vector<png_byte> narrow(wide ? samples : 0);
  for (png_uint_32 y = 0; y < height; ++y) {
    png_bytep row = pixels.data();
    if (passes > 1) {
      row += std::size_t(y) * row_bytes;
    } else {
      png_read_row(png, row, nullptr);
    }
    if (wide) {
      for (std::size_t i = 0; i < samples; ++i) narrow[i] = png_byte((row[2 * i] << 8 | row[2 * i + 1]) * 255 / 65535);
      row = narrow.data();
    }
    if (std::fwrite(row, 1, samples, out) != samples) CannotWrite();
  }
  if (std::fclose(out) != 0) CannotWrite();
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(in);
  return 0;
}
