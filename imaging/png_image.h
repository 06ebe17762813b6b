// The PNG reader. It decodes one PNG image from a stream into the bitmap it is, streaming: it
// holds one chunk's data and two rows at a time and writes each converted row straight into
// the bitmap's rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/stream.h"
#include "imaging/color_manager.h"
#include "imaging/errors.h"

class Inflater;

enum class TCompressionType : std::uint8_t { ctUnknown, ctLZ77 };

struct TImageProperties {
  static constexpr std::uint8_t kHeaderRead = 1;
  static constexpr std::uint8_t kGammaRead = 2;

  std::uint8_t Flags = 0;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  TColorScheme ColorScheme = TColorScheme::csUnknown;
  std::uint8_t BitsPerSample = 0;
  std::uint8_t SamplesPerPixel = 0;
  std::uint8_t BitsPerPixel = 0;
  TCompressionType Compression = TCompressionType::ctUnknown;
  float FileGamma = 1.0f;
  bool Interlaced = false;
  bool HasAlpha = false;
  std::uint8_t FilterMethod = 0;
  // The raw IHDR bytes that the decoding steps look at again.
  std::uint8_t ColorType = 0;
  std::uint8_t InterlaceMethod = 0;
};

enum class TProgressStage : std::uint8_t { psStarting, psRunning, psEnding };

// Told how a read is going; nothing in the product listens, tests do.
class TProgressObserver {
public:
  virtual ~TProgressObserver() = default;
  virtual void Progress(TProgressStage stage, int percent, const std::string& text) = 0;
};

class PngImage : public Bitmap {
public:
  PngImage();
  ~PngImage() override;

  // Reads one PNG from the stream's position and replaces the picture with it; the stream then
  // stands just after IEND. Throws EInvalidGraphic, EGraphicCompression or EReadError; memory
  // that cannot be had is an EInvalidGraphic too.
  void ReadImage(Stream& stream);
  // The check pass: signature, IHDR and the gamma; fills Properties().
  bool ReadHeader(Stream& stream);

  const TImageProperties& Properties() const { return properties_; }
  ::ColorManager& Colors() { return *color_manager_; }
  void SetProgressObserver(TProgressObserver* observer) { observer_ = observer; }

  // Images of more pixels are refused before anything is allocated for them. The plug-in's own
  // pictures are 120 by 120; 4096 by 4096 (64 MB at 32 bits) is as large as a screen-sized
  // picture gets, and still a block that a long-running 32-bit host can usually find in its
  // address space, where hundreds of megabytes often cannot be had in one piece.
  static constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 24;

private:
  struct ReadState;

  void ReadImageChunks();
  void ReadChunkHeader();
  void ReadChunkData();
  void SkipChunkData();
  void ReadDataAndCheckCRC(void* data, std::uint32_t length);
  bool IsChunk(const char* name) const;
  int SetupColorDepth(std::uint8_t color_type, std::uint8_t bit_depth);
  void ReadPalette();
  void ReadTransparency();
  void ReadBackground();
  void ReadGamma();
  void RequireColorFormat() const;
  void ReadImageData();
  void PrepareBitmap();
  void DecodeRows(std::uint32_t first_row, std::uint32_t first_column, std::uint32_t row_step,
                  std::uint32_t column_step, std::uint8_t column_mask, bool report_rows);
  bool InflateRow(std::uint8_t* row, std::size_t size);
  void CheckImageSize() const;
  void Report(TProgressStage stage, int percent, const std::string& text);

  std::unique_ptr<ColorManager> color_manager_;
  TProgressObserver* observer_ = nullptr;
  std::int64_t base_position_ = 0;
  Stream* stream_ = nullptr;
  TImageProperties properties_;
  std::unique_ptr<Inflater> decoder_;
  ReadState* state_ = nullptr;
  std::uint32_t idat_size_ = 0;
  std::vector<std::uint8_t> chunk_buffer_;
  const std::uint8_t* current_source_ = nullptr;
  std::uint32_t chunk_length_ = 0;
  std::uint8_t chunk_type_[4] = {};
  std::uint32_t running_crc_ = 0;
  int filter_step_ = 1;
  bool target_chosen_ = false;
  bool has_palette_ = false;
  std::vector<TColor> palette_entries_;
  TColor transparent_color_ = kNoColor;
  TColor background_color_ = 0x00FFFFFF;
};
