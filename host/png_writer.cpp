#include "png_writer.h"

#include "framework/errors.h"

#include <zlib.h>

#include <limits>

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char (&type)[5], const std::vector<std::uint8_t>& data) {
  PutU32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  // The CRC covers the type and the data, not the length.
  const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
  PutU32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::vector<std::uint8_t> EncodePng(std::uint32_t width, std::uint32_t height, const std::uint8_t* rgb,
                                    std::size_t stride) {
  constexpr std::uint32_t kMaxSide = 0x7FFF'FFFF;  // the format's own limit
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) throw Error("bad picture size");
  // zlib counts in uLong, and compressBound adds to the raw size.
  constexpr std::uint64_t kMaxRaw = std::numeric_limits<uLong>::max() / 2;
  if ((std::uint64_t{width} * 3 + 1) * height > kMaxRaw) throw Error("picture too large");
  const std::size_t rowBytes = std::size_t{width} * 3;

  // Every row starts with its filter type, 0 (none).
  std::vector<std::uint8_t> raw;
  raw.reserve((rowBytes + 1) * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = rgb + y * stride;
    raw.push_back(0);
    raw.insert(raw.end(), row, row + rowBytes);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
    throw Error("cannot compress the picture");
  packed.resize(packedSize);

  std::vector<std::uint8_t> header;
  PutU32(header, width);
  PutU32(header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});  // depth 8, RGB, deflate, adaptive filters, no interlace

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}
