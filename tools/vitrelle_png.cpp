// vitrelle-png IN.png OUT.pam: decodes a PNG with the product's own reader and writes what it
// produced as a PAM file, so that any image can be checked against another decoder.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/stream.h"
#include "imaging/png_image.h"
#include "resources/texts.h"

namespace {

// A regular file read as the reader asks for it: each chunk's data goes from the file straight
// into the reader's buffer, with no copy of the whole file in memory first.
class FileStream : public Stream {
public:
  // Null when the file cannot be opened or is not a regular file.
  static std::unique_ptr<FileStream> Open(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
      std::fclose(file);
      return nullptr;
    }
    return std::unique_ptr<FileStream>(new FileStream(path, file, info.st_size));
  }
  ~FileStream() override { std::fclose(file_); }

  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t read = std::fread(buffer, 1, count, file_);
    if (read < count && std::ferror(file_)) throw Error(texts::CannotReadFile(path_));
    position_ += std::int64_t(read);
    return read;
  }
  std::int64_t Position() const override { return position_; }
  // As a memory stream does: a position past either end stands at that end.
  void Seek(std::int64_t position) override {
    position = position < 0 ? 0 : position > size_ ? size_ : position;
    if (fseeko(file_, off_t(position), SEEK_SET) != 0) throw Error(texts::CannotReadFile(path_));
    position_ = position;
  }
  std::int64_t Size() const override { return size_; }

private:
  FileStream(const std::string& path, std::FILE* file, std::int64_t size) : path_(path), file_(file), size_(size) {}

  std::string path_;
  std::FILE* file_;
  std::int64_t size_;
  std::int64_t position_ = 0;
};

// Turns the decoded rows into PAM tuples, one row at a time: 32-bit pictures as R, G, B, A,
// everything else as R, G, B, the palette formats through their palette (black for an index
// the palette lacks), as CopyToBgra32 and Bitmap::PixelColor read them.
class TupleRows {
public:
  explicit TupleRows(const Bitmap& image) : image_(image), alpha_(image.Format() == PixelFormat::Bits32) {
    const std::vector<Color>& palette = image.Palette();
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
      colours_[i][0] = RedOf(palette[i]);
      colours_[i][1] = GreenOf(palette[i]);
      colours_[i][2] = BlueOf(palette[i]);
    }
    row_.resize(std::size_t(image.Width()) * Depth());
  }

  bool Alpha() const { return alpha_; }
  int Depth() const { return alpha_ ? 4 : 3; }
  std::size_t RowBytes() const { return row_.size(); }

  const std::uint8_t* Row(int y) {
    const std::uint8_t* in = image_.Row(y);
    std::uint8_t* out = row_.data();
    const std::size_t width = std::size_t(image_.Width());
    switch (image_.Format()) {
      case PixelFormat::Bits32:
        for (std::size_t x = 0; x < width; ++x, in += 4, out += 4) {
          out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = in[3];
        }
        break;
      case PixelFormat::Bits24:
        for (std::size_t x = 0; x < width; ++x, in += 3, out += 3) out[0] = in[2], out[1] = in[1], out[2] = in[0];
        break;
      case PixelFormat::Bits8:
        for (std::size_t x = 0; x < width; ++x, out += 3) std::memcpy(out, colours_[in[x]], 3);
        break;
      case PixelFormat::Bits4:
        for (std::size_t x = 0; x < width; ++x, out += 3) {
          std::memcpy(out, colours_[(in[x >> 1] >> ((x & 1) ? 0 : 4)) & 15], 3);
        }
        break;
      case PixelFormat::Bits1:
        for (std::size_t x = 0; x < width; ++x, out += 3) std::memcpy(out, colours_[(in[x >> 3] >> (7 - (x & 7))) & 1], 3);
        break;
    }
    return row_.data();
  }

private:
  const Bitmap& image_;
  const bool alpha_;
  std::uint8_t colours_[256][3] = {};
  std::vector<std::uint8_t> row_;
};

// False when the file could not be made or any of it not written; what was written stays.
bool WritePam(const std::string& path, const Bitmap& image) {
  TupleRows rows(image);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fprintf(file, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n", image.Width(),
                         image.Height(), rows.Depth(), rows.Alpha() ? "RGB_ALPHA" : "RGB") > 0;
  for (int y = 0; ok && y < image.Height(); ++y) {
    ok = std::fwrite(rows.Row(y), 1, rows.RowBytes(), file) == rows.RowBytes();
  }
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vitrelle-png IN.png OUT.pam\n");
    return 2;
  }
  PngImage image;
  try {
    if (std::unique_ptr<FileStream> file = FileStream::Open(argv[1])) {
      image.ReadImage(*file);
    } else {
      // Pipes and the like cannot seek, and what cannot be opened is reported by this.
      std::vector<std::uint8_t> data = ReadWholeFile(argv[1]);
      MemoryStream stream(data.data(), data.size());
      image.ReadImage(stream);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  if (!WritePam(argv[2], image)) {
    std::fprintf(stderr, "Cannot write file \"%s\"\n", argv[2]);
    return 1;
  }
  std::printf("%dx%d %dbpp\n", image.Width(), image.Height(), BitsOf(image.Format()));
  return 0;
}
