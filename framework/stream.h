// Read streams: the PNG reader takes its bytes from one, whether they come from a resource of
// the module, a file or a test's buffer. A read that comes up short is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/errors.h"

// A stream ended before the bytes asked for.
class ReadError : public Error {
public:
  ReadError();
};

class Stream {
public:
  virtual ~Stream() = default;
  // Reads up to `count` bytes; returns how many were read.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::int64_t Position() const = 0;
  virtual void Seek(std::int64_t position) = 0;
  // Total length, or -1 when the stream cannot tell.
  virtual std::int64_t Size() const = 0;

  // Reads exactly `count` bytes or throws ReadError.
  void ReadBuffer(void* buffer, std::size_t count);
  // Bytes left before the end, or -1 when unknown.
  std::int64_t Remaining() const;
};

// Reads a block of memory that someone else owns and keeps alive.
class MemoryStream : public Stream {
public:
  MemoryStream(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  std::int64_t Position() const override { return std::int64_t(position_); }
  void Seek(std::int64_t position) override;
  std::int64_t Size() const override { return std::int64_t(size_); }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// Reads a whole file into memory; throws Error naming the file when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
