// Writes the lens frame artwork:   make_frame_art resources/magn.png
// or pictures to judge it by:      make_frame_art --preview DIR
// The previews blend the art the way the lens window does: straight alpha over the picture in the
// lens area, premultiplied over the desktop outside it.
#include "tools/frame_art.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

namespace {

using namespace frame_art;
using Colour = std::array<int, 3>;
using Paint = std::function<Colour(int x, int y)>;

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// A page with lines of "words", light or dark.
Paint Page(Colour paper, Colour ink) {
  return [=](int x, int y) {
    const bool word = y % 16 >= 6 && y % 16 < 10 && (x * 7 + (y / 16) * 13) % 41 < 32;
    return word ? ink : paper;
  };
}

// What the lens shows: enlarged text beside a photo-like patch of sky over grass.
Colour Picture(int x, int y) {
  if (x < 190 || y < 110) return Page({255, 255, 255}, {30, 30, 36})(x / 3, y / 3);
  if (y < 200) return {90 + (y - 110) / 2, 150 + (y - 110) / 3, 235};
  return {60 + (x % 23) * 2, 150 - (y - 200), 50};
}

// The art nine-slice stretched to width x height, blended as the window does it, then enlarged.
std::vector<std::uint8_t> Compose(const std::vector<std::uint8_t>& art, int width, int height, const Paint& desktop,
                                  const Paint& lens, int zoom) {
  const auto source = [](int d, int size) {
    if (d < kCorner) return d;
    if (d >= size - kCorner) return d - (size - kSize);
    return kCorner + (d - kCorner) * (kSize - 2 * kCorner) / (size - 2 * kCorner);
  };
  std::vector<std::uint8_t> out(std::size_t(width) * zoom * height * zoom * 4);
  for (int y = 0; y < height * zoom; ++y) {
    for (int x = 0; x < width * zoom; ++x) {
      const int wx = x / zoom, wy = y / zoom;
      const std::uint8_t* p = &art[(source(wy, height) * kSize + source(wx, width)) * 4];
      const bool inLens = wx >= kLensLeft && wx < width - (kSize - kLensRight) && wy >= kLensTop &&
                          wy < height - (kSize - kLensBottom);
      const Colour under = inLens ? lens(wx, wy) : desktop(wx, wy);
      std::uint8_t* o = &out[(std::size_t(y) * width * zoom + x) * 4];
      for (int c = 0; c < 3; ++c) {
        const int u = std::clamp(under[c], 0, 255);
        const int colour = p[3] == 0 ? 0 : p[c];  // the loader clears clear pixels
        o[c] = static_cast<std::uint8_t>(inLens ? (colour * p[3] + u * (256 - p[3])) >> 8 : colour + u * (255 - p[3]) / 255);
      }
      o[3] = 255;
    }
  }
  return out;
}

int Preview(const std::string& dir) {
  const auto art = Pixels();
  const Paint light = Page({246, 246, 242}, {120, 124, 132}), dark = Page({38, 42, 50}, {92, 98, 110});
  const struct {
    const char* name;
    int width, height, zoom;
    Paint desktop, lens;
  } shots[] = {{"light", kSize, kSize, 4, light, light},
               {"dark", kSize, kSize, 4, dark, dark},
               {"stretched-light", 400, 300, 2, light, Picture},
               {"stretched-dark", 400, 300, 2, dark, Picture}};
  for (const auto& s : shots) {
    const std::string path = dir + "/frame-preview-" + s.name + ".png";
    const int w = s.width * s.zoom, h = s.height * s.zoom;
    if (!Write(path, EncodePng(w, h, Compose(art, s.width, s.height, s.desktop, s.lens, s.zoom), "preview"))) {
      std::fprintf(stderr, "make_frame_art: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--preview") return Preview(argv[2]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_frame_art OUT.png | make_frame_art --preview DIR\n");
    return 2;
  }
  if (!Write(argv[1], Png())) {
    std::fprintf(stderr, "make_frame_art: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
