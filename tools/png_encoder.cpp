#include "tools/png_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace png_encoder {

namespace {

struct Pass {
  std::uint32_t x0, y0, dx, dy;
};
constexpr std::array<Pass, 7> kAdam7 = {{
    {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2},
}};
constexpr Pass kWhole = {0, 0, 1, 1};

std::uint32_t Span(std::uint32_t size, std::uint32_t start, std::uint32_t step) {
  return size > start ? (size - start + step - 1) / step : 0;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.insert(out.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

// Packs the samples of one row of a pass, MSB first as PNG wants. Depths PNG does not allow are
// packed the same way, so that the reader sees rows of the length the header implies.
void PackRow(const Image& image, const Pass& pass, std::uint32_t y, std::uint32_t width,
             std::vector<std::uint8_t>& row) {
  const int spp = SamplesPerPixel(image.color_type);
  const int depth = image.bit_depth;
  std::fill(row.begin(), row.end(), 0);
  const std::uint16_t* line = image.samples.data() + std::size_t(y) * image.width * spp;
  if (depth == 8 || depth == 16) {
    std::uint8_t* out = row.data();
    for (std::uint32_t i = 0; i < width; ++i) {
      const std::uint16_t* px = line + std::size_t(pass.x0 + i * pass.dx) * spp;
      for (int c = 0; c < spp; ++c) {
        if (depth == 16) *out++ = std::uint8_t(px[c] >> 8);
        *out++ = std::uint8_t(px[c]);
      }
    }
    return;
  }
  std::size_t bit = 0;
  for (std::uint32_t i = 0; i < width; ++i) {
    const std::uint16_t* px = line + std::size_t(pass.x0 + i * pass.dx) * spp;
    for (int c = 0; c < spp; ++c) {
      for (int b = depth - 1; b >= 0; --b, ++bit) {
        if (b < 16 && (px[c] >> b & 1)) row[bit / 8] |= std::uint8_t(0x80 >> bit % 8);
      }
    }
  }
}

std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return std::uint8_t(a);
  return std::uint8_t(pb <= pc ? b : c);
}

void ApplyFilter(int type, const std::vector<std::uint8_t>& row, const std::vector<std::uint8_t>& prior,
                 std::size_t bpp, std::uint8_t* out) {
  for (std::size_t i = 0; i < row.size(); ++i) {
    const int a = i >= bpp ? row[i - bpp] : 0;
    const int b = prior[i];
    const int c = i >= bpp ? prior[i - bpp] : 0;
    int predictor = 0;
    switch (type) {
      case 1: predictor = a; break;
      case 2: predictor = b; break;
      case 3: predictor = (a + b) / 2; break;
      case 4: predictor = Paeth(a, b, c); break;
      default: break;
    }
    out[i] = std::uint8_t(row[i] - predictor);
  }
}

std::size_t Cost(const std::uint8_t* bytes, std::size_t n) {
  std::size_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += bytes[i] < 128 ? bytes[i] : 256 - bytes[i];
  return sum;
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data, int level) {
  z_stream z{};
  if (deflateInit(&z, level) != Z_OK) throw std::invalid_argument("bad zlib level");
  std::vector<std::uint8_t> out(deflateBound(&z, uLong(data.size())));
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = uInt(data.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate failed");
  return out;
}

std::string Lower(std::string s) {
  for (char& ch : s) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

class Writer {
public:
  explicit Writer(const Options& options) : options_(options) {
    out_ = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  }

  // One of the chunks the encoder writes itself.
  void Own(const std::string& type, const std::vector<std::uint8_t>& data) {
    const auto& lc = options_.lower_case;
    const bool lower = std::find(lc.begin(), lc.end(), type) != lc.end();
    Put(type, lower ? Lower(type) : type, data);
  }

  void Extras(At at) {
    for (const Chunk& chunk : options_.chunks) {
      if (chunk.at != at) continue;
      if (chunk.raw) out_.insert(out_.end(), chunk.data.begin(), chunk.data.end());
      else Put(chunk.type, chunk.type, chunk.data);
    }
  }

  std::vector<std::uint8_t> Take() { return std::move(out_); }

private:
  void Put(const std::string& name, const std::string& type, const std::vector<std::uint8_t>& data) {
    PutU32(out_, std::uint32_t(data.size()));
    const std::size_t start = out_.size();
    out_.insert(out_.end(), type.begin(), type.end());
    out_.insert(out_.end(), data.begin(), data.end());
    std::uint32_t crc = std::uint32_t(crc32(0, out_.data() + start, uInt(out_.size() - start)));
    if (!crcSpoiled_ && name == options_.bad_crc) {
      crc ^= 0x00010000;
      crcSpoiled_ = true;
    }
    PutU32(out_, crc);
  }

  const Options& options_;
  std::vector<std::uint8_t> out_;
  bool crcSpoiled_ = false;
};

std::uint32_t Next(std::uint32_t& state) {  // xorshift32: the same pictures on every machine
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

}  // namespace

int SamplesPerPixel(std::uint8_t color_type) {
  switch (color_type) {
    case kRGB: return 3;
    case kGreyAlpha: return 2;
    case kRGBA: return 4;
    default: return 1;
  }
}

bool IsValid(std::uint8_t color_type, std::uint8_t bit_depth) {
  switch (color_type) {
    case kGrey: return bit_depth == 1 || bit_depth == 2 || bit_depth == 4 || bit_depth == 8 || bit_depth == 16;
    case kIndexed: return bit_depth == 1 || bit_depth == 2 || bit_depth == 4 || bit_depth == 8;
    case kRGB:
    case kGreyAlpha:
    case kRGBA: return bit_depth == 8 || bit_depth == 16;
    default: return false;
  }
}

Chunk Bytes(std::string type, std::vector<std::uint8_t> data, At at) {
  return Chunk{std::move(type), std::move(data), at, false};
}

Chunk Words(std::string type, const std::vector<std::uint16_t>& values, At at) {
  std::vector<std::uint8_t> data;
  for (std::uint16_t v : values) data.insert(data.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
  return Bytes(std::move(type), std::move(data), at);
}

Chunk Plte(const std::vector<Rgb>& palette, At at) {
  std::vector<std::uint8_t> data;
  for (const Rgb& e : palette) data.insert(data.end(), {e.r, e.g, e.b});
  return Bytes("PLTE", std::move(data), at);
}

Chunk Gama(std::uint32_t gamma_times_100000, At at) {
  std::vector<std::uint8_t> data;
  PutU32(data, gamma_times_100000);
  return Bytes("gAMA", std::move(data), at);
}

Chunk Text(const std::string& keyword, const std::string& text, At at) {
  std::vector<std::uint8_t> data(keyword.begin(), keyword.end());
  data.push_back(0);
  data.insert(data.end(), text.begin(), text.end());
  return Bytes("tEXt", std::move(data), at);
}

Chunk Phys(std::uint32_t x_per_unit, std::uint32_t y_per_unit, std::uint8_t unit, At at) {
  std::vector<std::uint8_t> data;
  PutU32(data, x_per_unit);
  PutU32(data, y_per_unit);
  data.push_back(unit);
  return Bytes("pHYs", std::move(data), at);
}

Chunk Chrm(const std::uint32_t (&values)[8], At at) {
  std::vector<std::uint8_t> data;
  for (std::uint32_t v : values) PutU32(data, v);
  return Bytes("cHRM", std::move(data), at);
}

Chunk Iccp(const std::string& name, const std::vector<std::uint8_t>& profile, At at) {
  std::vector<std::uint8_t> data(name.begin(), name.end());
  data.insert(data.end(), {0, 0});  // terminator, compression method 0
  const auto packed = Deflate(profile, 9);
  data.insert(data.end(), packed.begin(), packed.end());
  return Bytes("iCCP", std::move(data), at);
}

Chunk RawBytes(std::vector<std::uint8_t> bytes, At at) { return Chunk{"", std::move(bytes), at, true}; }

std::vector<std::uint8_t> FilteredData(const Image& image, const Options& options) {
  const int spp = SamplesPerPixel(image.color_type);
  if (image.samples.size() != std::size_t(image.width) * image.height * spp) {
    throw std::invalid_argument("sample count does not match the size and colour type");
  }
  const std::uint64_t bits_per_pixel = std::uint64_t(spp) * image.bit_depth;
  const std::size_t bpp = std::max<std::size_t>(1, (bits_per_pixel + 7) / 8);

  std::vector<Pass> passes(1, kWhole);
  if (options.interlace) passes.assign(kAdam7.begin(), kAdam7.end());

  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> row, prior, trial;
  int row_number = 0;
  for (const Pass& pass : passes) {
    const std::uint32_t width = Span(image.width, pass.x0, pass.dx);
    const std::uint32_t height = Span(image.height, pass.y0, pass.dy);
    if (width == 0 || height == 0) continue;  // an empty pass has no rows, not even filter bytes
    const std::size_t row_bytes = std::size_t((width * bits_per_pixel + 7) / 8);
    row.assign(row_bytes, 0);
    prior.assign(row_bytes, 0);
    trial.resize(row_bytes);
    for (std::uint32_t r = 0; r < height; ++r, ++row_number) {
      PackRow(image, pass, pass.y0 + r * pass.dy, width, row);
      const std::size_t at = out.size();
      out.resize(at + 1 + row_bytes);
      std::uint8_t* filtered = out.data() + at + 1;
      int type = options.filter;
      if (row_number == options.bad_filter_row) {
        out[at] = options.bad_filter_byte;
        std::copy(row.begin(), row.end(), filtered);
      } else {
        if (type == kFilterCycle) type = row_number % 5;
        if (type == kFilterMixed) {
          std::size_t best = SIZE_MAX;
          for (int t = 0; t < 5; ++t) {
            ApplyFilter(t, row, prior, bpp, trial.data());
            const std::size_t cost = Cost(trial.data(), row_bytes);
            if (cost < best) {
              best = cost;
              type = t;
            }
          }
        }
        if (type < 0 || type > 4) throw std::invalid_argument("filter must be 0..4, cycle or mixed");
        out[at] = std::uint8_t(type);
        ApplyFilter(type, row, prior, bpp, filtered);
      }
      std::swap(row, prior);
    }
  }
  return out;
}

std::vector<std::uint8_t> Encode(const Image& image, const Options& options) {
  const auto compressed = Deflate(FilteredData(image, options), options.zlib_level);

  Writer w(options);
  std::vector<std::uint8_t> ihdr;
  PutU32(ihdr, image.width);
  PutU32(ihdr, image.height);
  ihdr.insert(ihdr.end(), {image.bit_depth, image.color_type, options.ihdr_compression.value_or(0),
                           options.ihdr_filter_method.value_or(0),
                           options.ihdr_interlace.value_or(options.interlace ? 1 : 0)});
  w.Own("IHDR", ihdr);
  w.Extras(At::kAfterIHDR);
  if (image.color_type == kIndexed && options.write_palette && !image.palette.empty()) {
    w.Own("PLTE", Plte(image.palette).data);
  }
  w.Extras(At::kBeforeIDAT);

  std::size_t done = 0;
  bool first = true;
  auto idat = [&](std::size_t size) {
    size = std::min(size, compressed.size() - done);
    w.Own("IDAT", {compressed.begin() + done, compressed.begin() + done + size});
    done += size;
    if (first) w.Extras(At::kAmongIDAT);
    first = false;
  };
  for (std::size_t size : options.idat_sizes) idat(size);
  if (done < compressed.size() || first) idat(compressed.size() - done);

  w.Extras(At::kAfterIDAT);
  w.Own("IEND", {});
  w.Extras(At::kAfterIEND);
  return w.Take();
}

Image MakePhoto(std::uint32_t width, std::uint32_t height, std::uint8_t color_type,
                std::uint8_t bit_depth, std::uint32_t seed) {
  Image image;
  image.width = width;
  image.height = height;
  image.color_type = color_type;
  image.bit_depth = bit_depth;
  const int spp = SamplesPerPixel(color_type);
  const bool indexed = color_type == kIndexed;
  const bool has_alpha = color_type == kGreyAlpha || color_type == kRGBA;
  const int depth = std::min<int>(bit_depth, 16);
  const std::int64_t levels = indexed ? std::min(256, 1 << std::min(depth, 8)) : std::int64_t(1) << depth;
  const std::int64_t top = levels - 1;
  const std::int64_t noise = top / 48;  // a few percent: photo-like, still compressible

  if (indexed) {
    for (std::int64_t i = 0; i < levels; ++i) {
      const auto t = std::uint8_t(levels > 1 ? i * 255 / top : 0);
      image.palette.push_back({t, std::uint8_t(255 - t), std::uint8_t(t / 2 + 64)});
    }
  }

  std::uint32_t state = seed * 2654435761u + 1;
  if (state == 0) state = 1;
  const std::int64_t w = std::max<std::uint32_t>(width, 1), h = std::max<std::uint32_t>(height, 1);
  const std::int64_t cx = w / 2, cy = h / 2, radius = std::max<std::int64_t>(std::min(w, h) * 2 / 5, 1);
  image.samples.reserve(std::size_t(width) * height * spp);
  for (std::int64_t y = 0; y < height; ++y) {
    for (std::int64_t x = 0; x < width; ++x) {
      for (int c = 0; c < spp; ++c) {
        std::int64_t v;
        if (has_alpha && c == spp - 1) {
          // Opaque inside, a ramp over the outer eighth, clear outside.
          const std::int64_t dx = x - cx, dy = y - cy;
          const std::int64_t d2 = dx * dx + dy * dy, r2 = radius * radius;
          const std::int64_t inner2 = r2 * 49 / 64;
          v = d2 <= inner2 ? top : d2 >= r2 ? 0 : top * (r2 - d2) / (r2 - inner2);
        } else {
          // Each channel slopes its own way, with a gentle diagonal ripple on top.
          const std::int64_t kx = 3 + c * 2, ky = 7 - c * 2;
          const std::int64_t ramp = (x * kx * h + y * ky * w) * top / ((kx + ky) * w * h);
          const std::int64_t ripple = ((x + y) % 32 < 16 ? (x + y) % 16 : 15 - (x + y) % 16) * top / 120;
          v = ramp + ripple;
          if (noise > 0) v += std::int64_t(Next(state) % (2 * noise + 1)) - noise;
          else if (Next(state) % 8 == 0) v ^= 1;  // low depths: the odd flipped sample
        }
        image.samples.push_back(std::uint16_t(std::clamp<std::int64_t>(v, 0, top)));
      }
    }
  }
  return image;
}

std::vector<ChunkView> SplitChunks(const std::vector<std::uint8_t>& png) {
  std::vector<ChunkView> chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = std::uint32_t(png[at]) << 24 | std::uint32_t(png[at + 1]) << 16 |
                                 std::uint32_t(png[at + 2]) << 8 | png[at + 3];
    if (length > png.size() - at - 12) break;
    const auto type = png.begin() + std::ptrdiff_t(at) + 4;
    chunks.push_back({std::string(type, type + 4), {type + 4, type + 4 + length}});
    at += 12 + std::size_t(length);
  }
  return chunks;
}

std::vector<std::uint8_t> JoinChunks(const std::vector<ChunkView>& chunks) {
  const Options plain;
  Writer writer(plain);
  for (const ChunkView& c : chunks) writer.Own(c.type, c.data);
  return writer.Take();
}

}  // namespace png_encoder
