#include "imaging/crc32.h"

namespace {

// The reflected polynomial made from the terms of x^32 + x^26 + x^23 + ... + x + 1.
std::uint32_t Polynomial() {
  static const int kTerms[] = {0, 1, 2, 4, 5, 7, 8, 10, 11, 12, 16, 22, 23, 26};
  std::uint32_t poly = 0;
  for (int term : kTerms) poly |= 1u << (31 - term);
  return poly;  // 0xEDB88320
}

struct CRCTable {
  std::uint32_t entry[256];
  CRCTable() {
    const std::uint32_t poly = Polynomial();
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? poly ^ (c >> 1) : c >> 1;
      entry[n] = c;
    }
  }
};

// Built on the first CRC; everything runs on one thread, but a function-local static is safe
// either way.
const std::uint32_t* Table() {
  static const CRCTable table;
  return table.entry;
}

}  // namespace

std::uint32_t UpdateCRC32(std::uint32_t crc, const void* data, std::size_t size) {
  const std::uint32_t* t = Table();
  const std::uint8_t* p = static_cast<const std::uint8_t*>(data);
  // Eight bytes a round, then the rest one by one.
  while (size >= 8) {
    crc = t[(crc ^ p[0]) & 0xFF] ^ (crc >> 8);
    crc = t[(crc ^ p[1]) & 0xFF] ^ (crc >> 8);
    crc = t[(crc ^ p[2]) & 0xFF] ^ (crc >> 8);
    crc = t[(crc ^ p[3]) & 0xFF] ^ (crc >> 8);
    crc = t[(crc ^ p[4]) & 0xFF] ^ (crc >> 8);
    crc = t[(crc ^ p[5]) & 0xFF] ^ (crc >> 8);
    crc = t[(crc ^ p[6]) & 0xFF] ^ (crc >> 8);
    crc = t[(crc ^ p[7]) & 0xFF] ^ (crc >> 8);
    p += 8;
    size -= 8;
  }
  while (size--) crc = t[(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}
