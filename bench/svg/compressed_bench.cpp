// Reading compressed documents (.svgz): a file that inflates past the limit
// (300 MiB of zeros, 300 KiB compressed) refused, and a 3 MB drawing read
// compressed and plain.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "svg/compressed.hpp"
#include "svg/file_io.hpp"

namespace {

namespace svg = evenhue::svg;
constexpr std::uint64_t kLimit = 256ull << 20;

// `data` in a temporary file, removed with the object.
struct TempFile {
  explicit TempFile(const std::string& data) {
    char name[] = "/tmp/evenhue-bench-XXXXXX";
    const int fd = ::mkstemp(name);
    path = name;
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) std::abort();
    ::close(fd);
  }
  ~TempFile() { ::unlink(path.c_str()); }
  std::string path;
};

std::string Drawing() {
  std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\">\n";
  for (int i = 0; text.size() < (3u << 20); ++i)
    text += "<rect id=\"r" + std::to_string(i) + "\" x=\"" + std::to_string(i % 97) + "\" width=\"3\" height=\"4\"/>\n";
  return text + "</svg>\n";
}

void RefuseInflatingPastTheLimit(benchmark::State& state) {
  const TempFile file(svg::Compress(std::string(300u << 20, '\0')));
  for (auto _ : state) {
    try {
      svg::ReadDocument(file.path, kLimit);
      state.SkipWithError("not refused");
    } catch (const svg::FileError&) {
    }
  }
}
BENCHMARK(RefuseInflatingPastTheLimit)->Unit(benchmark::kMillisecond);

void ReadDrawing(benchmark::State& state) {
  const std::string text = Drawing();
  const TempFile file(state.range(0) ? svg::Compress(text) : text);
  for (auto _ : state) benchmark::DoNotOptimize(svg::ReadDocument(file.path, kLimit).text.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ReadDrawing)->ArgName("compressed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void CompressDrawing(benchmark::State& state) {
  const std::string text = Drawing();
  for (auto _ : state) benchmark::DoNotOptimize(svg::Compress(text).size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(CompressDrawing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
