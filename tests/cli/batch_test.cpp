// `evenhue apply` on several documents: into a folder or in place, on one or
// more worker processes; refusals in input order, the summary line, the
// documents left alone, the batch's report; an interrupted batch.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

namespace fs = std::filesystem;

constexpr char kPlain[] =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">\n"
    "  <rect id=\"solid\" width=\"10\" height=\"10\" style=\"fill: #336699\"/>\n</svg>\n";
constexpr char kBroken[] = "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect";

enum class Fate { Rewritten, LeftAlone, Refused };

struct Document {
  const char* name;  // in the scratch folder's in/
  Fate fate;
};

// The documents a batch may hold: two samples with gradients (one and two
// paints), one without any, one that is not XML and one that does not exist.
void Prepare(const Scratch& scratch) {
  fs::create_directory(scratch.path("in"));
  fs::copy_file(ExamplePath("1-blue-to-yellow.svg"), scratch.path("in/ramp.svg"));
  fs::copy_file(ExamplePath("6-shared.svg"), scratch.path("in/shared.svg"));
  WriteFile(scratch.path("in/plain.svg"), kPlain);
  WriteFile(scratch.path("in/broken.svg"), kBroken);
}

struct BatchCase {
  const char* name;
  std::vector<Document> documents;
  std::vector<std::string> options;  // "{out}" is the output folder
  int status;
  const char* summary;
};

void PrintTo(const BatchCase& c, std::ostream* out) { *out << c.name; }

class Batch : public ::testing::TestWithParam<BatchCase> {};

TEST_P(Batch, WritesEachDocumentOnceAndSaysWhatBecameOfIt) {
  const BatchCase& c = GetParam();
  Scratch scratch;
  Prepare(scratch);
  const bool inPlace = std::find(c.options.begin(), c.options.end(), "--in-place") != c.options.end();
  // What each document becomes when applied alone, and its time stamp now.
  std::map<std::string, std::string> alone;
  for (const Document& d : c.documents) {
    if (d.fate != Fate::Rewritten) continue;
    const std::string reference = scratch.path(std::string("alone-") + d.name);
    ASSERT_EQ(Evenhue({"apply", scratch.path(std::string("in/") + d.name), "-o", reference}).status, 0);
    alone[d.name] = ReadFile(reference);
    fs::remove(reference);
  }
  const fs::file_time_type old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const auto& entry : fs::directory_iterator(scratch.path("in"))) fs::last_write_time(entry.path(), old);
  const auto inputs = scratch.snapshot();

  std::vector<std::string> args = {"apply"};
  for (const Document& d : c.documents) args.push_back(scratch.path(std::string("in/") + d.name));
  for (const std::string& o : c.options) args.push_back(o == "{out}" ? scratch.path("out") : o);
  const Finished run = Evenhue(args);

  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_EQ(run.out, std::string(c.summary) + "\n");
  // One line per refused document, in input order, naming it.
  std::vector<std::string> refused;
  for (const Document& d : c.documents) {
    if (d.fate == Fate::Refused) refused.push_back(scratch.path(std::string("in/") + d.name) + ": ");
  }
  const auto lines = Lines(run.err);
  ASSERT_EQ(lines.size(), refused.size()) << run.err;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].rfind("evenhue: ", 0), 0u) << lines[i];
    EXPECT_NE(lines[i].find(refused[i]), std::string::npos) << lines[i];
  }

  // Every document where it belongs; nothing else written.
  const auto now = scratch.snapshot();
  std::map<std::string, std::string> expected = inputs;
  if (!inPlace) expected["out"] = "(not a regular file)";  // the folder, made as needed
  for (const Document& d : c.documents) {
    const std::string input = std::string("in/") + d.name;
    const std::string target = inPlace ? input : std::string("out/") + d.name;
    if (d.fate == Fate::Rewritten) expected[target] = alone[d.name];
    if (d.fate == Fate::LeftAlone) {
      expected[target] = inputs.at(input);
      if (inPlace) {
        EXPECT_EQ(fs::last_write_time(scratch.path(input)), old) << d.name << " was written";
      }
    }
  }
  for (const auto& [name, bytes] : now) {
    const auto want = expected.find(name);
    if (want == expected.end()) {
      ADD_FAILURE() << "unexpected file " << name;
      continue;
    }
    EXPECT_TRUE(bytes == want->second) << name << " is not what it should be";
  }
  for (const auto& [name, bytes] : expected) EXPECT_TRUE(now.count(name)) << name << " is missing";
}

// The batch's report covers its documents' rewritten paints in input order.
TEST(BatchReport, ListsThePaintsOfEveryDocumentInInputOrder) {
  Scratch scratch;
  Prepare(scratch);
  const std::string ramp = scratch.path("in/ramp.svg"), shared = scratch.path("in/shared.svg");
  const Finished run = Evenhue({"apply", shared, scratch.path("in/plain.svg"), ramp, "--out-dir", scratch.path("out"),
                                "--report", scratch.path("r.json")});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json report = nlohmann::json::parse(ReadFile(scratch.path("r.json")));
  std::vector<std::pair<std::string, std::string>> rows;
  for (const auto& g : report["gradients"]) rows.emplace_back(g["document"], g["element"]);
  EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::string>>{{shared, "left"}, {shared, "right"}, {ramp, "ramp"}}));
}

const std::vector<Document> kMixed = {{"ramp.svg", Fate::Rewritten},
                                      {"broken.svg", Fate::Refused},
                                      {"shared.svg", Fate::Rewritten},
                                      {"missing.svg", Fate::Refused},
                                      {"plain.svg", Fate::LeftAlone}};
constexpr char kMixedSummary[] = "5 files: 2 rewritten, 1 left alone, 2 refused; 3 gradients rewritten";

INSTANTIATE_TEST_SUITE_P(
    Batches, Batch,
    ::testing::Values(
        BatchCase{"IntoAFolderOnOneCorePerWorker", kMixed, {"--out-dir", "{out}"}, 1, kMixedSummary},
        BatchCase{"IntoAFolderOnOneWorker", kMixed, {"--out-dir", "{out}", "--jobs", "1"}, 1, kMixedSummary},
        BatchCase{"IntoAFolderOnMoreWorkersThanDocuments", kMixed, {"--jobs", "8", "--out-dir", "{out}"}, 1,
                  kMixedSummary},
        BatchCase{"InPlace",
                  {{"plain.svg", Fate::LeftAlone}, {"shared.svg", Fate::Rewritten}, {"ramp.svg", Fate::Rewritten}},
                  {"--in-place"},
                  0,
                  "3 files: 2 rewritten, 1 left alone, 0 refused; 3 gradients rewritten"},
        BatchCase{"OneDocumentIntoAFolder", {{"ramp.svg", Fate::Rewritten}}, {"--out-dir", "{out}"}, 0,
                  "1 file: 1 rewritten, 0 left alone, 0 refused; 1 gradient rewritten"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Interrupted --------------------------------------------------------------------------

// A document of `paths` rectangles, each with a two-stop gradient of its own.
std::string ManyGradients(int paths, int seed) {
  std::string defs, art;
  for (int i = 0; i < paths; ++i) {
    char stop[160];
    std::snprintf(stop, sizeof stop,
                  "<linearGradient id=\"g%d\"><stop offset=\"0\" stop-color=\"#%06x\"/><stop offset=\"1\" "
                  "stop-color=\"#%06x\"/></linearGradient>",
                  i, (i * 2654435761u + static_cast<unsigned>(seed)) & 0xffffff, (i * 40503u + 7u) & 0xffffff);
    defs += stop;
    art += "<rect id=\"r" + std::to_string(i) + "\" width=\"1\" height=\"1\" fill=\"url(#g" + std::to_string(i) + ")\"/>";
  }
  return "<svg xmlns=\"http://www.w3.org/2000/svg\"><defs>" + defs + "</defs>" + art + "</svg>\n";
}

// Runs `script` in bash with job control (so that a background job is a
// process group of its own that takes SIGINT, as a terminal's Ctrl-C reaches
// it); "$0" is the command, "$@" the arguments. "{watch}" after starting the
// command as $pid kills it should it not end within a minute, so that no
// test hangs.
Finished Script(std::string script, const std::vector<std::string>& args) {
  const auto at = script.find("{watch}");
  if (at != std::string::npos) script.replace(at, 7, "(sleep 60; kill -KILL $pid) & watcher=$!");
  // Standard error is the command's and the script's own lines; bash's notices of its jobs go.
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"\"$0\" \"$@\"", "\"$0\" \"$@\" 2>&4"}, {">&2", ">&4"}})
    for (auto at = script.find(from); at != std::string::npos; at = script.find(from, at + to.size()))
      script.replace(at, from.size(), to);
  std::vector<std::string> all = {"-c", "exec 4>&2 2>/dev/null\nset -m\n" + script + "\nkill $watcher\n",
                                  EVENHUE_COMMAND};
  all.insert(all.end(), args.begin(), args.end());
  return testcmd::RunProgram("/bin/bash", all);
}

// Waits for the batch $pid to have a worker, whose pid is then in $w.
constexpr char kFindWorker[] =
    "until w=$(cat /proc/$pid/task/*/children 2>/dev/null) && [ -n \"$w\" ]; do kill -0 $pid || break; sleep 0.01; done\n";

struct InterruptCase {
  const char* name;
  bool inPlace;
  const char* kill;  // how the batch $pid is stopped
  int signal;
};

void PrintTo(const InterruptCase& c, std::ostream* out) { *out << c.name; }

class BatchInterrupted : public ::testing::TestWithParam<InterruptCase> {};

// A stop signal once the first results are in: the workers stop in the
// middle of their documents, so each file is as it was or whole, no
// temporary file is left, and the summary counts what was done.
TEST_P(BatchInterrupted, LeavesEveryDocumentAsItWasOrWhole) {
  const InterruptCase& c = GetParam();
  constexpr int kDocuments = 32;
  constexpr int kPaths = 500;
  Scratch scratch;
  fs::create_directory(scratch.path("in"));
  std::vector<std::string> args = {"apply"};  // for the documents
  std::map<std::string, std::string> original;
  for (int d = 0; d < kDocuments; ++d) {
    const std::string name = "d" + std::to_string(100 + d) + ".svg";
    original[name] = ManyGradients(kPaths, d);
    WriteFile(scratch.path("in/" + name), original[name]);
    args.push_back(scratch.path("in/" + name));
  }
  // The whole batch once, for the documents as they must come out; then in
  // the background, with the signal once its first document is in place.
  std::vector<std::string> wholeArgs = args;
  wholeArgs.insert(wholeArgs.end(), {"--out-dir", scratch.path("whole")});
  ASSERT_EQ(Evenhue(wholeArgs).status, 0);
  const std::string out = c.inPlace ? scratch.path("in") : scratch.path("out");
  const std::string first = c.inPlace ? "find '" + out + "' -newer '" + scratch.path("whole") + "' -name '*.svg' | grep -q ."
                                      : "ls '" + out + "'/*.svg >/dev/null 2>&1";
  const std::string script = std::string("\"$0\" \"$@\" ") + (c.inPlace ? "--in-place" : "--out-dir '" + out + "'") +
                             " & pid=$!\n{watch}\n" + "until " + first + "; do kill -0 $pid || break; sleep 0.005; done\n" + c.kill +
                             "\nwait $pid; echo \"status $?\" >&2\n";
  const Finished run = Script(script, args);
  ASSERT_EQ(run.err, "status " + std::to_string(128 + c.signal) + "\n");

  std::size_t done = 0;
  for (const auto& e : fs::directory_iterator(out)) {
    const std::string name = e.path().filename();
    ASSERT_EQ(e.path().extension(), ".svg") << "left behind: " << name;
    const std::string now = ReadFile(e.path());
    if (c.inPlace && now == original[name]) continue;
    EXPECT_TRUE(now == ReadFile(scratch.path("whole/" + name))) << name << " is not whole";
    ++done;
  }
  const std::string& summary = run.out;
  std::smatch m;
  ASSERT_TRUE(std::regex_match(summary, m, std::regex("interrupted: (\\d+) of 32 files: (\\d+) rewritten, 0 left alone, "
                                                     "0 refused; (\\d+) gradients rewritten\n")))
      << summary;
  EXPECT_EQ(std::stoul(m[1]), done);
  EXPECT_EQ(std::stoul(m[2]), done);
  EXPECT_EQ(std::stoul(m[3]), kPaths * done);
  EXPECT_LT(done, static_cast<std::size_t>(kDocuments)) << "the batch was done before the signal came";
}

INSTANTIATE_TEST_SUITE_P(
    Signals, BatchInterrupted,
    ::testing::Values(InterruptCase{"TermToTheCommandIntoAFolder", false, "kill -TERM $pid", SIGTERM},
                      InterruptCase{"CtrlCIntoAFolder", false, "kill -INT -- -$pid", SIGINT},
                      InterruptCase{"CtrlCInPlace", true, "kill -INT -- -$pid", SIGINT},
                      InterruptCase{"HangUpInPlace", true, "kill -HUP $pid", SIGHUP}),
    [](const auto& info) { return std::string(info.param.name); });

// Documents a worker never gets to the end of: a named pipe nobody writes
// to. With one worker, the plain document first and the pipe second.
struct Stuck {
  Scratch scratch;
  std::vector<std::string> args;
  explicit Stuck(bool pipeFirst) {
    fs::create_directory(scratch.path("in"));
    WriteFile(scratch.path("in/ramp.svg"), ManyGradients(1, 0));
    EXPECT_EQ(::mkfifo(scratch.path("in/pipe.svg").c_str(), 0600), 0);
    args = {"apply", scratch.path(pipeFirst ? "in/pipe.svg" : "in/ramp.svg"),
            scratch.path(pipeFirst ? "in/ramp.svg" : "in/pipe.svg"), "--out-dir", scratch.path("out"), "--jobs", "1"};
  }
};

// A stop signal for the command alone (not its workers) stops a worker in
// the middle of its document: that one is left as it was and not counted.
TEST(BatchStop, StopsAWorkerInTheMiddleOfItsDocument) {
  Stuck stuck(false);
  const Finished run = Script("\"$0\" \"$@\" & pid=$!\n{watch}\nuntil [ -e '" + stuck.scratch.path("out/ramp.svg") +
                                  "' ]; do kill -0 $pid || break; sleep 0.005; done\nsleep 0.1\nkill -TERM $pid\nwait $pid; echo \"status $?\" >&2\n",
                              stuck.args);
  EXPECT_EQ(run.err, "status " + std::to_string(128 + SIGTERM) + "\n");
  EXPECT_EQ(run.out, "interrupted: 1 of 2 files: 1 rewritten, 0 left alone, 0 refused; 1 gradient rewritten\n");
}

// The first signal asks the workers to stop; when one cannot (stopped here
// with SIGSTOP), a second signal ends the command at once, by that signal.
TEST(BatchStop, ASecondSignalEndsTheCommandAtOnce) {
  Stuck stuck(true);
  const Finished run = Script(std::string("\"$0\" \"$@\" & pid=$!\n{watch}\n") + kFindWorker +
                                  "kill -STOP $w\nkill -TERM $pid\nsleep 0.3\n"
                                  "kill -0 $pid 2>/dev/null && echo 'waits for its worker' >&2\n"
                                  "kill -TERM $pid\nwait $pid; echo \"status $?\" >&2\nkill -CONT $w\n",
                              stuck.args);
  EXPECT_EQ(run.err, "waits for its worker\nstatus " + std::to_string(128 + SIGTERM) + "\n");
  EXPECT_EQ(run.out, "") << "ended at once, without its summary";
  EXPECT_FALSE(fs::exists(stuck.scratch.path("out/ramp.svg")));
}

// A worker that dies (killed here) is named with the document it was
// working on and the signal; that document is refused and the batch goes on.
TEST(BatchStop, AWorkerThatDiesIsReportedWithItsDocument) {
  Stuck stuck(true);
  const Finished run = Script(std::string("\"$0\" \"$@\" & pid=$!\n{watch}\n") + kFindWorker +
                                  "sleep 0.2\nkill -KILL $w\nwait $pid; echo \"status $?\" >&2\n",
                              stuck.args);
  EXPECT_EQ(run.err, "evenhue: " + stuck.scratch.path("in/pipe.svg") +
                         ": the worker ended with signal 9 (Killed) while working on it\nstatus 1\n");
  EXPECT_EQ(run.out, "2 files: 1 rewritten, 0 left alone, 1 refused; 1 gradient rewritten\n");
  EXPECT_TRUE(ReadFile(stuck.scratch.path("out/ramp.svg")).find("linearGradient") != std::string::npos);
}

// --- Faults while writing ------------------------------------------------------------------

struct LimitCase {
  const char* name;
  std::vector<std::string> args;  // after "apply {in}/big.svg"; {dir} is the scratch folder
  const char* target;             // the file named in the error
  const char* summary;
};

void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.name; }

class FileSizeLimit : public ::testing::TestWithParam<LimitCase> {};

// Under `ulimit -f` a write past the limit is an error naming the file (not
// the end of the command by SIGXFSZ), and nothing is left behind.
TEST_P(FileSizeLimit, IsAnErrorNamingTheFileAndLeavesNothingBehind) {
  const LimitCase& c = GetParam();
  Scratch scratch;
  fs::create_directory(scratch.path("in"));
  fs::create_directory(scratch.path("out"));
  WriteFile(scratch.path("in/big.svg"), ManyGradients(400, 1));  // some 60 KB in, more out
  const auto before = scratch.snapshot();
  std::vector<std::string> args = {"-c", "ulimit -f 64; exec \"$0\" \"$@\"", EVENHUE_COMMAND, "apply",
                                   scratch.path("in/big.svg")};
  for (const std::string& a : c.args) args.push_back(a.rfind("{dir}", 0) == 0 ? scratch.path(a.substr(6)) : a);
  const Finished run = testcmd::RunProgram("/bin/sh", args);
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("evenhue: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("cannot write " + scratch.path(c.target) + ": File too large"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, c.summary);
  EXPECT_EQ(scratch.snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, FileSizeLimit,
    ::testing::Values(LimitCase{"OneDocument", {"-o", "{dir}/out/big.svg"}, "out/big.svg", ""},
                      LimitCase{"ABatch", {"--out-dir", "{dir}/out"}, "out/big.svg",
                                "1 file: 0 rewritten, 0 left alone, 1 refused; 0 gradients rewritten\n"},
                      LimitCase{"OneDocumentInPlace", {"--in-place"}, "in/big.svg", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A single document's outputs are written together or not at all, also when
// a signal that ends the command comes while one of them is still being
// written: here the preview goes to standard output, a pipe nobody reads,
// while the document waits beside its target for its rename.
TEST(ApplyInterrupted, LeavesNoTemporaryFileAndNoHalfOfItsOutputs) {
  for (const int signal : {SIGTERM, SIGUSR1}) {
    SCOPED_TRACE(signal);
    Scratch scratch;
    WriteFile(scratch.path("in.svg"), ManyGradients(10, 2));  // a preview of some 300 KB
    const std::string out = scratch.path("out");
    fs::create_directory(out);
    const Finished run = Script("mkfifo '" + scratch.path("pipe") + "'; exec 3<>'" + scratch.path("pipe") +
                                    "'\n\"$0\" \"$@\" >&3 & pid=$!\n{watch}\n"
                                    "until ls -A '" + out + "' | grep -q .; do kill -0 $pid || break; sleep 0.005; done\n"
                                    "sleep 0.1\nkill -" + std::to_string(signal) + " $pid; wait $pid; echo \"status $?\" >&2\n",
                                {"apply", scratch.path("in.svg"), "-o", out + "/new.svg", "--preview", "-"});
    EXPECT_EQ(run.err, "status " + std::to_string(128 + signal) + "\n");
    EXPECT_TRUE(fs::is_empty(out)) << "left behind in " << out;
  }
}

}  // namespace
}  // namespace clitest
