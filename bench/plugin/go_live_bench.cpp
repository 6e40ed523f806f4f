// Go Live through the loaded plug-in, with the host's call log switched off.
#include <benchmark/benchmark.h>

#include <vector>

#include "host/host.hpp"

namespace {

host::HostOptions Options() {
  host::HostOptions options;
  options.pluginPath = EVENHUE_PLUGIN_FILE;
  options.recordCalls = false;
  return options;
}

std::vector<hostapi::HostGradientStop> ThreeStops(double shift) {
  return {host::MakeStop(0, host::RgbColor(1, shift, 0)), host::MakeStop(40, host::RgbColor(0, 1, shift), 30),
          host::MakeStop(100, host::RgbColor(shift, 0, 1))};
}

// 1 000 paths, each with a 3-stop gradient fill and a 3-stop gradient stroke.
void BM_GoLiveThousandPaths(benchmark::State& state) {
  host::Host h(Options());
  if (h.startup() != 0) state.SkipWithError("start-up failed");
  const auto effect = h.findLiveEffect("BCBC_Evenhue")->handle;
  for (auto _ : state) {
    state.PauseTiming();
    const auto group = h.document().newGroup();
    for (int i = 0; i < 1000; ++i) {
      const auto fill = h.document().newGradient(host::kGradientLinear, ThreeStops(i / 1000.0));
      const auto stroke = h.document().newGradient(host::kGradientRadial, ThreeStops(1.0 - i / 1000.0));
      const auto path = h.document().newPath(group);
      h.document().setPathStyle(path, host::MakePathStyle(host::GradientColor(fill), host::GradientColor(stroke)));
    }
    state.ResumeTiming();
    benchmark::DoNotOptimize(h.goLive(effect, group));
  }
  h.shutdown();
}
BENCHMARK(BM_GoLiveThousandPaths)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)->ReportAggregatesOnly(true);

// One gradient of 8 192 stops rewritten end to end (32 765 stops written).
void BM_GoLiveLargestGradient(benchmark::State& state) {
  host::Host h(Options());
  if (h.startup() != 0) state.SkipWithError("start-up failed");
  const auto effect = h.findLiveEffect("BCBC_Evenhue")->handle;
  std::vector<hostapi::HostGradientStop> stops;
  for (int i = 0; i < 8192; ++i) {
    stops.push_back(host::MakeStop(100.0 * i / 8191.0, host::RgbColor((i % 7) / 6.0, (i % 5) / 4.0, (i % 3) / 2.0)));
  }
  for (auto _ : state) {
    state.PauseTiming();
    const auto path = h.document().newPath();
    h.document().setPathStyle(
        path, host::MakePathStyle(host::GradientColor(h.document().newGradient(host::kGradientLinear, stops)), {}));
    state.ResumeTiming();
    benchmark::DoNotOptimize(h.goLive(effect, path));
  }
  h.shutdown();
}
BENCHMARK(BM_GoLiveLargestGradient)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
