#include "framework/stream.h"

#include <cstring>
#include <memory>

#include "resources/texts.h"

void Stream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw ReadError();
}

std::int64_t Stream::Remaining() const {
  std::int64_t size = Size();
  return size < 0 ? -1 : size - Position();
}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
  std::size_t left = position_ < size_ ? size_ - position_ : 0;
  if (count > left) count = left;
  if (count) std::memcpy(buffer, data_ + position_, count);
  position_ += count;
  return count;
}

void MemoryStream::Seek(std::int64_t position) {
  if (position < 0) position = 0;
  position_ = std::uint64_t(position) > size_ ? size_ : std::size_t(position);
}

ReadError::ReadError() : Error(texts::kStreamReadError) {}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) throw Error(texts::CannotOpenFile(path));
  std::vector<std::uint8_t> data;
  std::uint8_t chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) data.insert(data.end(), chunk, chunk + n);
  if (std::ferror(file.get())) throw Error(texts::CannotReadFile(path));
  return data;
}
