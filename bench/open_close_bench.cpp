// Lens open-and-close cycles through the plug-in's exports, as a publication's script runs them:
// VitrelleExecute opens the lens, VitrelleClose closes it, and the page's message loop lets the
// closed lens go. Each plug-in named on the command line is timed under the same host, in rounds
// that take turns, and each after the first is printed as a ratio against the first: in wall
// time, and in the process's CPU time, which leaves out the waits for the window system that
// make up much of a cycle under Wine and vary from run to run.
//   open_close_bench BASELINE.nbp OTHER.nbp...
#include "host/plugin_host.h"
#include "host/publication.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_clock.h"

namespace {

constexpr int kRounds = 7;
constexpr int kCyclesPerRound = 100;

struct Cost {
  double wallMs, cpuMs;  // per open-and-close cycle
};

// Seconds of CPU time the process has used, in user and kernel mode.
double CpuSeconds() {
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  const auto seconds = [](const FILETIME& t) {
    return double(ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime) * 100e-9;
  };
  return seconds(kernel) + seconds(user);
}

// The cost of one cycle, over one round.
Cost Round(const std::string& path, Publication& page) {
  PluginHost host(path);
  host.publication = &page;
  host.InitPlugIn();
  host.RegisterPlugIn();
  host.RegisterInterfaceAccess();
  if (!host.ExecAction(1, {std::string("Rectangle1"), std::string("")})) {
    std::fprintf(stderr, "%s: VitrelleCreate failed\n", path.c_str());
    std::exit(1);
  }
  const double start = Now(), startCpu = CpuSeconds();
  for (int i = 0; i < kCyclesPerRound; ++i) {
    host.ExecAction(3, {std::string("Rectangle1"), std::to_string(2 + i % 15)});
    host.ExecAction(4, {std::string("Rectangle1")});
    host.ClearRecords();
    Publication::Pump(0);
  }
  const Cost cost = {(Now() - start) * 1e3 / kCyclesPerRound, (CpuSeconds() - startCpu) * 1e3 / kCyclesPerRound};
  host.Message(2);
  return cost;
}

double Median(std::vector<double> samples) {
  std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
  return samples[samples.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: open_close_bench BASELINE.nbp OTHER.nbp...\n");
    return 2;
  }
  Publication page("Open and close", 640, 480);
  page.AddRectangle("Rectangle1", 40, 40, 240, 160, RGB(40, 120, 220));
  const std::vector<std::string> plugins(argv + 1, argv + argc);
  std::vector<std::vector<double>> wall(plugins.size()), cpu(plugins.size());
  for (const std::string& plugin : plugins) Round(plugin, page);  // warm-up: file cache, first windows
  for (int round = 0; round < kRounds; ++round)
    for (std::size_t i = 0; i < plugins.size(); ++i) {
      const Cost cost = Round(plugins[i], page);
      wall[i].push_back(cost.wallMs);
      cpu[i].push_back(cost.cpuMs);
    }

  std::printf("lens open + close through the exports, median of %d rounds of %d cycles\n", kRounds, kCyclesPerRound);
  for (std::size_t i = 0; i < plugins.size(); ++i) {
    const double wallMs = Median(wall[i]), cpuMs = Median(cpu[i]);
    std::printf("  %s\n    %7.2f ms a cycle, %7.2f ms of it CPU", plugins[i].c_str(), wallMs, cpuMs);
    if (i > 0)
      std::printf("; ratio to the first: %.2f wall, %.2f CPU", wallMs / Median(wall[0]), cpuMs / Median(cpu[0]));
    std::printf("\n");
  }
  return 0;
}
