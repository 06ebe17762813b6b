#include "framework/errors.h"
#include "host/png_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace {

struct Chunk {
  std::string type;
  std::vector<std::uint8_t> data;
};

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Splits a PNG into chunks, checking the signature and every CRC on the way.
std::vector<Chunk> Chunks(const std::vector<std::uint8_t>& png) {
  const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
  std::vector<Chunk> chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = U32(&png[at]);
    const std::uint8_t* type = &png[at + 4];
    EXPECT_EQ(U32(type + 4 + length), crc32(0, type, 4 + length));
    chunks.push_back({std::string(type, type + 4), {type + 4, type + 4 + length}});
    at += 12 + length;
  }
  return chunks;
}

TEST(PngWriter, RoundTripsRgbRowsAndIgnoresStridePadding) {
  // 3x2 pixels in rows of 12 bytes: the last three of each row are padding.
  const std::vector<std::uint8_t> pixels = {
      255, 0, 0, 0, 255, 0, 0, 0, 255, 0xEE, 0xEE, 0xEE,
      1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE,
  };
  const auto chunks = Chunks(EncodePng(3, 2, pixels.data(), 12));
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].type, "IHDR");
  EXPECT_EQ(chunks[0].data, (std::vector<std::uint8_t>{0, 0, 0, 3, 0, 0, 0, 2, 8, 2, 0, 0, 0}));
  EXPECT_EQ(chunks[1].type, "IDAT");
  EXPECT_EQ(chunks[2].type, "IEND");
  EXPECT_TRUE(chunks[2].data.empty());

  std::vector<std::uint8_t> raw(2 * 10 + 1);
  uLongf rawSize = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawSize, chunks[1].data.data(), chunks[1].data.size()), Z_OK);
  raw.resize(rawSize);
  const std::vector<std::uint8_t> expected = {0, 255, 0, 0, 0, 255, 0, 0, 0, 255,
                                              0, 1,   2, 3, 4, 5,   6, 7, 8, 9};
  EXPECT_EQ(raw, expected);
}

TEST(PngWriter, RefusesAnEmptyPicture) {
  const std::uint8_t pixel[3] = {};
  EXPECT_THROW(EncodePng(0, 1, pixel, 3), Error);
  EXPECT_THROW(EncodePng(1, 0, pixel, 3), Error);
}

}  // namespace
