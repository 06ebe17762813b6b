// The PNG reader against pictures whose samples we know: every format it accepts, every filter,
// Adam7, the chunk rules, and a table of damaged files with the exact error each must raise.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "framework/stream.h"
#include "imaging/png_filters.h"
#include "imaging/png_image.h"
#include "tools/png_encoder.h"

namespace pe = png_encoder;

namespace {

struct Decoded {
  std::string error;  // empty on success
  PixelFormat format = PixelFormat::Bits1;
  int width = 0, height = 0;
  std::vector<Color> colors;        // per pixel, through the palette where there is one
  std::vector<std::uint8_t> alpha;   // per pixel, 32-bit results only
  Color transparent = kNoColor;
};

Decoded Decode(const std::vector<std::uint8_t>& png) {
  Decoded d;
  PngImage image;
  MemoryStream stream(png.data(), png.size());
  try {
    image.ReadImage(stream);
  } catch (const Error& e) {
    d.error = e.what();
    return d;
  }
  d.format = image.Format();
  d.width = image.Width();
  d.height = image.Height();
  if (image.Transparent()) d.transparent = image.TransparentColor();
  for (int y = 0; y < d.height; ++y) {
    for (int x = 0; x < d.width; ++x) {
      d.colors.push_back(image.PixelColor(x, y));
      if (d.format == PixelFormat::Bits32) d.alpha.push_back(image.Row(y)[4 * x + 3]);
    }
  }
  return d;
}

std::uint8_t Reduce16(unsigned v) { return std::uint8_t(v * 255 / 65535); }

// What the reader must make of a sample, without gamma.
std::uint8_t Expected8(const pe::Image& image, unsigned v) {
  switch (image.bit_depth) {
    case 1: return std::uint8_t(v * 255);
    case 2: return std::uint8_t(v * 85);
    case 4: return std::uint8_t(v * 17);
    case 16: return Reduce16(v);
    default: return std::uint8_t(v);
  }
}

PixelFormat ExpectedFormat(const pe::Image& image) {
  switch (image.color_type) {
    case pe::kRGB: return PixelFormat::Bits24;
    case pe::kRGBA: return PixelFormat::Bits32;
    case pe::kGreyAlpha: return PixelFormat::Bits8;
    default:
      return image.bit_depth == 1 ? PixelFormat::Bits1 : image.bit_depth <= 4 ? PixelFormat::Bits4
                                                                               : PixelFormat::Bits8;
  }
}

void ExpectPixels(const pe::Image& image, const Decoded& d, const std::string& what) {
  ASSERT_EQ(d.error, "") << what;
  ASSERT_EQ(d.format, ExpectedFormat(image)) << what;
  ASSERT_EQ(d.width, int(image.width)) << what;
  ASSERT_EQ(d.height, int(image.height)) << what;
  int mismatches = 0;
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) {
      Color want;
      std::size_t i = std::size_t(y) * image.width + x;
      if (image.color_type == pe::kIndexed) {
        pe::Rgb c = image.palette[image.Sample(x, y, 0)];
        want = RGBColor(c.r, c.g, c.b);
      } else if (image.color_type == pe::kRGB || image.color_type == pe::kRGBA) {
        want = RGBColor(Expected8(image, image.Sample(x, y, 0)), Expected8(image, image.Sample(x, y, 1)),
                        Expected8(image, image.Sample(x, y, 2)));
        if (image.color_type == pe::kRGBA && d.alpha[i] != Expected8(image, image.Sample(x, y, 3))) ++mismatches;
      } else {
        std::uint8_t g = Expected8(image, image.Sample(x, y, 0));
        want = RGBColor(g, g, g);
      }
      if (d.colors[i] != want && ++mismatches < 5) {
        ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << std::hex << d.colors[i] << " not " << want;
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << what;
}

struct Format {
  std::uint8_t color_type, bit_depth;
};
const Format kFormats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                           {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

std::string Name(const Format& f, const pe::Options& o) {
  return "type " + std::to_string(f.color_type) + " depth " + std::to_string(f.bit_depth) +
         (o.interlace ? " interlaced" : "") + " filter " + std::to_string(o.filter);
}

}  // namespace

TEST(PngReader, EveryFormatFilterAndLayoutDecodesToItsSamples) {
  for (const Format& f : kFormats) {
    for (bool interlace : {false, true}) {
      for (int filter : {0, 1, 2, 3, 4, pe::kFilterCycle, pe::kFilterMixed}) {
        pe::Options o;
        o.interlace = interlace;
        o.filter = filter;
        pe::Image image = pe::MakePhoto(37, 23, f.color_type, f.bit_depth, 7);
        ExpectPixels(image, Decode(pe::Encode(image, o)), Name(f, o));
      }
    }
  }
}

TEST(PngReader, TinyInterlacedImagesFillEveryPixel) {
  // Width 1 skips the passes that start in columns 4, 2 and 1; small heights skip whole passes.
  for (std::uint32_t w = 1; w <= 9; ++w) {
    for (std::uint32_t h = 1; h <= 9; ++h) {
      pe::Image image = pe::MakePhoto(w, h, pe::kRGBA, 8, w * 16 + h);
      pe::Options o;
      o.interlace = true;
      o.filter = pe::kFilterCycle;  // passes begin with Up, Average or Paeth rows too
      ExpectPixels(image, Decode(pe::Encode(image, o)), std::to_string(w) + "x" + std::to_string(h));
    }
  }
}

TEST(PngReader, ChunkLayoutDoesNotChangeThePicture) {
  pe::Image image = pe::MakePhoto(64, 48, pe::kRGB, 8, 3);
  Decoded reference = Decode(pe::Encode(image));
  ExpectPixels(image, reference, "one IDAT");

  pe::Options split;
  split.idat_sizes = {0, 1, 7, 0, 100, 0, 3};
  EXPECT_EQ(Decode(pe::Encode(image, split)).colors, reference.colors) << "split and empty IDATs";

  pe::Options lower;
  lower.lower_case = {"IHDR", "IDAT", "IEND"};
  lower.idat_sizes = {50, 50};
  EXPECT_EQ(Decode(pe::Encode(image, lower)).colors, reference.colors) << "lower-case chunk types";

  pe::Options ancillary;
  ancillary.chunks = {pe::Text("Comment", "x"), pe::Bytes("zzZz", {1, 2, 3}, pe::At::kAmongIDAT),
                      pe::Phys(2835, 2835, 1, pe::At::kAfterIDAT)};
  EXPECT_EQ(Decode(pe::Encode(image, ancillary)).colors, reference.colors) << "ancillary chunks";
}

TEST(PngReader, GammaChangesColourButNeverAlpha) {
  pe::Image image = pe::MakePhoto(40, 30, pe::kRGBA, 8, 9);
  auto with_gamma = [&](std::uint32_t g) {
    pe::Options o;
    o.chunks = {pe::Gama(g, pe::At::kAfterIHDR)};
    return Decode(pe::Encode(image, o));
  };
  Decoded plain = Decode(pe::Encode(image));
  EXPECT_EQ(with_gamma(45454).colors, plain.colors) << "45454 is the identity";

  // 45000: exponent 1 / (0.45 * 2.2); entries 20 to 198 drop by one, the rest stay.
  Decoded g = with_gamma(45000);
  EXPECT_EQ(g.alpha, plain.alpha);
  auto mapped = [](std::uint8_t v) { return std::uint8_t(v >= 20 && v <= 198 ? v - 1 : v); };
  for (std::size_t i = 0; i < plain.colors.size(); ++i) {
    Color c = plain.colors[i];
    ASSERT_EQ(g.colors[i], RGBColor(mapped(RedOf(c)), mapped(GreenOf(c)), mapped(BlueOf(c)))) << i;
  }

  // Palette images carry gamma in their palette.
  pe::Image indexed = pe::MakePhoto(8, 8, pe::kIndexed, 8, 2);
  indexed.palette[indexed.Sample(0, 0, 0)] = {128, 20, 199};
  pe::Options o;
  o.chunks = {pe::Gama(45000, pe::At::kAfterIHDR)};
  EXPECT_EQ(Decode(pe::Encode(indexed, o)).colors[0], RGBColor(127, 19, 199));
}

// Out of order, but read: the gamma table maps 8 bits to 8 whatever depth the first PLTE set.
TEST(PngReader, GammaAfterThePaletteMapsALaterPaletteAsItWouldAnEarlierOne) {
  for (std::uint8_t depth : {1, 2, 4, 8}) {
    pe::Image image{2, 1, pe::kIndexed, depth, {0, 1}, {{10, 100, 200}, {40, 128, 250}}};
    pe::Options early, late;
    early.chunks = {pe::Gama(50000, pe::At::kAfterIHDR)};
    late.chunks = {pe::Gama(50000), pe::Plte(image.palette)};
    EXPECT_EQ(Decode(pe::Encode(image, late)).colors, Decode(pe::Encode(image, early)).colors) << int(depth);
  }
}

TEST(PngReader, SixteenBitSamplesAreTruncatedNotRounded) {
  pe::Image image{2, 1, pe::kRGBA, 16, {0xFFFE, 0xFFFF, 0x8080, 0x0101, 0x0000, 0x7FFF, 0x80FF, 0xFFFF}, {}};
  Decoded d = Decode(pe::Encode(image));
  ASSERT_EQ(d.error, "");
  EXPECT_EQ(d.colors[0], RGBColor(254, 255, 128));
  EXPECT_EQ(d.alpha[0], 1);
  EXPECT_EQ(d.colors[1], RGBColor(0, 127, 128));
  EXPECT_EQ(d.alpha[1], 255);
}

TEST(PngReader, TransparencyAndBackground) {
  // Grey: the key in 8-bit terms (2-bit times 5, 16-bit reduced); RGB alike; palette: ignored.
  struct Case {
    std::uint8_t type, depth;
    std::vector<std::uint16_t> trns;
    Color want;
  } cases[] = {
      {0, 2, {3}, RGBColor(15, 15, 15)},
      {0, 8, {200}, RGBColor(200, 200, 200)},
      {0, 16, {0xFFFE}, RGBColor(254, 254, 254)},
      {2, 16, {0xFFFF, 0x0100, 0}, RGBColor(255, 0, 0)},
      {2, 8, {1, 2}, kNoColor},  // too short: ignored
  };
  for (const Case& c : cases) {
    pe::Image image = pe::MakePhoto(4, 4, c.type, c.depth);
    pe::Options o;
    o.chunks = {pe::Words("tRNS", c.trns)};
    Decoded d = Decode(pe::Encode(image, o));
    EXPECT_EQ(d.error, "");
    EXPECT_EQ(d.transparent, c.want) << int(c.type) << "/" << int(c.depth);
  }
  pe::Image indexed = pe::MakePhoto(4, 4, pe::kIndexed, 4);
  pe::Options o;
  o.chunks = {pe::Bytes("tRNS", {0, 0, 0})};
  ExpectPixels(indexed, Decode(pe::Encode(indexed, o)), "palette with tRNS stays opaque");

  // Rows that never arrive keep the background: only the first of several IDATs is kept.
  pe::Image rgb = pe::MakePhoto(8, 8, pe::kRGB, 8);
  pe::Options bkgd;
  bkgd.chunks = {pe::Words("bKGD", {10, 20, 30})};
  bkgd.zlib_level = 0;
  bkgd.idat_sizes = {60};
  std::vector<pe::ChunkView> chunks = pe::SplitChunks(pe::Encode(rgb, bkgd));
  std::erase_if(chunks, [first = true](const pe::ChunkView& c) mutable {
    if (c.type != "IDAT") return false;
    return !std::exchange(first, false);
  });
  std::vector<std::uint8_t> truncated = pe::JoinChunks(chunks);
  Decoded d = Decode(truncated);
  ASSERT_EQ(d.error, "");
  EXPECT_EQ(d.colors[0], RGBColor(rgb.Sample(0, 0, 0), rgb.Sample(0, 0, 1), rgb.Sample(0, 0, 2)));
  EXPECT_EQ(d.colors.back(), RGBColor(10, 20, 30));
}

namespace {

// One damaged or unsupported file a line, with the exact text it must fail with.
struct Broken {
  const char* what;
  std::vector<std::uint8_t> png;
  const char* error;
};

std::vector<std::uint8_t> Small(std::uint8_t type = pe::kRGBA, std::uint8_t depth = 8, pe::Options o = {}) {
  pe::Image image = pe::MakePhoto(6, 5, type, depth);
  return pe::Encode(image, o);
}

template <typename F>
std::vector<std::uint8_t> Edit(std::vector<std::uint8_t> png, F change) {
  change(png);
  return png;
}

std::vector<std::uint8_t> WithChunks(std::vector<pe::Chunk> chunks, std::uint8_t type = pe::kRGBA) {
  pe::Options o;
  o.chunks = std::move(chunks);
  return Small(type, 8, o);
}

pe::Options Set(void (*f)(pe::Options&)) {
  pe::Options o;
  f(o);
  return o;
}

const char kInvalid[] = "Cannot load image. Invalid or unexpected PNG image format.";
const char kCRC[] = "Cannot load image. CRC error found in PNG file.";
const char kColor[] = "Invalid color format in PNG file.";
const char kCritical[] = "Cannot load PNG image. Unexpected but critical chunk detected.";
const char kCompression[] = "Cannot load image. Compression error found in PNG file.";
const char kExtra[] = "Cannot load image. Extra compressed data found in PNG file.";
const char kRead[] = "Stream read error";

std::vector<Broken> BrokenFiles() {
  std::vector<std::uint8_t> good = Small();
  std::vector<std::uint8_t> image_data = pe::FilteredData(pe::MakePhoto(6, 5, pe::kRGBA, 8));
  auto deflated = [](std::vector<std::uint8_t> raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> out(size);
    compress(out.data(), &size, raw.data(), uLong(raw.size()));
    out.resize(size);
    return out;
  };
  auto replace_idat = [&](std::vector<std::uint8_t> data) {
    std::vector<pe::ChunkView> chunks = pe::SplitChunks(good);
    for (auto& c : chunks) {
      if (c.type == "IDAT") c.data = data;
    }
    return pe::JoinChunks(chunks);
  };
  std::vector<std::uint8_t> short_rows(image_data.begin(), image_data.end() - 7);
  std::vector<std::uint8_t> trailing = deflated(image_data);
  trailing.push_back(0);
  std::vector<std::uint8_t> garbage = deflated(image_data);
  garbage[garbage.size() / 2] ^= 0xFF;
  garbage[2] = 0xFF;

  return {
      {"empty file", {}, kRead},
      {"bad signature", Edit(good, [](auto& p) { p[1] = 'Q'; }), kInvalid},
      {"first chunk not IHDR", Edit(good, [](auto& p) { p[12] = 'X'; }), kInvalid},
      {"IHDR of 12 bytes", Edit(good, [](auto& p) { p[11] = 12; }), kInvalid},
      {"zero width", Edit(good, [](std::vector<std::uint8_t>& p) {
         std::vector<pe::ChunkView> c = pe::SplitChunks(p);
         c[0].data[3] = 0;
         p = pe::JoinChunks(c);
       }),
       kInvalid},
      {"compression byte 1", Small(pe::kRGBA, 8, Set([](pe::Options& o) { o.ihdr_compression = 1; })),
       "Cannot load image. The compression scheme is not supported for PNG files."},
      {"PLTE of 4 bytes", WithChunks({pe::Bytes("PLTE", {1, 2, 3, 4})}),
       "Cannot load image. Palette in PNG file is invalid."},
      {"RGB at 4 bits", Small(pe::kRGB, 4), kColor},
      {"palette at 16 bits", Small(pe::kIndexed, 16), kColor},
      {"colour type 5", Small(5, 8), kColor},
      {"unknown critical chunk", WithChunks({pe::Bytes("ZZZZ", {})}), kCritical},
      {"IHDR again", WithChunks({pe::Bytes("IHDR", {})}), kCritical},
      {"zlib rubbish", replace_idat(garbage), kCompression},
      {"stream ends before the rows", replace_idat(deflated(short_rows)), kExtra},
      {"bytes after the stream", replace_idat(trailing), kExtra},
      {"no image data", pe::JoinChunks({pe::SplitChunks(good)[0], {"IEND", {}}}),
       "Cannot load image. No image data found in PNG file."},
      {"no IEND", Edit(good, [](auto& p) { p.resize(p.size() - 12); }), kRead},
      {"chunk longer than the file", Edit(good, [](auto& p) { p[p.size() - 12] = 0x7F; }), kRead},
      {"huge image", Edit(Small(), [](std::vector<std::uint8_t>& p) {
         std::vector<pe::ChunkView> c = pe::SplitChunks(p);
         c[0].data[0] = c[0].data[4] = 0x40;  // 2^30 by 2^30
         p = pe::JoinChunks(c);
       }),
       "Cannot load image. The PNG image of 1073741830x1073741829 pixels is too large to hold in memory."},
  };
}

}  // namespace

TEST(PngReader, BrokenFilesFailWithTheirOwnText) {
  for (const Broken& b : BrokenFiles()) {
    EXPECT_EQ(Decode(b.png).error, b.error) << b.what;
  }
}

TEST(PngReader, ChunksThatReadTheHeaderMeetOnlyValidColourFormats) {
  // bKGD at depth 0 divided by zero before the format was checked; every chunk that looks at
  // the depth or the colour type must find them refused first.
  const std::vector<pe::Chunk> chunks[] = {
      {pe::Bytes("bKGD", {0, 1, 0, 2, 0, 3})}, {pe::Bytes("tRNS", {0, 1, 0, 2, 0, 3})},
      {pe::Bytes("PLTE", {1, 2, 3, 4, 5, 6})}, {pe::Gama(45455)},
      {pe::Gama(45455), pe::Bytes("PLTE", {1, 2, 3}), pe::Bytes("bKGD", {0, 1, 0, 2, 0, 3}),
       pe::Bytes("tRNS", {0, 1, 0, 2, 0, 3})}};
  for (std::uint8_t type : {0, 1, 2, 3, 4, 5, 6, 7}) {
    for (std::uint8_t depth : {0, 3, 5, 7, 8, 9, 32}) {
      if (pe::IsValid(type, depth)) continue;
      for (std::size_t i = 0; i < std::size(chunks); ++i) {
        pe::Options o;
        o.chunks = chunks[i];
        std::vector<pe::ChunkView> c = pe::SplitChunks(Small(pe::kRGB, 8, o));
        c[0].data[8] = depth;
        c[0].data[9] = type;
        EXPECT_EQ(Decode(pe::JoinChunks(c)).error, kColor) << "type " << int(type) << " depth " << int(depth)
                                                           << " chunks " << i;
      }
    }
  }
}

// A picture whose pixel storage cannot be had.
class StarvedPNG : public PngImage {
public:
  explicit StarvedPNG(bool throws) : throws_(throws) {}

protected:
  std::uint8_t* AllocatePixels(int, int height, PixelFormat, std::size_t stride) override {
    if (throws_ && stride * std::size_t(height) != 0) throw std::bad_alloc();
    return nullptr;
  }

private:
  bool throws_;
};

TEST(PngReader, SizesAFileCanClaim) {
  // IHDR, a zlib stream that never ends and IEND: the rows never arrive and keep the background.
  auto claiming = [](std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> ihdr = {0, 0, 0, 0, 0, 0, 0, 0, 8, pe::kRGBA, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
      ihdr[i] = std::uint8_t(width >> (24 - 8 * i));
      ihdr[4 + i] = std::uint8_t(height >> (24 - 8 * i));
    }
    return pe::JoinChunks({{"IHDR", ihdr}, {"IDAT", {0x78, 0x01, 0, 0, 0, 0xFF, 0xFF}}, {"IEND", {}}});
  };
  const char kTooLarge[] = "Cannot load image. The PNG image of %ux%u pixels is too large to hold in memory.";
  auto too_large = [&](std::uint32_t w, std::uint32_t h) {
    char text[160];
    std::snprintf(text, sizeof text, kTooLarge, w, h);
    return std::string(text);
  };
  EXPECT_EQ(Decode(claiming(11000, 11000)).error, too_large(11000, 11000));  // 484 MB in 64 bytes
  EXPECT_EQ(Decode(claiming(4097, 4096)).error, too_large(4097, 4096));
  EXPECT_EQ(Decode(claiming(1u << 24, 1)).error, too_large(1u << 24, 1));  // fits, but not its rows
  // The largest picture allowed is decoded, in the 32-bit build as well.
  {
    std::vector<std::uint8_t> png = claiming(4096, 4096);
    PngImage image;
    MemoryStream stream(png.data(), png.size());
    image.ReadImage(stream);
    EXPECT_EQ(image.Width(), 4096);
    EXPECT_EQ(image.PixelColor(4095, 4095), RGBColor(255, 255, 255));
  }
  // Memory refused inside the limit is the reader's error, whichever way the bitmap fails.
  for (bool throws : {false, true}) {
    std::vector<std::uint8_t> png = Small();
    StarvedPNG image(throws);
    MemoryStream stream(png.data(), png.size());
    try {
      image.ReadImage(stream);
      ADD_FAILURE() << "decoded without memory";
    } catch (const InvalidImageError& e) {
      EXPECT_STREQ(e.what(), "Cannot load image. Not enough memory for the PNG image.");
    }
  }
}

TEST(PngReader, CrcIsCheckedForChunksThatAreReadOnly) {
  for (const char* checked : {"IHDR", "PLTE", "IDAT", "gAMA", "bKGD", "tRNS"}) {
    pe::Options o;
    o.chunks = {pe::Gama(45000), pe::Words("bKGD", {1}), pe::Bytes("tRNS", {255})};
    o.bad_crc = checked;
    EXPECT_EQ(Decode(Small(pe::kIndexed, 8, o)).error, kCRC) << checked;
  }
  for (const char* skipped : {"tEXt", "pHYs", "iCCP", "cHRM"}) {
    pe::Options o;
    const std::uint32_t chrm[8] = {};
    o.chunks = {pe::Text("Title", "t"), pe::Phys(1, 1, 0), pe::Iccp("p", {1, 2}), pe::Chrm(chrm)};
    o.bad_crc = skipped;
    EXPECT_EQ(Decode(Small(pe::kRGBA, 8, o)).error, "") << skipped;
  }
}

TEST(PngReader, OddButHarmlessInput) {
  // A filter byte above 4 leaves its row as inflated; a filter method byte is not checked;
  // short gAMA, bKGD and tRNS are ignored; a second run of pixel data is dropped.
  pe::Image image = pe::MakePhoto(6, 5, pe::kRGB, 8);
  pe::Options o;
  o.filter = 0;
  o.bad_filter_row = 2;
  Decoded d = Decode(pe::Encode(image, o));
  ASSERT_EQ(d.error, "");
  EXPECT_EQ(d.colors, Decode(pe::Encode(image, Set([](pe::Options& o) { o.filter = 0; }))).colors);

  EXPECT_EQ(Decode(Small(pe::kRGB, 8, Set([](pe::Options& o) { o.ihdr_filter_method = 1; }))).error, "");
  Decoded shorts = Decode(WithChunks({pe::Bytes("gAMA", {0, 0}), pe::Bytes("bKGD", {1}), pe::Bytes("tRNS", {1})},
                                     pe::kRGB));
  EXPECT_EQ(shorts.error, "");
  EXPECT_EQ(shorts.transparent, kNoColor);

  std::vector<pe::ChunkView> chunks = pe::SplitChunks(Small(pe::kRGB));
  chunks.insert(chunks.end() - 1, {{"tEXt", {'a', 0, 'b'}}, chunks[chunks.size() - 2]});
  EXPECT_EQ(Decode(pe::JoinChunks(chunks)).colors, Decode(Small(pe::kRGB)).colors);
}

TEST(PngReader, ReadsOneImageAndLeavesTheStreamAfterIt) {
  std::vector<std::uint8_t> first = Small(pe::kRGBA);
  pe::Options gamma;
  gamma.chunks = {pe::Gama(30000)};
  std::vector<std::uint8_t> both = Small(pe::kRGBA, 8, gamma);
  both.insert(both.end(), first.begin(), first.end());

  PngImage image;
  MemoryStream stream(both.data(), both.size());
  image.ReadImage(stream);
  EXPECT_EQ(stream.Position(), std::int64_t(both.size() - first.size()));
  // The second read owes nothing to the first one's gamma.
  image.ReadImage(stream);
  EXPECT_EQ(stream.Position(), std::int64_t(both.size()));
  EXPECT_EQ(image.PixelColor(3, 2), Decode(first).colors[2 * 6 + 3]);
}

TEST(PngReader, ReportsProgress) {
  struct Log : ProgressObserver {
    std::vector<std::string> events;
    void Progress(ProgressStage stage, int percent, const std::string& text) override {
      events.push_back(std::to_string(int(stage)) + ":" + std::to_string(percent) + ":" + text);
    }
  } log;
  std::vector<std::uint8_t> png = pe::Encode(pe::MakePhoto(3, 4, pe::kRGB, 8));
  PngImage image;
  image.SetProgressObserver(&log);
  MemoryStream stream(png.data(), png.size());
  image.ReadImage(stream);
  EXPECT_EQ(log.events, (std::vector<std::string>{"0:0:Preparing...", "2:0:", "0:0:Transfering...", "1:0:",
                                                  "1:25:", "1:50:", "1:75:", "2:100:"}));
  log.events.clear();
  std::vector<std::uint8_t> bad = png;
  bad.back() ^= 1;  // IEND's CRC is never checked: damage IDAT instead
  bad[bad.size() - 20] ^= 0xFF;
  MemoryStream bad_stream(bad.data(), bad.size());
  EXPECT_THROW(image.ReadImage(bad_stream), InvalidImageError);
  EXPECT_EQ(log.events.back().substr(0, 2), "2:");
  EXPECT_TRUE(image.Empty());
}

TEST(PngReader, FastUnfilteringMatchesThePlainOne) {
  std::mt19937 random(5);
  for (int step : {1, 2, 3, 4, 6, 8, 5}) {
    for (std::uint8_t filter = 0; filter <= 5; ++filter) {
      for (std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(step), std::size_t(97)}) {
        std::vector<std::uint8_t> prior(size), row(size);
        for (auto& b : prior) b = std::uint8_t(random());
        for (auto& b : row) b = std::uint8_t(random());
        std::vector<std::uint8_t> plain = row;
        UnfilterRowPlain(filter, plain.data(), prior.data(), size, step);
        UnfilterRow(filter, row.data(), prior.data(), size, step);
        EXPECT_EQ(row, plain) << "step " << step << " filter " << int(filter) << " size " << size;
      }
    }
  }
}

TEST(PngReader, LensFrameArt) {
  std::vector<std::uint8_t> png = ReadWholeFile(VITRELLE_SOURCE_DIR "/resources/magn.png");
  PngImage image;
  MemoryStream stream(png.data(), png.size());
  image.ReadImage(stream);
  ASSERT_EQ(image.Format(), PixelFormat::Bits32);
  ASSERT_EQ(image.Width(), 120);
  ASSERT_EQ(image.Height(), 120);
  EXPECT_EQ(image.Properties().fileGamma, 0.45f);
  auto bgra = [&](int x, int y) {
    const std::uint8_t* p = image.Row(y) + 4 * x;
    return std::vector<int>{p[0], p[1], p[2], p[3]};
  };
  EXPECT_EQ(bgra(23, 18), (std::vector<int>{151, 151, 151, 255}));  // stored as 152: gamma
  EXPECT_EQ(bgra(60, 60), (std::vector<int>{0, 0, 0, 0}));
  for (int corner : {0, 119}) {
    EXPECT_EQ(bgra(corner, 0), (std::vector<int>{255, 255, 255, 0}));
    EXPECT_EQ(bgra(corner, 119), (std::vector<int>{255, 255, 255, 0}));
  }
}
