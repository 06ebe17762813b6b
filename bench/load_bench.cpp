// Load-and-register time of the plug-in under the stand-in host: LoadLibrary, nbInitPlugIn,
// nbRegisterPlugIn, nbRegisterInterfaceAccess, FreeLibrary, repeated. Printed as a ratio against
// the same cycle for a plug-in whose exports do nothing, measured in the same run.
#include "host/plugin_host.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"

namespace {

// Median microseconds of one full cycle.
double Cycle(const std::string& path, int rounds) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const double start = Now();
    {
      PluginHost host(path);
      host.InitPlugIn();
      host.RegisterPlugIn();
      host.RegisterInterfaceAccess();
    }
    times.push_back((Now() - start) * 1e6);
  }
  std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
  return times[rounds / 2];
}

}  // namespace

int main() {
  const int rounds = 200;
  Cycle(BesideExecutable("Vitrelle.nbp"), 5);  // warm the file cache for both
  Cycle(BesideExecutable("baseline_plugin.nbp"), 5);
  const double baseline = Cycle(BesideExecutable("baseline_plugin.nbp"), rounds);
  const double vitrelle = Cycle(BesideExecutable("Vitrelle.nbp"), rounds);
  std::printf("load + init + register + unload, median of %d rounds\n", rounds);
  std::printf("  baseline plug-in (empty exports): %8.1f us\n", baseline);
  std::printf("  Vitrelle.nbp:                     %8.1f us\n", vitrelle);
  std::printf("  ratio Vitrelle / baseline:        %8.2f\n", vitrelle / baseline);
  return 0;
}
