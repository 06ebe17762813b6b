#include "imaging/inflater.h"

#include "imaging/errors.h"
#include "resources/texts.h"

Inflater::Inflater(int flushMode, bool autoReset) : flushMode_(flushMode), autoReset_(autoReset) {}

Inflater::~Inflater() {
  if (started_) inflateEnd(&stream_);
}

void Inflater::DecodeInit() {
  if (started_) DecodeEnd();
  stream_ = z_stream{};
  result_ = inflateInit(&stream_);
  if (result_ != Z_OK) throw CompressionError(texts::kLZ77Error);
  started_ = true;
}

void Inflater::DecodeEnd() {
  if (!started_) return;
  started_ = false;
  result_ = inflateEnd(&stream_);
  if (result_ != Z_OK) throw CompressionError(texts::kLZ77Error);
}

int Inflater::Decode(const std::uint8_t*& source, std::uint32_t& sourceCount, std::uint8_t*& dest,
                         std::uint32_t& destCount) {
  if (autoReset_) inflateReset(&stream_);
  stream_.next_in = const_cast<Bytef*>(source);
  stream_.avail_in = sourceCount;
  stream_.next_out = dest;
  stream_.avail_out = destCount;
  result_ = inflate(&stream_, flushMode_);
  source = stream_.next_in;
  sourceCount = stream_.avail_in;
  dest = stream_.next_out;
  destCount = stream_.avail_out;
  return result_;
}
