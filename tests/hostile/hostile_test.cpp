// Hostile and broken inputs for the `evenhue` command, run as a process the
// way a user runs it. Each refused case must exit non-zero with exactly one
// line on standard error, leave its input untouched and leave nothing behind
// in the output folder; each accepted case gives the result the SVG and
// gradient rules give.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <pugixml.hpp>
#include <random>
#include <string>
#include <vector>

#include "svg/svg_document.hpp"
#include "tests/common/run_command.hpp"

namespace hostile {
namespace {

namespace fs = std::filesystem;
using testcmd::Finished;
using testcmd::ReadFile;
using testcmd::RunProgram;
using testcmd::Scratch;
using testcmd::WriteFile;

// --- Documents ----------------------------------------------------------------

std::string Svg(const std::string& body) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"10\" "
         "height=\"10\">" +
         body + "</svg>\n";
}

std::string StopsText(std::size_t n) {
  std::string text;
  text.reserve(n * 48);
  for (std::size_t i = 0; i < n; ++i) {
    const double offset = n > 1 ? static_cast<double>(i) / static_cast<double>(n - 1) : 0.0;
    char stop[96];
    std::snprintf(stop, sizeof stop, "<stop offset=\"%.9g\" stop-color=\"#%02x%02x%02x\"/>", offset,
                  static_cast<unsigned>(i * 37 % 256), static_cast<unsigned>(i * 11 % 256),
                  static_cast<unsigned>(255 - i % 256));
    text += stop;
  }
  return text;
}

// One gradient "g" holding `stops`, filling the rectangle "p".
std::string GradientDocument(const std::string& stops, const std::string& attributes = {}) {
  return Svg("<defs><linearGradient id=\"g\"" + attributes + ">" + stops +
             "</linearGradient></defs><rect id=\"p\" width=\"10\" height=\"10\" fill=\"url(#g)\"/>");
}

std::string WithStops(std::size_t n) { return GradientDocument(StopsText(n)); }

std::string Nested(std::size_t depth, const std::string& inner) {
  std::string text;
  text.reserve(depth * 7 + inner.size() + 64);
  for (std::size_t i = 0; i < depth; ++i) text += "<g>";
  text += inner;
  for (std::size_t i = 0; i < depth; ++i) text += "</g>";
  return text;
}

std::string EntityBomb() {
  std::string dtd = "<!DOCTYPE svg [\n<!ENTITY lol \"lol\">\n";
  for (int i = 1; i <= 9; ++i) {
    dtd += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) dtd += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
    dtd += "\">\n";
  }
  dtd += "]>\n";
  return dtd + Svg("<text>&lol9;</text>");
}

// One entity of a mebibyte, referenced 64 times from a file of 1 MB.
std::string QuadraticEntityBomb() {
  std::string uses;
  for (int i = 0; i < 64; ++i) uses += "&big;";
  return "<!DOCTYPE svg [<!ENTITY big \"" + std::string(1 << 20, 'x') + "\">]>\n" + Svg("<text>" + uses + "</text>");
}

std::string TwoGradients(const std::string& first, const std::string& second) {
  return Svg("<defs><linearGradient id=\"a\"" + first + "/><linearGradient id=\"b\"" + second +
             "/></defs><rect id=\"p\" width=\"10\" height=\"10\" fill=\"url(#a)\"/>");
}

std::string Garbage() {
  std::string bytes(4096, '\0');
  std::mt19937 random(7);
  for (auto& b : bytes) b = static_cast<char>(random() & 0xff);
  return bytes;
}

std::string ManyElements(std::uint64_t count) {
  std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\">";
  text.reserve(text.size() + count * 4 + 8);
  for (std::uint64_t i = 1; i < count; ++i) text += "<g/>";
  return text + "</svg>";
}

std::string Expand(const std::string& arg, const Scratch& scratch) {
  static const std::map<std::string, std::string> kFixed = {{"{plugin-no-entry}", EVENHUE_NO_ENTRY_LIBRARY}};
  if (auto it = kFixed.find(arg); it != kFixed.end()) return it->second;
  if (arg.size() > 2 && arg.front() == '{' && arg.back() == '}') return scratch.path(arg.substr(1, arg.size() - 2));
  return arg;
}

Finished Evenhue(const std::vector<std::string>& args, const Scratch& scratch, const std::string& stdinFile,
                 const std::string& stdoutFile) {
  std::vector<std::string> expanded;
  for (const auto& a : args) expanded.push_back(Expand(a, scratch));
  return RunProgram(EVENHUE_COMMAND, expanded, stdinFile, stdoutFile);
}

// --- Refused ------------------------------------------------------------------------

struct RefusedCase {
  const char* name;
  std::function<void(const Scratch&)> prepare;  // writes the files of the case
  std::vector<std::string> args;                // {name} is a file in the scratch folder
  int status;                                   // 1 bad input, 2 bad usage
  const char* says;                             // part of the one line on standard error
  const char* stdoutTo = "";                    // a file for standard output (default: captured)
};

std::function<void(const Scratch&)> Input(std::function<std::string()> make, const char* name = "in.svg") {
  return [make = std::move(make), name](const Scratch& s) { WriteFile(s.path(name), make()); };
}

std::function<void(const Scratch&)> Both(std::function<void(const Scratch&)> a, std::function<void(const Scratch&)> b) {
  return [a = std::move(a), b = std::move(b)](const Scratch& s) {
    a(s);
    b(s);
  };
}

const std::vector<std::string> kApply = {"apply", "{in.svg}", "-o", "{out.svg}"};

std::vector<std::string> ApplyWith(std::vector<std::string> more) {
  std::vector<std::string> args = kApply;
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

std::vector<RefusedCase> RefusedCases() {
  const evenhue::svg::Limits limits;
  return {
      {"EmptyFile", Input([] { return std::string(); }), kApply, 1, "empty"},
      {"TruncatedXml", Input([] { return WithStops(3).substr(0, 120); }), kApply, 1, "not well-formed XML"},
      {"NotSvg", Input([] { return std::string("<html><body><p>hello</p></body></html>"); }), kApply, 1,
       "not an SVG document"},
      {"BinaryGarbage", Input(Garbage), kApply, 1, "in.svg"},
      {"EntityExpansionBomb", Input(EntityBomb), kApply, 1, "entities nested more than 8 deep"},
      {"QuadraticEntityBomb", Input(QuadraticEntityBomb), kApply, 1, "the entities expand to more than 16 MiB"},
      {"ExternalEntity",
       Input([] { return "<!DOCTYPE svg [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n" + Svg("<text>&x;</text>"); }),
       kApply, 1, "declares an external entity 'x'"},
      {"ExternalParameterEntity",
       Input([] { return "<!DOCTYPE svg [<!ENTITY % p SYSTEM \"http://example.invalid/p.dtd\"> %p;]>\n" + Svg(""); }),
       kApply, 1, "declares a parameter entity 'p'"},
      {"UndeclaredEntity",
       Input([] { return "<!DOCTYPE svg [<!ENTITY a \"x\">]>\n" + Svg("<text>&a;&nbsp;</text>"); }), kApply, 1,
       "the entity 'nbsp', which is not declared"},
      {"FortyThousandStops", Input([] { return WithStops(40'000); }), kApply, 1, "stops"},
      {"MissingInput", nullptr, kApply, 1, "in.svg"},
      {"EmptyStandardInput", nullptr, {"apply", "-", "-o", "{out.svg}"}, 1, "empty"},
      {"InPlaceOnABrokenDocument", Input([] { return WithStops(3).substr(0, 150); }),
       {"apply", "{in.svg}", "--in-place"}, 1, "not well-formed XML"},
      {"InputIsAFolder", [](const Scratch& s) { fs::create_directory(s.path("in.svg")); }, kApply, 1, "directory"},
      {"OutputFolderMissing", Input([] { return WithStops(2); }),
       {"apply", "{in.svg}", "-o", "{no/such/folder/out.svg}"}, 1, "cannot write"},
      {"OutputIsAFolder", Both(Input([] { return WithStops(2); }), [](const Scratch& s) {
         fs::create_directory(s.path("out.svg"));
       }),
       kApply, 1, "directory"},
      {"OutputOnAReadOnlyFileSystem", Input([] { return WithStops(2); }),
       {"apply", "{in.svg}", "-o", "/proc/evenhue-out.svg"}, 1, "cannot write"},
      {"OutputDeviceFull", Input([] { return WithStops(2); }), {"apply", "{in.svg}", "-o", "/dev/full"}, 1,
       "No space left"},
      {"StandardOutputFull", Input([] { return WithStops(2); }), {"apply", "{in.svg}", "-o", "-"}, 1,
       "No space left", "/dev/full"},
      {"OutputIsTheInput", Input([] { return WithStops(2); }), {"apply", "{in.svg}", "-o", "{in.svg}"}, 2,
       "--in-place"},
      {"OutputIsTheInputByAnotherName",
       Both(Input([] { return WithStops(2); }),
            [](const Scratch& s) { fs::create_symlink(s.path("in.svg"), s.path("link.svg")); }),
       {"apply", "{in.svg}", "-o", "{link.svg}"}, 2, "--in-place"},
      {"ReportOnTheInput", Input([] { return WithStops(2); }), ApplyWith({"--report", "{in.svg}"}), 2, "is the input"},
      {"UnknownSelection", Input([] { return WithStops(2); }), ApplyWith({"--select", "nothing"}), 1,
       "no element has this id"},
      {"PluginMissing", Input([] { return WithStops(2); }), ApplyWith({"--plugin", "{none.so}"}), 1, "no such file"},
      {"PluginNotALibrary", Both(Input([] { return WithStops(2); }), Input([] { return std::string("not code"); },
                                                                         "fake.so")),
       ApplyWith({"--plugin", "{fake.so}"}), 1, "plug-in"},
      {"PluginWithoutEntryPoint", Input([] { return WithStops(2); }), ApplyWith({"--plugin", "{plugin-no-entry}"}),
       1, "PluginMain"},
      {"RespacePluginMissing", nullptr, {"respace", "--plugin", "{none.so}"}, 1, "no such file"},
      {"FileSizeLimit",
       [limits](const Scratch& s) {
         WriteFile(s.path("in.svg"), "<svg xmlns=\"http://www.w3.org/2000/svg\">");
         fs::resize_file(s.path("in.svg"), limits.maxBytes + 1);  // sparse: costs no disk
       },
       kApply, 1, "larger than the limit"},
      {"ElementCountLimit", Input([limits] { return ManyElements(limits.maxElements + 1); }), kApply, 1,
       "elements"},
      {"NestingDepthLimit", Input([limits] { return Svg(Nested(limits.maxDepth, "<rect/>")); }), kApply, 1,
       "nested deeper"},
      {"StopCountLimit", Input([limits] { return WithStops(limits.maxStops + 1); }), kApply, 1,
       "more than 32767 stops"},
      {"ReportDeviceFullLeavesNoDocument", Input([] { return WithStops(2); }), ApplyWith({"--report", "/dev/full"}),
       1, "No space left"},
      {"PreviewFolderMissingLeavesNoDocument", Input([] { return WithStops(2); }),
       ApplyWith({"--preview", "{no/such/folder/ramps.png}", "--report", "{report.json}"}), 1, "cannot write"},
      {"EarlierResultKeptWhenAnExtraOutputFails",
       Both(Input([] { return WithStops(3); }), Input([] { return std::string("earlier result\n"); }, "out.svg")),
       ApplyWith({"--report", "/dev/full"}), 1, "No space left"},
      {"EarlierResultKeptWhenTheInputIsBroken",
       Both(Input([] { return std::string("<svg"); }), Input([] { return std::string("earlier result\n"); },
                                                            "out.svg")),
       kApply, 1, "not well-formed"},
  };
}

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class Refused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(Refused, WithOneLineAndNothingBehind) {
  const RefusedCase& c = GetParam();
  Scratch scratch;
  if (c.prepare) c.prepare(scratch);
  const auto before = scratch.snapshot();

  const std::string stdoutTo = *c.stdoutTo ? c.stdoutTo : "";
  const Finished run = Evenhue(c.args, scratch, "/dev/null", stdoutTo);

  EXPECT_EQ(run.signal, 0) << "ended by a signal";
  EXPECT_EQ(run.status, c.status) << run.err;
  ASSERT_FALSE(run.err.empty());
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "not exactly one line: " << run.err;
  EXPECT_EQ(run.err.rfind("evenhue: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty()) << "partial output on standard output";
  EXPECT_EQ(scratch.snapshot(), before) << "the scratch folder changed";
}

INSTANTIATE_TEST_SUITE_P(Inputs, Refused, ::testing::ValuesIn(RefusedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Accepted -----------------------------------------------------------------------

struct Result {
  pugi::xml_document document;
  pugi::xml_node paint;     // the gradient the element "p" is filled with now
  std::size_t stops = 0;
  std::vector<double> offsets;
};

void Read(const std::string& text, Result& result) {
  ASSERT_TRUE(result.document.load_string(text.c_str()));
  const pugi::xml_node p = result.document.find_node([](pugi::xml_node n) {
    return std::string_view(n.attribute("id").value()) == "p";
  });
  ASSERT_TRUE(p);
  const std::string fill = p.attribute("fill").value();
  ASSERT_EQ(fill.rfind("url(#", 0), 0u) << fill;
  const std::string id = fill.substr(5, fill.find(')') - 5);
  result.paint = result.document.find_node([&](pugi::xml_node n) { return id == n.attribute("id").value(); });
  ASSERT_TRUE(result.paint) << id;
  for (pugi::xml_node stop : result.paint.children("stop")) {
    ++result.stops;
    result.offsets.push_back(std::strtod(stop.attribute("offset").value(), nullptr));
  }
}

struct AcceptedCase {
  const char* name;
  std::function<std::string()> input;
  std::size_t sourceStops;     // as the plug-in reads them
  bool respaced;               // false: the gradient is left as it was
  const char* says = nullptr;  // a warning on standard error; nothing at all when null
  const char* source = "g";    // the gradient "p" is painted with
};

void PrintTo(const AcceptedCase& c, std::ostream* out) { *out << c.name; }

class Accepted : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(Accepted, GivesTheRespacingRulesResult) {
  const AcceptedCase& c = GetParam();
  Scratch scratch;
  const std::string input = c.input();
  WriteFile(scratch.path("in.svg"), input);
  // What the plug-in makes of these stops, with nothing left alone for
  // looking worse than its source (that check has tests of its own).
  std::vector<std::string> args = kApply;
  args.push_back("--smooth-edges");
  const Finished run = Evenhue(args, scratch, "/dev/null", "");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.signal, 0);
  if (c.says) {
    EXPECT_NE(run.err.find(std::string("in.svg: warning: ")), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  } else {
    EXPECT_TRUE(run.err.empty()) << run.err;
  }
  EXPECT_EQ(ReadFile(scratch.path("in.svg")), input) << "the input changed";

  Result result;
  ASSERT_NO_FATAL_FAILURE(Read(ReadFile(scratch.path("out.svg")), result));
  if (!c.respaced) {
    EXPECT_EQ(std::string(result.paint.attribute("id").value()), c.source);
    EXPECT_EQ(result.stops, c.sourceStops);
    return;
  }
  EXPECT_NE(std::string(result.paint.attribute("id").value()), "g");
  ASSERT_EQ(result.stops, 4 * c.sourceStops - 3);
  for (std::size_t k = 0; k < result.stops; ++k) {
    EXPECT_NEAR(result.offsets[k], static_cast<double>(k) / static_cast<double>(result.stops - 1), 1e-9) << k;
  }
}

// A two-stop gradient on "p", and `more` after it.
std::string Beside(const std::string& more) {
  return Svg("<defs><linearGradient id=\"g\">" + StopsText(2) +
             "</linearGradient></defs><rect id=\"p\" width=\"10\" height=\"10\" fill=\"url(#g)\"/>" + more);
}

std::string OddOffsets() {
  return GradientDocument(
      "<stop offset=\"-0.5\" stop-color=\"red\"/>"
      "<stop offset=\"NaN\" stop-color=\"lime\"/>"
      "<stop offset=\"inf\" stop-color=\"blue\"/>"
      "<stop offset=\"1e999\" stop-color=\"yellow\"/>"
      "<stop offset=\"-1e999\" stop-color=\"white\"/>"
      "<stop offset=\"250%\" stop-color=\"black\"/>");
}

std::vector<AcceptedCase> AcceptedCases() {
  return {
      {"NoStops", [] { return WithStops(0); }, 0, false, "(0 stops) was left alone by the plug-in"},
      {"OneStop", [] { return WithStops(1); }, 1, false, "(1 stops) was left alone by the plug-in"},
      {"TwoStops", [] { return WithStops(2); }, 2, true},
      {"MoreStopsThanThePluginTakes", [] { return WithStops(8193); }, 8193, false, "was left alone by the plug-in"},
      // What renderers draw through is a warning: the link or declaration is
      // ignored, and the rest of the document is re-spaced.
      {"CircularHref", [] { return TwoGradients(" href=\"#b\"", " xlink:href=\"#a\""); }, 0, false, "loops back", "a"},
      {"SelfHref", [] { return TwoGradients(" href=\"#a\"", ""); }, 0, false, "loops back", "a"},
      {"DanglingHref", [] { return TwoGradients(" href=\"#nowhere\"", ""); }, 0, false, "refers to nothing", "a"},
      {"HrefOutsideTheDocument", [] { return TwoGradients(" href=\"other.svg#b\"", ""); }, 0, false,
       "not a reference within the document", "a"},
      {"DanglingPaint", [] { return Beside("<rect width=\"1\" height=\"1\" fill=\"url(#missing)\"/>"); }, 2, true,
       "fill 'url(#missing)' refers to nothing; left as it is"},
      {"FillColourThatDoesNotParse", [] { return Beside("<rect width=\"1\" height=\"1\" fill=\"#12\"/>"); }, 2, true,
       "fill '#12' (attribute) is not a paint"},
      {"StopColourThatDoesNotParse",
       [] { return GradientDocument("<stop offset=\"0\" stop-color=\"blurple\"/><stop offset=\"1\"/>"); }, 2, true,
       "stop-color 'blurple'"},
      {"DataMidpointThatIsNotANumber",
       [] { return GradientDocument("<stop offset=\"0\" data-midpoint=\"half\"/><stop offset=\"1\"/>"); }, 2, true,
       "data-midpoint 'half' is not a number; 50 is used"},
      {"TheMostStopsThePluginTakes", [] { return WithStops(8192); }, 8192, true},
      {"OffsetsNotANumberInfiniteOrNegativeAreClamped", OddOffsets, 6, true},
      {"HundredThousandNestedGroups",
       [] {
         return Svg("<defs><linearGradient id=\"g\">" + StopsText(3) + "</linearGradient></defs>" +
                    Nested(100'000, "<rect id=\"p\" width=\"10\" height=\"10\" fill=\"url(#g)\"/>"));
       },
       3, true},
      // As older Illustrator versions write their files: names and paints
      // through entities of the document type.
      {"EntitiesOfTheDocumentType",
       [] {
         std::string text = WithStops(2);
         text.replace(text.find("\"http://www.w3.org/2000/svg\""), 28, "\"&ns_svg;\"");
         text.replace(text.find("url(#g)"), 7, "&paint;");
         return "<!DOCTYPE svg [<!ENTITY ns_svg \"http://www.w3.org/2000/svg\"><!ENTITY paint 'url(#g)'>]>\n" + text;
       },
       2, true},
      {"ExternalDoctypeIsNeverFetched",
       [] {
         return "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"http://example.invalid/svg11.dtd\">\n" +
                WithStops(2);
       },
       2, true},
  };
}

INSTANTIATE_TEST_SUITE_P(Inputs, Accepted, ::testing::ValuesIn(AcceptedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// An offset sequence that clamps to 0, 0, 0, 1, 1, 1 still gives a complete
// ramp; the source gradient stays in the output as it was.
TEST(AcceptedDetails, TheSourceGradientIsKeptBesideTheNewOne) {
  Scratch scratch;
  WriteFile(scratch.path("in.svg"), OddOffsets());
  const Finished run = Evenhue(kApply, scratch, "/dev/null", "");
  ASSERT_EQ(run.status, 0) << run.err;
  pugi::xml_document out;
  ASSERT_TRUE(out.load_file(scratch.path("out.svg").c_str()));
  const pugi::xml_node source = out.find_node([](pugi::xml_node n) { return std::string_view(n.attribute("id").value()) == "g"; });
  ASSERT_TRUE(source);
  std::vector<std::string> offsets;
  for (pugi::xml_node stop : source.children("stop")) offsets.emplace_back(stop.attribute("offset").value());
  EXPECT_EQ(offsets, (std::vector<std::string>{"-0.5", "NaN", "inf", "1e999", "-1e999", "250%"}));
}

}  // namespace
}  // namespace hostile

namespace hostile {
namespace {

std::size_t Occurrences(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// The limits leave room for real work: a 100 MB drawing of some 230 000
// paths, one in a hundred filled with a gradient, goes through whole.
TEST(LargeDocuments, AHundredMegabyteDocumentIsApplied) {
  constexpr std::size_t kGradients = 100;
  std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"1000\"><defs>";
  for (std::size_t g = 0; g < kGradients; ++g) {
    text += "<linearGradient id=\"g" + std::to_string(g) + "\">" + StopsText(3) + "</linearGradient>";
  }
  text += "</defs>\n";
  std::string d = "M0 0";
  std::mt19937 random(1);
  for (int i = 0; i < 45; ++i) d += " L" + std::to_string(random() % 1000) + " " + std::to_string(random() % 1000);
  std::size_t paths = 0, gradientPaths = 0;
  while (text.size() < 100'000'000) {
    const bool gradient = paths % 100 == 0;
    gradientPaths += gradient;
    text += "<path d=\"" + d + " Z\" fill=\"" +
            (gradient ? "url(#g" + std::to_string(paths / 100 % kGradients) + ")" : std::string("#336699")) +
            "\"/>\n";
    ++paths;
  }
  text += "</svg>\n";

  Scratch scratch;
  WriteFile(scratch.path("in.svg"), text);
  const Finished run = Evenhue(kApply, scratch, "/dev/null", "");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.empty()) << run.err;
  const std::string out = ReadFile(scratch.path("out.svg"));
  // The paths of one source gradient share its one new gradient.
  ASSERT_GE(gradientPaths, static_cast<std::size_t>(kGradients));
  EXPECT_EQ(Occurrences(out, "<linearGradient"), 2 * static_cast<std::size_t>(kGradients));
  EXPECT_EQ(Occurrences(out, "<path "), paths);
}

}  // namespace
}  // namespace hostile

namespace hostile {
namespace {

// Found by fuzzing the line reader: a number too large for a double made the
// JSON parser throw past the line's error handling, and the whole batch ended
// with no output at all.
TEST(RespaceLines, ANumberTooLargeForADoubleIsAnErrorLineAndTheBatchGoesOn) {
  Scratch scratch;
  WriteFile(scratch.path("in.jsonl"),
            "{\"stops\": [{\"position\": 1e999, \"color\": \"#ffffff\"}]}\n"
            "{\"stops\": [{\"position\": 0, \"color\": \"#0000ff\"}, {\"position\": 100, \"color\": \"#ffff00\"}]}\n"
            "{\"stops\": [{\"position\": 0, \"color\": {\"rgb\": [1e400, 0, 0]}}]}\n");
  const Finished run = Evenhue({"respace"}, scratch, scratch.path("in.jsonl"), "");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.signal, 0);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < run.out.size();) {
    const std::size_t end = run.out.find('\n', at);
    lines.push_back(run.out.substr(at, end - at));
    at = end == std::string::npos ? run.out.size() : end + 1;
  }
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0].rfind("{\"error\": \"line 1: not valid JSON (number overflow", 0), 0u) << lines[0];
  EXPECT_NE(lines[1].find("\"stops\""), std::string::npos) << lines[1];
  EXPECT_EQ(lines[1].find("error"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2].rfind("{\"error\": \"line 3: ", 0), 0u) << lines[2];
}

}  // namespace
}  // namespace hostile
