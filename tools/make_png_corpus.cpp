// Writes the fuzz seed corpus: small PNGs covering every colour type and depth, both layouts,
// every filter, the chunks the reader handles, and the damage it must refuse.
//   make_png_corpus DIRECTORY
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/png_encoder.h"

using namespace png_encoder;

namespace {

// Seeds stay small so that the fuzzer spends its time mutating, not reading.
constexpr std::size_t kMaxSeedBytes = 2048;

struct Format {
  const char* name;
  std::uint8_t type, depth;
};
const Format kFormats[] = {
    {"g1", kGrey, 1},     {"g2", kGrey, 2},        {"g4", kGrey, 4},         {"g8", kGrey, 8},
    {"g16", kGrey, 16},   {"rgb8", kRGB, 8},       {"rgb16", kRGB, 16},      {"p1", kIndexed, 1},
    {"p2", kIndexed, 2},  {"p4", kIndexed, 4},     {"p8", kIndexed, 8},      {"ga8", kGreyAlpha, 8},
    {"ga16", kGreyAlpha, 16}, {"rgba8", kRGBA, 8}, {"rgba16", kRGBA, 16},
};

class Corpus {
public:
  explicit Corpus(std::filesystem::path dir) : dir_(std::move(dir)) {}

  void Add(const std::string& name, const std::vector<std::uint8_t>& png) {
    std::ofstream(dir_ / (name + ".png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    if (png.size() > kMaxSeedBytes) {
      std::fprintf(stderr, "make_png_corpus: %s is %zu bytes, over %zu\n", name.c_str(), png.size(), kMaxSeedBytes);
      oversized_ = true;
    }
    ++count_;
  }
  void Add(const std::string& name, const Image& image, const Options& options = {}) {
    Add(name, Encode(image, options));
  }

  int count() const { return count_; }
  bool oversized() const { return oversized_; }

private:
  std::filesystem::path dir_;
  int count_ = 0;
  bool oversized_ = false;
};

Options With(std::vector<Chunk> chunks) {
  Options o;
  o.chunks = std::move(chunks);
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_png_corpus DIRECTORY\n");
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  Corpus corpus(argv[1]);

  // Every valid format, plain and Adam7; odd sizes leave partial bytes and uneven passes.
  for (const Format& f : kFormats) {
    corpus.Add(std::string(f.name), MakePhoto(11, 7, f.type, f.depth, f.depth));
    corpus.Add(std::string(f.name) + "_adam7", MakePhoto(13, 9, f.type, f.depth, f.depth + 1),
               {.interlace = true, .filter = kFilterCycle});
  }
  const Image rgb = MakePhoto(12, 10, kRGB, 8, 7);
  for (int filter = 0; filter <= 4; ++filter) corpus.Add("rgb8_filter" + std::to_string(filter), rgb, {.filter = filter});
  corpus.Add("rgb8_filter_cycle", rgb, {.filter = kFilterCycle});
  corpus.Add("tiny_1x1_adam7", MakePhoto(1, 1, kRGBA, 8), {.interlace = true});
  corpus.Add("tiny_3x2_adam7", MakePhoto(3, 2, kGrey, 4), {.interlace = true});

  // Transparency, background, gamma and palettes.
  const Image grey = MakePhoto(10, 8, kGrey, 8, 3);
  const Image pal = MakePhoto(10, 8, kIndexed, 4, 3);
  corpus.Add("g8_trns", grey, With({Words("tRNS", {grey.samples[0]})}));
  corpus.Add("g16_trns_bkgd", MakePhoto(8, 8, kGrey, 16), With({Words("tRNS", {1000}), Words("bKGD", {65535})}));
  corpus.Add("rgb8_trns_bkgd", rgb, With({Words("tRNS", {rgb.samples[0], rgb.samples[1], rgb.samples[2]}),
                                          Words("bKGD", {255, 0, 128})}));
  corpus.Add("p4_trns_bkgd", pal, With({Bytes("tRNS", {0, 64, 128, 255}), Bytes("bKGD", {2})}));
  corpus.Add("p4_trns_long", pal, With({Bytes("tRNS", std::vector<std::uint8_t>(20, 7))}));
  corpus.Add("p4_short_palette", [&] {
    Image short_palette = pal;
    short_palette.palette.resize(3);
    return short_palette;
  }());
  corpus.Add("rgba8_gama", MakePhoto(10, 8, kRGBA, 8), With({Gama(45455, At::kAfterIHDR)}));
  corpus.Add("g8_gama_1", grey, With({Gama(100000, At::kAfterIHDR)}));
  corpus.Add("rgb8_suggested_plte", rgb, With({Plte({{0, 0, 0}, {255, 255, 255}, {255, 0, 0}})}));
  corpus.Add("rgb8_ancillaries", rgb,
             With({Text("Title", "seed", At::kAfterIHDR), Phys(2835, 2835, 1),
                   Chrm({31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000}, At::kAfterIHDR),
                   Iccp("icc", std::vector<std::uint8_t>(64, 1), At::kAfterIHDR), Bytes("vpAg", {0, 1, 2, 3}),
                   Text("Comment", "after the data", At::kAfterIDAT)}));

  // The chunks that read header fields, in the form each colour type gives them, so that
  // mutations of the header meet them.
  for (const Format& f : kFormats) {
    const std::uint16_t top = std::uint16_t(f.depth == 16 ? 65535 : (1u << f.depth) - 1);
    const bool colour = f.type == kRGB || f.type == kRGBA;
    std::vector<Chunk> chunks = {Gama(45455, At::kAfterIHDR)};
    if (f.type == kIndexed) {
      chunks.push_back(Bytes("bKGD", {1}));
      chunks.push_back(Bytes("tRNS", {0, 128}));
    } else {
      chunks.push_back(colour ? Words("bKGD", {top, 0, std::uint16_t(top / 2)}) : Words("bKGD", {top}));
      chunks.push_back(colour ? Words("tRNS", {0, top, 1}) : Words("tRNS", {1}));
    }
    corpus.Add(std::string(f.name) + "_gama_bkgd_trns", MakePhoto(5, 4, f.type, f.depth, 11), With(chunks));
  }
  // Each ancillary chunk before and after PLTE, among the IDAT chunks and after them.
  const struct {
    const char* name;
    At at;
  } kPlaces[] = {{"before_plte", At::kAfterIHDR},
                 {"after_plte", At::kBeforeIDAT},
                 {"among_idat", At::kAmongIDAT},
                 {"after_idat", At::kAfterIDAT}};
  const Image pal8 = MakePhoto(6, 5, kIndexed, 8, 5);
  const std::uint32_t chrm[8] = {31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
  for (const auto& place : kPlaces) {
    const Chunk chunks[] = {Gama(45455, place.at), Bytes("bKGD", {2}, place.at), Bytes("tRNS", {0, 64}, place.at),
                            Text("Title", "seed", place.at), Phys(2835, 2835, 1, place.at), Chrm(chrm, place.at),
                            Iccp("icc", std::vector<std::uint8_t>(16, 1), place.at), Bytes("sRGB", {0}, place.at)};
    for (const Chunk& chunk : chunks) {
      Options o = With({chunk});
      o.idat_sizes = {24};
      corpus.Add("p8_" + chunk.type + "_" + place.name, pal8, o);
    }
  }

  // Chunk layout.
  Options split;
  split.idat_sizes = {1, 16, 16, 16, 16};
  corpus.Add("rgb8_split_idat", rgb, split);
  Options empty;
  empty.idat_sizes = {0, 20, 0};
  corpus.Add("rgb8_empty_idat", rgb, empty);
  corpus.Add("rgb8_lower_idat", rgb, {.lower_case = {"IDAT"}});
  corpus.Add("p4_lower_all", pal, {.lower_case = {"IHDR", "PLTE", "IDAT", "IEND"}});
  corpus.Add("rgb8_trailing_bytes", rgb, With({RawBytes({1, 2, 3, 4, 5}, At::kAfterIEND)}));

  // Files to refuse.
  corpus.Add("bad_crc_ihdr", rgb, {.bad_crc = "IHDR"});
  corpus.Add("bad_crc_idat", rgb, {.bad_crc = "IDAT"});
  corpus.Add("bad_crc_plte", pal, {.bad_crc = "PLTE"});
  corpus.Add("bad_rgb4", MakePhoto(8, 8, kRGB, 4));
  corpus.Add("bad_p16", MakePhoto(8, 8, kIndexed, 16));
  corpus.Add("bad_g3", MakePhoto(8, 8, kGrey, 3));
  corpus.Add("bad_type5", MakePhoto(8, 8, 5, 8));
  corpus.Add("bad_type7", MakePhoto(8, 8, 7, 8));
  corpus.Add("bad_compression", rgb, {.ihdr_compression = 1});
  corpus.Add("bad_filter_method", rgb, {.ihdr_filter_method = 1});
  corpus.Add("bad_interlace_method", rgb, {.ihdr_interlace = 2});
  corpus.Add("bad_filter_byte", rgb, {.bad_filter_row = 3, .bad_filter_byte = 5});
  corpus.Add("bad_critical_chunk", rgb, With({Bytes("XBAD", {0, 1})}));
  corpus.Add("bad_p4_no_plte", pal, {.write_palette = false});
  corpus.Add("bad_plte_after_idat", pal, [] {
    Options o;
    o.write_palette = false;
    o.chunks = {Plte({{1, 2, 3}, {4, 5, 6}}, At::kAfterIDAT)};
    return o;
  }());
  corpus.Add("bad_extra_data", rgb, With({Bytes("IDAT", {0x78, 0x9C, 0x03, 0x00}, At::kAfterIDAT)}));
  corpus.Add("bad_chunk_among_idat", rgb, [] {
    Options o;
    o.idat_sizes = {30};
    o.chunks = {Text("Title", "between", At::kAmongIDAT)};
    return o;
  }());
  const auto whole = Encode(rgb);
  corpus.Add("bad_truncated_idat", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 60));
  corpus.Add("bad_truncated_iend", std::vector<std::uint8_t>(whole.begin(), whole.end() - 6));
  corpus.Add("bad_signature_only", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 8));

  std::printf("make_png_corpus: %d files in %s\n", corpus.count(), argv[1]);
  return corpus.oversized() ? 1 : 0;
}
