// The evenhue command timed as a whole process: started, fed its input, its
// output written, waited for. The inputs are generated into a temporary
// folder when the program starts and removed when it ends.
//
// Targets on the project's 2-core machine (median of the repetitions):
//   respace, 10 000 three-stop gradients:                   at most 0.5 s
//     (also timed on one worker and on two: --jobs 1, --jobs 2)
//   apply, a 5 MB document with 10 000 gradient-filled paths: at most 2 s,
//                                                   peak memory at most 200 MB
//   apply --report (figures of every rewritten paint): at most twice apply
//   apply, 100 000 shapes filled and stroked with one gradient: at most 2 s and
//                                  300 MB, the output under twice the input
//   apply, a chain of 8 000 gradients each linking to the one before: at most 1 s
//
// A batch of 1 000 real clip-art files (Debian's openclipart-svg) is applied
// in one command (on one worker per core, and on one worker) and, in the same
// run, by a shell loop of single `evenhue apply` calls.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bench/cli/respace_input.hpp"

extern char** environ;

namespace {

using bench::kRespaceGradients;
using bench::Random;
using bench::RespaceInput;

constexpr int kApplyPaths = 10'000;
constexpr std::size_t kApplyBytes = 5'000'000;

std::filesystem::path g_dir;  // the temporary folder with the inputs

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out.flush()) {
    std::fprintf(stderr, "bench_cli: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// A drawing of 10 000 paths in groups of 100, each filled with a gradient of
// its own (2 to 4 stops, linear or radial, offsets and colours in the forms a
// drawing program writes), some with a solid stroke; the path data is sized
// so that the whole file comes to about 5 MB.
// With `styleSheet`, the paths are painted by class from a style sheet of one
// rule per path, as design tools export it.
std::string ApplyInput(bool styleSheet) {
  Random r;
  std::string defs, art, sheet;
  char buffer[256];
  const char* colorForms[] = {"#%02x%02x%02x", "rgb(%d, %d, %d)", "rgb(%d,%d,%d)"};
  for (int i = 0; i < kApplyPaths; ++i) {
    const bool radial = i % 4 == 3;
    if (radial) {
      std::snprintf(buffer, sizeof buffer,
                    "    <radialGradient id=\"g%d\" cx=\"%.1f%%\" cy=\"%.1f%%\" r=\"%.1f%%\">\n", i,
                    100 * r.Unit(), 100 * r.Unit(), 30 + 50 * r.Unit());
    } else {
      std::snprintf(buffer, sizeof buffer,
                    "    <linearGradient id=\"g%d\" x1=\"0\" y1=\"0\" x2=\"%.3f\" y2=\"%.3f\">\n", i, r.Unit(),
                    r.Unit());
    }
    defs += buffer;
    const int stops = 2 + i % 3;
    for (int s = 0; s < stops; ++s) {
      const double offset = s == 0 ? 0 : s == stops - 1 ? 1 : (s + r.Unit() - 0.5) / (stops - 1);
      char color[32];
      std::snprintf(color, sizeof color, colorForms[(i + s) % 3], r.Int(0, 255), r.Int(0, 255), r.Int(0, 255));
      std::snprintf(buffer, sizeof buffer, "      <stop offset=\"%.4g\" stop-color=\"%s\"%s/>\n", offset, color,
                    s < stops - 1 && i % 5 == 0 ? " data-midpoint=\"35\"" : "");
      defs += buffer;
    }
    defs += radial ? "    </radialGradient>\n" : "    </linearGradient>\n";
  }
  // The openings of the groups and paths first; what is left of the size
  // budget then goes to path data, spread evenly.
  std::vector<std::string> openings;
  std::size_t fixed = defs.size() + 400 + (styleSheet ? 20 * static_cast<std::size_t>(kApplyPaths) : 0);
  for (int i = 0; i < kApplyPaths; ++i) {
    std::string opening;
    if (i % 100 == 0) {
      std::snprintf(buffer, sizeof buffer, "  <g id=\"layer%d\" transform=\"translate(%d %d)\">\n", i / 100,
                    (i / 100) % 10 * 100, (i / 100) / 10 * 100);
      opening += buffer;
    }
    if (styleSheet) {
      std::snprintf(buffer, sizeof buffer, "    <path id=\"p%d\" class=\"c%d\"%s d=\"", i, i,
                    i % 7 == 0 ? " stroke=\"#333\"" : "");
      opening += buffer;
      std::snprintf(buffer, sizeof buffer, "    .c%d{fill:url(#g%d);}\n", i, i);
      sheet += buffer;
    } else {
      std::snprintf(buffer, sizeof buffer, "    <path id=\"p%d\" fill=\"url(#g%d)\"%s d=\"", i, i,
                    i % 7 == 0 ? " stroke=\"#333\"" : "");
      opening += buffer;
    }
    fixed += opening.size() + 5 + (i % 100 == 99 ? 7 : 0);
    openings.push_back(std::move(opening));
  }
  const std::size_t perPath = kApplyBytes > fixed ? (kApplyBytes - fixed) / kApplyPaths : 40;
  for (int i = 0; i < kApplyPaths; ++i) {
    art += openings[i];
    const std::size_t start = art.size();
    std::snprintf(buffer, sizeof buffer, "M%.2f %.2f", 100 * r.Unit(), 100 * r.Unit());
    art += buffer;
    while (art.size() - start + 2 < perPath) {
      // Curves of about 40 bytes while they fit, then lines.
      std::snprintf(buffer, sizeof buffer, " C%.2f %.2f %.2f %.2f %.2f %.2f", 100 * r.Unit(), 100 * r.Unit(),
                    100 * r.Unit(), 100 * r.Unit(), 100 * r.Unit(), 100 * r.Unit());
      if (art.size() - start + std::strlen(buffer) + 2 > perPath)
        std::snprintf(buffer, sizeof buffer, " L%.1f %.1f", 100 * r.Unit(), 100 * r.Unit());
      art += buffer;
    }
    art += "Z\"/>\n";
    if (i % 100 == 99) art += "  </g>\n";
  }
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"1000\" viewBox=\"0 0 1000 1000\">\n") +
         (styleSheet ? "  <style type=\"text/css\">\n" + sheet + "  </style>\n" : std::string()) + "  <defs>\n" +
         defs + "  </defs>\n" + art + "</svg>\n";
}

struct RunResult {
  double seconds = 0;
  long peakKib = 0;
  int status = -1;
  std::string out;  // what the command wrote to standard output
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the command with standard input from a file and standard output into a
// pipe that is read to its end, and waits for it. The time runs from the start
// to the end of the wait.
RunResult RunCommand(const std::vector<std::string>& args, const std::filesystem::path& in,
                     std::string program = EVENHUE_COMMAND_FILE) {
  std::vector<std::string> copies = args;
  std::vector<char*> argv{program.data()};
  for (auto& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string errPath = (g_dir / "stderr.txt").string();

  RunResult result;
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (spawned == 0) {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
      if (n > 0) result.out.append(buffer, static_cast<std::size_t>(n));
      else if (n == 0 || errno != EINTR) break;
    }
  }
  ::close(pipeEnds[0]);
  if (spawned != 0) return result;
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return result;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.peakKib = usage.ru_maxrss;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

// How a command is timed.
struct Timing {
  std::string program = EVENHUE_COMMAND_FILE;
  std::filesystem::path in = "/dev/null";  // standard input
  std::size_t inputBytes = 0;              // reported as input_MB
  int highestStatus = 0;                   // 1 where refused documents are expected
  std::function<void()> before;            // untimed, before each run
};

// Times one command per iteration; checks its exit status and, outside the
// timing, what it wrote. Reports the largest peak resident set of the runs
// (wait4 reports the largest among the process and the ones it waited for).
template <typename Check>
void TimeCommand(benchmark::State& state, const std::vector<std::string>& args, const Timing& timing, Check check) {
  long peak = 0;
  for (auto _ : state) {
    if (timing.before) {
      state.PauseTiming();
      timing.before();
      state.ResumeTiming();
    }
    const RunResult run = RunCommand(args, timing.in, timing.program);
    if (run.status < 0 || run.status > timing.highestStatus) {
      const std::string message = timing.program + " exited with " + std::to_string(run.status) + ": " +
                                  ReadFile(g_dir / "stderr.txt").substr(0, 500);
      state.SkipWithError(message.c_str());
      break;
    }
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peakKib);
    if (const std::string problem = check(run.out); !problem.empty()) {
      state.SkipWithError(problem.c_str());
      break;
    }
  }
  state.counters["peak_rss_MB"] = static_cast<double>(peak) / 1024.0;
  state.counters["input_MB"] = static_cast<double>(timing.inputBytes) / 1e6;
}

std::size_t Count(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

void BM_Respace10kThreeStops(benchmark::State& state) {
  const auto in = g_dir / "respace.jsonl";
  Timing timing;
  timing.in = in;
  timing.inputBytes = std::filesystem::file_size(in);
  std::vector<std::string> args = {"respace"};
  if (state.range(0) > 0) args.insert(args.end(), {"--jobs", std::to_string(state.range(0))});
  TimeCommand(state, args, timing, [](const std::string& out) -> std::string {
    // One line out per line in, each with 4n - 3 = 9 stops.
    const std::size_t lines = Count(out, "\n"), stops = Count(out, "\"position\"");
    if (lines != kRespaceGradients) return "respace wrote " + std::to_string(lines) + " lines";
    if (stops != 9u * kRespaceGradients) return "respace wrote " + std::to_string(stops) + " stops";
    return {};
  });
}
// 0: one worker per core.
BENCHMARK(BM_Respace10kThreeStops)
    ->ArgName("jobs")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

void BM_Apply5MBDocument(benchmark::State& state) {
  const auto in = g_dir / (state.range(0) ? "drawing-sheet.svg" : "drawing.svg"), out = g_dir / "drawing-out.svg";
  Timing timing;
  timing.inputBytes = std::filesystem::file_size(in);
  TimeCommand(state, {"apply", in.string(), "-o", out.string()}, timing,
              [&](const std::string&) -> std::string {
                // Each path's own gradient gets a new element beside the source,
                // unless it is left alone with a warning (the first few named,
                // then "N more warnings like these").
                const std::string text = ReadFile(out), err = ReadFile(g_dir / "stderr.txt");
                const std::size_t gradients = Count(text, "<linearGradient ") + Count(text, "<radialGradient ");
                std::size_t warned = Count(err, ": warning: ");
                if (const auto more = err.find(" more warnings like these"); more != std::string::npos)
                  warned += std::stoul(err.substr(err.rfind(' ', more - 1) + 1)) - 1;
                if (gradients + warned != 2u * kApplyPaths)
                  return "apply wrote " + std::to_string(gradients) + " gradients and " + std::to_string(warned) +
                         " warnings";
                return {};
              });
}
// /0: paints in attributes; /1: paints from a style sheet of 10 000 class rules.
BENCHMARK(BM_Apply5MBDocument)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// --- The report's figures ---------------------------------------------------------------

// A Debian card deck (kdegames-card-data-kf5): 2.9 MB once decompressed, 3 592
// gradients, 2 651 paints rewritten, most of them painted with gradients
// alike.
constexpr char kCardDeck[] = "/usr/share/carddecks/svg-ancient-egyptians/Ancient_Egyptians.svgz";

// The card deck decompressed into the inputs' folder, or empty when the
// package is not installed.
std::filesystem::path CardDeck() {
  static const std::filesystem::path path = []() -> std::filesystem::path {
    if (!std::filesystem::exists(kCardDeck)) return {};
    const RunResult run = RunCommand({"-dc", kCardDeck}, "/dev/null", "/bin/gzip");
    if (run.status != 0 || run.out.empty()) return {};
    const auto decompressed = g_dir / "card-deck.svg";
    WriteFile(decompressed, run.out);
    return decompressed;
  }();
  return path;
}

// `apply` with and without `--report` on the 5 MB drawing (deck:0) and on the
// card deck (deck:1); the report is checked to hold every rewritten paint.
void BM_ApplyReport(benchmark::State& state) {
  const bool deck = state.range(0) != 0, report = state.range(1) != 0;
  const auto in = deck ? CardDeck() : g_dir / "drawing.svg";
  if (in.empty()) {
    state.SkipWithError("no card deck: install kdegames-card-data-kf5");
    return;
  }
  const auto out = g_dir / "report-out.svg", json = g_dir / "report.json";
  std::vector<std::string> args = {"apply", in.string(), "-o", out.string()};
  if (report) args.insert(args.end(), {"--report", json.string()});
  Timing timing;
  timing.inputBytes = std::filesystem::file_size(in);
  const std::size_t paints = deck ? 2651 : kApplyPaths;
  TimeCommand(state, args, timing, [&](const std::string&) -> std::string {
    if (!report) return {};
    const std::size_t entries = Count(ReadFile(json), "\"deltaE2000\"");
    if (entries != paints) return "the report has " + std::to_string(entries) + " figures";
    return {};
  });
}
BENCHMARK(BM_ApplyReport)
    ->ArgNames({"deck", "report"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// --- Many paints of one gradient, and a long href chain ----------------------------------

constexpr int kSharedShapes = 100'000;
constexpr int kChainLinks = 8'000;

// 100 000 shapes filled and stroked with one gradient (6 MB): the output keeps
// one new gradient for all 200 000 paints.
std::string SharedInput() {
  std::string text =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"1000\">\n<defs>\n"
      "  <linearGradient id=\"R\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\">\n"
      "    <stop offset=\"0\" stop-color=\"#ff0000\"/>\n    <stop offset=\"1\" stop-color=\"#0000ff\"/>\n"
      "  </linearGradient>\n</defs>\n";
  for (int i = 0; i < kSharedShapes; ++i)
    text += "<rect width=\"9\" height=\"9\" fill=\"url(#R)\" stroke=\"url(#R)\"/>\n";
  return text + "</svg>\n";
}

// 8 000 gradients, each linking to the one before, each painted on a shape.
std::string ChainInput() {
  std::string text =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n<defs>\n"
      "<linearGradient id=\"g0\"><stop offset=\"0\" stop-color=\"#f00\"/><stop offset=\"1\" stop-color=\"#00f\"/>"
      "</linearGradient>\n";
  for (int i = 1; i < kChainLinks; ++i)
    text += "<linearGradient id=\"g" + std::to_string(i) + "\" xlink:href=\"#g" + std::to_string(i - 1) + "\"/>\n";
  text += "</defs>\n";
  for (int i = 0; i < kChainLinks; ++i)
    text += "<rect width=\"1\" height=\"1\" fill=\"url(#g" + std::to_string(i) + ")\"/>\n";
  return text + "</svg>\n";
}

// Targets: the shared paints in at most 2 s and 300 MB, the output under
// twice the input; the chain in at most 1 s.
void BM_ApplyManyPaintsOfOneGradient(benchmark::State& state) {
  const auto in = g_dir / "shared.svg", out = g_dir / "shared-out.svg";
  Timing timing;
  timing.inputBytes = std::filesystem::file_size(in);
  TimeCommand(state, {"apply", in.string(), "-o", out.string()}, timing, [&](const std::string&) -> std::string {
    const std::string text = ReadFile(out);
    const std::size_t gradients = Count(text, "<linearGradient ");
    if (gradients != 2) return "apply wrote " + std::to_string(gradients) + " gradients";
    if (text.size() >= 2 * timing.inputBytes) return "the output is " + std::to_string(text.size()) + " bytes";
    return {};
  });
}
BENCHMARK(BM_ApplyManyPaintsOfOneGradient)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_ApplyHrefChain(benchmark::State& state) {
  const auto in = g_dir / "chain.svg", out = g_dir / "chain-out.svg";
  Timing timing;
  timing.inputBytes = std::filesystem::file_size(in);
  TimeCommand(state, {"apply", in.string(), "-o", out.string()}, timing, [&](const std::string&) -> std::string {
    // Every link resolves to g0's stops and no geometry: one new gradient.
    const std::size_t gradients = Count(ReadFile(out), "<linearGradient ");
    if (gradients != kChainLinks + 1u) return "apply wrote " + std::to_string(gradients) + " gradients";
    return {};
  });
}
BENCHMARK(BM_ApplyHrefChain)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// --- A batch of clip art ------------------------------------------------------------------

constexpr std::size_t kClipartFiles = 1000;
constexpr char kClipartFolder[] = "/usr/share/openclipart/svg";

// A fixed sample: the package's regular .svg files (not its links) in byte
// order of their paths, the first of each file name only (a batch writes one
// folder), then every k-th so that 1 000 remain, spread over its categories.
const std::vector<std::string>& ClipartSample() {
  static const std::vector<std::string> sample = [] {
    std::vector<std::string> all;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(kClipartFolder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
      if (it->is_regular_file() && !it->is_symlink() && it->path().extension() == ".svg") all.push_back(it->path());
    std::sort(all.begin(), all.end());
    std::vector<std::string> unique;
    std::set<std::string> names;
    for (const std::string& path : all)
      if (names.insert(std::filesystem::path(path).filename()).second) unique.push_back(path);
    std::vector<std::string> picked;
    if (unique.size() < kClipartFiles) return picked;
    const std::size_t step = unique.size() / kClipartFiles;
    for (std::size_t i = 0; picked.size() < kClipartFiles; i += step) picked.push_back(unique[i]);
    return picked;
  }();
  return sample;
}

std::size_t SampleBytes() {
  std::size_t bytes = 0;
  for (const std::string& path : ClipartSample()) bytes += std::filesystem::file_size(path);
  return bytes;
}

// Times a command on the sample, into a fresh folder `out` each time; a
// status of 1 is expected (a sample of real files may hold one that is
// refused).
template <typename Check>
void TimeOnSample(benchmark::State& state, const std::string& program, const std::vector<std::string>& args,
                  const std::filesystem::path& out, Check check) {
  if (ClipartSample().empty()) {
    state.SkipWithError("fewer than 1000 clip-art files: install openclipart-svg (scripts/setup)");
    return;
  }
  const auto fresh = [&] {
    std::error_code ignored;
    std::filesystem::remove_all(out, ignored);
    std::filesystem::create_directories(out, ignored);
  };
  Timing timing;
  timing.program = program;
  timing.inputBytes = SampleBytes();
  timing.highestStatus = 1;
  timing.before = fresh;
  TimeCommand(state, args, timing, check);
}

std::size_t FilesIn(const std::filesystem::path& folder) {
  std::size_t n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) n += entry.path().extension() == ".svg";
  return n;
}

// What the batch's summary said, for the loop to be checked against.
std::size_t g_batchWritten = 0;

void BM_ApplyBatch1000Clipart(benchmark::State& state) {
  const auto out = g_dir / "batch-out";
  std::vector<std::string> args = {"apply"};
  args.insert(args.end(), ClipartSample().begin(), ClipartSample().end());
  args.insert(args.end(), {"--out-dir", out.string()});
  if (state.range(0) > 0) args.insert(args.end(), {"--jobs", std::to_string(state.range(0))});
  std::size_t refused = 0, gradients = 0;
  TimeOnSample(state, EVENHUE_COMMAND_FILE, args, out, [&](const std::string& summary) -> std::string {
    std::size_t files = 0, rewritten = 0, alone = 0;
    if (std::sscanf(summary.c_str(), "%zu files: %zu rewritten, %zu left alone, %zu refused; %zu gradients", &files,
                    &rewritten, &alone, &refused, &gradients) != 5 ||
        files != kClipartFiles || rewritten + alone + refused != files)
      return "unexpected summary: " + summary;
    if (FilesIn(out) != rewritten + alone) return "the folder does not hold every document: " + summary;
    g_batchWritten = rewritten + alone;
    return {};
  });
  state.counters["refused"] = static_cast<double>(refused);
  state.counters["gradients"] = static_cast<double>(gradients);
}
// 0: one worker per core.
BENCHMARK(BM_ApplyBatch1000Clipart)
    ->ArgName("jobs")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_ApplyLoop1000Clipart(benchmark::State& state) {
  const auto out = g_dir / "loop-out";
  std::vector<std::string> args = {
      "-c", std::string("for f; do '") + EVENHUE_COMMAND_FILE + "' apply \"$f\" -o '" + out.string() +
                "'/\"${f##*/}\" 2>/dev/null; done",
      "sh"};
  args.insert(args.end(), ClipartSample().begin(), ClipartSample().end());
  TimeOnSample(state, "/bin/sh", args, out, [&](const std::string&) -> std::string {
    // The loop writes what the batch writes (its left-alone documents serialised rather than copied).
    if (g_batchWritten != 0 && FilesIn(out) != g_batchWritten)
      return "the loop wrote " + std::to_string(FilesIn(out)) + " documents, the batch " + std::to_string(g_batchWritten);
    return {};
  });
}
BENCHMARK(BM_ApplyLoop1000Clipart)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  // EVENHUE_BENCH_INPUTS=DIR writes the inputs into DIR and keeps them (for
  // profiling the command on them by hand).
  const char* keep = std::getenv("EVENHUE_BENCH_INPUTS");
  char pattern[] = "/tmp/evenhue-bench-cli-XXXXXX";
  if (keep && *keep) {
    g_dir = keep;
    std::error_code error;
    std::filesystem::create_directories(g_dir, error);
  } else if (::mkdtemp(pattern)) {
    g_dir = pattern;
  } else {
    std::perror("bench_cli: mkdtemp");
    return 1;
  }
  WriteFile(g_dir / "respace.jsonl", RespaceInput());
  WriteFile(g_dir / "drawing.svg", ApplyInput(false));
  WriteFile(g_dir / "drawing-sheet.svg", ApplyInput(true));
  WriteFile(g_dir / "shared.svg", SharedInput());
  WriteFile(g_dir / "chain.svg", ChainInput());

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!(keep && *keep)) {
    std::error_code ignored;
    std::filesystem::remove_all(g_dir, ignored);
  }
  return 0;
}
