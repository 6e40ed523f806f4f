// How the command is called: help for the command and each subcommand, the
// version, and the exit status of bad usage (2) and bad input (1), each with
// one line on standard error and nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

// --- Help and version ------------------------------------------------------------

struct HelpCase {
  const char* name;
  std::vector<std::string> args;
  const char* usage;  // the first line of standard output starts with this
};

void PrintTo(const HelpCase& c, std::ostream* out) { *out << c.name; }

class Help : public ::testing::TestWithParam<HelpCase> {};

TEST_P(Help, PrintsUsageOnStandardOutputAndSucceeds) {
  const HelpCase& c = GetParam();
  const Finished run = Evenhue(c.args);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.empty()) << run.err;
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.rfind(c.usage, 0), 0u) << run.out;
  EXPECT_EQ(run.out.back(), '\n');
  EXPECT_GT(Lines(run.out).size(), 3u) << "a usage line and nothing to explain it";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Help,
    ::testing::Values(HelpCase{"Command", {"--help"}, "usage: evenhue <command>"},
                      HelpCase{"CommandShort", {"-h"}, "usage: evenhue <command>"},
                      HelpCase{"CommandWord", {"help"}, "usage: evenhue <command>"},
                      HelpCase{"Demo", {"demo", "--help"}, "usage: evenhue demo"},
                      HelpCase{"Apply", {"apply", "--help"}, "usage: evenhue apply"},
                      HelpCase{"Respace", {"respace", "--help"}, "usage: evenhue respace"},
                      HelpCase{"ApplyHelpAfterOtherArguments", {"apply", "in.svg", "-o", "out.svg", "--help"},
                               "usage: evenhue apply"},
                      HelpCase{"RespaceShort", {"respace", "-h"}, "usage: evenhue respace"},
                      HelpCase{"InstallInkscape", {"install-inkscape", "--help"}, "usage: evenhue install-inkscape"},
                      HelpCase{"Inkscape", {"inkscape", "--help"}, "usage: evenhue inkscape"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Version, PrintsTheProjectVersion) {
  const Finished run = Evenhue({"--version"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.empty()) << run.err;
  EXPECT_EQ(run.out, std::string("evenhue ") + EVENHUE_VERSION_TEXT + "\n");
}

// Each subcommand's help names every option the subcommand takes.
TEST(Help, NamesEveryOption) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> options = {
      {"demo", {"--out", "--plugin"}},
      {"apply", {"-o", "--in-place", "--out-dir", "--jobs", "--preview", "--report", "--select", "--plugin"}},
      {"respace", {"--plugin"}},
      {"install-inkscape", {"--dir", "--plugin"}},
      {"inkscape", {"--id=", "--plugin"}},
  };
  for (const auto& [command, names] : options) {
    const Finished run = Evenhue({command, "--help"});
    for (const std::string& name : names) EXPECT_NE(run.out.find(name), std::string::npos) << command << " " << name;
  }
  const Finished main = Evenhue({"--help"});
  for (const char* command : {"demo", "apply", "respace", "install-inkscape", "inkscape"})
    EXPECT_NE(main.out.find(std::string("  ") + command), std::string::npos) << command;
}

// Without a command the usage goes to standard error, as an error.
TEST(Usage, NoCommandIsBadUsage) {
  const Finished run = Evenhue({});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.out.empty()) << run.out;
  EXPECT_EQ(run.err.rfind("usage: evenhue", 0), 0u) << run.err;
}

// --- Refused calls ---------------------------------------------------------------

std::string SmallDocument() {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"><defs><linearGradient id=\"g\">"
         "<stop offset=\"0\" stop-color=\"#0000ff\"/><stop offset=\"1\" stop-color=\"#ffff00\"/></linearGradient>"
         "</defs><rect id=\"p\" width=\"10\" height=\"10\" fill=\"url(#g)\"/></svg>\n";
}

struct RefusedCase {
  const char* name;
  std::vector<std::string> args;  // {name} is a file in the scratch folder
  int status;
  const char* says;               // part of the one line on standard error
  std::function<void(const Scratch&)> prepare = nullptr;
  const char* stdinText = nullptr;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class Refused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(Refused, ExitsWithItsStatusAndOneLine) {
  const RefusedCase& c = GetParam();
  Scratch scratch;
  WriteFile(scratch.path("in.svg"), SmallDocument());
  if (c.prepare) c.prepare(scratch);
  if (c.stdinText) WriteFile(scratch.path("stdin"), c.stdinText);
  const auto before = scratch.snapshot();

  std::vector<std::string> args;
  for (const std::string& a : c.args)
    args.push_back(a.size() > 2 && a.front() == '{' && a.back() == '}' ? scratch.path(a.substr(1, a.size() - 2)) : a);
  const Finished run = Evenhue(args, c.stdinText ? scratch.path("stdin") : "/dev/null");

  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, c.status) << run.err;
  ASSERT_FALSE(run.err.empty());
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "not one line: " << run.err;
  EXPECT_EQ(run.err.rfind("evenhue: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty()) << run.out;
  EXPECT_EQ(scratch.snapshot(), before) << "something was written";
}

std::vector<RefusedCase> RefusedCases() {
  return {
      // Bad usage: exit 2, before anything is read.
      {"UnknownCommand", {"frobnicate"}, 2, "unknown command frobnicate"},
      {"UnknownApplyOption", {"apply", "{in.svg}", "-o", "{out.svg}", "--frobnicate"}, 2, "unknown option --frobnicate"},
      {"UnknownDemoOption", {"demo", "--out", "{demo}", "--frobnicate"}, 2, "unknown option --frobnicate"},
      {"UnknownRespaceOption", {"respace", "--frobnicate"}, 2, "unknown argument --frobnicate"},
      {"RespaceTakesNoFile", {"respace", "{in.jsonl}"}, 2, "unknown argument"},
      {"NeitherOutputNorInPlace", {"apply", "{in.svg}"}, 2, "exactly one of -o OUT, --out-dir DIR and --in-place"},
      {"BothOutputAndInPlace", {"apply", "{in.svg}", "-o", "{out.svg}", "--in-place"}, 2,
       "exactly one of -o OUT, --out-dir DIR and --in-place"},
      {"BothOutputFolderAndInPlace", {"apply", "{in.svg}", "--out-dir", "{out}", "--in-place"}, 2,
       "exactly one of -o OUT, --out-dir DIR and --in-place"},
      {"NoInputDocument", {"apply", "-o", "{out.svg}"}, 2, "no input document"},
      {"TwoInputDocumentsToOneOutput", {"apply", "{in.svg}", "{other.svg}", "-o", "{out.svg}"}, 2,
       "-o takes one document"},
      {"TwoInputDocumentsWithoutAnOutput", {"apply", "{in.svg}", "{other.svg}"}, 2,
       "exactly one of -o OUT, --out-dir DIR and --in-place"},
      // A batch that would lose a file.
      {"BatchWithADocumentTwice", {"apply", "{in.svg}", "{sub/../in.svg}", "--out-dir", "{out}"}, 2,
       "is given twice", [](const Scratch& s) { std::filesystem::create_directory(s.path("sub")); }},
      {"BatchWithADocumentAndALinkToIt", {"apply", "{in.svg}", "{link.svg}", "--in-place"}, 2, "are the same file",
       [](const Scratch& s) { std::filesystem::create_symlink(s.path("in.svg"), s.path("link.svg")); }},
      {"BatchWithTwoDocumentsOfOneName", {"apply", "{in.svg}", "{sub/in.svg}", "--out-dir", "{out}"}, 2,
       "would both be written to",
       [](const Scratch& s) {
         std::filesystem::create_directory(s.path("sub"));
         WriteFile(s.path("sub/in.svg"), SmallDocument());
       }},
      {"BatchIntoTheInputsFolder", {"apply", "{in.svg}", "--out-dir", "{sub/..}"}, 2,
       "is the input", [](const Scratch& s) { std::filesystem::create_directory(s.path("sub")); }},
      {"BatchFromStandardInput", {"apply", "{in.svg}", "-", "--out-dir", "{out}"}, 2, "standard input cannot be one"},
      {"BatchReportOnStandardOutput", {"apply", "{in.svg}", "--out-dir", "{out}", "--report", "-"}, 2,
       "not standard output"},
      {"BatchReportOntoADocumentsOutput", {"apply", "{in.svg}", "--out-dir", "{out}", "--report", "{out/in.svg}"}, 2,
       "is also a document's output"},
      {"JobsThatAreNotANumber", {"apply", "{in.svg}", "--out-dir", "{out}", "--jobs", "two"}, 2,
       "--jobs needs a number"},
      {"InkscapeWithoutADocument", {"inkscape", "--id=p"}, 2, "inkscape: no document"},
      {"InstallIntoAnEmptyFolderName", {"install-inkscape", "--dir", ""}, 2, "install-inkscape: --dir needs a folder"},
      {"OutputWithoutItsValue", {"apply", "{in.svg}", "-o"}, 2, "-o needs a value"},
      {"EmptyOutputName", {"apply", "{in.svg}", "-o", ""}, 2, "-o needs a file"},
      {"OutputGivenTwice", {"apply", "{in.svg}", "-o", "{out.svg}", "-o", "{other.svg}"}, 2, "-o given twice"},
      {"SelectWithoutItsValue", {"apply", "{in.svg}", "-o", "{out.svg}", "--select"}, 2, "--select needs a value"},
      {"PreviewWithoutItsValue", {"apply", "{in.svg}", "-o", "{out.svg}", "--preview"}, 2, "--preview needs a value"},
      {"PluginWithoutItsValue", {"respace", "--plugin"}, 2, "--plugin needs a value"},
      {"InPlaceOnStandardInput", {"apply", "-", "--in-place"}, 2, "--in-place needs a file"},
      {"TwoResultsOnStandardOutput", {"apply", "{in.svg}", "-o", "-", "--report", "-"}, 2,
       "only one result can go to standard output"},
      {"ReportOntoTheOutput", {"apply", "{in.svg}", "-o", "{out.svg}", "--report", "{out.svg}"}, 2,
       "is given for two results"},
      {"PreviewOntoTheReportByAnotherName",
       {"apply", "{in.svg}", "-o", "{out.svg}", "--report", "{r.json}", "--preview", "{sub/../r.json}"}, 2,
       "is given for two results", [](const Scratch& s) { std::filesystem::create_directory(s.path("sub")); }},
      {"ReportOntoTheOutputThroughALink", {"apply", "{in.svg}", "-o", "{out.svg}", "--report", "{link.json}"}, 2,
       "is given for two results",
       [](const Scratch& s) {
         WriteFile(s.path("out.svg"), "earlier result\n");
         std::filesystem::create_symlink(s.path("out.svg"), s.path("link.json"));
       }},
      {"PreviewAndReportBothOnStandardOutput",
       {"apply", "{in.svg}", "-o", "{out.svg}", "--preview", "-", "--report", "-"}, 2,
       "only one result can go to standard output"},
      {"DemoWithEmptyFolder", {"demo", "--out", ""}, 2, "--out needs a folder"},
      // Bad input: exit 1.
      {"DemoOntoAFile", {"demo", "--out", "{in.svg}"}, 1, "is not a folder"},
      {"BatchIntoAFile", {"apply", "{in.svg}", "--out-dir", "{in.svg}"}, 1, "is not a folder"},
      // The Inkscape effect names the drawing as Inkscape knows it, not by the temporary copy it gets.
      {"InkscapeDrawingThatCannotBeRead", {"inkscape", "--id=r", "{ink_ext_XXXXXX.svgA1B2C3}"}, 1,
       "evenhue: poster & flyer.svg: the document type declares an external entity",
       [](const Scratch& s) {
         WriteFile(s.path("ink_ext_XXXXXX.svgA1B2C3"),
                   "<!DOCTYPE svg [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                   "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:sodipodi=\"http://sodipodi.sourceforge.net/DTD/"
                   "sodipodi-0.dtd\" sodipodi:docname=\"poster &amp; flyer.svg\"><linearGradient id=\"g\"><stop "
                   "stop-color=\"red\"/><stop/></linearGradient><rect id=\"r\" fill=\"url(#g)\"/><text>&x;</text></svg>");
       }},
      // Inkscape's users select objects; they never typed --select.
      {"InkscapeSelectionNotInTheDrawing", {"inkscape", "--id=p", "--id=nosuch", "{in.svg}"}, 1,
       "evenhue: the selected object 'nosuch' is not in the drawing\n"},
      {"InkscapeDrawingWithoutAName", {"inkscape", "{ink_ext_XXXXXX.svgA1B2C3}"}, 1, "evenhue: the drawing: ",
       [](const Scratch& s) { WriteFile(s.path("ink_ext_XXXXXX.svgA1B2C3"), "<svg"); }},
      {"DocumentThatIsNotWellFormed", {"apply", "{bad.svg}", "-o", "{out.svg}"}, 1, "bad.svg: not well-formed XML",
       [](const Scratch& s) {
         WriteFile(s.path("bad.svg"),
                   "<svg xmlns=\"http://www.w3.org/2000/svg\"><linearGradient id=\"g\"><stop offset=\"0\"/>"
                   "</svg>");
       }},
      {"SelectionOnStandardInputThatIsNotSvg", {"apply", "-", "-o", "{out.svg}", "--select", "p"}, 1,
       "standard input: not an SVG document", nullptr, "<html/>"},
  };
}

INSTANTIATE_TEST_SUITE_P(Calls, Refused, ::testing::ValuesIn(RefusedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The Inkscape effect ------------------------------------------------------------

// A run that re-spaces nothing still succeeds with the drawing as it was on
// standard output, and says why in one line (Inkscape shows it in a message
// box), in terms of the selection when there is one.
TEST(InkscapeEffect, SaysInOneLineWhyNothingWasReSpaced) {
  const std::string drawing =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"><defs><linearGradient id=\"g\">"
      "<stop offset=\"0\" stop-color=\"#0000ff\"/><stop offset=\"1\" stop-color=\"#ffff00\"/></linearGradient>"
      "<linearGradient id=\"one\"><stop offset=\"0\" stop-color=\"#ff0000\"/></linearGradient></defs>"
      "<rect id=\"p\" width=\"10\" height=\"10\" fill=\"url(#g)\"/><rect id=\"solid\" width=\"5\" height=\"5\" "
      "fill=\"#336699\"/><rect id=\"lone\" width=\"5\" height=\"5\" fill=\"url(#one)\"/></svg>\n";
  const std::string plain = "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect id=\"solid\" fill=\"#336699\"/></svg>\n";
  struct Case {
    const char* name;
    std::vector<std::string> ids;
    const std::string* document;
    const char* says;  // the start of the one line; empty: nothing
  };
  const Case cases[] = {
      {"ObjectWithoutAGradient", {"--id=solid"}, &drawing,
       "evenhue: notice: nothing was re-spaced: the selection has no fill or stroke painted with a gradient\n"},
      {"GradientTheEffectLeavesAlone", {"--id=lone"}, &drawing,
       "evenhue: notice: nothing was re-spaced: the 1 gradient paint of the selection was left alone ("},
      {"DrawingWithoutAGradient", {}, &plain,
       "evenhue: notice: nothing was re-spaced: the drawing has no fill or stroke painted with a gradient\n"},
      {"ObjectWithAGradient", {"--id=p", "--id=solid"}, &drawing, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch;
    WriteFile(scratch.path("ink_ext_XXXXXX.svgA1B2C3"), *c.document);
    std::vector<std::string> args = {"inkscape"};
    args.insert(args.end(), c.ids.begin(), c.ids.end());
    args.push_back(scratch.path("ink_ext_XXXXXX.svgA1B2C3"));
    const Finished run = Evenhue(args);
    EXPECT_EQ(run.status, 0) << run.err;
    if (!*c.says) {
      EXPECT_EQ(run.err, "");
      EXPECT_NE(run.out, *c.document);
      continue;
    }
    EXPECT_EQ(run.err.rfind(c.says, 0), 0u) << run.err;
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_EQ(run.out, *c.document);
  }
}

// --- Installing the Inkscape effect --------------------------------------------------

// A copy of the built command with the files it installs beside it, less `missing`.
std::string CommandCopy(const Scratch& scratch, const std::string& missing) {
  namespace fs = std::filesystem;
  const fs::path built = fs::path(EVENHUE_COMMAND).parent_path();
  fs::create_directory(scratch.path("bin"));
  for (const char* name : {"evenhue", "Evenhue.so", "evenhue.inx", "evenhue-inkscape"})
    if (name != missing) fs::copy_file(built / name, scratch.path(std::string("bin/") + name));
  return scratch.path("bin/evenhue");
}

// An install is all or nothing: one source file missing, nothing is
// written (an earlier install stays as it was); complete, it replaces an
// earlier install as a whole.
TEST(InstallInkscape, InstallsEveryFileOrNone) {
  namespace fs = std::filesystem;
  struct Case {
    const char* name;
    const char* missing;  // beside the command
    bool earlier;         // an install already there
    int status;
  };
  const Case cases[] = {{"DescriptionMissing", "evenhue.inx", false, 1},
                        {"ScriptMissingOverAnEarlierInstall", "evenhue-inkscape", true, 1},
                        {"Complete", "", false, 0},
                        {"CompleteOverAnEarlierInstall", "", true, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch;
    const std::string command = CommandCopy(scratch, c.missing);
    const std::string effect = scratch.path("extensions/evenhue");
    if (c.earlier) {
      fs::create_directories(effect);
      WriteFile(effect + "/evenhue.inx", "an earlier description\n");
      WriteFile(effect + "/gone-since", "a file of an earlier version\n");
    }
    const auto before = scratch.snapshot();
    const Finished run = testcmd::RunProgram(command, {"install-inkscape", "--dir", scratch.path("extensions")});
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status != 0) {
      EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
      EXPECT_NE(run.err.find(scratch.path(std::string("bin/") + c.missing)), std::string::npos) << run.err;
      EXPECT_EQ(scratch.snapshot(), before) << "something was written";
      continue;
    }
    std::vector<std::string> installed;
    for (const auto& e : fs::directory_iterator(scratch.path("extensions"))) installed.push_back(e.path().filename());
    EXPECT_EQ(installed, std::vector<std::string>{"evenhue"}) << "only the effect's folder";
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(effect)) files.insert(e.path().filename());
    EXPECT_EQ(files, (std::set<std::string>{"evenhue", "Evenhue.so", "evenhue.inx", "evenhue-inkscape"}));
    for (const std::string& name : files)
      EXPECT_TRUE(ReadFile(effect + "/" + name) == ReadFile(scratch.path("bin/" + name))) << name;
    EXPECT_TRUE(fs::status(effect + "/evenhue-inkscape").permissions() == fs::perms(0755));
  }
}

// A respace batch with a line that cannot be read exits with 1 (the line's
// error goes to standard output in its place, see respace_test.cpp).
TEST(Usage, RespaceWithABadLineExitsWithOne) {
  const Finished run = EvenhueWithInput({"respace"}, "not json\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out.rfind("{\"error\": \"line 1: ", 0), 0u) << run.out;
}

}  // namespace
}  // namespace clitest
