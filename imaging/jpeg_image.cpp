#include "imaging/jpeg_image.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE and size_t without including their headers
#include <cstring>
#include <exception>
#include <string>

#include <jpeglib.h>

#include "imaging/errors.h"
#include "resources/texts.h"

// libjpeg takes the size as an unsigned long.
static_assert(sizeof(unsigned long) >= sizeof(std::size_t));

namespace {

// One decoding run: libjpeg's error manager and what the run hands back. Plain data only, since
// libjpeg leaves it by longjmp.
struct Run {
  jpeg_error_mgr error;  // first: libjpeg's pointer to it is a pointer to the run
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX + 128];
  Bitmap* out;
};

void SetMessage(Run& run, const char* text) {
  std::snprintf(run.message, sizeof run.message, "%s", text);
}

[[noreturn]] void ExitToDecompress(j_common_ptr cinfo) {
  Run& run = *reinterpret_cast<Run*>(cinfo->err);
  char text[JMSG_LENGTH_MAX];
  cinfo->err->format_message(cinfo, text);
  SetMessage(run, text);
  std::longjmp(run.jump, 1);
}

// libjpeg would print its warnings (damaged data it repairs, a stream cut short that it pads)
// on stderr; it still counts them.
void Silent(j_common_ptr) {}

// Gives the bitmap its size; any failure becomes the run's message, so that no exception passes
// through libjpeg's frames.
bool SizeBitmap(Run& run, int width, int height) noexcept {
  try {
    run.out->Clear();  // no palette or transparent colour of an earlier picture stays
    run.out->SetFormat(PixelFormat::Bits24);
    run.out->SetSize(width, height);
    return true;
  } catch (const std::exception& e) {
    SetMessage(run, e.what());
  } catch (...) {
    SetMessage(run, texts::kJpegTooLarge);
  }
  return false;
}

// The decoding steps. libjpeg's errors leave them by longjmp, back to Decompress; nothing here
// owns anything that a jump would need to end.
bool DecodeInto(jpeg_decompress_struct& cinfo, const std::uint8_t* data, std::size_t size, Run& run) {
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  const char* refusal = nullptr;
  if (cinfo.src->bytes_in_buffer == 0) {
    refusal = texts::kJpegNoImageData;  // the stream ends with the scan header: nothing to show
  } else if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
    refusal = texts::kJpegCMYK;
  } else if (cinfo.image_width > JDIMENSION(kMaxJpegSide) || cinfo.image_height > JDIMENSION(kMaxJpegSide)) {
    refusal = texts::kJpegTooLarge;
  }
  if (refusal != nullptr) {
    SetMessage(run, refusal);
    return false;
  }
  if (!SizeBitmap(run, int(cinfo.image_width), int(cinfo.image_height))) return false;

  cinfo.out_color_space = JCS_EXT_BGR;  // the bitmap's own byte order; grey is expanded
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height ||
      cinfo.output_components != 3) {
    SetMessage(run, texts::kJpegNoRows);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = run.out->Row(int(cinfo.output_scanline));
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {  // a memory source never suspends
      SetMessage(run, texts::kJpegNoRows);
      return false;
    }
  }
  // What follows the last row cannot change the picture, so it is not read.
  return true;
}

// The frame that setjmp and libjpeg's longjmp span. It owns nothing but libjpeg's C state, so a
// jump skips no destructor, and every way out destroys the decompressor.
bool Decompress(const std::uint8_t* data, std::size_t size, Run& run) {
  jpeg_decompress_struct cinfo = {};  // zero: destroying it is safe even if creation fails
  cinfo.err = jpeg_std_error(&run.error);
  run.error.error_exit = ExitToDecompress;
  run.error.output_message = Silent;
  bool decoded = false;  // set only when DecodeInto returns, never before a jump
  if (setjmp(run.jump) == 0) {
    jpeg_create_decompress(&cinfo);
    decoded = DecodeInto(cinfo, data, size, run);
  }
  jpeg_destroy_decompress(&cinfo);
  return decoded;
}

}  // namespace

void LoadJpeg(const std::uint8_t* data, std::size_t size, Bitmap& out) {
  if (data == nullptr || size == 0) {
    out.Clear();
    throw InvalidImageError(std::string(texts::kJpegPrefix) + texts::kJpegNoImageData);
  }
  Run run;
  run.message[0] = '\0';
  run.out = &out;
  if (!Decompress(data, size, run)) {
    out.Clear();
    throw InvalidImageError(texts::kJpegPrefix + std::string(run.message));
  }
}
