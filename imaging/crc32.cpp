#include "imaging/crc32.h"

namespace {

// The reflected polynomial made from the terms of x^32 + x^26 + x^23 + ... + x + 1.
std::uint32_t Polynomial() {
  static const int kTerms[] = {0, 1, 2, 4, 5, 7, 8, 10, 11, 12, 16, 22, 23, 26};
  std::uint32_t poly = 0;
  for (int term : kTerms) poly |= 1u << (31 - term);
  return poly;  // 0xEDB88320
}

// entry[0] is the classic byte-at-a-time table; entry[k] advances a byte through k more zero
// bytes, which lets one round fold in eight bytes with independent lookups.
struct CRCTable {
  std::uint32_t entry[8][256];
  CRCTable() {
    const std::uint32_t poly = Polynomial();
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? poly ^ (c >> 1) : c >> 1;
      entry[0][n] = c;
    }
    for (int k = 1; k < 8; ++k) {
      for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = entry[k - 1][n];
        entry[k][n] = entry[0][c & 0xFF] ^ (c >> 8);
      }
    }
  }
};

// Built on the first CRC; everything runs on one thread, but a function-local static is safe
// either way.
const CRCTable& Table() {
  static const CRCTable table;
  return table;
}

}  // namespace

std::uint32_t UpdateCRC32(std::uint32_t crc, const void* data, std::size_t size) {
  const auto& t = Table().entry;
  const std::uint8_t* p = static_cast<const std::uint8_t*>(data);
  // Eight bytes a round, then the rest one by one.
  while (size >= 8) {
    std::uint32_t low = crc ^ (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                               std::uint32_t(p[3]) << 24);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    p += 8;
    size -= 8;
  }
  while (size--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}
