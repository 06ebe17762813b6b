// The test encoder is the golden source of the reader's tests, so its output is checked here
// against libpng, a decoder we did not write.
#include "tools/png_encoder.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <set>

namespace {

using namespace png_encoder;

struct Decoded {
  bool ok = false;
  std::uint32_t width = 0, height = 0;
  int color_type = -1, bit_depth = 0, interlace = -1;
  std::vector<std::uint16_t> samples;
  std::vector<Rgb> palette;
  double gamma = 0;
  std::vector<std::uint8_t> trns;
};

struct Source {
  const std::vector<std::uint8_t>* png;
  std::size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* src = static_cast<Source*>(png_get_io_ptr(png));
  if (count > src->png->size() - src->at) png_error(png, "read past the end");
  std::memcpy(out, src->png->data() + src->at, count);
  src->at += count;
}

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Ignore(png_structp, png_const_charp) {}

// Decodes to the samples as stored: no expansion, no scaling, one sample per byte below 8 bits.
// Every C++ object lives outside the setjmp frame's reach, so a longjmp skips no destructor.
void DecodeInto(const std::vector<std::uint8_t>& file, Decoded& d, std::vector<std::uint8_t>& pixels,
                std::vector<png_bytep>& rows) {
  Source src{&file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return;
  }
  png_set_read_fn(png, &src, ReadFromMemory);
  png_read_info(png, info);
  d.width = png_get_image_width(png, info);
  d.height = png_get_image_height(png, info);
  d.color_type = png_get_color_type(png, info);
  d.bit_depth = png_get_bit_depth(png, info);
  d.interlace = png_get_interlace_type(png, info);
  png_colorp plte;
  int entries;
  if (png_get_PLTE(png, info, &plte, &entries)) {
    for (int i = 0; i < entries; ++i) d.palette.push_back({plte[i].red, plte[i].green, plte[i].blue});
  }
  png_get_gAMA(png, info, &d.gamma);
  png_bytep alphas;
  int alpha_count;
  if (png_get_tRNS(png, info, &alphas, &alpha_count, nullptr) && alphas) d.trns.assign(alphas, alphas + alpha_count);
  if (d.bit_depth < 8) png_set_packing(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t stride = png_get_rowbytes(png, info);
  pixels.resize(stride * d.height);
  rows.resize(d.height);
  for (std::uint32_t y = 0; y < d.height; ++y) rows[y] = pixels.data() + y * stride;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  d.ok = true;
}

Decoded Decode(const std::vector<std::uint8_t>& file) {
  Decoded d;
  std::vector<std::uint8_t> pixels;
  std::vector<png_bytep> rows;
  DecodeInto(file, d, pixels, rows);
  if (!d.ok) return d;
  if (d.bit_depth == 16) {
    for (std::size_t i = 0; i + 1 < pixels.size(); i += 2) d.samples.push_back(std::uint16_t(pixels[i] << 8 | pixels[i + 1]));
  } else {
    d.samples.assign(pixels.begin(), pixels.end());
  }
  return d;
}

std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& png) {
  std::vector<std::uint8_t> z;
  for (const auto& c : SplitChunks(png)) {
    if (c.type == "IDAT") z.insert(z.end(), c.data.begin(), c.data.end());
  }
  std::vector<std::uint8_t> raw(1 << 20);
  uLongf size = raw.size();
  EXPECT_EQ(uncompress(raw.data(), &size, z.data(), uLong(z.size())), Z_OK);
  raw.resize(size);
  return raw;
}

void ExpectRoundTrip(const Image& image, const Options& options) {
  const Decoded d = Decode(Encode(image, options));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.width, image.width);
  EXPECT_EQ(d.height, image.height);
  EXPECT_EQ(d.color_type, image.color_type);
  EXPECT_EQ(d.bit_depth, image.bit_depth);
  EXPECT_EQ(d.interlace, options.interlace ? 1 : 0);
  EXPECT_TRUE(d.samples == image.samples) << "samples differ";
  if (image.color_type == kIndexed) {
    EXPECT_EQ(d.palette, image.palette);
  }
}

const std::vector<std::pair<std::uint8_t, std::uint8_t>> kValidFormats = {
    {kGrey, 1},  {kGrey, 2},    {kGrey, 4},      {kGrey, 8},       {kGrey, 16},
    {kRGB, 8},   {kRGB, 16},    {kIndexed, 1},   {kIndexed, 2},    {kIndexed, 4},
    {kIndexed, 8}, {kGreyAlpha, 8}, {kGreyAlpha, 16}, {kRGBA, 8}, {kRGBA, 16},
};

TEST(PngEncoder, EveryFormatFilterAndLayoutDecodesToTheSameSamples) {
  // 13x11 leaves partial bytes at the row ends and uneven Adam7 passes.
  for (const auto& [type, depth] : kValidFormats) {
    const Image image = MakePhoto(13, 11, type, depth, depth + type * 31u);
    for (const bool interlace : {false, true}) {
      for (const int filter : {0, 1, 2, 3, 4, kFilterCycle, kFilterMixed}) {
        SCOPED_TRACE(testing::Message() << "type " << int(type) << " depth " << int(depth)
                                        << " interlace " << interlace << " filter " << filter);
        ExpectRoundTrip(image, {.interlace = interlace, .filter = filter});
      }
    }
  }
}

TEST(PngEncoder, TinyInterlacedImagesSkipEmptyPasses) {
  for (const auto& [w, h] : std::vector<std::pair<std::uint32_t, std::uint32_t>>{
           {1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 5}, {5, 3}, {8, 8}, {9, 9}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    const Image image = MakePhoto(w, h, kRGB, 8, w * 10 + h);
    ExpectRoundTrip(image, {.interlace = true, .filter = kFilterCycle});
  }
  // 1x1: pass 1 alone, one filter byte and one grey byte.
  const Image dot = MakePhoto(1, 1, kGrey, 8);
  EXPECT_EQ(FilteredData(dot, {.interlace = true, .filter = 0}), (std::vector<std::uint8_t>{0, std::uint8_t(dot.samples[0])}));
}

TEST(PngEncoder, FilterChoiceShowsInTheRowFilterBytes) {
  const Image image = MakePhoto(16, 12, kRGBA, 8);
  const std::size_t row = 1 + 16 * 4;
  auto filter_bytes = [&](const Options& o) {
    const auto raw = Inflate(Encode(image, o));
    std::vector<int> types;
    for (std::size_t at = 0; at < raw.size(); at += row) types.push_back(raw[at]);
    return types;
  };
  EXPECT_EQ(filter_bytes({.filter = 3}), std::vector<int>(12, 3));
  EXPECT_EQ(filter_bytes({.filter = kFilterCycle}), (std::vector<int>{0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 1}));
  const auto mixed = filter_bytes({.filter = kFilterMixed});
  EXPECT_GT(std::set<int>(mixed.begin(), mixed.end()).size(), 1u) << "a photo should not suit one filter throughout";

  const auto bad = filter_bytes({.filter = 0, .bad_filter_row = 4, .bad_filter_byte = 5});
  EXPECT_EQ(bad[4], 5);
  EXPECT_FALSE(Decode(Encode(image, {.bad_filter_row = 4})).ok);
}

TEST(PngEncoder, SplitIdatAndExtraChunksLandWhereAsked) {
  Image image = MakePhoto(20, 20, kIndexed, 4);
  Options o;
  o.idat_sizes = {0, 7, 0, 5};
  o.chunks = {Text("Title", "t", At::kAfterIHDR), Gama(45455, At::kAfterIHDR), Bytes("tRNS", {0, 128, 255}),
              Bytes("vpAg", {1, 2}, At::kAmongIDAT), Phys(2835, 2835, 1, At::kAfterIDAT)};
  const auto file = Encode(image, o);
  std::vector<std::string> types;
  std::vector<std::size_t> idat_sizes;
  for (const auto& c : SplitChunks(file)) {
    types.push_back(c.type);
    if (c.type == "IDAT") idat_sizes.push_back(c.data.size());
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "tEXt", "gAMA", "PLTE", "tRNS", "IDAT", "vpAg", "IDAT",
                                             "IDAT", "IDAT", "IDAT", "pHYs", "IEND"}));
  ASSERT_EQ(idat_sizes.size(), 5u);
  EXPECT_EQ(idat_sizes[0], 0u);
  EXPECT_EQ(idat_sizes[1], 7u);
  EXPECT_EQ(idat_sizes[2], 0u);
  EXPECT_EQ(idat_sizes[3], 5u);

  EXPECT_FALSE(Decode(file).ok) << "image data chunks must follow one another";
  o.chunks.erase(o.chunks.begin() + 3);
  const Decoded d = Decode(Encode(image, o));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.samples, image.samples);
  EXPECT_NEAR(d.gamma, 0.45455, 1e-6);
  EXPECT_EQ(d.trns, (std::vector<std::uint8_t>{0, 128, 255}));
}

TEST(PngEncoder, DamageOnRequestIsWhatLibpngRefuses) {
  const Image image = MakePhoto(8, 8, kRGB, 8);
  EXPECT_TRUE(Decode(Encode(image)).ok);
  EXPECT_FALSE(Decode(Encode(image, {.bad_crc = "IDAT"})).ok);
  EXPECT_FALSE(Decode(Encode(image, {.bad_crc = "IHDR"})).ok);
  EXPECT_FALSE(Decode(Encode(image, {.lower_case = {"IDAT"}})).ok) << "idat is an ancillary chunk: no image data";
  const auto ihdr = SplitChunks(Encode(image, {.ihdr_compression = 1, .ihdr_filter_method = 2, .ihdr_interlace = 3}))[0];
  EXPECT_EQ(ihdr.data, (std::vector<std::uint8_t>{0, 0, 0, 8, 0, 0, 0, 8, 8, kRGB, 1, 2, 3}));
  EXPECT_FALSE(Decode(Encode(image, {.ihdr_compression = 1})).ok);
  EXPECT_FALSE(Decode(Encode(image, {.ihdr_filter_method = 1})).ok);
  EXPECT_FALSE(Decode(Encode(image, {.ihdr_interlace = 2})).ok);
  EXPECT_FALSE(Decode(Encode(image, {.chunks = {Bytes("XBAD", {1})}})).ok) << "unknown critical chunk";

  Image odd = MakePhoto(8, 8, kRGB, 4);  // RGB at 4 bits: packed, but not a PNG
  const auto file = Encode(odd);
  EXPECT_EQ(Inflate(file).size(), 8u * (1 + 12));
  EXPECT_FALSE(Decode(file).ok);

  odd.samples.pop_back();
  EXPECT_THROW(Encode(odd), std::invalid_argument);
}

TEST(PngEncoder, PhotosAreDeterministicAndInRange) {
  for (const auto& [type, depth] : kValidFormats) {
    const Image a = MakePhoto(33, 17, type, depth, 5);
    EXPECT_EQ(a.samples, MakePhoto(33, 17, type, depth, 5).samples);
    EXPECT_NE(a.samples, MakePhoto(33, 17, type, depth, 6).samples);
    const std::uint32_t limit = type == kIndexed ? std::uint32_t(a.palette.size()) : 1u << depth;
    for (std::uint16_t s : a.samples) ASSERT_LT(s, limit);
  }
}

}  // namespace
