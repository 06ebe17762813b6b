// A zlib inflate stream fed piecewise: the PNG reader hands it one IDAT chunk at a time and
// asks for one row at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include <zlib.h>

class Inflater {
public:
  // `flush_mode` is passed to every inflate call.
  explicit Inflater(int flush_mode);
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Throws EGraphicCompression "LZ77 decompression error." when zlib cannot start or end.
  void DecodeInit();
  void DecodeEnd();
  // Inflates from `source` into `dest`; both pointers and counts advance past what was used.
  // Returns zlib's result code.
  int Decode(const std::uint8_t*& source, std::uint32_t& source_count, std::uint8_t*& dest,
             std::uint32_t& dest_count);

private:
  z_stream stream_{};
  int flush_mode_;
  bool started_ = false;
};
