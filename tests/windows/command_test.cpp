// evenhue.exe as a user runs it on Windows: each sample document's output is
// the Linux command's, byte for byte (tests/windows/expected/, written by the
// Linux build), whatever the file's name, on standard output and compressed;
// its report has the Linux report's gradients and figures.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "cli/command_line_win.hpp"
#include "svg/compressed.hpp"
#include "windows/native_path.hpp"

namespace {

namespace fs = std::filesystem;

fs::path Native(const char* unixPath) { return fs::path(winres::ToNativePath(unixPath)); }

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Ran {
  DWORD status = 0xffffffff;
  std::string out;  // standard output, as the bytes came
  std::string err;  // standard error
};

// Reads `handle` to its end on a thread of its own, into `into`.
std::thread Drain(HANDLE handle, std::string& into) {
  return std::thread([handle, &into] {
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(handle, chunk, sizeof chunk, &n, nullptr) && n > 0) into.append(chunk, n);
    CloseHandle(handle);
  });
}

// Runs `program` with `args`, `input` on its standard input
// and its standard output and error into pipes. `meanwhile` is called with
// the process once it runs; `flags` are CreateProcessW's.
Ran RunProgram(const fs::path& program, const std::vector<std::wstring>& args, const std::string& input = {},
               const std::function<void(const PROCESS_INFORMATION&)>& meanwhile = {}, DWORD flags = 0) {
  std::wstring line = L"\"" + program.wstring() + L"\"";
  // Quoted where a shell would need it, so that a wildcard can be passed bare.
  for (const auto& a : args)
    line += a.empty() || a.find_first_of(L" \t\"") != std::wstring::npos ? L" \"" + a + L"\"" : L" " + a;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE ends[3][2] = {};  // standard input, output, error: the read end, the write end
  Ran run;
  for (auto& pipe : ends)
    if (!CreatePipe(&pipe[0], &pipe[1], &inherit, 0)) return run;
  for (HANDLE mine : {ends[0][1], ends[1][0], ends[2][0]}) SetHandleInformation(mine, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = ends[0][0];
  start.hStdOutput = ends[1][1];
  start.hStdError = ends[2][1];
  PROCESS_INFORMATION process{};
  const bool started =
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &start, &process) != 0;
  for (HANDLE theirs : {ends[0][0], ends[1][1], ends[2][1]}) CloseHandle(theirs);
  std::thread writer([in = ends[0][1], &input] {
    DWORD put = 0;
    for (std::size_t at = 0; at < input.size(); at += put)
      if (!WriteFile(in, input.data() + at, static_cast<DWORD>(std::min<std::size_t>(input.size() - at, 1 << 16)), &put,
                     nullptr))
        break;
    CloseHandle(in);
  });
  std::thread out = Drain(ends[1][0], run.out), err = Drain(ends[2][0], run.err);
  if (started) {
    if (meanwhile) meanwhile(process);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  writer.join();
  out.join();
  err.join();
  return run;
}

// The same for the evenhue.exe under test.
Ran Evenhue(const std::vector<std::wstring>& args, const std::string& input = {},
            const std::function<void(const PROCESS_INFORMATION&)>& meanwhile = {}, DWORD flags = 0) {
  return RunProgram(Native(EVENHUE_COMMAND), args, input, meanwhile, flags);
}

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::temp_directory_path() / ("evenhue-command-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(scratch_);
  }
  void TearDown() override { fs::remove_all(scratch_); }

  static std::vector<fs::path> Samples() {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(Native(EVENHUE_EXAMPLES_DIR)))
      if (e.path().extension() == ".svg") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::string Expected(const fs::path& sample) {
    return Slurp(Native(EVENHUE_EXPECTED_DIR) / sample.filename());
  }

  fs::path scratch_;
};

TEST_F(CommandTest, EverySampleIsTheLinuxCommandsOutputByteForByte) {
  const auto samples = Samples();
  ASSERT_EQ(samples.size(), 7u);
  for (const fs::path& sample : samples) {
    SCOPED_TRACE(sample.filename().string());
    const fs::path out = scratch_ / sample.filename();
    const Ran run = Evenhue({L"apply", sample.wstring(), L"-o", out.wstring()});
    EXPECT_EQ(run.status, 0u);
    const std::string expected = Expected(sample);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Slurp(out), expected);
    // Nothing of the temporary file it was written to is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch_), fs::directory_iterator()), 1);
    fs::remove(out);
  }
}

TEST_F(CommandTest, NamesOutsideTheAnsiCodePageReadAndWrite) {
  const fs::path sample = Samples().front();
  const fs::path in = scratch_ / L"\u00dcbersicht \u2013 \u00f1.svg";
  const fs::path out = scratch_ / L"\u00e9crit \u2013 \u00f1.svg";
  fs::copy_file(sample, in);
  const Ran run = Evenhue({L"apply", in.wstring(), L"-o", out.wstring()});
  EXPECT_EQ(run.status, 0u);
  EXPECT_EQ(Slurp(out), Expected(sample));
}

TEST_F(CommandTest, StandardOutputGetsTheBytesWithoutCarriageReturns) {
  const fs::path sample = Samples().front();
  const Ran run = Evenhue({L"apply", sample.wstring(), L"-o", L"-"});
  EXPECT_EQ(run.status, 0u);
  EXPECT_EQ(run.out, Expected(sample));
}

TEST_F(CommandTest, CompressedDocumentsRoundTrip) {
  const fs::path sample = Samples().front();
  // Written compressed because of its name; read compressed because of its bytes.
  const fs::path packed = scratch_ / "out.svgz";
  EXPECT_EQ(Evenhue({L"apply", sample.wstring(), L"-o", packed.wstring()}).status, 0u);
  const evenhue::svg::DocumentFile read = evenhue::svg::ReadDocument(winres::ToUtf8(packed.wstring()), 1 << 20);
  EXPECT_TRUE(read.compressed);
  EXPECT_EQ(read.text, Expected(sample));
  // Its header names Unix, as the Linux command's does, so the bytes are the same.
  EXPECT_EQ(Slurp(packed).substr(8, 2), std::string("\x00\x03", 2));
  const fs::path in = scratch_ / "in.svgz";
  const std::string packedSample = evenhue::svg::Compress(Slurp(sample));
  std::ofstream(in, std::ios::binary).write(packedSample.data(), static_cast<std::streamsize>(packedSample.size()));
  const Ran run = Evenhue({L"apply", in.wstring(), L"-o", L"-"});
  EXPECT_EQ(run.status, 0u);
  EXPECT_EQ(run.out, Expected(sample));
}

TEST_F(CommandTest, ABatchWritesEachResultAndSumsUp) {
  const auto samples = Samples();
  const fs::path folder = scratch_ / "out";
  const Ran run = Evenhue({L"apply", samples[0].wstring(), (scratch_ / "missing.svg").wstring(), samples[2].wstring(),
                           L"--out-dir", folder.wstring()});
  EXPECT_EQ(run.status, 1u);  // one refused
  // A line of text, as Windows ends them.
  EXPECT_EQ(run.out, "3 files: 2 rewritten, 0 left alone, 1 refused; 2 gradients rewritten\r\n");
  for (const fs::path& sample : {samples[0], samples[2]})
    EXPECT_EQ(Slurp(folder / sample.filename()), Expected(sample)) << sample.filename().string();
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

// One worker process or two: the same files, summary, lines on standard
// error (in input order) and status, each result the Linux command's.
TEST_F(CommandTest, ABatchOnTwoWorkersIsTheBatchOnOne) {
  const auto samples = Samples();
  const fs::path in = scratch_ / "in";
  fs::create_directories(in);
  std::vector<std::wstring> inputs;
  std::vector<std::pair<fs::path, std::string>> expected;  // each output's name and bytes
  const std::string plain = "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect width=\"1\" height=\"1\"/></svg>\n";
  std::ofstream(in / "plain.svg", std::ios::binary) << plain;
  for (int copy = 0; copy < 3; ++copy) {
    for (const fs::path& sample : samples) {
      const fs::path name = std::to_string(copy) + "-" + sample.filename().string();
      fs::copy_file(sample, in / name);
      inputs.push_back((in / name).wstring());
      expected.emplace_back(name, Expected(sample));
    }
    if (copy == 0) inputs.push_back((in / "missing-a.svg").wstring());
    if (copy == 1) inputs.push_back((in / "plain.svg").wstring()), expected.emplace_back("plain.svg", plain);
  }
  inputs.push_back((in / "missing-b.svg").wstring());
  Ran runs[2];
  for (int jobs : {1, 2}) {
    std::vector<std::wstring> args = {L"apply"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    const fs::path folder = scratch_ / ("out" + std::to_string(jobs));
    args.insert(args.end(), {L"--out-dir", folder.wstring(), L"--jobs", std::to_wstring(jobs)});
    runs[jobs - 1] = Evenhue(args);
    SCOPED_TRACE(jobs);
    EXPECT_EQ(runs[jobs - 1].status, 1u);
    // The seven samples rewrite nine gradients between them.
    EXPECT_EQ(runs[jobs - 1].out, "24 files: 21 rewritten, 1 left alone, 2 refused; 27 gradients rewritten\r\n");
    for (const auto& [name, bytes] : expected) EXPECT_EQ(Slurp(folder / name), bytes) << name.string();
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 22);
  }
  EXPECT_EQ(runs[1].err, runs[0].err);
  const auto a = runs[0].err.find("missing-a.svg"), b = runs[0].err.find("missing-b.svg");
  EXPECT_TRUE(a != std::string::npos && b != std::string::npos && a < b) << runs[0].err;
  EXPECT_EQ(std::count(runs[0].err.begin(), runs[0].err.end(), '\n'), 2) << runs[0].err;
}

// A document a worker never gets to the end of: a named pipe nobody writes
// to. Every client gets an instance of its own; the first one that is not
// the command itself (which looks at its inputs first) is the worker.
class StuckPipe {
 public:
  explicit StuckPipe(const std::atomic<DWORD>& command)
      : name(L"\\\\.\\pipe\\evenhue-stuck-" + std::to_wstring(GetCurrentProcessId()) + L".svg"),
        server_([this, &command] {
          while (!done_ && worker == 0) {
            HANDLE h = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                        PIPE_UNLIMITED_INSTANCES, 1 << 12, 1 << 12, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE) return;
            instances_.push_back(h);
            if (!ConnectNamedPipe(h, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) continue;
            ULONG client = 0;
            while (command == 0 && !done_) Sleep(1);
            if (GetNamedPipeClientProcessId(h, &client) && client != command) worker = client;
          }
        }) {}
  ~StuckPipe() {
    done_ = true;
    // Should no worker have come, the server's last wait ends with a client of the test's own.
    CloseHandle(CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    server_.join();
    for (HANDLE h : instances_) CloseHandle(h);
  }
  // Waits up to 30 s for the worker; true when it came.
  bool WaitForWorker() const {
    for (int i = 0; i < 3000 && worker == 0; ++i) Sleep(10);
    return worker != 0;
  }

  const std::wstring name;
  std::atomic<DWORD> worker{0};

 private:
  std::atomic<bool> done_{false};
  std::vector<HANDLE> instances_;
  std::thread server_;
};

// A worker killed in the middle of a document costs that document alone,
// named with how the worker ended; a new worker does the rest.
TEST_F(CommandTest, AWorkerKilledInTheMiddleOfADocumentLosesOnlyThatOne) {
  const fs::path sample = Samples().front();
  std::atomic<DWORD> command{0};
  Ran run;
  {
    StuckPipe pipe(command);
    const fs::path folder = scratch_ / "out";
    run = Evenhue({L"apply", pipe.name, sample.wstring(), L"--out-dir", folder.wstring(), L"--jobs", L"1"}, {},
                  [&](const PROCESS_INFORMATION& p) {
                    command = p.dwProcessId;
                    if (!pipe.WaitForWorker()) return TerminateProcess(p.hProcess, 99), void();
                    HANDLE w = OpenProcess(PROCESS_TERMINATE, FALSE, pipe.worker);
                    if (w) TerminateProcess(w, 9), CloseHandle(w);
                  });
    EXPECT_EQ(run.err, "evenhue: " + winres::ToUtf8(pipe.name) +
                           ": the worker ended with exit status 9 while working on it\r\n");
    EXPECT_EQ(Slurp(folder / sample.filename()), Expected(sample));
  }
  EXPECT_EQ(run.status, 1u);
  EXPECT_EQ(run.out, "2 files: 1 rewritten, 0 left alone, 1 refused; 1 gradient rewritten\r\n");
}

// A command ended from outside ends its workers with it (they would wait
// for the pipe for good otherwise).
TEST_F(CommandTest, WorkersDoNotOutliveTheCommand) {
  std::atomic<DWORD> command{0};
  StuckPipe pipe(command);
  DWORD left = WAIT_FAILED;
  Evenhue({L"apply", pipe.name, Samples().front().wstring(), L"--out-dir", (scratch_ / "out").wstring()}, {},
          [&](const PROCESS_INFORMATION& p) {
            command = p.dwProcessId;
            const bool came = pipe.WaitForWorker();
            HANDLE w = came ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pipe.worker) : nullptr;
            TerminateProcess(p.hProcess, 3);
            if (!w) return;
            left = WaitForSingleObject(w, 10000);
            if (left != WAIT_OBJECT_0) TerminateProcess(w, 4);
            CloseHandle(w);
          });
  ASSERT_NE(pipe.worker.load(), 0u) << "no worker opened the pipe";
  EXPECT_EQ(left, WAIT_OBJECT_0) << "the worker was still running 10 s after the command ended";
}

// A large stream (past what one process answers itself) on worker processes:
// the same bytes and status as on one, a line that cannot be read included.
TEST_F(CommandTest, RespaceOnWorkersAnswersAsOneProcessDoes) {
  std::string input;
  constexpr int kLines = 4000, kBad = 1234;
  for (int i = 1; i <= kLines; ++i) {
    if (i == kBad) input += "{\"type\": \"linear\"}\n";
    else if (i % 2) input += "{\"type\": \"linear\", \"stops\": [{\"position\": 0, \"color\": \"#0000ff\"}, "
                             "{\"position\": 100, \"color\": \"#ffff00\"}]}\n";
    else input += "{\"type\": \"radial\", \"stops\": [{\"position\": 0, \"color\": \"#ff0000\"}, {\"position\": " +
                  std::to_string(i % 90 + 5) + ", \"color\": \"#00ff00\", \"midpoint\": 30}, "
                  "{\"position\": 100, \"color\": {\"cmyk\": [0.1, 0.2, 0.3, 0.4]}}]}\n";
  }
  const Ran one = Evenhue({L"respace", L"--jobs", L"1"}, input);
  const Ran two = Evenhue({L"respace", L"--jobs", L"2"}, input);
  EXPECT_EQ(one.status, 1u);
  EXPECT_EQ(two.status, 1u);
  EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), kLines);
  EXPECT_TRUE(two.out == one.out) << "the answers of two workers differ from one process's";
  EXPECT_NE(one.out.find("{\"error\": \"line 1234: "), std::string::npos);
}

TEST_F(CommandTest, RespaceAnswersEachLineWithTheLinuxCommandsColours) {
  // The first sample's ramp as a line (ending as Windows ends lines), then a
  // line that is not JSON. Its colours are those of expected/1-blue-to-yellow.svg.
  const Ran run = Evenhue({L"respace"}, "{\"type\": \"linear\", \"stops\": [{\"position\": 0, \"color\": \"#0000ff\"}, "
                                        "{\"position\": 100, \"color\": \"#ffff00\"}]}\r\nnot json\n");
  EXPECT_EQ(run.status, 1u);
  std::string hexes;
  for (auto at = run.out.find("\"hex\": \"#"); at != std::string::npos; at = run.out.find("\"hex\": \"#", at + 1))
    hexes += run.out.substr(at + 8, 7);
  EXPECT_EQ(hexes, "#0000ff#9850d5#ca8aaa#eac476#ffff00");
  EXPECT_EQ(run.out.find('\r'), std::string::npos);
  const auto second = run.out.find('\n') + 1;
  EXPECT_EQ(run.out.substr(second, 26), "{\"error\": \"line 2: not val");
  EXPECT_EQ(run.out.back(), '\n');
}

TEST_F(CommandTest, APngPreviewIsRefusedAsAUsageErrorWithNothingWritten) {
  const fs::path preview = scratch_ / "p.png";
  const Ran run = Evenhue({L"apply", Samples().front().wstring(), L"-o", (scratch_ / "o.svg").wstring(), L"--preview",
                           preview.wstring()});
  EXPECT_EQ(run.status, 2u);
  EXPECT_EQ(run.err, "evenhue: apply: --preview " + winres::ToUtf8(preview.wstring()) +
                         ": the Windows build has no SVG renderer to draw a PNG; name the preview .svg\r\n");
  EXPECT_TRUE(fs::is_empty(scratch_));
}

// The report is the Linux report with a "strips" field, each figure within a
// thousandth of librsvg's (a blend sampled half a pixel off moves them by up
// to 0.16); the preview is well-formed SVG.
TEST_F(CommandTest, ReportIsTheLinuxReportWithComputedStripsAndThePreviewIsSvg) {
  for (const fs::path& sample : Samples()) {
    const fs::path report = scratch_ / "r.json", preview = scratch_ / "p.svg";
    ASSERT_EQ(Evenhue({L"apply", sample.wstring(), L"-o", (scratch_ / "o.svg").wstring(), L"--report", report.wstring(),
                       L"--preview", preview.wstring()}).status, 0u);
    auto got = nlohmann::json::parse(Slurp(report)).flatten();
    const auto expected = nlohmann::json::parse(Expected(sample.stem().wstring() + L".report.json")).flatten();
    EXPECT_EQ(got["/strips"], "computed as SVG renderers interpolate stops");
    EXPECT_EQ(got.size(), expected.size() + 1) << sample;
    for (const auto& [key, value] : expected.items()) {
      if (key.find("/document") != std::string::npos) continue;  // named as each command was given it
      const bool figure = key.find("/deltaE2000/") != std::string::npos;
      EXPECT_TRUE(figure ? std::abs(got[key].get<double>() - value.get<double>()) <= 1e-3 : got[key] == value)
          << key << ": " << got[key] << " against " << value;
    }
    EXPECT_TRUE(pugi::xml_document().load_file(preview.c_str())) << sample;
  }
}

// Inkscape runs evenhue-inkscape.exe with one --id=ID per selected object
// and the document last; the new document is read from standard output and
// anything on standard error is shown to the user.
TEST_F(CommandTest, TheInkscapeEffectHoldsInkscapesContract) {
  const fs::path sample = Native(EVENHUE_EXAMPLES_DIR) / "6-shared.svg";
  const Ran whole = RunProgram(Native(EVENHUE_INKSCAPE_RUNNER_PATH), {sample.wstring()});
  EXPECT_EQ(whole.status, 0u);
  EXPECT_EQ(whole.out, Expected(sample));
  EXPECT_EQ(whole.err, "");

  const Ran selected = RunProgram(Native(EVENHUE_INKSCAPE_RUNNER_PATH), {L"--id=left", sample.wstring()});
  const Ran applied = Evenhue({L"apply", sample.wstring(), L"--select", L"left", L"-o", L"-"});
  EXPECT_EQ(selected.status, 0u);
  EXPECT_EQ(selected.out, applied.out);
  EXPECT_NE(selected.out, whole.out);  // "right" keeps its source paint

  const Ran missing = RunProgram(Native(EVENHUE_INKSCAPE_RUNNER_PATH), {L"--id=nowhere", sample.wstring()});
  EXPECT_EQ(missing.status, 1u);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "evenhue: the selected object 'nowhere' is not in the drawing\r\n");
}

TEST_F(CommandTest, InstallInkscapePutsTheEffectInTheRoamingProfileWhereItRuns) {
  const fs::path roaming = scratch_ / L"Roaming \u00e9";
  SetEnvironmentVariableW(L"APPDATA", roaming.c_str());
  SetEnvironmentVariableW(L"INKSCAPE_PROFILE_DIR", nullptr);
  const fs::path extensions = roaming / "inkscape" / "extensions";
  const fs::path effect = extensions / "evenhue";
  for (int round = 0; round < 2; ++round) {  // the second replaces the first
    SCOPED_TRACE(round);
    const Ran install = Evenhue({L"install-inkscape"});
    EXPECT_EQ(install.status, 0u) << install.err;
    EXPECT_NE(install.out.find("installed the Evenhue effect in "), std::string::npos);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(effect)) names.push_back(winres::ToUtf8(e.path().filename().wstring()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Evenhue_win_2025.aip", "evenhue-inkscape.exe", "evenhue.exe",
                                               "evenhue.inx"}));
    // Nothing of the install's own making is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(extensions), fs::directory_iterator()), 1);
  }
  const std::string inx = Slurp(effect / "evenhue.inx");
  EXPECT_NE(inx.find("<command location=\"inx\">evenhue-inkscape.exe</command>"), std::string::npos);
  EXPECT_NE(inx.find("location=\"inx\">evenhue.exe</dependency>"), std::string::npos);
  // The installed effect runs the installed command and plug-in.
  const fs::path sample = Samples().front();
  const Ran run = RunProgram(effect / "evenhue-inkscape.exe", {sample.wstring()});
  EXPECT_EQ(run.status, 0u) << run.err;
  EXPECT_EQ(run.out, Expected(sample));
}

// A batch tells its outputs apart by their names as Windows does: names that
// the ANSI code page cannot hold are distinct, names that differ only in case
// are one file.
TEST_F(CommandTest, ABatchComparesOutputNamesAsWindowsDoes) {
  const fs::path sample = Samples().front();
  struct Case {
    const wchar_t* first;
    const wchar_t* second;
    DWORD status;
  };
  const Case cases[] = {{L"\u03a9.svg", L"\u0416.svg", 0}, {L"same.svg", L"SAME.svg", 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(winres::ToUtf8(c.second));
    const fs::path one = scratch_ / "one", two = scratch_ / "two", out = scratch_ / "out";
    fs::create_directories(one);
    fs::create_directories(two);
    fs::copy_file(sample, one / c.first);
    fs::copy_file(sample, two / c.second);
    const Ran run = Evenhue({L"apply", (one / c.first).wstring(), (two / c.second).wstring(), L"--out-dir", out.wstring()});
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status == 0) {
      EXPECT_EQ(Slurp(out / c.first), Expected(sample));
      EXPECT_EQ(Slurp(out / c.second), Expected(sample));
    } else {
      EXPECT_NE(run.err.find("would both be written to"), std::string::npos) << run.err;
      EXPECT_FALSE(fs::exists(out));
    }
    fs::remove_all(one);
    fs::remove_all(two);
    fs::remove_all(out);
  }
}

// Unpacked in a folder whose name the ANSI code page cannot hold, the command
// still finds and loads the plug-in beside it.
TEST_F(CommandTest, RunsFromAFolderOutsideTheAnsiCodePage) {
  const fs::path folder = scratch_ / L"J\u00fcrgen \u03a9\u0416";
  fs::create_directories(folder);
  const fs::path built = Native(EVENHUE_COMMAND);
  fs::copy_file(built, folder / built.filename());
  fs::copy_file(built.parent_path() / "Evenhue_win_2025.aip", folder / "Evenhue_win_2025.aip");
  const fs::path sample = Samples().front();
  const Ran run = RunProgram(folder / built.filename(), {L"apply", sample.wstring(), L"-o", L"-"});
  EXPECT_EQ(run.status, 0u) << run.err;
  EXPECT_EQ(run.out, Expected(sample));
}

// The demo runs on Windows too: its picture is the SVG document, and its
// report holds every sample's gradients, in order, as the Linux reports do.
TEST_F(CommandTest, TheDemoWritesItsSheetPictureAndReport) {
  const fs::path out = scratch_ / "demo";
  const Ran run = Evenhue({L"demo", L"--out", out.wstring()});
  ASSERT_EQ(run.status, 0u) << run.err;
  EXPECT_NE(run.out.find("ramps.svg and "), std::string::npos);
  EXPECT_TRUE(pugi::xml_document().load_file((out / "evenhue.svg").c_str()));
  EXPECT_TRUE(pugi::xml_document().load_file((out / "ramps.svg").c_str()));
  const auto report = nlohmann::json::parse(Slurp(out / "report.json"));
  EXPECT_EQ(report["strips"], "computed as SVG renderers interpolate stops");
  std::vector<std::string> ids, expectedIds;
  for (const auto& g : report["gradients"]) ids.push_back(g["id"]);
  for (const fs::path& sample : Samples()) {
    const auto expected = nlohmann::json::parse(Expected(sample.stem().wstring() + L".report.json"));
    for (const auto& g : expected["gradients"]) expectedIds.push_back(g["id"]);
  }
  EXPECT_EQ(ids, expectedIds);
}

// The command line is split as CommandLineToArgvW splits it, which is how
// Windows programs are given their arguments.
TEST(CommandLine, SplitsAsWindowsDoesAndKnowsWhatWasQuoted) {
  const std::wstring lines[] = {
      L"e.exe a b",          L"\"C:\\Program Files\\e.exe\" \"a b\" c", L"e.exe a\\\"b",   L"e.exe \"a\\\\\" b",
      L"e.exe a\\\\\\\"b c\\d", L"e.exe \"\" x \"\"",        L"e.exe\t*.svg  \"*.svg\"", L"e.exe \"a\"\"b\" c",
      L"e.exe a\"b c\"d e",   L"e.exe ",
  };
  for (const std::wstring& line : lines) {
    SCOPED_TRACE(winres::ToUtf8(line));
    int count = 0;
    wchar_t** expected = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(expected, nullptr);
    std::vector<std::wstring> want(expected + 1, expected + count);
    LocalFree(expected);
    std::vector<std::wstring> got;
    for (const auto& word : evenhue::cli::SplitCommandLine(line)) got.push_back(word.text);
    EXPECT_EQ(got, want);
  }
  const auto words = evenhue::cli::SplitCommandLine(L"e.exe *.svg \"*.svg\" a\"b\"c d\\\"e");
  ASSERT_EQ(words.size(), 4u);
  EXPECT_FALSE(words[0].quoted);
  EXPECT_TRUE(words[1].quoted);
  EXPECT_TRUE(words[2].quoted);
  EXPECT_FALSE(words[3].quoted);  // an escaped quote quotes nothing
}

// cmd.exe hands a wildcard over as it was typed: the command expands an
// unquoted one itself, as Windows programs do, into files only.
TEST_F(CommandTest, AnUnquotedWildcardNamesTheFilesItMatches) {
  const fs::path sample = Samples().front();
  const fs::path in = scratch_ / "in";
  fs::create_directories(in / "folder.svg");
  for (const char* name : {"a.svg", "B.SVG", "c.txt"}) fs::copy_file(sample, in / name);
  const std::wstring pattern = (in / "*.svg").wstring();
  ASSERT_EQ(pattern.find(L' '), std::wstring::npos) << "the pattern has to go bare";
  const fs::path out = scratch_ / "out";
  const Ran run = Evenhue({L"apply", pattern, L"--out-dir", out.wstring()});
  EXPECT_EQ(run.status, 0u) << run.err;
  EXPECT_EQ(run.out, "2 files: 2 rewritten, 0 left alone, 0 refused; 2 gradients rewritten\r\n");
  EXPECT_EQ(Slurp(out / "a.svg"), Expected(sample));
  EXPECT_EQ(Slurp(out / "B.SVG"), Expected(sample));
  // Quoted, it is a name, and no file has it.
  const Ran quoted = Evenhue({L"apply", L"\"" + pattern + L"\"", L"-o", (scratch_ / "o.svg").wstring()});
  EXPECT_EQ(quoted.status, 1u);
  EXPECT_NE(quoted.err.find("*.svg"), std::string::npos) << quoted.err;
}

}  // namespace
