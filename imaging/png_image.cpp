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
inline std::uint64_t PackedRowBytes(std::uint64_t width, unsigned bits_per_sample, unsigned samples) {
  return (width * bits_per_sample + 7) / 8 * samples;
}

// Samples a pixel of this colour type carries in the file.
unsigned FileSamples(std::uint8_t color_type) {
  switch (color_type) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// The pairs of colour type and bit depth that PNG defines and the reader decodes.
bool IsColorFormat(std::uint8_t color_type, std::uint8_t bit_depth) {
  switch (color_type) {
    case 0: return bit_depth == 1 || bit_depth == 2 || bit_depth == 4 || bit_depth == 8 || bit_depth == 16;
    case 3: return bit_depth == 1 || bit_depth == 2 || bit_depth == 4 || bit_depth == 8;
    case 2:
    case 4:
    case 6: return bit_depth == 8 || bit_depth == 16;
    default: return false;
  }
}

struct Adam7Pass {
  std::uint32_t first_row, first_column, row_step, column_step;
  std::uint8_t column_mask;
};
constexpr Adam7Pass kAdam7[7] = {
    {0, 0, 8, 8, 0x80}, {0, 4, 8, 8, 0x08}, {4, 0, 8, 4, 0x88}, {0, 2, 4, 4, 0x22},
    {2, 0, 4, 2, 0xAA}, {0, 1, 2, 2, 0x55}, {1, 0, 2, 1, 0xFF},
};

}  // namespace

// What a read holds only while it runs: the two rows and whether pixel data has been seen.
struct PngImage::ReadState {
  std::vector<std::uint8_t> rows[2];
  bool image_data_done = false;
  bool out_of_data = false;
};

PngImage::PngImage() : color_manager_(std::make_unique<ColorManager>()) { SetFormat(PixelFormat::pf32bit); }

PngImage::~PngImage() = default;

void PngImage::Report(TProgressStage stage, int percent, const std::string& text) {
  if (observer_) observer_->Progress(stage, percent, text);
}

bool PngImage::IsChunk(const char* name) const {
  for (int i = 0; i < 4; ++i) {
    if ((chunk_type_[i] ^ std::uint8_t(name[i])) & ~0x20) return false;
  }
  return true;
}

void PngImage::ReadChunkHeader() {
  std::uint8_t header[8];
  stream_->ReadBuffer(header, 8);
  chunk_length_ = BigEndian32(header);
  std::memcpy(chunk_type_, header + 4, 4);
  running_crc_ = UpdateCRC32(0xFFFFFFFFu, chunk_type_, 4);
}

// Reads `length` data bytes and the stored CRC, which must match.
void PngImage::ReadDataAndCheckCRC(void* data, std::uint32_t length) {
  stream_->ReadBuffer(data, length);
  running_crc_ = UpdateCRC32(running_crc_, data, length);
  std::uint8_t stored[4];
  stream_->ReadBuffer(stored, 4);
  if (BigEndian32(stored) != ~running_crc_) throw EInvalidGraphic(texts::kPngCRCError);
}

void PngImage::ReadChunkData() {
  // A length the stream cannot hold is a truncated file: fail before allocating for it.
  std::int64_t remaining = stream_->Remaining();
  if (remaining >= 0 && std::int64_t(chunk_length_) + 4 > remaining) throw EReadError();
  chunk_buffer_.resize(chunk_length_);
  ReadDataAndCheckCRC(chunk_buffer_.data(), chunk_length_);
}

void PngImage::SkipChunkData() {
  std::int64_t target = stream_->Position() + std::int64_t(chunk_length_) + 4;
  std::int64_t size = stream_->Size();
  if (size >= 0 && target > size) throw EReadError();
  stream_->Seek(target);
}

bool PngImage::ReadHeader(Stream& stream) {
  stream_ = &stream;
  struct Forget {
    Stream*& stream;
    ~Forget() { stream = nullptr; }
  } forget{stream_};
  properties_ = TImageProperties{};
  properties_.FileGamma = 1.0f;

  std::uint8_t signature[8];
  stream.ReadBuffer(signature, 8);
  if (std::memcmp(signature, kSignature, 8) != 0) return false;
  ReadChunkHeader();
  // IHDR is 13 bytes; any other length is not a header we can read.
  if (!IsChunk("IHDR") || chunk_length_ != 13) return false;
  std::uint8_t ihdr[13];
  ReadDataAndCheckCRC(ihdr, 13);

  TImageProperties& p = properties_;
  p.Width = BigEndian32(ihdr);
  p.Height = BigEndian32(ihdr + 4);
  if (p.Width == 0 || p.Height == 0) return false;
  p.Flags |= TImageProperties::kHeaderRead;
  p.BitsPerSample = ihdr[8];
  p.ColorType = ihdr[9];
  switch (ihdr[9]) {
    case 0: p.ColorScheme = TColorScheme::csG, p.SamplesPerPixel = 1; break;
    case 2: p.ColorScheme = TColorScheme::csRGB, p.SamplesPerPixel = 3; break;
    case 3: p.ColorScheme = TColorScheme::csIndexed, p.SamplesPerPixel = 1; break;
    case 4: p.ColorScheme = TColorScheme::csGA, p.SamplesPerPixel = 1; break;
    case 6: p.ColorScheme = TColorScheme::csRGBA, p.SamplesPerPixel = 4; break;
    default: p.ColorScheme = TColorScheme::csUnknown, p.SamplesPerPixel = 1; break;
  }
  p.BitsPerPixel = std::uint8_t(p.BitsPerSample * p.SamplesPerPixel);
  p.Compression = ihdr[10] == 0 ? TCompressionType::ctLZ77 : TCompressionType::ctUnknown;
  p.FilterMethod = ihdr[11];
  p.InterlaceMethod = ihdr[12];
  p.Interlaced = ihdr[12] != 0;
  p.HasAlpha = p.ColorScheme == TColorScheme::csGA || p.ColorScheme == TColorScheme::csRGBA;

  for (;;) {
    ReadChunkHeader();
    if (IsChunk("IEND")) break;
    if (IsChunk("gAMA") && chunk_length_ == 4) {
      std::uint8_t value[4];
      ReadDataAndCheckCRC(value, 4);
      p.FileGamma = float(BigEndian32(value) / 100000.0);
      break;
    }
    SkipChunkData();
  }
  return true;
}

void PngImage::CheckImageSize() const {
  // Everything the image will need, in 64 bits so that no product can wrap.
  const std::uint64_t w = properties_.Width, h = properties_.Height;
  const unsigned bits = properties_.BitsPerSample ? properties_.BitsPerSample : 8;
  const std::uint64_t row = 1 + PackedRowBytes(w, bits, FileSamples(properties_.ColorType));
  const std::uint64_t pixels = (w * 32 + 31) / 32 * 4 * h;  // the widest bitmap format
  if (w * h > kMaxPixels || pixels + 2 * row > kMaxImageBytes) {
    throw EInvalidGraphic(texts::PngTooLarge(w, h));
  }
}

void PngImage::ReadImage(Stream& stream) {
  Clear();
  // Each read starts from a fresh conversion: nothing of an earlier image's gamma carries over.
  *color_manager_ = ColorManager();
  base_position_ = stream.Position();
  if (!ReadHeader(stream)) throw EInvalidGraphic(texts::kPngInvalidFormat);

  stream_ = &stream;
  stream.Seek(base_position_ + 8);
  Report(TProgressStage::psStarting, 0, texts::kPngPreparing);
  has_palette_ = false;
  palette_entries_.clear();
  background_color_ = 0x00FFFFFF;
  transparent_color_ = kNoColor;
  target_chosen_ = false;
  // Whatever the outcome, the read releases its decoder, its chunk data and the stream.
  auto finish = [this](int percent) {
    decoder_.reset();
    std::vector<std::uint8_t>().swap(chunk_buffer_);
    stream_ = nullptr;
    state_ = nullptr;
    Report(TProgressStage::psEnding, percent, "");
  };
  try {
    try {
      ReadImageChunks();
      decoder_->DecodeEnd();
    } catch (const std::bad_alloc&) {
      // A picture within the limits may still not fit in what is left of the address space.
      throw EInvalidGraphic(texts::kPngNoMemory);
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
  color_manager_->SetSourceOptions(ColorManager::coByteSwap);
  std::uint8_t ihdr[13];
  ReadDataAndCheckCRC(ihdr, 13);
  if (ihdr[10] != 0) throw EInvalidGraphic(texts::kPngCompressionScheme);
  CheckImageSize();

  decoder_ = std::make_unique<Inflater>(Z_PARTIAL_FLUSH);
  decoder_->DecodeInit();

  ReadState state;
  state_ = &state;
  ReadChunkHeader();
  for (;;) {
    bool handled = false;
    if (IsChunk("IDAT")) {
      if (state.image_data_done) {
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
      if (!(chunk_type_[0] & 0x20)) throw EInvalidGraphic(texts::kPngCriticalChunk);
    }
    ReadChunkHeader();
  }
  if (!state.image_data_done) throw EInvalidGraphic(texts::kPngNoImageData);
}

// Chooses how rows are converted and what the bitmap holds; returns the bytes per complete
// pixel that the filters step over.
int PngImage::SetupColorDepth(std::uint8_t color_type, std::uint8_t bit_depth) {
  ColorManager& cm = *color_manager_;
  auto set = [&](TColorScheme source, std::uint8_t source_samples, TColorScheme target, std::uint8_t target_samples,
                 std::uint8_t target_bits, PixelFormat format) {
    cm.SetSourceColorScheme(source);
    cm.SetSourceSamplesPerPixel(source_samples);
    cm.SetSourceBitsPerSample(bit_depth);
    cm.SetTargetColorScheme(target);
    cm.SetTargetSamplesPerPixel(target_samples);
    cm.SetTargetBitsPerSample(target_bits);
    SetFormat(format);
  };
  if (!IsColorFormat(color_type, bit_depth)) throw EInvalidGraphic(texts::kPngInvalidColorFormat);
  const bool wide = bit_depth == 16;
  switch (color_type) {
    case 0: {
      const std::uint8_t bits = bit_depth == 2 ? 4 : wide ? 8 : bit_depth;
      set(TColorScheme::csG, 1, TColorScheme::csG, 1, bits,
          bit_depth == 1 ? PixelFormat::pf1bit : bit_depth <= 4 ? PixelFormat::pf4bit : PixelFormat::pf8bit);
      palette_entries_ = cm.CreateGrayscalePalette();
      has_palette_ = true;
      return wide ? 2 : 1;
    }
    case 2:
      set(TColorScheme::csRGB, 3, TColorScheme::csBGR, 3, 8, PixelFormat::pf24bit);
      return wide ? 6 : 3;
    case 3:
      set(TColorScheme::csIndexed, 1, TColorScheme::csIndexed, 1, bit_depth == 2 ? 4 : bit_depth,
          bit_depth == 1 ? PixelFormat::pf1bit : bit_depth <= 4 ? PixelFormat::pf4bit : PixelFormat::pf8bit);
      return 1;
    case 4:
      set(TColorScheme::csGA, 1, TColorScheme::csIndexed, 1, 8, PixelFormat::pf8bit);
      palette_entries_ = cm.CreateGrayscalePalette();
      has_palette_ = true;
      return wide ? 4 : 2;
    default:  // 6
      set(TColorScheme::csRGBA, 4, TColorScheme::csBGRA, 4, 8, PixelFormat::pf32bit);
      return wide ? 8 : 4;
  }
}

void PngImage::ReadPalette() {
  if (chunk_length_ % 3 != 0) throw EInvalidGraphic(texts::kPngPaletteInvalid);
  ReadChunkData();
  if (properties_.ColorType != 3) return;
  filter_step_ = SetupColorDepth(properties_.ColorType, properties_.BitsPerSample);
  target_chosen_ = true;
  palette_entries_ = color_manager_->CreateColorPalette(chunk_buffer_.data(), chunk_length_ / 3);
  has_palette_ = true;
}

void PngImage::ReadGamma() {
  ReadChunkData();
  // A gAMA without its four bytes carries no value.
  if (chunk_length_ < 4) return;
  color_manager_->BuildGammaTable(float(BigEndian32(chunk_buffer_.data()) / 100000.0), 2.2f);
  color_manager_->SetTargetOptions(color_manager_->TargetOptions() | ColorManager::coApplyGamma);
  properties_.Flags |= TImageProperties::kGammaRead;
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
  if (!IsColorFormat(properties_.ColorType, properties_.BitsPerSample)) throw EInvalidGraphic(texts::kPngInvalidColorFormat);
}

void PngImage::ReadBackground() {
  ReadChunkData();
  RequireColorFormat();
  const std::uint8_t* d = chunk_buffer_.data();
  const unsigned bits = properties_.BitsPerSample;
  switch (properties_.ColorType) {
    case 0:
    case 4:
      if (chunk_length_ >= 2) {
        std::uint8_t g = ScaleSample(BigEndian16(d), bits);
        background_color_ = RGBColor(g, g, g);
      }
      break;
    case 2:
    case 6:
      if (chunk_length_ >= 6) {
        background_color_ = RGBColor(ScaleSample(BigEndian16(d), bits), ScaleSample(BigEndian16(d + 2), bits),
                                     ScaleSample(BigEndian16(d + 4), bits));
      }
      break;
    case 3:
      if (chunk_length_ >= 1 && d[0] < palette_entries_.size()) background_color_ = palette_entries_[d[0]];
      break;
  }
}

void PngImage::ReadTransparency() {
  ReadChunkData();
  RequireColorFormat();
  const std::uint8_t* d = chunk_buffer_.data();
  const unsigned bits = properties_.BitsPerSample;
  auto reduce = [bits](std::uint32_t v) { return std::uint8_t(bits == 16 ? v * 255 / 65535 : v); };
  if (properties_.ColorType == 0 && chunk_length_ >= 2) {
    std::uint32_t g = BigEndian16(d);
    std::uint8_t v = bits == 2 ? std::uint8_t(g * 5) : reduce(g);
    transparent_color_ = RGBColor(v, v, v);
  } else if (properties_.ColorType == 2 && chunk_length_ >= 6) {
    transparent_color_ = RGBColor(reduce(BigEndian16(d)), reduce(BigEndian16(d + 2)), reduce(BigEndian16(d + 4)));
  }
}

void PngImage::PrepareBitmap() {
  if (has_palette_) SetPalette(palette_entries_);
  try {
    SetSize(int(properties_.Width), int(properties_.Height));
  } catch (const Exception&) {
    // The bitmap could not get storage for its pixels; it says so in its own words.
    throw EInvalidGraphic(texts::kPngNoMemory);
  }
  // Rows of an image without interlacing are each written whole; only those that never arrive
  // get the background (DecodeRows), which spares a pass over the picture.
  if (properties_.InterlaceMethod == 1) Fill(background_color_);
  if (transparent_color_ != kNoColor) {
    SetTransparentColor(transparent_color_);
    SetTransparent(true);
  }
}

void PngImage::ReadImageData() {
  Report(TProgressStage::psEnding, 0, "");
  Report(TProgressStage::psStarting, 0, texts::kPngTransferring);
  if (!target_chosen_) {
    filter_step_ = SetupColorDepth(properties_.ColorType, properties_.BitsPerSample);
    target_chosen_ = true;
  }
  PrepareBitmap();
  state_->image_data_done = true;
  idat_size_ = 0;
  current_source_ = nullptr;

  const std::uint64_t row_bytes =
      1 + PackedRowBytes(properties_.Width, properties_.BitsPerSample, FileSamples(properties_.ColorType));
  for (auto& row : state_->rows) row.assign(std::size_t(row_bytes), 0);

  if (properties_.InterlaceMethod != 1) {
    DecodeRows(0, 0, 1, 1, 0xFF, true);
  } else {
    for (int pass = 0; pass < 7 && !state_->out_of_data; ++pass) {
      const Adam7Pass& p = kAdam7[pass];
      if (properties_.Width <= p.first_column) continue;
      DecodeRows(p.first_row, p.first_column, p.row_step, p.column_step, p.column_mask, pass == 6);
    }
  }
  for (auto& row : state_->rows) std::vector<std::uint8_t>().swap(row);

  // The rest of the pixel data is read for its CRC and dropped.
  while (!state_->out_of_data && IsChunk("IDAT")) {
    ReadChunkData();
    ReadChunkHeader();
  }
}

// Decodes the rows of the whole image or of one Adam7 pass into the bitmap.
void PngImage::DecodeRows(std::uint32_t first_row, std::uint32_t first_column, std::uint32_t row_step,
                             std::uint32_t column_step, std::uint8_t column_mask, bool report_rows) {
  const std::uint64_t pass_width = (properties_.Width - first_column + column_step - 1) / column_step;
  const std::size_t row_size =
      1 + std::size_t(PackedRowBytes(pass_width, properties_.BitsPerSample, FileSamples(properties_.ColorType)));
  std::uint8_t* current = state_->rows[0].data();
  std::uint8_t* prior = state_->rows[1].data();
  // The row above a pass's first row counts as zeros.
  std::memset(prior, 0, row_size);
  for (std::uint32_t y = first_row; y < properties_.Height; y += row_step) {
    if (!InflateRow(current, row_size)) {
      state_->out_of_data = true;
      if (properties_.InterlaceMethod != 1) FillRows(int(y), int(properties_.Height), background_color_);
      return;
    }
    UnfilterRow(current[0], current + 1, prior + 1, row_size - 1, filter_step_);
    color_manager_->TransferRow(current + 1, Row(int(y)), properties_.Width, column_mask);
    std::swap(current, prior);
    if (report_rows && observer_) Report(TProgressStage::psRunning, int(std::uint64_t(y) * 100 / properties_.Height), "");
    if (properties_.Height - y <= row_step) break;  // y + row_step would pass the end, or wrap
  }
}

// Fills one row from the compressed data, taking IDAT chunks as they come. False when the
// pixel data ran out first.
bool PngImage::InflateRow(std::uint8_t* row, std::size_t size) {
  std::uint8_t* dest = row;
  std::uint32_t dest_count = std::uint32_t(size);
  while (dest_count > 0) {
    while (idat_size_ == 0) {
      if (!IsChunk("IDAT")) return false;
      ReadChunkData();
      idat_size_ = chunk_length_;
      current_source_ = chunk_buffer_.data();
      ReadChunkHeader();
    }
    int result = decoder_->Decode(current_source_, idat_size_, dest, dest_count);
    if (result == Z_STREAM_END) {
      if (dest_count > 0 || idat_size_ > 0) throw EInvalidGraphic(texts::kPngExtraData);
      return true;
    }
    if (result != Z_OK) throw EInvalidGraphic(texts::kPngCompressionError);
  }
  return true;
}
