// The JPEG reader: the About banner, pictures encoded here with libjpeg and read back, streams cut
// short, and a table of damaged data with the exact error each must raise. Natively LeakSanitizer
// checks that a failed read leaves nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>  // before jpeglib.h, which needs FILE
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging/jpeg_image.h"
#include "imaging/png_image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Samples row by row, `components` per pixel (1 grey, 3 RGB, 4 CMYK).
struct Picture {
  int width, height, components;
  Bytes samples;
};

// A smooth picture, so that JPEG's losses stay small.
Picture Gradient(int width, int height, int components) {
  Picture p{width, height, components, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c)
        p.samples.push_back(std::uint8_t(c == 0 ? 40 + 4 * x : c == 1 ? 60 + 5 * y : 200 - 3 * (x + y) / 2 - 20 * c + 40));
  return p;
}

Bytes Encode(const Picture& p, bool progressive = false, int quality = 95) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(p.width);
  cinfo.image_height = JDIMENSION(p.height);
  cinfo.input_components = p.components;
  cinfo.in_color_space = p.components == 1 ? JCS_GRAYSCALE : p.components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(&p.samples[std::size_t(cinfo.next_scanline) * p.width * p.components]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes jpeg(buffer, buffer + size);
  std::free(buffer);
  return jpeg;
}

// Offset of the first marker of this kind, or of its segment's end with `after`.
std::size_t FindMarker(const Bytes& jpeg, std::uint8_t marker, bool after = false) {
  for (std::size_t i = 2; i + 3 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return after ? i + 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]) : i;
  }
  ADD_FAILURE() << "no marker " << int(marker);
  return 0;
}

Bytes WithSize(Bytes jpeg, int width, int height) {
  const std::size_t sof = FindMarker(jpeg, 0xC0);
  jpeg[sof + 5] = std::uint8_t(height >> 8);
  jpeg[sof + 6] = std::uint8_t(height);
  jpeg[sof + 7] = std::uint8_t(width >> 8);
  jpeg[sof + 8] = std::uint8_t(width);
  return jpeg;
}

// The largest difference between a decoded bitmap and the picture, comparing B, G, R against the
// picture's R, G, B (grey against all three).
int MaxDifference(const Bitmap& b, const Picture& p, int rows) {
  int worst = 0;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < p.width; ++x)
      for (int c = 0; c < 3; ++c) {
        const int want = p.samples[(std::size_t(y) * p.width + x) * p.components + (p.components == 1 ? 0 : 2 - c)];
        worst = std::max(worst, std::abs(b.Row(y)[3 * x + c] - want));
      }
  return worst;
}

Bytes ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// libjpeg's own decode as R, G, B: the reader must give the same samples, in its own order.
Bytes DecodeRgb(const Bytes& jpeg) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  Bytes rgb(std::size_t(cinfo.output_width) * cinfo.output_height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &rgb[std::size_t(cinfo.output_scanline) * cinfo.output_width * 3];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return rgb;
}

struct Rgb {
  int r, g, b;
};

Rgb At(const Bitmap& b, int x, int y) {
  const std::uint8_t* p = b.Row(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

}  // namespace

TEST(JpegImage, Banner) {
  const Bytes jpeg = ReadWholeFile(VITRELLE_SOURCE_DIR "/resources/banner.jpg");
  ASSERT_FALSE(jpeg.empty());
  Bitmap banner;
  LoadJpeg(jpeg.data(), jpeg.size(), banner);
  ASSERT_EQ(banner.Format(), PixelFormat::Bits24);
  ASSERT_EQ(banner.Width(), 298);
  ASSERT_EQ(banner.Height(), 75);

  const Bytes rgb = DecodeRgb(jpeg);
  for (int y = 0; y < 75; ++y)
    for (int x = 0; x < 298; ++x) {
      const std::uint8_t* want = &rgb[(std::size_t(y) * 298 + x) * 3];
      const Rgb got = At(banner, x, y);
      ASSERT_TRUE(got.r == want[0] && got.g == want[1] && got.b == want[2]) << x << ',' << y;
    }

  // What the art is meant to show: deep blue on the left, teal to the lower right, a bright glass
  // in a light rim on the right and a dark handle below it.
  const Rgb sky = At(banner, 3, 3), teal = At(banner, 296, 72), glass = At(banner, 232, 40);
  const Rgb rim = At(banner, 214, 16), grip = At(banner, 262, 63);
  EXPECT_TRUE(sky.b > sky.r + 40 && sky.b > sky.g && sky.r < 60) << sky.r << ' ' << sky.g << ' ' << sky.b;
  EXPECT_TRUE(teal.g > 100 && teal.b > 100 && teal.r < 60) << teal.r << ' ' << teal.g << ' ' << teal.b;
  EXPECT_TRUE(glass.g > teal.g && glass.b > teal.b && glass.g > 120) << glass.r << ' ' << glass.g << ' ' << glass.b;
  EXPECT_TRUE(rim.r > 150 && rim.g > 150 && rim.b > 150) << rim.r << ' ' << rim.g << ' ' << rim.b;
  EXPECT_TRUE(grip.r < 70 && grip.g < 70 && grip.b < 90) << grip.r << ' ' << grip.g << ' ' << grip.b;
}

TEST(JpegImage, EncodedPicturesReadBackWithinJpegLosses) {
  struct Case {
    int width, height, components;
    bool progressive;
  };
  // Odd widths give rows with padding; partial 8x8 blocks at the right and bottom edges.
  const Case cases[] = {{1, 1, 3, false},  {17, 9, 3, false}, {40, 24, 3, true},
                        {33, 20, 1, false}, {8, 8, 1, true},   {5, 70, 3, false}};
  for (const Case& c : cases) {
    const Picture p = Gradient(c.width, c.height, c.components);
    const Bytes jpeg = Encode(p, c.progressive);
    Bitmap b;
    b.SetFormat(PixelFormat::Bits8);
    b.SetSize(3, 3);
    b.SetPalette({0x123456});
    b.SetTransparentColor(0x123456);
    b.SetTransparent(true);
    LoadJpeg(jpeg.data(), jpeg.size(), b);
    const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height) + " components " +
                             std::to_string(c.components) + (c.progressive ? " progressive" : "");
    ASSERT_EQ(b.Format(), PixelFormat::Bits24) << what;
    ASSERT_EQ(b.Width(), c.width) << what;
    ASSERT_EQ(b.Height(), c.height) << what;
    EXPECT_FALSE(b.Transparent()) << what;
    EXPECT_EQ(b.TransparentColor(), kNoColor) << what;
    EXPECT_TRUE(b.Palette().empty()) << what;
    EXPECT_LE(MaxDifference(b, p, c.height), 6) << what;
    if (c.components == 1) {
      for (int x = 0; x < c.width; ++x) {
        const std::uint8_t* s = b.Row(c.height - 1) + 3 * x;
        EXPECT_TRUE(s[0] == s[1] && s[1] == s[2]) << what << " x " << x;
      }
    }
  }
}

// Whatever arrived of a stream cut inside its image data is shown; the rest libjpeg pads.
TEST(JpegImage, StreamCutInsideTheImageDataGivesTheRowsThatArrived) {
  const Picture p = Gradient(32, 32, 3);
  for (const bool progressive : {false, true}) {
    const Bytes whole = Encode(p, progressive);
    const std::size_t data = FindMarker(whole, 0xDA, true);
    const Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(data + (whole.size() - data) / 2));
    Bitmap b;
    ASSERT_NO_THROW(LoadJpeg(cut.data(), cut.size(), b)) << progressive;
    ASSERT_EQ(b.Width(), 32);
    ASSERT_EQ(b.Height(), 32);
    // A progressive stream's first scan holds every block's average already.
    EXPECT_LE(MaxDifference(b, p, 8), progressive ? 40 : 6) << progressive;
  }
}

TEST(JpegImage, DamagedDataRaisesInvalidGraphicAndLeavesTheBitmapEmpty) {
  const Bytes good = Encode(Gradient(16, 16, 3));
  const std::size_t scan = FindMarker(good, 0xDA, true);
  Bytes garbage = {0xFF, 0xD8};
  for (int i = 0; i < 200; ++i) garbage.push_back(std::uint8_t(i * 37 % 255));  // no 0xFF: no marker
  const std::string prefix = "Cannot load JPEG image. ";
  struct Case {
    const char* name;
    Bytes data;
    std::string error;
  };
  const Case cases[] = {
      {"empty", {}, "No image data found in JPEG file."},
      {"one byte", {0xFF}, "Not a JPEG file: starts with 0xff 0xff"},
      {"PNG signature", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, "Not a JPEG file: starts with 0x89 0x50"},
      {"start and end markers only", {0xFF, 0xD8, 0xFF, 0xD9}, "JPEG datastream contains no image"},
      {"garbage after the start marker", garbage, "JPEG datastream contains no image"},
      {"cut inside the headers", Bytes(good.begin(), good.begin() + 30), "JPEG datastream contains no image"},
      {"cut inside the frame header", Bytes(good.begin(), good.begin() + std::ptrdiff_t(FindMarker(good, 0xC0) + 6)),
       "Bogus marker length"},
      {"cut right after the scan header", Bytes(good.begin(), good.begin() + std::ptrdiff_t(scan)),
       "No image data found in JPEG file."},
      {"zero width", WithSize(good, 0, 16), "Empty JPEG image (DNL not supported)"},
      {"zero height", WithSize(good, 16, 0), "Empty JPEG image (DNL not supported)"},
      {"wider than we accept", WithSize(good, kMaxJpegSide + 1, 16), "The image is too large."},
      {"taller than we accept", WithSize(good, 16, kMaxJpegSide + 1), "The image is too large."},
      {"more pixels than a bitmap may hold", WithSize(good, kMaxJpegSide, kMaxJpegSide),
       "Out of memory: a bitmap of 16384x16384 pixels is too large"},
      {"CMYK", Encode(Gradient(8, 8, 4)), "CMYK JPEG images are not supported."},
  };
  for (const Case& c : cases) {
    Bitmap b;
    b.SetSize(4, 4);
    try {
      LoadJpeg(c.data.data(), c.data.size(), b);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const InvalidImageError& e) {
      EXPECT_EQ(e.what(), prefix + c.error) << c.name;
    }
    EXPECT_TRUE(b.Empty()) << c.name;
  }
}
