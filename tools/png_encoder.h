// PNG files built from given samples, for the reader's tests, the fuzz seed corpus, the lens frame
// artwork and the benchmarks. Unlike the host's writer it can write every colour type and depth,
// Adam7, any row filter, split image data, extra chunks, and the damaged files the reader must
// refuse. Portable: zlib only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace png_encoder {

enum ColorType : std::uint8_t { kGrey = 0, kRGB = 2, kIndexed = 3, kGreyAlpha = 4, kRGBA = 6 };

// Samples per pixel of a colour type; 1 for types PNG does not define, so that they can still
// be written.
int SamplesPerPixel(std::uint8_t color_type);
// Whether PNG allows this depth with this colour type.
bool IsValid(std::uint8_t color_type, std::uint8_t bit_depth);

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct Image {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t color_type = kRGBA;
  std::uint8_t bit_depth = 8;
  // Row-major, SamplesPerPixel(color_type) per pixel, in PNG order (R, G, B, A or grey, alpha);
  // palette indices for kIndexed. Only the low bit_depth bits of each are written.
  std::vector<std::uint16_t> samples;
  // Written as PLTE before the image data unless Options::write_palette is off.
  std::vector<Rgb> palette;

  std::uint16_t Sample(std::uint32_t x, std::uint32_t y, int channel) const {
    return samples[(std::size_t(y) * width + x) * SamplesPerPixel(color_type) + channel];
  }
};

// Where an extra chunk goes.
enum class At : std::uint8_t {
  kAfterIHDR,   // before PLTE
  kBeforeIDAT,  // after PLTE
  kAmongIDAT,   // after the first IDAT chunk
  kAfterIDAT,   // before IEND
  kAfterIEND,
};

struct Chunk {
  std::string type;  // written as given, case and all
  std::vector<std::uint8_t> data;
  At at = At::kBeforeIDAT;
  bool raw = false;  // data goes out verbatim, without length, type or CRC
};

// Chunk builders. Words writes each value as two big-endian bytes: tRNS and bKGD of the grey
// and RGB types. Bytes serves the palette forms of tRNS and bKGD and anything unknown.
Chunk Bytes(std::string type, std::vector<std::uint8_t> data, At at = At::kBeforeIDAT);
Chunk Words(std::string type, const std::vector<std::uint16_t>& values, At at = At::kBeforeIDAT);
Chunk Plte(const std::vector<Rgb>& palette, At at = At::kBeforeIDAT);
Chunk Gama(std::uint32_t gamma_times_100000, At at = At::kBeforeIDAT);
Chunk Text(const std::string& keyword, const std::string& text, At at = At::kBeforeIDAT);
Chunk Phys(std::uint32_t x_per_unit, std::uint32_t y_per_unit, std::uint8_t unit, At at = At::kBeforeIDAT);
Chunk Chrm(const std::uint32_t (&values)[8], At at = At::kBeforeIDAT);
Chunk Iccp(const std::string& name, const std::vector<std::uint8_t>& profile, At at = At::kBeforeIDAT);
Chunk RawBytes(std::vector<std::uint8_t> bytes, At at);

// Row filters: 0..4 write that filter on every row.
constexpr int kFilterCycle = -1;  // 0, 1, 2, 3, 4, 0, ... through the rows of all passes
constexpr int kFilterMixed = -2;  // per row, the least sum of absolute differences

struct Options {
  bool interlace = false;  // Adam7
  int filter = kFilterMixed;
  // This row (counted through all passes, from 0) gets bad_filter_byte as its filter type.
  int bad_filter_row = -1;
  std::uint8_t bad_filter_byte = 5;
  int zlib_level = 6;
  // Sizes of the IDAT chunks in turn, 0 giving an empty one; what is left goes into one more.
  std::vector<std::size_t> idat_sizes{};
  std::vector<Chunk> chunks{};
  bool write_palette = true;
  // Chunks the encoder writes itself (IHDR, PLTE, IDAT, IEND) whose type goes out in lower case.
  std::vector<std::string> lower_case{};
  // The first chunk of this type (as named before any lower-casing) gets a wrong CRC.
  std::string bad_crc{};
  std::optional<std::uint8_t> ihdr_compression{};
  std::optional<std::uint8_t> ihdr_filter_method{};
  std::optional<std::uint8_t> ihdr_interlace{};  // the byte only: Options::interlace lays out the data
};

// Throws std::invalid_argument when the samples do not fit the size and colour type.
std::vector<std::uint8_t> Encode(const Image& image, const Options& options = {});

// The bytes that are deflated: filter type and filtered bytes of each row, pass by pass.
std::vector<std::uint8_t> FilteredData(const Image& image, const Options& options = {});

// A deterministic picture of gradients with a little noise, compressing about as a photo does.
// Alpha is a soft-edged disc; an indexed picture gets a palette of 2^depth entries (at most 256).
Image MakePhoto(std::uint32_t width, std::uint32_t height, std::uint8_t color_type,
                std::uint8_t bit_depth, std::uint32_t seed = 1);

// The chunks of a PNG file, as read back; no CRC checks. Stops at a truncated chunk.
struct ChunkView {
  std::string type;
  std::vector<std::uint8_t> data;
};
std::vector<ChunkView> SplitChunks(const std::vector<std::uint8_t>& png);
// The signature and these chunks, with correct CRCs: files edited chunk by chunk.
std::vector<std::uint8_t> JoinChunks(const std::vector<ChunkView>& chunks);

}  // namespace png_encoder
