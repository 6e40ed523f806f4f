// The readers of `evenhue respace` on their own, without the process, the
// plug-in or the output: each run reads all the lines of the batch bench_cli
// times as a whole command, with the quick reader (over SAX events), which
// the command uses for such lines, and with the full reader.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/cli/respace_input.hpp"
#include "cli/respace_lines.hpp"

namespace {

const std::vector<std::string>& Lines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> out;
    const std::string text = bench::RespaceInput();
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find('\n', at);
      out.push_back(text.substr(at, end - at));
      at = end + 1;
    }
    return out;
  }();
  return lines;
}

template <class Read>
void ReadAll(benchmark::State& state, Read read) {
  const auto& lines = Lines();
  std::size_t bytes = 0;
  for (const auto& line : lines) bytes += line.size() + 1;
  for (auto _ : state) {
    std::size_t stops = 0;
    for (const auto& line : lines) {
      const std::optional<evenhue::cli::JsonGradient> gradient = read(line);
      if (!gradient) {
        state.SkipWithError("a line was not read");
        return;
      }
      stops += gradient->stops.size();
    }
    benchmark::DoNotOptimize(stops);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.counters["lines"] = static_cast<double>(lines.size());
}

void BM_QuickReaderOverSax(benchmark::State& state) {
  ReadAll(state, [](std::string_view line) { return evenhue::cli::ReadQuickGradientLine(line); });
}
void BM_FullReader(benchmark::State& state) {
  ReadAll(state, [](std::string_view line) {
    std::string error;
    return evenhue::cli::ReadGradientLineFully(line, error);
  });
}
BENCHMARK(BM_QuickReaderOverSax)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_FullReader)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
