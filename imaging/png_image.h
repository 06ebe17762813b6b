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

enum class CompressionMethod : std::uint8_t { Unknown, Deflate };

struct ImageProperties {
  static constexpr std::uint8_t kHeaderRead = 1;
  static constexpr std::uint8_t kGammaRead = 2;

  std::uint8_t flags = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  ColorScheme colorScheme = ColorScheme::Unknown;
  std::uint8_t bitsPerSample = 0;
  std::uint8_t samplesPerPixel = 0;
  std::uint8_t bitsPerPixel = 0;
  CompressionMethod compression = CompressionMethod::Unknown;
  float fileGamma = 1.0f;
  bool interlaced = false;
  bool hasAlpha = false;
  std::uint8_t filterMethod = 0;
  // The raw IHDR bytes that the decoding steps look at again.
  std::uint8_t colorType = 0;
  std::uint8_t interlaceMethod = 0;
};

enum class ProgressStage : std::uint8_t { Starting, Running, Ending };

// Told how a read is going; nothing in the product listens, tests do.
class ProgressObserver {
public:
  virtual ~ProgressObserver() = default;
  virtual void Progress(ProgressStage stage, int percent, const std::string& text) = 0;
};

class PngImage : public Bitmap {
public:
  PngImage();
  ~PngImage() override;

  // Reads one PNG from the stream's position and replaces the picture with it; the stream then
  // stands just after IEND. Throws InvalidImageError, CompressionError or ReadError; memory
  // that cannot be had is an InvalidImageError too.
  void ReadImage(Stream& stream);
  // The check pass: signature, IHDR and the gamma; fills Properties().
  bool ReadHeader(Stream& stream);

  const ImageProperties& Properties() const { return properties_; }
  ::ColorManager& Colors() { return *colorManager_; }
  void SetProgressObserver(ProgressObserver* observer) { observer_ = observer; }

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
  int SetupColorDepth(std::uint8_t colorType, std::uint8_t bitDepth);
  void ReadPalette();
  void ReadTransparency();
  void ReadBackground();
  void ReadGamma();
  void RequireColorFormat() const;
  void ReadImageData();
  void PrepareBitmap();
  void DecodeRows(std::uint32_t firstRow, std::uint32_t firstColumn, std::uint32_t rowStep,
                  std::uint32_t columnStep, std::uint8_t columnMask, bool reportRows);
  bool InflateRow(std::uint8_t* row, std::size_t size);
  void CheckImageSize() const;
  void Report(ProgressStage stage, int percent, const std::string& text);

  std::unique_ptr<ColorManager> colorManager_;
  ProgressObserver* observer_ = nullptr;
  std::int64_t basePosition_ = 0;
  Stream* stream_ = nullptr;
  ImageProperties properties_;
  std::unique_ptr<Inflater> decoder_;
  ReadState* state_ = nullptr;
  std::uint32_t idatSize_ = 0;
  std::vector<std::uint8_t> chunkBuffer_;
  const std::uint8_t* currentSource_ = nullptr;
  std::uint32_t chunkLength_ = 0;
  std::uint8_t chunkType_[4] = {};
  std::uint32_t runningCrc_ = 0;
  int filterStep_ = 1;
  bool targetChosen_ = false;
  bool hasPalette_ = false;
  std::vector<Color> paletteEntries_;
  Color transparentColor_ = kNoColor;
  Color backgroundColor_ = 0x00FFFFFF;
};
