// A chunk-aware mutator for the PNG reader's fuzz target. Raw byte mutations of a PNG almost
// always break a CRC, so the reader refuses them before any chunk handler sees the damage. This
// mutator parses the file into chunks, changes chunk lengths, types, data and order, the IHDR
// fields and the inflated pixel data, and then writes every CRC afresh; now and then it hands
// the whole file to libFuzzer's own mutator or leaves a CRC wrong, so that those paths stay
// covered too. Linked into png_fuzzer_chunks beside the same target as png_fuzzer.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max_size);

namespace {

const std::uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

// Past this much inflated pixel data, recompressing costs more than the fuzzer gains.
constexpr std::size_t kMaxInflated = 1 << 18;

struct Chunk {
  std::uint32_t length;  // as written; normally data.size()
  char type[4];
  std::vector<std::uint8_t> data;
  bool bad_crc = false;
};

struct Png {
  std::vector<Chunk> chunks;
  std::vector<std::uint8_t> tail;  // bytes after the last whole chunk
};

using Random = std::minstd_rand;

std::uint32_t Load32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
void Store32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 24), p[1] = std::uint8_t(v >> 16), p[2] = std::uint8_t(v >> 8), p[3] = std::uint8_t(v);
}

bool Parse(const std::uint8_t* data, std::size_t size, Png& png) {
  if (size < 8 || std::memcmp(data, kSignature, 8) != 0) return false;
  std::size_t at = 8;
  while (size - at >= 12) {
    const std::uint32_t length = Load32(data + at);
    if (length > size - at - 12) break;
    Chunk c;
    c.length = length;
    std::memcpy(c.type, data + at + 4, 4);
    c.data.assign(data + at + 8, data + at + 8 + length);
    const std::uint32_t crc = std::uint32_t(crc32(crc32(0, data + at + 4, 4), data + at + 8, length));
    c.bad_crc = Load32(data + at + 8 + length) != crc;
    png.chunks.push_back(std::move(c));
    at += 12 + length;
  }
  png.tail.assign(data + at, data + size);
  return true;
}

// The file, with correct CRCs except where a chunk is marked otherwise. Zero when it does not fit.
std::size_t Write(const Png& png, std::uint8_t* out, std::size_t max_size) {
  std::size_t size = 8 + png.tail.size();
  for (const Chunk& c : png.chunks) size += 12 + c.data.size();
  if (size > max_size) return 0;
  std::memcpy(out, kSignature, 8);
  std::size_t at = 8;
  for (const Chunk& c : png.chunks) {
    Store32(out + at, c.length);
    std::memcpy(out + at + 4, c.type, 4);
    if (!c.data.empty()) std::memcpy(out + at + 8, c.data.data(), c.data.size());
    std::uint32_t crc = std::uint32_t(crc32(crc32(0, out + at + 4, 4), out + at + 8, uInt(c.data.size())));
    Store32(out + at + 8 + c.data.size(), c.bad_crc ? ~crc : crc);
    at += 12 + c.data.size();
  }
  if (!png.tail.empty()) std::memcpy(out + at, png.tail.data(), png.tail.size());
  return size;
}

bool Is(const Chunk& c, const char* type) { return std::memcmp(c.type, type, 4) == 0; }

template <typename T, std::size_t N>
const T& Pick(Random& rng, const T (&values)[N]) {
  return values[rng() % N];
}

std::size_t Below(Random& rng, std::size_t n) { return n == 0 ? 0 : rng() % n; }

// Runs libFuzzer's byte mutator over a chunk's data.
void MutateData(Chunk& c, Random& rng, std::size_t max_growth) {
  std::size_t size = c.data.size();
  c.data.resize(size + max_growth + 1);
  size = LLVMFuzzerMutate(c.data.data(), size, c.data.size());
  c.data.resize(size);
  (void)rng;
}

const char* const kTypes[] = {"IHDR", "PLTE", "IDAT", "IEND", "gAMA", "bKGD", "tRNS", "tEXt", "zTXt",
                              "pHYs", "iCCP", "cHRM", "sRGB", "sBIT", "hIST", "tIME", "vpAg", "ABCD"};

Chunk NewChunk(Random& rng) {
  Chunk c;
  std::memcpy(c.type, Pick(rng, kTypes), 4);
  if (rng() % 8 == 0) c.type[rng() % 4] ^= 0x20;
  // Lengths the handlers tell apart: the short and the exact forms of tRNS, bKGD, gAMA, PLTE.
  static const std::size_t kLengths[] = {0, 1, 2, 3, 4, 5, 6, 7, 9, 12, 48, 256, 768, 769};
  c.data.resize(Pick(rng, kLengths));
  for (auto& b : c.data) b = std::uint8_t(rng() % 3 == 0 ? 0 : rng() % 3 == 0 ? 0xFF : rng());
  c.length = std::uint32_t(c.data.size());
  return c;
}

// The IHDR fields one at a time, with the values that matter to the reader.
void MutateHeader(Chunk& c, Random& rng) {
  if (c.data.size() < 13) {
    c.data.resize(13);
    c.length = 13;
  }
  std::uint8_t* d = c.data.data();
  switch (rng() % 7) {
    case 0:
    case 1: {
      // Mostly small: large pictures decode slowly and teach the fuzzer little; the huge ones
      // test the size limit, which refuses them at once.
      static const std::uint32_t kSizes[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 33, 255, 256};
      static const std::uint32_t kLarge[] = {4096, 4097, 11000, 16384, 65536, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
      std::uint32_t v = rng() % 8 == 0 ? Pick(rng, kLarge) : rng() % 2 ? std::uint32_t(rng() % 64) : Pick(rng, kSizes);
      Store32(d + (rng() % 2) * 4, v);
      break;
    }
    case 2: {
      static const std::uint8_t kDepths[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 15, 16, 17, 24, 32, 64, 128, 255};
      d[8] = Pick(rng, kDepths);
      break;
    }
    case 3:
      d[9] = std::uint8_t(rng() % 8 == 0 ? rng() : rng() % 8);
      break;
    case 4:
      d[10] = std::uint8_t(rng() % 4 == 0 ? rng() : 0);
      break;
    case 5:
      d[11] = std::uint8_t(rng() % 4 == 0 ? rng() : 0);
      break;
    case 6:
      d[12] = std::uint8_t(rng() % 4 == 0 ? rng() : rng() % 3);
      break;
  }
  // A valid pairing now and then, so that the other fields meet a decoder that gets going.
  if (rng() % 4 == 0) {
    static const std::uint8_t kPairs[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                             {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    const auto& pair = Pick(rng, kPairs);
    d[9] = pair[0], d[8] = pair[1];
  }
}

// Inflates the IDAT run, mutates the filtered rows and deflates them again into one to three
// IDAT chunks in the place of the first.
bool RecompressImageData(Png& png, Random& rng) {
  std::vector<std::uint8_t> compressed;
  std::size_t first = png.chunks.size();
  for (std::size_t i = 0; i < png.chunks.size(); ++i) {
    if (!Is(png.chunks[i], "IDAT")) continue;
    if (first == png.chunks.size()) first = i;
    compressed.insert(compressed.end(), png.chunks[i].data.begin(), png.chunks[i].data.end());
  }
  if (first == png.chunks.size()) return false;
  static std::vector<std::uint8_t> raw(kMaxInflated);  // kept: a fresh buffer per call costs more than the rest
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = compressed.data();
  z.avail_in = uInt(compressed.size());
  z.next_out = raw.data();
  z.avail_out = uInt(raw.size());
  inflate(&z, Z_SYNC_FLUSH);
  std::size_t size = raw.size() - z.avail_out;
  inflateEnd(&z);
  if (size == 0) return false;

  switch (rng() % 4) {
    case 0: {  // one filter byte of some row, guessing rows from the IHDR where we can
      std::size_t at = Below(rng, size);
      raw[at] = std::uint8_t(rng() % 6);
      break;
    }
    case 1:  // drop or add bytes at the end: rows that run short or long
      if (rng() % 2 && size > 1) {
        size -= 1 + Below(rng, std::min<std::size_t>(size - 1, 64));
      } else {
        std::size_t extra = 1 + rng() % 64;
        for (std::size_t i = 0; i < extra && size < raw.size(); ++i) raw[size++] = std::uint8_t(rng());
      }
      break;
    default:
      size = LLVMFuzzerMutate(raw.data(), size, std::min(raw.size(), size + 64));
      break;
  }
  uLongf bound = compressBound(uLong(size));
  std::vector<std::uint8_t> deflated(bound);
  if (compress2(deflated.data(), &bound, raw.data(), uLong(size), int(rng() % 10)) != Z_OK) return false;
  deflated.resize(bound);
  // Now and then the stream loses its end, or gets bytes after it.
  if (rng() % 8 == 0 && deflated.size() > 4) deflated.resize(deflated.size() - 1 - rng() % 4);
  if (rng() % 16 == 0) deflated.push_back(std::uint8_t(rng()));

  std::vector<Chunk> idats;
  const std::size_t parts = 1 + rng() % 3;
  std::size_t at = 0;
  for (std::size_t p = 0; p < parts; ++p) {
    std::size_t take = p + 1 == parts ? deflated.size() - at : Below(rng, deflated.size() - at + 1);
    Chunk c;
    std::memcpy(c.type, "IDAT", 4);
    c.data.assign(deflated.begin() + std::ptrdiff_t(at), deflated.begin() + std::ptrdiff_t(at + take));
    c.length = std::uint32_t(take);
    idats.push_back(std::move(c));
    at += take;
  }
  std::erase_if(png.chunks, [](const Chunk& c) { return Is(c, "IDAT"); });
  png.chunks.insert(png.chunks.begin() + std::ptrdiff_t(std::min(first, png.chunks.size())), idats.begin(),
                    idats.end());
  return true;
}

// One structural change; false when it could not apply to this file.
bool MutateOnce(Png& png, Random& rng, std::size_t max_size) {
  auto& chunks = png.chunks;
  switch (rng() % 16) {
    case 0:
    case 1:
    case 2: {  // the data of one chunk
      if (chunks.empty()) return false;
      Chunk& c = chunks[Below(rng, chunks.size())];
      MutateData(c, rng, std::min<std::size_t>(max_size / 4, 256));
      c.length = std::uint32_t(c.data.size());
      return true;
    }
    case 3:
    case 4: {  // the header fields
      for (Chunk& c : chunks) {
        if (Is(c, "IHDR")) {
          MutateHeader(c, rng);
          return true;
        }
      }
      return false;
    }
    case 5: {  // a new chunk anywhere after the first
      chunks.insert(chunks.begin() + std::ptrdiff_t(chunks.empty() ? 0 : 1 + Below(rng, chunks.size())),
                    NewChunk(rng));
      return true;
    }
    case 6:  // a chunk less
      if (chunks.size() < 2) return false;
      chunks.erase(chunks.begin() + std::ptrdiff_t(Below(rng, chunks.size())));
      return true;
    case 7: {  // a chunk twice
      if (chunks.empty()) return false;
      std::size_t i = Below(rng, chunks.size());
      Chunk copy = chunks[i];
      chunks.insert(chunks.begin() + std::ptrdiff_t(Below(rng, chunks.size() + 1)), std::move(copy));
      return true;
    }
    case 8: {  // two chunks change places
      if (chunks.size() < 2) return false;
      std::swap(chunks[Below(rng, chunks.size())], chunks[Below(rng, chunks.size())]);
      return true;
    }
    case 9: {  // a chunk changes type, or the case of one letter
      if (chunks.empty()) return false;
      Chunk& c = chunks[Below(rng, chunks.size())];
      if (rng() % 2) {
        c.type[rng() % 4] ^= 0x20;
      } else {
        std::memcpy(c.type, Pick(rng, kTypes), 4);
      }
      return true;
    }
    case 10: {  // a length that lies: the reader then reads into the next chunk or past the end
      if (chunks.empty()) return false;
      Chunk& c = chunks[Below(rng, chunks.size())];
      static const std::int32_t kDeltas[] = {-4, -1, 1, 4, 12};
      c.length = rng() % 4 == 0 ? std::uint32_t(rng()) : std::uint32_t(std::int64_t(c.data.size()) + Pick(rng, kDeltas));
      return true;
    }
    case 11:
    case 12:
      return RecompressImageData(png, rng);
    case 13: {  // an IDAT split in two
      std::vector<std::size_t> idats;
      for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (Is(chunks[i], "IDAT")) idats.push_back(i);
      }
      if (idats.empty()) return false;
      std::size_t i = idats[Below(rng, idats.size())];
      Chunk second = chunks[i];
      std::size_t cut = Below(rng, chunks[i].data.size() + 1);
      chunks[i].data.resize(cut);
      chunks[i].length = std::uint32_t(cut);
      second.data.erase(second.data.begin(), second.data.begin() + std::ptrdiff_t(cut));
      second.length = std::uint32_t(second.data.size());
      chunks.insert(chunks.begin() + std::ptrdiff_t(i + 1), std::move(second));
      return true;
    }
    case 14: {  // a CRC left wrong
      if (chunks.empty()) return false;
      chunks[Below(rng, chunks.size())].bad_crc = true;
      return true;
    }
    default: {  // the tail: truncation mid-chunk, or bytes after IEND
      if (rng() % 2 && !chunks.empty()) {
        Chunk last = chunks.back();
        chunks.pop_back();
        std::vector<std::uint8_t> bytes(8 + last.data.size());
        Store32(bytes.data(), last.length);
        std::memcpy(bytes.data() + 4, last.type, 4);
        std::copy(last.data.begin(), last.data.end(), bytes.begin() + 8);
        bytes.resize(Below(rng, bytes.size()));
        png.tail = std::move(bytes);
      } else {
        png.tail.clear();
      }
      return true;
    }
  }
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t max_size,
                                               unsigned int seed) {
  Random rng(seed ? seed : 1);
  Png png;
  // Not a PNG, or one time in ten: libFuzzer's byte mutations, CRCs and all.
  if (rng() % 10 == 0 || !Parse(data, size, png)) return LLVMFuzzerMutate(data, size, max_size);
  // Mutations keep no CRC that was already wrong, unless asked to.
  for (Chunk& c : png.chunks) c.bad_crc = false;
  const int rounds = 1 + int(rng() % 3);
  bool changed = false;
  for (int i = 0; i < rounds; ++i) changed |= MutateOnce(png, rng, max_size);
  std::size_t written = changed ? Write(png, data, max_size) : 0;
  return written ? written : LLVMFuzzerMutate(data, size, max_size);
}

// Crossing two files chunk by chunk: the first's chunks up to a point, then the second's.
extern "C" std::size_t LLVMFuzzerCustomCrossOver(const std::uint8_t* data1, std::size_t size1,
                                                 const std::uint8_t* data2, std::size_t size2, std::uint8_t* out,
                                                 std::size_t max_out_size, unsigned int seed) {
  Random rng(seed ? seed : 1);
  Png a, b;
  if (!Parse(data1, size1, a) || !Parse(data2, size2, b) || a.chunks.empty() || b.chunks.empty()) {
    std::size_t n = std::min(size1, max_out_size);
    std::memcpy(out, data1, n);
    return n;
  }
  Png mixed;
  const std::size_t cut_a = 1 + Below(rng, a.chunks.size());
  const std::size_t cut_b = Below(rng, b.chunks.size());
  mixed.chunks.assign(a.chunks.begin(), a.chunks.begin() + std::ptrdiff_t(cut_a));
  mixed.chunks.insert(mixed.chunks.end(), b.chunks.begin() + std::ptrdiff_t(cut_b), b.chunks.end());
  for (Chunk& c : mixed.chunks) c.bad_crc = false;
  std::size_t written = Write(mixed, out, max_out_size);
  if (written) return written;
  std::size_t n = std::min(size1, max_out_size);
  std::memcpy(out, data1, n);
  return n;
}
