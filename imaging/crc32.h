// CRC-32 of PNG chunks, over the process-wide table of the PNG polynomial.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues a CRC register (start with 0xFFFFFFFF, finish by inverting) over `size` bytes.
std::uint32_t UpdateCRC32(std::uint32_t crc, const void* data, std::size_t size);

// The finished CRC-32 of a whole buffer.
inline std::uint32_t CRC32(const void* data, std::size_t size) {
  return ~UpdateCRC32(0xFFFFFFFFu, data, size);
}
