#include "imaging/png_image.h"

#include <cstring>
#include <new>
#include <utility>

#include "imaging/crc32.h"
#include "imaging/inflater.h"
#include "imaging/png_filters.h"
#include "resources/texts.h"

namespace {

const std::uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

// The reader holds at most this much for one image: its pixels (64 MB at most, kMaxPixels) and
// two rows.
constexpr std::uint64_t kMaxImageBytes = std::uint64_t(96) << 20;

inline std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
inline std::uint32_t BigEndian16(const std::uint8_t* p) { return std::uint32_t(p[0]) << 8 | p[1]; }

// Bytes of one packed row of `width` pixels, without the filter byte.
inline std::uint64_t PackedRowBytes(std::uint64_t width, unsigned bitsPerSample, unsigned samples) {
  return (width * bitsPerSample + 7) / 8 * samples;
}

// Samples a pixel of this colour type carries in the file.
unsigned FileSamples(std::uint8_t colorType) {
  switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// The pairs of colour type and bit depth that PNG defines and the reader decodes.
bool IsColorFormat(std::uint8_t colorType, std::uint8_t bitDepth) {
  switch (colorType) {
    case 0: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case 3: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case 2:
    case 4:
    case 6: return bitDepth == 8 || bitDepth == 16;
    default: return false;
  }
}

struct Adam7Pass {
  std::uint32_t firstRow, firstColumn, rowStep, columnStep;
  std::uint8_t columnMask;
};
constexpr Adam7Pass kAdam7[7] = {
    {0, 0, 8, 8, 0x80}, {0, 4, 8, 8, 0x08}, {4, 0, 8, 4, 0x88}, {0, 2, 4, 4, 0x22},
    {2, 0, 4, 2, 0xAA}, {0, 1, 2, 2, 0x55}, {1, 0, 2, 1, 0xFF},
};

}  // namespace

// What a read holds only while it runs: the two rows and whether pixel data has been seen.
struct PngImage::ReadState {
  std::vector<std::uint8_t> rows[2];
  bool imageDataDone = false;
  bool outOfData = false;
};

PngImage::PngImage() : colorManager_(std::make_unique<ColorManager>()) { SetFormat(PixelFormat::Bits32); }

PngImage::~PngImage() = default;

void PngImage::Report(ProgressStage stage, int percent, const std::string& text) {
  if (observer_) observer_->Progress(stage, percent, text);
}

bool PngImage::IsChunk(const char* name) const {
  for (int i = 0; i < 4; ++i) {
    if ((chunkType_[i] ^ std::uint8_t(name[i])) & ~0x20) return false;
  }
  return true;
}

void PngImage::ReadChunkHeader() {
  std::uint8_t header[8];
  stream_->ReadBuffer(header, 8);
  chunkLength_ = BigEndian32(header);
  std::memcpy(chunkType_, header + 4, 4);
  runningCrc_ = UpdateCRC32(0xFFFFFFFFu, chunkType_, 4);
}

// Reads `length` data bytes and the stored CRC, which must match.
void PngImage::ReadDataAndCheckCRC(void* data, std::uint32_t length) {
  stream_->ReadBuffer(data, length);
  runningCrc_ = UpdateCRC32(runningCrc_, data, length);
  std::uint8_t stored[4];
  stream_->ReadBuffer(stored, 4);
  if (BigEndian32(stored) != ~runningCrc_) throw InvalidImageError(texts::kPngCRCError);
}

void PngImage::ReadChunkData() {
  // A length the stream cannot hold is a truncated file: fail before allocating for it.
  std::int64_t remaining = stream_->Remaining();
  if (remaining >= 0 && std::int64_t(chunkLength_) + 4 > remaining) throw ReadError();
  chunkBuffer_.resize(chunkLength_);
  ReadDataAndCheckCRC(chunkBuffer_.data(), chunkLength_);
}

void PngImage::SkipChunkData() {
  std::int64_t target = stream_->Position() + std::int64_t(chunkLength_) + 4;
  std::int64_t size = stream_->Size();
  if (size >= 0 && target > size) throw ReadError();
  stream_->Seek(target);
}

bool PngImage::ReadHeader(Stream& stream) {
  stream_ = &stream;
  struct Forget {
    Stream*& stream;
    ~Forget() { stream = nullptr; }
  } forget{stream_};
  properties_ = ImageProperties{};
  properties_.fileGamma = 1.0f;

  std::uint8_t signature[8];
  stream.ReadBuffer(signature, 8);
  if (std::memcmp(signature, kSignature, 8) != 0) return false;
  ReadChunkHeader();
  // IHDR is 13 bytes; any other length is not a header we can read.
  if (!IsChunk("IHDR") || chunkLength_ != 13) return false;
  std::uint8_t ihdr[13];
  ReadDataAndCheckCRC(ihdr, 13);

  ImageProperties& p = properties_;
  p.width = BigEndian32(ihdr);
  p.height = BigEndian32(ihdr + 4);
  if (p.width == 0 || p.height == 0) return false;
  p.flags |= ImageProperties::kHeaderRead;
  p.bitsPerSample = ihdr[8];
  p.colorType = ihdr[9];
  switch (ihdr[9]) {
    case 0: p.colorScheme = ColorScheme::Gray, p.samplesPerPixel = 1; break;
    case 2: p.colorScheme = ColorScheme::Rgb, p.samplesPerPixel = 3; break;
    case 3: p.colorScheme = ColorScheme::Indexed, p.samplesPerPixel = 1; break;
    case 4: p.colorScheme = ColorScheme::GrayAlpha, p.samplesPerPixel = 1; break;
    case 6: p.colorScheme = ColorScheme::Rgba, p.samplesPerPixel = 4; break;
    default: p.colorScheme = ColorScheme::Unknown, p.samplesPerPixel = 1; break;
  }
  p.bitsPerPixel = std::uint8_t(p.bitsPerSample * p.samplesPerPixel);
  p.compression = ihdr[10] == 0 ? CompressionMethod::Deflate : CompressionMethod::Unknown;
  p.filterMethod = ihdr[11];
  p.interlaceMethod = ihdr[12];
  p.interlaced = ihdr[12] != 0;
  p.hasAlpha = p.colorScheme == ColorScheme::GrayAlpha || p.colorScheme == ColorScheme::Rgba;

  for (;;) {
    ReadChunkHeader();
    if (IsChunk("IEND")) break;
    if (IsChunk("gAMA") && chunkLength_ == 4) {
      std::uint8_t value[4];
      ReadDataAndCheckCRC(value, 4);
      p.fileGamma = float(BigEndian32(value) / 100000.0);
      break;
    }
    SkipChunkData();
  }
  return true;
}

void PngImage::CheckImageSize() const {
  // Everything the image will need, in 64 bits so that no product can wrap.
  const std::uint64_t w = properties_.width, h = properties_.height;
  const unsigned bits = properties_.bitsPerSample ? properties_.bitsPerSample : 8;
  const std::uint64_t row = 1 + PackedRowBytes(w, bits, FileSamples(properties_.colorType));
  const std::uint64_t pixels = (w * 32 + 31) / 32 * 4 * h;  // the widest bitmap format
  if (w * h > kMaxPixels || pixels + 2 * row > kMaxImageBytes) {
    throw InvalidImageError(texts::PngTooLarge(w, h));
  }
}

void PngImage::ReadImage(Stream& stream) {
  Clear();
  // Each read starts from a fresh conversion: nothing of an earlier image's gamma carries over.
  *colorManager_ = ColorManager();
  basePosition_ = stream.Position();
  if (!ReadHeader(stream)) throw InvalidImageError(texts::kPngInvalidFormat);

  stream_ = &stream;
  stream.Seek(basePosition_ + 8);
  Report(ProgressStage::Starting, 0, texts::kPngPreparing);
  hasPalette_ = false;
  paletteEntries_.clear();
  backgroundColor_ = 0x00FFFFFF;
  transparentColor_ = kNoColor;
  targetChosen_ = false;
  // Whatever the outcome, the read releases its decoder, its chunk data and the stream.
  auto finish = [this](int percent) {
    decoder_.reset();
    std::vector<std::uint8_t>().swap(chunkBuffer_);
    stream_ = nullptr;
    state_ = nullptr;
    Report(ProgressStage::Ending, percent, "");
  };
  try {
    try {
      ReadImageChunks();
      decoder_->DecodeEnd();
    } catch (const std::bad_alloc&) {
      // A picture within the limits may still not fit in what is left of the address space.
      throw InvalidImageError(texts::kPngNoMemory);
    }
  } catch (...) {
    finish(0);
    Clear();  // no half-read picture is left behind as if it were the image
    throw;
  }
  finish(100);
}

void PngImage::ReadImageChunks() {
  ReadChunkHeader();
  colorManager_->SetSourceOptions(ColorManager::kOptionByteSwap);
  std::uint8_t ihdr[13];
  ReadDataAndCheckCRC(ihdr, 13);
  if (ihdr[10] != 0) throw InvalidImageError(texts::kPngCompressionScheme);
  CheckImageSize();

  decoder_ = std::make_unique<Inflater>(Z_PARTIAL_FLUSH);
  decoder_->DecodeInit();

  ReadState state;
  state_ = &state;
  ReadChunkHeader();
  for (;;) {
    bool handled = false;
    if (IsChunk("IDAT")) {
      if (state.imageDataDone) {
        // Pixel data after the image is complete has nowhere to go.
        SkipChunkData(), handled = true;
      } else {
        // Returns with the chunk after the pixel data read; it is only skipped or ends the read.
        ReadImageData();
      }
    } else if (IsChunk("PLTE")) {
      ReadPalette(), handled = true;
    } else if (IsChunk("gAMA")) {
      ReadGamma(), handled = true;
    } else if (IsChunk("bKGD")) {
      ReadBackground(), handled = true;
    } else if (IsChunk("tRNS")) {
      ReadTransparency(), handled = true;
    }
    if (!handled) {
      SkipChunkData();
      if (IsChunk("IEND")) break;
      if (!(chunkType_[0] & 0x20)) throw InvalidImageError(texts::kPngCriticalChunk);
    }
    ReadChunkHeader();
  }
  if (!state.imageDataDone) throw InvalidImageError(texts::kPngNoImageData);
}

// Chooses how rows are converted and what the bitmap holds; returns the bytes per complete
// pixel that the filters step over.
int PngImage::SetupColorDepth(std::uint8_t colorType, std::uint8_t bitDepth) {
  ColorManager& cm = *colorManager_;
  auto set = [&](ColorScheme source, std::uint8_t sourceSamples, ColorScheme target, std::uint8_t targetSamples,
                 std::uint8_t targetBits, PixelFormat format) {
    cm.SetSourceColorScheme(source);
    cm.SetSourceSamplesPerPixel(sourceSamples);
    cm.SetSourceBitsPerSample(bitDepth);
    cm.SetTargetColorScheme(target);
    cm.SetTargetSamplesPerPixel(targetSamples);
    cm.SetTargetBitsPerSample(targetBits);
    SetFormat(format);
  };
  if (!IsColorFormat(colorType, bitDepth)) throw InvalidImageError(texts::kPngInvalidColorFormat);
  const bool wide = bitDepth == 16;
  switch (colorType) {
    case 0: {
      const std::uint8_t bits = bitDepth == 2 ? 4 : wide ? 8 : bitDepth;
      set(ColorScheme::Gray, 1, ColorScheme::Gray, 1, bits,
          bitDepth == 1 ? PixelFormat::Bits1 : bitDepth <= 4 ? PixelFormat::Bits4 : PixelFormat::Bits8);
      paletteEntries_ = cm.CreateGrayscalePalette();
      hasPalette_ = true;
      return wide ? 2 : 1;
    }
    case 2:
      set(ColorScheme::Rgb, 3, ColorScheme::Bgr, 3, 8, PixelFormat::Bits24);
      return wide ? 6 : 3;
    case 3:
      set(ColorScheme::Indexed, 1, ColorScheme::Indexed, 1, bitDepth == 2 ? 4 : bitDepth,
          bitDepth == 1 ? PixelFormat::Bits1 : bitDepth <= 4 ? PixelFormat::Bits4 : PixelFormat::Bits8);
      return 1;
    case 4:
      set(ColorScheme::GrayAlpha, 1, ColorScheme::Indexed, 1, 8, PixelFormat::Bits8);
      paletteEntries_ = cm.CreateGrayscalePalette();
      hasPalette_ = true;
      return wide ? 4 : 2;
    default:  // 6
      set(ColorScheme::Rgba, 4, ColorScheme::Bgra, 4, 8, PixelFormat::Bits32);
      return wide ? 8 : 4;
  }
}

void PngImage::ReadPalette() {
  if (chunkLength_ % 3 != 0) throw InvalidImageError(texts::kPngPaletteInvalid);
  ReadChunkData();
  if (properties_.colorType != 3) return;
  filterStep_ = SetupColorDepth(properties_.colorType, properties_.bitsPerSample);
  targetChosen_ = true;
  paletteEntries_ = colorManager_->CreateColorPalette(chunkBuffer_.data(), chunkLength_ / 3);
  hasPalette_ = true;
}

void PngImage::ReadGamma() {
  ReadChunkData();
  // A gAMA without its four bytes carries no value.
  if (chunkLength_ < 4) return;
  colorManager_->BuildGammaTable(float(BigEndian32(chunkBuffer_.data()) / 100000.0), 2.2f);
  colorManager_->SetTargetOptions(colorManager_->TargetOptions() | ColorManager::kOptionGamma);
  properties_.flags |= ImageProperties::kGammaRead;
}

// Scales a sample of the image's bit depth to 8 bits.
namespace {
std::uint8_t ScaleSample(std::uint32_t v, unsigned bits) {
  if (bits == 16) return std::uint8_t(v * 255 / 65535);
  if (bits >= 8) return std::uint8_t(v);
  const std::uint32_t max = (1u << bits) - 1;
  return std::uint8_t((v & max) * 255 / max);
}
}  // namespace

// bKGD and tRNS samples are read at the header's bit depth, which nothing has checked before
// the target format is chosen.
void PngImage::RequireColorFormat() const {
  if (!IsColorFormat(properties_.colorType, properties_.bitsPerSample)) {
    throw InvalidImageError(texts::kPngInvalidColorFormat);
  }
}

void PngImage::ReadBackground() {
  ReadChunkData();
  RequireColorFormat();
  const std::uint8_t* d = chunkBuffer_.data();
  const unsigned bits = properties_.bitsPerSample;
  switch (properties_.colorType) {
    case 0:
    case 4:
      if (chunkLength_ >= 2) {
        std::uint8_t g = ScaleSample(BigEndian16(d), bits);
        backgroundColor_ = RGBColor(g, g, g);
      }
      break;
    case 2:
    case 6:
      if (chunkLength_ >= 6) {
        backgroundColor_ = RGBColor(ScaleSample(BigEndian16(d), bits), ScaleSample(BigEndian16(d + 2), bits),
                                     ScaleSample(BigEndian16(d + 4), bits));
      }
      break;
    case 3:
      if (chunkLength_ >= 1 && d[0] < paletteEntries_.size()) backgroundColor_ = paletteEntries_[d[0]];
      break;
  }
}

void PngImage::ReadTransparency() {
  ReadChunkData();
  RequireColorFormat();
  const std::uint8_t* d = chunkBuffer_.data();
  const unsigned bits = properties_.bitsPerSample;
  auto reduce = [bits](std::uint32_t v) { return std::uint8_t(bits == 16 ? v * 255 / 65535 : v); };
  if (properties_.colorType == 0 && chunkLength_ >= 2) {
    std::uint32_t g = BigEndian16(d);
    std::uint8_t v = bits == 2 ? std::uint8_t(g * 5) : reduce(g);
    transparentColor_ = RGBColor(v, v, v);
  } else if (properties_.colorType == 2 && chunkLength_ >= 6) {
    transparentColor_ = RGBColor(reduce(BigEndian16(d)), reduce(BigEndian16(d + 2)), reduce(BigEndian16(d + 4)));
  }
}

void PngImage::PrepareBitmap() {
  if (hasPalette_) SetPalette(paletteEntries_);
  try {
    SetSize(int(properties_.width), int(properties_.height));
  } catch (const Error&) {
    // The bitmap could not get storage for its pixels; it says so in its own words.
    throw InvalidImageError(texts::kPngNoMemory);
  }
  // Rows of an image without interlacing are each written whole; only those that never arrive
  // get the background (DecodeRows), which spares a pass over the picture.
  if (properties_.interlaceMethod == 1) Fill(backgroundColor_);
  if (transparentColor_ != kNoColor) {
    SetTransparentColor(transparentColor_);
    SetTransparent(true);
  }
}

void PngImage::ReadImageData() {
  Report(ProgressStage::Ending, 0, "");
  Report(ProgressStage::Starting, 0, texts::kPngTransferring);
  if (!targetChosen_) {
    filterStep_ = SetupColorDepth(properties_.colorType, properties_.bitsPerSample);
    targetChosen_ = true;
  }
  PrepareBitmap();
  state_->imageDataDone = true;
  idatSize_ = 0;
  currentSource_ = nullptr;

  const std::uint64_t rowBytes =
      1 + PackedRowBytes(properties_.width, properties_.bitsPerSample, FileSamples(properties_.colorType));
  for (auto& row : state_->rows) row.assign(std::size_t(rowBytes), 0);

  if (properties_.interlaceMethod != 1) {
    DecodeRows(0, 0, 1, 1, 0xFF, true);
  } else {
    for (int pass = 0; pass < 7 && !state_->outOfData; ++pass) {
      const Adam7Pass& p = kAdam7[pass];
      if (properties_.width <= p.firstColumn) continue;
      DecodeRows(p.firstRow, p.firstColumn, p.rowStep, p.columnStep, p.columnMask, pass == 6);
    }
  }
  for (auto& row : state_->rows) std::vector<std::uint8_t>().swap(row);

  // The rest of the pixel data is read for its CRC and dropped.
  while (!state_->outOfData && IsChunk("IDAT")) {
    ReadChunkData();
    ReadChunkHeader();
  }
}

// Decodes the rows of the whole image or of one Adam7 pass into the bitmap.
void PngImage::DecodeRows(std::uint32_t firstRow, std::uint32_t firstColumn, std::uint32_t rowStep,
                             std::uint32_t columnStep, std::uint8_t columnMask, bool reportRows) {
  const std::uint64_t passWidth = (properties_.width - firstColumn + columnStep - 1) / columnStep;
  const std::size_t rowSize =
      1 + std::size_t(PackedRowBytes(passWidth, properties_.bitsPerSample, FileSamples(properties_.colorType)));
  std::uint8_t* current = state_->rows[0].data();
  std::uint8_t* prior = state_->rows[1].data();
  // The row above a pass's first row counts as zeros.
  std::memset(prior, 0, rowSize);
  for (std::uint32_t y = firstRow; y < properties_.height; y += rowStep) {
    if (!InflateRow(current, rowSize)) {
      state_->outOfData = true;
      if (properties_.interlaceMethod != 1) FillRows(int(y), int(properties_.height), backgroundColor_);
      return;
    }
    UnfilterRow(current[0], current + 1, prior + 1, rowSize - 1, filterStep_);
    colorManager_->TransferRow(current + 1, Row(int(y)), properties_.width, columnMask);
    std::swap(current, prior);
    if (reportRows && observer_) Report(ProgressStage::Running, int(std::uint64_t(y) * 100 / properties_.height), "");
    if (properties_.height - y <= rowStep) break;  // y + rowStep would pass the end, or wrap
  }
}

// Fills one row from the compressed data, taking IDAT chunks as they come. False when the
// pixel data ran out first.
bool PngImage::InflateRow(std::uint8_t* row, std::size_t size) {
  std::uint8_t* dest = row;
  std::uint32_t destCount = std::uint32_t(size);
  while (destCount > 0) {
    while (idatSize_ == 0) {
      if (!IsChunk("IDAT")) return false;
      ReadChunkData();
      idatSize_ = chunkLength_;
      currentSource_ = chunkBuffer_.data();
      ReadChunkHeader();
    }
    int result = decoder_->Decode(currentSource_, idatSize_, dest, destCount);
    if (result == Z_STREAM_END) {
      if (destCount > 0 || idatSize_ > 0) throw InvalidImageError(texts::kPngExtraData);
      return true;
    }
    if (result != Z_OK) throw InvalidImageError(texts::kPngCompressionError);
  }
  return true;
}
