// Decode time of our PNG reader against libpng decoding to 8-bit BGRA and against zlib inflating
// the same image data alone, the floor no reader goes below. Ends with a table of ratios.
//   png_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "framework/stream.h"
#include "imaging/png_image.h"
#include "tools/png_encoder.h"

namespace {

using namespace png_encoder;

struct Subject {
  std::string name;
  std::vector<std::uint8_t> png;
  std::vector<std::uint8_t> idat;  // the IDAT payloads, joined
  std::size_t raw_size = 0;        // inflated: filter bytes and rows of every pass
  std::size_t row_size = 0;        // one full row with its filter byte
  std::string our_format;
};

// --- libpng, set up as an application wanting BGRA8 whatever the file holds ---

struct MemorySource {
  const std::uint8_t* data;
  std::size_t size, at;
};

void ReadMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* src = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (count > src->size - src->at) png_error(png, "read past the end");
  std::memcpy(out, src->data + src->at, count);
  src->at += count;
}

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Ignore(png_structp, png_const_charp) {}

// The caller owns every C++ object, so a longjmp out of libpng skips no destructor.
bool LibpngDecode(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& pixels,
                  std::vector<png_bytep>& rows) {
  MemorySource src{file.data(), file.size(), 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &src, ReadMemory);
  png_read_info(png, info);
  const int color_type = png_get_color_type(png, info);
  double file_gamma;
  if (png_get_gAMA(png, info, &file_gamma)) png_set_gamma(png, 2.2, file_gamma);  // as ours does
  png_set_expand(png);
  png_set_strip_16(png);  // our reader truncates too
  if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);  // no-op when the file has alpha or tRNS
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::uint32_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  pixels.resize(std::size_t(width) * height * 4);
  rows.resize(height);
  for (std::uint32_t y = 0; y < height; ++y) rows[y] = pixels.data() + std::size_t(y) * width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

std::size_t InflatedSize(const std::vector<std::uint8_t>& z) {
  z_stream s{};
  inflateInit(&s);
  s.next_in = const_cast<Bytef*>(z.data());
  s.avail_in = uInt(z.size());
  std::vector<std::uint8_t> sink(1 << 16);
  int rc;
  do {
    s.next_out = sink.data();
    s.avail_out = uInt(sink.size());
    rc = inflate(&s, Z_NO_FLUSH);
  } while (rc == Z_OK);
  const std::size_t size = s.total_out;
  inflateEnd(&s);
  return rc == Z_STREAM_END ? size : 0;
}

const char* FormatName(PixelFormat f) {
  switch (f) {
    case PixelFormat::Bits1: return "1-bit";
    case PixelFormat::Bits4: return "4-bit";
    case PixelFormat::Bits8: return "8-bit";
    case PixelFormat::Bits24: return "BGR";
    case PixelFormat::Bits32: return "BGRA";
  }
  return "?";
}

Subject MakeSubject(std::string name, std::vector<std::uint8_t> png) {
  Subject s{std::move(name), std::move(png), {}, 0, 0, ""};
  std::uint32_t height = 1;
  for (const auto& c : SplitChunks(s.png)) {
    if (c.type == "IDAT") s.idat.insert(s.idat.end(), c.data.begin(), c.data.end());
    if (c.type == "IHDR") height = std::uint32_t(c.data[4]) << 24 | c.data[5] << 16 | c.data[6] << 8 | c.data[7];
  }
  s.raw_size = InflatedSize(s.idat);
  s.row_size = s.raw_size / height;
  return s;
}

// Our pixels against libpng's where both are BGRA; a benchmark of wrong output is worthless.
void CrossCheck(Subject& s) {
  PngImage ours;
  MemoryStream stream(s.png.data(), s.png.size());
  ours.ReadImage(stream);
  s.our_format = FormatName(ours.Format());
  std::vector<std::uint8_t> pixels;
  std::vector<png_bytep> rows;
  if (ours.Format() != PixelFormat::Bits32 || !LibpngDecode(s.png, pixels, rows)) return;
  // Gamma tables may round differently: report how far apart, not only whether.
  std::size_t differ = 0;
  int worst = 0;
  for (int y = 0; y < ours.Height(); ++y) {
    const std::uint8_t* a = ours.Row(y);
    for (std::size_t i = 0; i < std::size_t(ours.Width()) * 4; ++i) {
      const int d = std::abs(int(a[i]) - int(rows[y][i]));
      differ += d != 0;
      worst = std::max(worst, d);
    }
  }
  if (differ) {
    std::fprintf(stderr, "png_bench: %s: %zu samples differ from libpng's, by at most %d\n", s.name.c_str(),
                 differ, worst);
  }
}

void BM_Ours(benchmark::State& state, const Subject* s) {
  for (auto _ : state) {
    PngImage g;
    MemoryStream stream(s->png.data(), s->png.size());
    try {
      g.ReadImage(stream);
    } catch (const Error& e) {
      state.SkipWithError(e.what());
      break;
    }
    benchmark::DoNotOptimize(g.Row(0));
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(s->raw_size));
}

void BM_Libpng(benchmark::State& state, const Subject* s) {
  for (auto _ : state) {
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    if (!LibpngDecode(s->png, pixels, rows)) {
      state.SkipWithError("libpng refused the file");
      break;
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(s->raw_size));
}

void BM_Inflate(benchmark::State& state, const Subject* s) {
  std::vector<std::uint8_t> raw(s->raw_size);
  for (auto _ : state) {
    z_stream z{};
    inflateInit(&z);
    z.next_in = const_cast<Bytef*>(s->idat.data());
    z.avail_in = uInt(s->idat.size());
    z.next_out = raw.data();
    z.avail_out = uInt(raw.size());
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    if (rc != Z_STREAM_END) {
      state.SkipWithError("inflate failed");
      break;
    }
    benchmark::DoNotOptimize(raw.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(s->raw_size));
}

// Inflate as a streaming decoder must: one row at a time into one row's buffer. zlib then
// keeps its own window of the output, which a single call into one big buffer avoids; this is
// the floor for any reader that holds only a row or two.
void BM_InflateRows(benchmark::State& state, const Subject* s) {
  std::vector<std::uint8_t> row(s->row_size);
  for (auto _ : state) {
    z_stream z{};
    inflateInit(&z);
    z.next_in = const_cast<Bytef*>(s->idat.data());
    z.avail_in = uInt(s->idat.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
      z.next_out = row.data();
      z.avail_out = uInt(row.size());
      rc = inflate(&z, Z_PARTIAL_FLUSH);
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) {
      state.SkipWithError("inflate failed");
      break;
    }
    benchmark::DoNotOptimize(row.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(s->raw_size));
}

// Shows every run as usual and keeps each one's time per iteration for the ratio table.
class Collector : public benchmark::ConsoleReporter {
public:
  using ConsoleReporter::ConsoleReporter;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
  }
  std::map<std::string, double> times;  // milliseconds
};

std::vector<Subject> LoadSubjects() {
  std::vector<Subject> subjects;
  const std::filesystem::path frame = std::filesystem::path(VITRELLE_SOURCE_DIR) / "resources" / "magn.png";
  if (std::filesystem::exists(frame)) {
    subjects.push_back(MakeSubject("magn.png", ReadWholeFile(frame.string())));
  } else {
    std::fprintf(stderr, "png_bench: %s is not there; the lens frame is left out\n", frame.string().c_str());
  }
  std::fprintf(stderr, "png_bench: generating the 2048x2048 pictures...\n");
  auto photo = [&](const char* name, std::uint8_t type, std::uint8_t depth, bool interlace) {
    Options o;
    o.interlace = interlace;
    o.filter = kFilterMixed;
    subjects.push_back(MakeSubject(name, Encode(MakePhoto(2048, 2048, type, depth), o)));
  };
  photo("rgba8", kRGBA, 8, false);
  photo("rgb16", kRGB, 16, false);
  photo("rgba8_adam7", kRGBA, 8, true);
  photo("grey8", kGrey, 8, false);
  photo("indexed8", kIndexed, 8, false);
  return subjects;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::vector<Subject> subjects = LoadSubjects();
  for (Subject& s : subjects) {
    try {
      CrossCheck(s);
    } catch (const Error& e) {
      std::fprintf(stderr, "png_bench: our reader refused %s: %s\n", s.name.c_str(), e.what());
    }
    const Subject* p = &s;
    benchmark::RegisterBenchmark(("ours/" + s.name).c_str(), BM_Ours, p)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("libpng/" + s.name).c_str(), BM_Libpng, p)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("inflate/" + s.name).c_str(), BM_Inflate, p)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("inflate_rows/" + s.name).c_str(), BM_InflateRows, p)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }

  Collector collector(isatty(fileno(stdout)) ? benchmark::ConsoleReporter::OO_ColorTabular
                                             : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  std::printf("\n%-14s %9s %7s %9s %9s %10s %10s %12s %13s %10s\n", "image", "PNG KiB", "ours", "ours ms",
              "libpng ms", "inflate ms", "by row ms", "ours/libpng", "ours/inflate", "ours/rows");
  for (const Subject& s : subjects) {
    auto time = [&](const char* who) {
      const auto it = collector.times.find(std::string(who) + "/" + s.name + "/real_time");
      return it == collector.times.end() ? 0.0 : it->second;
    };
    const double ours = time("ours"), libpng = time("libpng"), inflate = time("inflate"),
                 rows = time("inflate_rows");
    if (ours == 0) continue;  // filtered out or failed
    std::printf("%-14s %9zu %7s %9.2f %9.2f %10.2f %10.2f", s.name.c_str(), s.png.size() / 1024,
                s.our_format.c_str(), ours, libpng, inflate, rows);
    libpng > 0 ? std::printf(" %12.2f", ours / libpng) : std::printf(" %12s", "-");
    inflate > 0 ? std::printf(" %13.2f", ours / inflate) : std::printf(" %13s", "-");
    rows > 0 ? std::printf(" %10.2f\n", ours / rows) : std::printf(" %10s\n", "-");
  }
  return 0;
}
