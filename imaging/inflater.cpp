#include "imaging/inflater.h"

#include "imaging/errors.h"
#include "resources/texts.h"

Inflater::Inflater(int flushMode) : flushMode_(flushMode) {}

Inflater::~Inflater() {
  if (started_) inflateEnd(&stream_);
}

void Inflater::DecodeInit() {
  if (started_) DecodeEnd();
  stream_ = z_stream{};
  if (inflateInit(&stream_) != Z_OK) throw CompressionError(texts::kLZ77Error);
  started_ = true;
}

void Inflater::DecodeEnd() {
  if (!started_) return;
  started_ = false;
  if (inflateEnd(&stream_) != Z_OK) throw CompressionError(texts::kLZ77Error);
}

int Inflater::Decode(const std::uint8_t*& source, std::uint32_t& sourceCount, std::uint8_t*& dest,
                     std::uint32_t& destCount) {
  stream_.next_in = const_cast<Bytef*>(source);
  stream_.avail_in = sourceCount;
  stream_.next_out = dest;
  stream_.avail_out = destCount;
  const int result = inflate(&stream_, flushMode_);
  source = stream_.next_in;
  sourceCount = stream_.avail_in;
  dest = stream_.next_out;
  destCount = stream_.avail_out;
  return result;
}
