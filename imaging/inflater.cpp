#include "imaging/inflater.h"

#include "imaging/errors.h"
#include "resources/texts.h"

Inflater::Inflater(int flush_mode) : flush_mode_(flush_mode) {}

Inflater::~Inflater() {
  if (started_) inflateEnd(&stream_);
}

void Inflater::DecodeInit() {
  if (started_) DecodeEnd();
  stream_ = z_stream{};
  if (inflateInit(&stream_) != Z_OK) throw EGraphicCompression(texts::kLZ77Error);
  started_ = true;
}

void Inflater::DecodeEnd() {
  if (!started_) return;
  started_ = false;
  if (inflateEnd(&stream_) != Z_OK) throw EGraphicCompression(texts::kLZ77Error);
}

int Inflater::Decode(const std::uint8_t*& source, std::uint32_t& source_count, std::uint8_t*& dest,
                     std::uint32_t& dest_count) {
  stream_.next_in = const_cast<Bytef*>(source);
  stream_.avail_in = source_count;
  stream_.next_out = dest;
  stream_.avail_out = dest_count;
  const int result = inflate(&stream_, flush_mode_);
  source = stream_.next_in;
  source_count = stream_.avail_in;
  dest = stream_.next_out;
  dest_count = stream_.avail_out;
  return result;
}
