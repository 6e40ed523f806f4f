// Both resampling passes as the plug-in chains them: 256 fine samples in
// CIELAB, then 4n - 3 evenly spaced stops, for sources of n stops.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "gradient/resample.hpp"

namespace {

using evenhue::MakeRampStop;
using evenhue::RampStopList;
using evenhue::StopColor;

// n stops from 0 to 1 with changing colours, opacities and midpoints.
RampStopList MakeSource(int n) {
  RampStopList stops;
  stops.reserve(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double v = static_cast<double>((k * 37) % 101) / 100.0;
    const StopColor color{v, 1.0 - v, static_cast<double>(k % 7) / 6.0, 1.0 - static_cast<double>(k % 3) / 4.0};
    stops.push_back(MakeRampStop(n == 1 ? 0.0 : static_cast<double>(k) / (n - 1), color,
                                 0.3 + static_cast<double>(k % 5) / 10.0));
  }
  if (n == 2) {  // red to transparent blue
    stops[0].color = StopColor{1, 0, 0, 1};
    stops[1].color = StopColor{0, 0, 1, 0};
  }
  return stops;
}

void BothPasses(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const RampStopList source = MakeSource(n);
  const auto count = static_cast<std::int32_t>(4 * n - 3);
  for (auto _ : state) {
    RampStopList fine = evenhue::ResampleInLab(source, 256);
    RampStopList result = evenhue::ResampleInRgb(fine, count);
    benchmark::DoNotOptimize(result.data());
    benchmark::ClobberMemory();
  }
}

void FirstPass(benchmark::State& state) {
  const RampStopList source = MakeSource(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    RampStopList fine = evenhue::ResampleInLab(source, 256);
    benchmark::DoNotOptimize(fine.data());
    benchmark::ClobberMemory();
  }
}

void SecondPass(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const RampStopList fine = evenhue::ResampleInLab(MakeSource(n), 256);
  const auto count = static_cast<std::int32_t>(4 * n - 3);
  for (auto _ : state) {
    RampStopList result = evenhue::ResampleInRgb(fine, count);
    benchmark::DoNotOptimize(result.data());
    benchmark::ClobberMemory();
  }
}

#define EVENHUE_SIZES ->Arg(2)->Arg(3)->Arg(16)->Arg(8192)->Unit(benchmark::kMicrosecond)->Repetitions(15)->ReportAggregatesOnly(true)

BENCHMARK(BothPasses) EVENHUE_SIZES;
BENCHMARK(FirstPass) EVENHUE_SIZES;
BENCHMARK(SecondPass) EVENHUE_SIZES;

}  // namespace

BENCHMARK_MAIN();
