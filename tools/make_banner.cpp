// Writes the About box's banner:   make_banner resources/banner.jpg
// A deep blue to teal sky with soft light over a fine field of dots, and on the right a round
// magnifying lens that enlarges the dots beneath it. Baseline JPEG, 24-bit colour, no text: the
// box has its own labels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 298, kHeight = 75;
constexpr int kSamples = 4;  // per axis, per pixel: antialiasing for the hard edges
constexpr int kQuality = 90;

struct Colour {
  double r, g, b;  // 0..1
};

Colour Mix(Colour a, Colour b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Colour Scale(Colour a, double k) { return {a.r * k, a.g * k, a.b * k}; }
Colour Add(Colour a, Colour b, double k) { return {a.r + b.r * k, a.g + b.g * k, a.b + b.b * k}; }

double SmoothStep(double from, double to, double x) {
  const double t = std::clamp((x - from) / (to - from), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// The lens: a glass disc in a rim, with a handle down and to the right.
constexpr double kLensX = 232, kLensY = 32;
constexpr double kGlassRadius = 21.5, kRimWidth = 4;
constexpr double kOuterRadius = kGlassRadius + kRimWidth;
constexpr double kZoom = 2.0;
constexpr double kHandleAngle = 0.80;  // radians below the horizontal
constexpr double kCollarEnd = kOuterRadius + 6, kHandleEnd = kOuterRadius + 27;
constexpr double kCollarHalfWidth = 4.6, kHandleHalfWidth = 3.8;

// Light comes from the upper left.
const double kLightX = -0.62, kLightY = -0.78;

// Where along the handle's axis, and how far across it, a point lies.
void HandleCoordinates(double x, double y, double& along, double& across) {
  const double dx = x - kLensX, dy = y - kLensY;
  const double ux = std::cos(kHandleAngle), uy = std::sin(kHandleAngle);
  along = dx * ux + dy * uy;
  across = -dx * uy + dy * ux;
}

// Signed distance to the lens's whole outline (disc and handle), negative inside: for the shadow.
double LensDistance(double x, double y) {
  const double disc = std::hypot(x - kLensX, y - kLensY) - kOuterRadius;
  double along, across;
  HandleCoordinates(x, y, along, across);
  const double a = std::clamp(along, kOuterRadius - 2, kHandleEnd);
  const double handle = std::hypot(along - a, across) - kCollarHalfWidth;
  return std::min(disc, handle);
}

// The sky: a deep blue that turns teal to the lower right, lit softly from the upper left.
Colour Sky(double x, double y) {
  const Colour deep = {0.035, 0.090, 0.250}, mid = {0.040, 0.250, 0.450}, teal = {0.060, 0.520, 0.560};
  const double d = std::clamp(0.80 * x / kWidth + 0.45 * y / kHeight, 0.0, 1.0);
  Colour c = d < 0.55 ? Mix(deep, mid, SmoothStep(0, 0.55, d)) : Mix(mid, teal, SmoothStep(0.55, 1.1, d));
  const double glow = std::exp(-(std::pow((x - 70) / 120, 2) + std::pow((y + 25) / 55, 2)));
  c = Add(c, {0.55, 0.75, 0.95}, 0.30 * glow);
  const double halo = std::exp(-(std::pow((x - kLensX) / 60, 2) + std::pow((y - kLensY) / 40, 2)));
  c = Add(c, {0.30, 0.80, 0.85}, 0.10 * halo);
  // Faint rays fanning out from the light.
  const double angle = std::atan2(y + 25, x - 70);
  const double rays = std::pow(0.5 + 0.5 * std::sin(angle * 11 + 0.7) * std::sin(angle * 5.3 + 2.1), 3);
  c = Add(c, {0.60, 0.85, 1.00}, 0.10 * rays * std::exp(-std::hypot(x - 70, y + 25) / 150));
  // A few out-of-focus discs of light drifting across the left.
  const struct {
    double x, y, r, k;
  } bokeh[] = {{38, 52, 13, 0.06}, {92, 18, 9, 0.07}, {128, 58, 16, 0.045}, {168, 14, 7, 0.06}, {12, 12, 8, 0.05}};
  for (const auto& b : bokeh) {
    const double inside = 1 - SmoothStep(b.r - 1.5, b.r + 1.0, std::hypot(x - b.x, y - b.y));
    c = Add(c, {0.70, 0.90, 1.00}, b.k * inside);
  }
  return c;
}

// The fine field of dots over the sky, fading in from the left towards the lens.
double DotCoverage(double x, double y, double radius) {
  constexpr double kPitch = 6;
  const double row = std::floor(y / kPitch);
  const double shift = std::fmod(row, 2.0) == 0 ? 0 : kPitch / 2;  // staggered rows
  const double cx = std::floor((x - shift) / kPitch) * kPitch + shift + kPitch / 2;
  const double cy = row * kPitch + kPitch / 2;
  return std::hypot(x - cx, y - cy) <= radius ? 1 : 0;
}

double DotStrength(double x) { return 0.06 + 0.34 * SmoothStep(20, 230, x); }

Colour Surface(double x, double y, double dot_radius) {
  Colour c = Sky(x, y);
  return Mix(c, {0.78, 0.95, 1.00}, DotStrength(x) * DotCoverage(x, y, dot_radius));
}

// Seen through the glass: the surface enlarged about the lens's centre, a little less towards
// the rim as real glass does, brightened and tinted, darker near the rim, with a highlight.
Colour ThroughGlass(double x, double y) {
  const double dx = x - kLensX, dy = y - kLensY;
  const double r = std::hypot(dx, dy) / kGlassRadius;
  const double k = (1 + 0.22 * r * r) / kZoom;
  Colour c = Surface(kLensX + dx * k, kLensY + dy * k, 0.95);
  c = Add(Scale(c, 1.08), {0.10, 0.20, 0.24}, 0.22);
  c = Scale(c, 1 - 0.30 * SmoothStep(0.70, 1.0, r));
  // A soft highlight in the upper left of the glass, and a thin one along the lower right edge.
  const double hx = (dx + 8.5) / 9.5, hy = (dy + 9.5) / 5.5;
  const double rot = 0.6;
  const double ex = hx * std::cos(rot) + hy * std::sin(rot), ey = -hx * std::sin(rot) + hy * std::cos(rot);
  c = Add(c, {1, 1, 1}, 0.55 * std::exp(-(ex * ex + ey * ey) * 1.6));
  const double facing = -(dx * kLightX + dy * kLightY) / std::max(std::hypot(dx, dy), 1e-6);
  c = Add(c, {0.85, 1, 1}, 0.35 * SmoothStep(0.86, 0.98, r) * SmoothStep(0.3, 1.0, facing));
  return c;
}

// The rim: brushed steel, lit from the upper left, rounded across its width.
Colour Rim(double x, double y) {
  const double dx = x - kLensX, dy = y - kLensY;
  const double dist = std::hypot(dx, dy);
  const double across = (dist - kGlassRadius) / kRimWidth;  // 0 inside edge .. 1 outside edge
  const double lit = (dx * kLightX + dy * kLightY) / std::max(dist, 1e-6);  // -1 .. 1
  const double bulge = std::sin(std::clamp(across, 0.0, 1.0) * 3.14159265);
  double level = 0.46 + 0.30 * lit * bulge + 0.18 * bulge;
  level += 0.22 * std::exp(-std::pow((across - 0.35) / 0.16, 2)) * std::max(lit, 0.0);
  const Colour steel = {0.80, 0.88, 0.95};
  return Scale(steel, std::clamp(level, 0.08, 1.15));
}

// The handle: a steel collar by the rim, then a dark grip, both rounded across.
Colour Handle(double along, double across) {
  const bool collar = along < kCollarEnd;
  const double half = collar ? kCollarHalfWidth : kHandleHalfWidth;
  const double t = std::clamp(across / half, -1.0, 1.0);  // -1 is the upper right edge
  const double shade = std::sqrt(std::max(0.0, 1 - t * t));
  const double shine = std::exp(-std::pow((t + 0.40) / 0.25, 2));
  if (collar) return Scale({0.80, 0.88, 0.95}, 0.35 + 0.45 * shade + 0.35 * shine);
  const Colour grip = {0.10, 0.12, 0.18};
  return Add(Scale(grip, 0.55 + 0.6 * shade), {0.55, 0.70, 0.85}, 0.35 * shine);
}

// One sample of the picture, hard edges and all.
Colour Scene(double x, double y) {
  const double dist = std::hypot(x - kLensX, y - kLensY);
  if (dist < kGlassRadius) return ThroughGlass(x, y);
  if (dist < kOuterRadius) return Rim(x, y);
  double along, across;
  HandleCoordinates(x, y, along, across);
  if (along > kOuterRadius - 2) {
    if (along < kCollarEnd && std::abs(across) < kCollarHalfWidth) return Handle(along, across);
    const double a = std::clamp(along, kCollarEnd, kHandleEnd);
    if (std::hypot(along - a, across) < kHandleHalfWidth) return Handle(along, across);
  }
  const Colour surface = Surface(x, y, 0.75);
  // The lens's soft shadow, falling down and to the right.
  const double d = LensDistance(x - 3.5, y - 4.5);
  const double shadow = 0.42 * (1 - SmoothStep(-3, 5, d));
  return Scale(surface, 1 - shadow);
}

std::vector<unsigned char> Render() {
  std::vector<unsigned char> rgb(std::size_t(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Colour sum = {0, 0, 0};
      for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx)
          sum = Add(sum, Scene(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples), 1.0 / (kSamples * kSamples));
      unsigned char* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
      p[0] = static_cast<unsigned char>(std::lround(std::clamp(sum.r, 0.0, 1.0) * 255));
      p[1] = static_cast<unsigned char>(std::lround(std::clamp(sum.g, 0.0, 1.0) * 255));
      p[2] = static_cast<unsigned char>(std::lround(std::clamp(sum.b, 0.0, 1.0) * 255));
    }
  }
  return rgb;
}

bool WriteJpeg(const char* path, const std::vector<unsigned char>& rgb) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);  // errors end the tool: nothing to clean up but the file
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, kQuality, TRUE);
  // Full-resolution colour: the fine dots and the rim would bleed with halved chroma.
  cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
  cinfo.optimize_coding = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(&rgb[std::size_t(cinfo.next_scanline) * kWidth * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_banner OUT.jpg\n");
    return 2;
  }
  if (!WriteJpeg(argv[1], Render())) {
    std::fprintf(stderr, "make_banner: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
