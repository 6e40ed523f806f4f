// `evenhue apply` on several documents: into a folder or in place, on one or
// more worker processes; refusals in input order, the summary line, the
// documents left alone, the batch's report; an interrupted batch.
#include <gtest/gtest.h>
#include <signal.h>

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

// SIGTERM once the first results are in: the workers take no further document
// and drop any result not yet in place, so each output is absent or whole,
// no temporary file is left, and the summary counts what was done.
TEST(BatchInterrupted, LeavesEveryDocumentAbsentOrWhole) {
  constexpr int kDocuments = 32;
  constexpr int kPaths = 500;
  Scratch scratch;
  fs::create_directory(scratch.path("in"));
  std::vector<std::string> args = {"apply"};  // for the documents
  for (int d = 0; d < kDocuments; ++d) {
    const std::string name = scratch.path("in/d" + std::to_string(100 + d) + ".svg");
    WriteFile(name, ManyGradients(kPaths, d));
    args.push_back(name);
  }
  // The whole batch once, for the documents as they must come out; then in
  // the background, with SIGTERM once its first document is in place.
  std::vector<std::string> wholeArgs = args;
  wholeArgs.insert(wholeArgs.end(), {"--out-dir", scratch.path("whole")});
  ASSERT_EQ(Evenhue(wholeArgs).status, 0);
  const std::string out = scratch.path("out");
  const std::string script = "\"$0\" \"$@\" --out-dir '" + out + "' & pid=$!\n" +
                             "until ls '" + out + "'/*.svg >/dev/null 2>&1; do sleep 0.005; done\n" +
                             "kill -TERM $pid; wait $pid; echo \"status $?\" >&2\n";
  args.insert(args.begin(), {"-c", script, EVENHUE_COMMAND});
  const Finished run = testcmd::RunProgram("/bin/sh", args);
  EXPECT_EQ(run.err, "status " + std::to_string(128 + SIGTERM) + "\n");

  std::size_t done = 0;
  for (const auto& e : fs::directory_iterator(scratch.path("out"))) {
    const std::string name = e.path().filename();
    ASSERT_EQ(e.path().extension(), ".svg") << "left behind: " << name;
    EXPECT_TRUE(ReadFile(e.path()) == ReadFile(scratch.path("whole/" + name))) << name << " is not whole";
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

}  // namespace
}  // namespace clitest
