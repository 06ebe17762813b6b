// The whole vitrelle-png process against libpng-pam, a plain libpng program writing the same
// PAM, over large pictures of each kind written here. Each program runs RUNS times per picture
// (after one run whose outputs must match byte for byte); per picture the median CPU time
// (user and system, of the process) of each and their ratio, then the median ratio over the
// pictures; wall-clock ratios beside them.
//   png_tool_bench [RUNS]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/png_encoder.h"

extern char** environ;

namespace {

using namespace png_encoder;

struct Times {
  double cpu = 0, wall = 0;  // milliseconds
};

// Runs `program IN OUT` with its standard output thrown away; throws unless it exits 0.
Times Run(const std::string& program, const std::string& in, const std::string& out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args{program, in, out};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("lost " + program);
  Times t;
  t.wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  auto ms = [](const timeval& v) { return double(v.tv_sec) * 1e3 + double(v.tv_usec) / 1e3; };
  t.cpu = ms(usage.ru_utime) + ms(usage.ru_stime);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(program + " failed on " + in);
  return t;
}

std::vector<char> Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Picture {
  const char* name;
  std::uint8_t type, depth;
  bool interlace;
};

// Every path of the reader and of the tool's row conversion: 32 and 24 bits, 16-bit reduction,
// the grey palettes of 1, 4 and 8 bits, grey with alpha, palettes of 2 and 8 bits, Adam7.
const Picture kPictures[] = {
    {"rgba8", kRGBA, 8, false},           {"rgb8", kRGB, 8, false},         {"rgb16", kRGB, 16, false},
    {"rgba16_adam7", kRGBA, 16, true},    {"rgba8_adam7", kRGBA, 8, true},  {"grey8", kGrey, 8, false},
    {"grey16", kGrey, 16, false},         {"grey1", kGrey, 1, false},       {"grey_alpha8", kGreyAlpha, 8, false},
    {"indexed8", kIndexed, 8, false},     {"indexed2", kIndexed, 2, false}, {"grey4_adam7", kGrey, 4, true},
};
constexpr std::uint32_t kSize = 2000;

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  if (argc > 2 || runs < 1) {
    std::fprintf(stderr, "usage: png_tool_bench [RUNS]\n");
    return 2;
  }
  char pattern[] = "/tmp/png_tool_bench.XXXXXX";
  if (!mkdtemp(pattern)) {
    std::perror("png_tool_bench: mkdtemp");
    return 1;
  }
  const std::filesystem::path dir = pattern;
  const std::string ours = VITRELLE_PNG, theirs = LIBPNG_PAM;
  const std::string ours_out = (dir / "ours.pam").string(), theirs_out = (dir / "libpng.pam").string();

  int mismatches = 0;
  std::vector<double> cpu_ratios, wall_ratios;
  std::printf("%dx%d pictures, median of %d runs each, milliseconds of process CPU time\n", kSize, kSize, runs);
  std::printf("%-14s %9s %10s %10s %12s %12s\n", "picture", "PNG KiB", "ours ms", "libpng ms", "ours/libpng",
              "wall ratio");
  try {
    for (const Picture& p : kPictures) {
      const std::vector<std::uint8_t> png = Encode(MakePhoto(kSize, kSize, p.type, p.depth), {.interlace = p.interlace});
      const std::string in = (dir / (std::string(p.name) + ".png")).string();
      std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));

      Run(ours, in, ours_out);
      Run(theirs, in, theirs_out);
      const bool same = Contents(ours_out) == Contents(theirs_out);
      if (!same) {
        std::fprintf(stderr, "png_tool_bench: MISMATCH: %s: vitrelle-png and libpng-pam wrote different bytes\n",
                     p.name);
        ++mismatches;
      }
      std::vector<double> ours_cpu, theirs_cpu, ours_wall, theirs_wall;
      for (int r = 0; r < runs; ++r) {
        // Alternate who goes first, so that neither always finds the other's leftovers.
        const bool ours_first = r % 2 == 0;
        Times a, b;
        if (ours_first) a = Run(ours, in, ours_out);
        b = Run(theirs, in, theirs_out);
        if (!ours_first) a = Run(ours, in, ours_out);
        ours_cpu.push_back(a.cpu), ours_wall.push_back(a.wall);
        theirs_cpu.push_back(b.cpu), theirs_wall.push_back(b.wall);
      }
      const double oc = Median(ours_cpu), tc = Median(theirs_cpu);
      cpu_ratios.push_back(oc / tc);
      wall_ratios.push_back(Median(ours_wall) / Median(theirs_wall));
      std::printf("%-14s %9zu %10.1f %10.1f %12.2f %12.2f%s\n", p.name, png.size() / 1024, oc, tc, cpu_ratios.back(),
                  wall_ratios.back(), same ? "" : "  MISMATCH");
      std::fflush(stdout);
      std::filesystem::remove(in);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "png_tool_bench: %s\n", e.what());
    std::filesystem::remove_all(dir);
    return 1;
  }
  std::filesystem::remove_all(dir);
  std::printf("%-14s %9s %10s %10s %12.2f %12.2f\n", "median", "", "", "", Median(cpu_ratios), Median(wall_ratios));
  if (mismatches) {
    std::fprintf(stderr, "png_tool_bench: %d picture(s) decoded differently; their times compare different work\n",
                 mismatches);
    return 1;
  }
  return 0;
}
