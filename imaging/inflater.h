// A zlib inflate stream fed piecewise: the PNG reader hands it one IDAT chunk at a time and
// asks for one row at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include <zlib.h>

class Inflater {
public:
  // `flushMode` is passed to every inflate call.
  explicit Inflater(int flushMode);
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Throws CompressionError "LZ77 decompression error." when zlib cannot start or end.
  void DecodeInit();
  void DecodeEnd();
  // Inflates from `source` into `dest`; both pointers and counts advance past what was used.
  // Returns zlib's result code.
  int Decode(const std::uint8_t*& source, std::uint32_t& sourceCount, std::uint8_t*& dest,
             std::uint32_t& destCount);

private:
  z_stream stream_{};
  int flushMode_;
  bool started_ = false;
};
