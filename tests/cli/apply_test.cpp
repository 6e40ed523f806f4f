// `evenhue apply`: the whole document or the selected elements, standard
// input and output, in place; the preview, the report; what the new document
// holds and what it keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// The gradient a paint of the output points to, with what it holds.
struct Target {
  std::string id;
  pugi::xml_node element;
  std::vector<SvgStop> stops;
};

Target PaintTarget(const pugi::xml_document& document, const std::string& element, const std::string& property) {
  Target t;
  const pugi::xml_node e = ById(document, element);
  if (!e) return t;
  const auto paint = Effective(e, property);
  const auto id = paint ? UrlId(*paint) : std::nullopt;
  if (!id) return t;
  t.id = *id;
  t.element = ById(document, *id);
  if (t.element) t.stops = ResolvedStops(document, t.element);
  return t;
}

std::set<std::string> Ids(const pugi::xml_document& document) {
  std::set<std::string> ids;
  for (pugi::xpath_node n : document.select_nodes("//*[@id]")) ids.insert(n.node().attribute("id").value());
  return ids;
}

std::size_t GradientElements(const pugi::xml_document& document) {
  std::size_t n = 0;
  document.find_node([&](pugi::xml_node x) {
    n += x.type() == pugi::node_element && (Local(x) == "linearGradient" || Local(x) == "radialGradient");
    return false;
  });
  return n;
}

// --- Whole document or selected elements --------------------------------------------------

struct SelectCase {
  const char* name;
  const char* example;
  std::vector<std::string> select;
  std::vector<std::string> rewritten;  // ids of the elements whose gradients are rewritten
};

void PrintTo(const SelectCase& c, std::ostream* out) { *out << c.name; }

class Selection : public ::testing::TestWithParam<SelectCase> {};

TEST_P(Selection, RewritesOnlyTheChosenElementsGradients) {
  const SelectCase& c = GetParam();
  Scratch scratch;
  std::vector<std::string> args = {"apply", ExamplePath(c.example), "-o", scratch.path("out.svg")};
  for (const auto& id : c.select) args.insert(args.end(), {"--select", id});
  const Finished run = Evenhue(args);
  ASSERT_EQ(run.status, 0) << run.err;
  if (c.rewritten.empty()) {
    EXPECT_NE(run.err.find(": notice: nothing was re-spaced"), std::string::npos) << run.err;
  } else {
    EXPECT_TRUE(run.err.empty()) << run.err;
  }

  pugi::xml_document in, out;
  ASSERT_TRUE(LoadSvg(in, ReadFile(ExamplePath(c.example))));
  ASSERT_TRUE(LoadSvg(out, ReadFile(scratch.path("out.svg"))));
  const auto inputIds = Ids(in);
  std::vector<std::string> newIds;
  std::map<std::string, std::string> newOf;  // source id -> new id
  std::set<std::string> rewrittenSeen;
  for (const PaintUse& use : GradientPaints(in)) {
    SCOPED_TRACE(use.element + " " + use.property);
    const Target before = PaintTarget(in, use.element, use.property);
    const Target after = PaintTarget(out, use.element, use.property);
    ASSERT_TRUE(after.element) << "the paint points to nothing";
    const bool chosen = std::count(c.rewritten.begin(), c.rewritten.end(), use.element) != 0;
    if (!chosen) {
      EXPECT_EQ(after.id, before.id) << "rewritten although not selected";
      continue;
    }
    rewrittenSeen.insert(use.element);
    EXPECT_EQ(inputIds.count(after.id), 0u) << "points to " << after.id << ", an id of the input";
    EXPECT_EQ(after.stops.size(), 4 * before.stops.size() - 3);
    // Paints of one source re-spaced alike share one new gradient.
    const auto shared = newOf.try_emplace(before.id, after.id).first;
    EXPECT_EQ(shared->second, after.id) << "two new gradients for " << before.id;
    if (std::count(newIds.begin(), newIds.end(), after.id) == 0) newIds.push_back(after.id);
  }
  EXPECT_EQ(rewrittenSeen, std::set<std::string>(c.rewritten.begin(), c.rewritten.end()));
  EXPECT_EQ(GradientElements(out), GradientElements(in) + newIds.size()) << "gradients added that nothing uses";
  ExpectSameExceptRewrites(in, out, newIds, c.rewritten);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, Selection,
    ::testing::Values(
        SelectCase{"WholeDocument", "6-shared.svg", {}, {"left", "right"}},
        SelectCase{"OneOfTwoShapes", "6-shared.svg", {"right"}, {"right"}},
        SelectCase{"BothShapes", "6-shared.svg", {"left", "right"}, {"left", "right"}},
        SelectCase{"AShapeThatInheritsItsFill", "7-nested-groups.svg", {"bar-1"}, {"bar-1"}},
        SelectCase{"ACompoundPathThatInheritsItsFill", "7-nested-groups.svg", {"bars-2-3"}, {"bars-2-3"}},
        SelectCase{"AGroup", "7-nested-groups.svg", {"inner"}, {"bar-1", "bars-2-3"}},
        SelectCase{"AGroupAndAShapeInIt", "7-nested-groups.svg", {"middle", "bar-1"}, {"bar-1", "bars-2-3"}},
        SelectCase{"AShapeAndTheGroupAroundIt", "7-nested-groups.svg", {"bar-1", "outer"}, {"bar-1", "bars-2-3"}},
        SelectCase{"AGradientStroke", "5-stroke.svg", {"frame"}, {"frame"}},
        SelectCase{"TheGradientElementItself", "6-shared.svg", {"sea"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Standard streams, in place ---------------------------------------------------------

TEST(Apply, StandardInputAndOutputGiveTheSameDocumentAsFiles) {
  Scratch scratch;
  const std::string example = ExamplePath("2-three-stops-midpoints.svg");
  const std::string original = ReadFile(example);
  const Finished files = Evenhue({"apply", example, "-o", scratch.path("out.svg")});
  ASSERT_EQ(files.status, 0) << files.err;
  EXPECT_TRUE(files.out.empty());
  const std::string expected = ReadFile(scratch.path("out.svg"));
  ASSERT_NE(expected, original);

  const Finished pipe = Evenhue({"apply", "-", "-o", "-"}, example);
  EXPECT_EQ(pipe.status, 0) << pipe.err;
  EXPECT_EQ(pipe.out, expected);
  const Finished toStdout = Evenhue({"apply", example, "-o", "-"});
  EXPECT_EQ(toStdout.status, 0) << toStdout.err;
  EXPECT_EQ(toStdout.out, expected);
  const Finished fromStdin = Evenhue({"apply", "-", "-o", scratch.path("from-stdin.svg")}, example);
  EXPECT_EQ(fromStdin.status, 0) << fromStdin.err;
  EXPECT_EQ(ReadFile(scratch.path("from-stdin.svg")), expected);
  EXPECT_EQ(ReadFile(example), original) << "the input changed";
}

TEST(Apply, InPlaceReplacesTheFileWithTheResult) {
  Scratch scratch;
  const std::string example = ExamplePath("3-radial.svg");
  const Finished reference = Evenhue({"apply", example, "-o", "-"});
  ASSERT_EQ(reference.status, 0) << reference.err;

  WriteFile(scratch.path("doc.svg"), ReadFile(example));
  fs::permissions(scratch.path("doc.svg"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const Finished run = Evenhue({"apply", scratch.path("doc.svg"), "--in-place"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.out.empty());
  EXPECT_TRUE(run.err.empty()) << run.err;
  const std::string now = ReadFile(scratch.path("doc.svg"));
  EXPECT_NE(now, ReadFile(example));
  EXPECT_EQ(now, reference.out);
  const auto files = scratch.snapshot();
  EXPECT_EQ(files.size(), 1u) << "files left beside the document";
  EXPECT_EQ(fs::status(scratch.path("doc.svg")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// --- Preview ------------------------------------------------------------------------------

constexpr int kMinStripWidth = 256;

// The longest run of painted (not white) pixels in row y: its first and last column.
std::pair<int, int> LongestRun(const Png& png, int y) {
  std::pair<int, int> best{0, -1};
  for (int x = 0; x < png.width;) {
    if (png.at(x, y) == std::array<std::uint8_t, 4>{255, 255, 255, 255}) {
      ++x;
      continue;
    }
    int end = x;
    while (end + 1 < png.width && png.at(end + 1, y) != std::array<std::uint8_t, 4>{255, 255, 255, 255}) ++end;
    if (end - x > best.second - best.first) best = {x, end};
    x = end + 1;
  }
  return best;
}

// The strips of the picture: runs of rows painted across at least
// kMinStripWidth columns in one piece (text never is), top to bottom.
std::vector<std::pair<int, int>> Bands(const Png& png) {
  std::vector<std::pair<int, int>> bands;
  int start = -1;
  for (int y = 0; y <= png.height; ++y) {
    bool strip = false;
    if (y < png.height) {
      const auto run = LongestRun(png, y);
      strip = run.second - run.first + 1 >= kMinStripWidth;
    }
    if (strip && start < 0) start = y;
    if (!strip && start >= 0) {
      bands.emplace_back(start, y - 1);
      start = -1;
    }
  }
  return bands;
}

// The colour a renderer paints at p between `stops` (straight sRGB).
std::array<double, 3> Straight(const std::vector<IdealStop>& stops, double p) {
  if (p <= stops.front().offset) return stops.front().rgb.values;
  if (p >= stops.back().offset) return stops.back().rgb.values;
  std::size_t k = 1;
  while (stops[k].offset <= p) ++k;
  const IdealStop& a = stops[k - 1];
  const IdealStop& b = stops[k];
  const double t = (p - a.offset) / (b.offset - a.offset);
  return {a.rgb[0] + (b.rgb[0] - a.rgb[0]) * t, a.rgb[1] + (b.rgb[1] - a.rgb[1]) * t,
          a.rgb[2] + (b.rgb[2] - a.rgb[2]) * t};
}

std::vector<IdealStop> HexStops(const std::vector<SvgStop>& stops) {
  std::vector<IdealStop> out;
  for (const SvgStop& s : stops) {
    const auto rgb = FromHex(s.color);
    EXPECT_TRUE(rgb.has_value()) << s.color;
    out.push_back({s.offset, rgb.value_or(std::array<double, 3>{0, 0, 0}), s.midpoint.value_or(50.0)});
  }
  return out;
}

class Preview : public ::testing::TestWithParam<const char*> {};

// Per rewritten gradient three strips one above the other: the source as a
// renderer draws it, the new stops drawn the same way, the ideal CIELAB ramp.
TEST_P(Preview, IsAPngWithThreeStripsPerGradient) {
  Scratch scratch;
  const std::string example = ExamplePath(GetParam());
  const Finished run = Evenhue({"apply", example, "-o", scratch.path("out.svg"), "--preview", scratch.path("p.png")});
  ASSERT_EQ(run.status, 0) << run.err;
  pugi::xml_document in, out;
  ASSERT_TRUE(LoadSvg(in, ReadFile(example)));
  ASSERT_TRUE(LoadSvg(out, ReadFile(scratch.path("out.svg"))));
  const auto uses = GradientPaints(in);

  Png png;
  ASSERT_NO_THROW(png = DecodePng(ReadFile(scratch.path("p.png"))));
  EXPECT_EQ(png.headerWidth, static_cast<std::uint32_t>(png.width));
  EXPECT_EQ(png.headerHeight, static_cast<std::uint32_t>(png.height));
  const auto bands = Bands(png);
  ASSERT_EQ(bands.size(), 3 * uses.size());

  for (std::size_t g = 0; g < uses.size(); ++g) {
    SCOPED_TRACE(uses[g].element);
    const auto source = HexStops(ResolvedStops(in, ById(in, uses[g].gradient)));
    const auto result = HexStops(PaintTarget(out, uses[g].element, uses[g].property).stops);
    ASSERT_EQ(result.size(), 4 * source.size() - 3);
    const int rows[3] = {(bands[3 * g].first + bands[3 * g].second) / 2, (bands[3 * g + 1].first + bands[3 * g + 1].second) / 2,
                         (bands[3 * g + 2].first + bands[3 * g + 2].second) / 2};
    // The painted columns of the strips, the same for all three.
    const auto [x0, x1] = LongestRun(png, rows[0]);
    for (int strip = 1; strip < 3; ++strip) EXPECT_EQ(LongestRun(png, rows[strip]), LongestRun(png, rows[0]));
    const int width = x1 - x0 + 1;
    double worst[3] = {0, 0, 0};
    for (int x = x0; x <= x1; ++x) {
      const double p = (x - x0 + 0.5) / width;
      const auto drawn = [&](int strip) {
        const auto px = png.at(x, rows[strip]);
        return std::array<int, 3>{px[0], px[1], px[2]};
      };
      const auto expectStraight = [&](int strip, const std::vector<IdealStop>& stops) {
        const auto want = Straight(stops, p);
        for (int c = 0; c < 3; ++c) ASSERT_NEAR(drawn(strip)[c], want[c] * 255.0, 1.01) << "strip " << strip << " x " << x;
      };
      ASSERT_NO_FATAL_FAILURE(expectStraight(0, source));
      ASSERT_NO_FATAL_FAILURE(expectStraight(1, result));
      const auto ideal = IdealLab(source, p);
      for (int strip = 0; strip < 3; ++strip) {
        const auto d = drawn(strip);
        worst[strip] = std::max(worst[strip], DeltaE2000(PixelLab(d[0], d[1], d[2]), ideal));
      }
    }
    EXPECT_LT(worst[2], 1.0) << "the ideal strip is not the ideal ramp";
    EXPECT_LT(worst[1], worst[0]) << "the new stops stray further from the ideal than the source";
  }
}

INSTANTIATE_TEST_SUITE_P(Documents, Preview, ::testing::Values("1-blue-to-yellow.svg", "6-shared.svg"),
                         [](const auto& info) {
                           std::string name = info.param;
                           name.erase(std::remove_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }), name.end());
                           return name;
                         });

// The picture as SVG (a preview name ending in .svg): per gradient a heading
// naming its document, paint, element and gradients, then three strips, each
// with its label on its left and, beside the two drawn ones, the report's
// CIEDE2000 figures on its right.
TEST(PreviewPicture, LabelsEveryRowAndStripWithTheReportsFigures) {
  Scratch scratch;
  const Finished run = Evenhue({"apply", ExamplePath("6-shared.svg"), "-o", scratch.path("out.svg"), "--preview",
                                scratch.path("p.svg"), "--report", scratch.path("r.json")});
  ASSERT_EQ(run.status, 0) << run.err;
  pugi::xml_document picture;
  ASSERT_TRUE(LoadSvg(picture, ReadFile(scratch.path("p.svg"))));
  const Json report = Json::parse(ReadFile(scratch.path("r.json")));
  ASSERT_EQ(report["gradients"].size(), 2u);

  struct Box {
    double x, y, width, height;
    std::string text;
  };
  std::vector<Box> strips, texts;  // in document order
  picture.find_node([&](pugi::xml_node n) {
    const Box box{n.attribute("x").as_double(), n.attribute("y").as_double(), n.attribute("width").as_double(),
                  n.attribute("height").as_double(), n.child_value()};
    const bool painted = std::string(n.attribute("fill").value()).rfind("url(", 0) == 0;
    if (Local(n) == "image" || (Local(n) == "rect" && painted)) strips.push_back(box);
    if (Local(n) == "text") texts.push_back({box.x, box.y, 0, 0, n.text().get() + std::string(n.child("tspan").text().get())});
    return false;
  });
  ASSERT_EQ(strips.size(), 6u);

  const std::regex figures("max +([0-9.]+) +mean +([0-9.]+)");
  const char* names[3] = {"source as drawn", "Evenhue", "ideal CIELAB blend"};
  for (std::size_t g = 0; g < 2; ++g) {
    const Json& entry = report["gradients"][g];
    SCOPED_TRACE(entry.dump());
    // The heading: the last text above the row's first strip.
    std::string heading;
    for (const Box& t : texts)
      if (t.y < strips[3 * g].y) heading = t.text;
    for (const std::string& part : {std::string("6-shared.svg"), "fill of #" + entry["element"].get<std::string>(),
                                    "#" + entry["source"].get<std::string>(), "#" + entry["id"].get<std::string>()})
      EXPECT_NE(heading.find(part), std::string::npos) << part << " not in " << heading;
    for (int k = 0; k < 3; ++k) {
      const Box& strip = strips[3 * g + static_cast<std::size_t>(k)];
      EXPECT_GE(strip.width, 256.0);
      std::string left, right;
      for (const Box& t : texts)
        if (t.y >= strip.y && t.y <= strip.y + strip.height) (t.x < strip.x ? left : right) += t.text;
      EXPECT_EQ(left, names[k]);
      std::smatch m;
      ASSERT_EQ(std::regex_search(right, m, figures), k < 2) << right;
      if (k == 2) continue;
      const Json& expected = entry["deltaE2000"][k == 0 ? "before" : "after"];
      EXPECT_NEAR(std::stod(m[1]), expected["max"].get<double>(), 0.0051) << right;
      EXPECT_NEAR(std::stod(m[2]), expected["mean"].get<double>(), 0.0051) << right;
    }
  }
}

// --- Report -------------------------------------------------------------------------------

class Report : public ::testing::TestWithParam<std::string> {};

TEST_P(Report, NamesEveryRewrittenGradientWithItsFigures) {
  Scratch scratch;
  const std::string example = ExamplePath(GetParam());
  // The report on standard output, the document to a file.
  const Finished run = Evenhue({"apply", example, "-o", scratch.path("out.svg"), "--report", "-"});
  ASSERT_EQ(run.status, 0) << run.err;
  Json report;
  ASSERT_NO_THROW(report = Json::parse(run.out)) << run.out;
  pugi::xml_document in, out;
  ASSERT_TRUE(LoadSvg(in, ReadFile(example)));
  ASSERT_TRUE(LoadSvg(out, ReadFile(scratch.path("out.svg"))));
  const auto uses = GradientPaints(in);
  ASSERT_TRUE(report["gradients"].is_array());
  ASSERT_EQ(report["gradients"].size(), uses.size());
  for (std::size_t i = 0; i < uses.size(); ++i) {
    const Json& entry = report["gradients"][i];
    SCOPED_TRACE(entry.dump());
    EXPECT_EQ(entry["element"], uses[i].element);
    EXPECT_EQ(entry["paint"], uses[i].property);
    EXPECT_EQ(entry["source"], uses[i].gradient);
    const Target target = PaintTarget(out, uses[i].element, uses[i].property);
    EXPECT_EQ(entry["id"], target.id);
    const std::size_t n = ResolvedStops(in, ById(in, uses[i].gradient)).size();
    EXPECT_EQ(entry["stopsBefore"], n);
    EXPECT_EQ(entry["stopsAfter"], target.stops.size());
    EXPECT_EQ(entry["stopsAfter"], 4 * n - 3);
    for (const char* when : {"before", "after"}) {
      const Json& figures = entry["deltaE2000"][when];
      ASSERT_TRUE(figures["max"].is_number() && figures["mean"].is_number()) << when;
      const double max = figures["max"], mean = figures["mean"];
      EXPECT_TRUE(std::isfinite(max) && std::isfinite(mean));
      EXPECT_GE(mean, 0.0);
      EXPECT_LE(mean, max);
    }
    EXPECT_LT(entry["deltaE2000"]["after"]["max"].get<double>(), entry["deltaE2000"]["before"]["max"].get<double>());
    EXPECT_LT(entry["deltaE2000"]["after"]["mean"].get<double>(), entry["deltaE2000"]["before"]["mean"].get<double>());
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, Report, ::testing::ValuesIn(ExampleNames()), [](const auto& info) {
  std::string name = info.param;
  name.erase(std::remove_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }), name.end());
  return name;
});

// The preview, the report and the document of one run, all written.
TEST(Apply, PreviewReportAndDocumentTogether) {
  Scratch scratch;
  const Finished run = Evenhue({"apply", ExamplePath("6-shared.svg"), "-o", scratch.path("out.svg"), "--preview",
                                scratch.path("p.png"), "--report", scratch.path("r.json")});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto files = scratch.snapshot();
  EXPECT_EQ(files.size(), 3u);
  EXPECT_NO_THROW(DecodePng(files.at("p.png")));
  EXPECT_EQ(Json::parse(files.at("r.json"))["gradients"].size(), 2u);
  pugi::xml_document out;
  EXPECT_TRUE(LoadSvg(out, files.at("out.svg")));
}

// File names and ids need not be UTF-8 (a Latin-1 file name; ids with a
// reference to a surrogate, which pugixml turns into three bytes that are
// not well-formed UTF-8): the report is still written, valid JSON with
// U+FFFD in their place, and the run succeeds.
TEST(Apply, ReportOnNamesThatAreNotUtf8) {
  Scratch scratch;
  const std::string name = scratch.path("caf\xe9.svg");
  WriteFile(name,
            "<svg xmlns=\"http://www.w3.org/2000/svg\"><linearGradient id=\"g&#xD800;\"><stop offset=\"0\"/>"
            "<stop offset=\"1\" stop-color=\"red\"/></linearGradient><rect id=\"r&#xDFFF;\" fill=\"url(#g&#xD800;)\"/>"
            "</svg>");
  const Finished run = Evenhue({"apply", name, "-o", scratch.path("out.svg"), "--report", scratch.path("r.json")});
  ASSERT_EQ(run.status, 0) << run.err;
  Json report;
  ASSERT_NO_THROW(report = Json::parse(ReadFile(scratch.path("r.json"))));
  ASSERT_EQ(report["gradients"].size(), 1u);
  const Json& entry = report["gradients"][0];
  EXPECT_EQ(entry["document"], scratch.path("caf\xef\xbf\xbd.svg"));
  EXPECT_EQ(entry["source"], "g\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");  // one for each byte
  EXPECT_EQ(entry["element"], "r\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
  EXPECT_EQ(entry["stopsAfter"], 5);
}

// A document in Latin-1, UTF-16 or UTF-32 comes out in the same encoding, so
// that its declaration still holds and its text reads the same.
struct EncodingCase {
  const char* name;
  const char* declared;
  std::string (*encode)(const std::string& utf8);
  std::string starts;  // the first bytes of the output
};

void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.name; }

std::u32string Decode(const std::string& utf8) {
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int n = b < 0x80 ? 1 : b < 0xe0 ? 2 : b < 0xf0 ? 3 : 4;
    char32_t c = n == 1 ? b : b & (0x7f >> n);
    for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3f);
    out += c;
    i += n;
  }
  return out;
}

std::string Latin1(const std::string& utf8) {
  std::string out;
  for (char32_t c : Decode(utf8)) out += static_cast<char>(c);
  return out;
}

std::string Utf16Le(const std::string& utf8) {
  std::string out = "\xff\xfe";
  for (char32_t c : Decode(utf8)) {
    out += static_cast<char>(c & 0xff);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::string Utf32Be(const std::string& utf8) {
  std::string out("\0\0\xfe\xff", 4);
  for (char32_t c : Decode(utf8))
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((c >> shift) & 0xff);
  return out;
}

class Encoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(Encoding, TheOutputKeepsTheInputsEncoding) {
  const EncodingCase& c = GetParam();
  const std::string utf8 = std::string("<?xml version=\"1.0\" encoding=\"") + c.declared +
                           "\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"><title>caf\xc3\xa9 \xc3\xa0 la cr\xc3\xa8me</title>"
                           "<linearGradient id=\"d\xc3\xa9grad\xc3\xa9\"><stop offset=\"0\" stop-color=\"#0000ff\"/>"
                           "<stop offset=\"1\" stop-color=\"#ffff00\"/></linearGradient>"
                           "<rect id=\"p\" width=\"1\" height=\"1\" fill=\"url(#d\xc3\xa9grad\xc3\xa9)\"/></svg>\n";
  const std::string input = c.encode(utf8);
  const Finished run = EvenhueWithInput({"apply", "-", "-o", "-"}, input);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, c.starts.size()), c.starts);
  pugi::xml_document out;
  ASSERT_TRUE(out.load_buffer(run.out.data(), run.out.size(), pugi::parse_full));  // the encoding detected as ever
  EXPECT_STREQ(out.document_element().child("title").text().get(), "caf\xc3\xa9 \xc3\xa0 la cr\xc3\xa8me");
  const Target t = PaintTarget(out, "p", "fill");
  ASSERT_TRUE(t.element) << "the paint points to nothing";
  EXPECT_EQ(t.id.rfind("d\xc3\xa9grad\xc3\xa9", 0), 0u) << t.id;
  EXPECT_NE(t.id, "d\xc3\xa9grad\xc3\xa9");
  EXPECT_EQ(t.stops.size(), 5u);
  // The output is as good an input as the first.
  const Finished again = EvenhueWithInput({"apply", "-", "-o", "-"}, run.out);
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out.substr(0, c.starts.size()), c.starts);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, Encoding,
    ::testing::Values(EncodingCase{"Utf8", "UTF-8", [](const std::string& s) { return s; }, "<?xml"},
                      EncodingCase{"Latin1", "ISO-8859-1", Latin1, "<?xml"},
                      EncodingCase{"Utf16LittleEndian", "UTF-16", Utf16Le, std::string("\xff\xfe<\0?\0", 6)},
                      EncodingCase{"Utf32BigEndian", "UTF-32", Utf32Be, std::string("\0\0\xfe\xff\0\0\0<", 8)}),
    [](const auto& info) { return std::string(info.param.name); });

// Latin-1 text stays Latin-1 bytes, never UTF-8 under a Latin-1 declaration.
TEST(Apply, ALatin1DocumentHasNoUtf8InIt) {
  const std::string input = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\">"
                            "<title>caf\xe9</title><linearGradient id=\"g\"><stop offset=\"0\"/><stop offset=\"1\" "
                            "stop-color=\"red\"/></linearGradient><rect fill=\"url(#g)\"/></svg>\n";
  const Finished run = EvenhueWithInput({"apply", "-", "-o", "-"}, input);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("<title>caf\xe9</title>"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("\xc3"), std::string::npos);
  EXPECT_NE(run.out.find("g-evenhue-"), std::string::npos);
}

// --- What the new document holds -------------------------------------------------------------

const char kManyUses[] =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="10" height="10">
<defs><linearGradient id="g" gradientTransform="rotate(45)" spreadMethod="reflect" gradientUnits="userSpaceOnUse" x1="1" y1="2" x2="3" y2="4"><stop offset="0" stop-color="red"/><stop offset="1" stop-color="blue"/></linearGradient>
<linearGradient id="h" xlink:href="#g" x1="5"/>
<radialGradient id="r" href="#g" cx="3" fr="0.1"/>
</defs>
<g id="g-evenhue-1"/><g id="g-evenhue-3"/><g id="h-evenhue-1"/>
<rect id="a" width="1" height="1" fill="url(#g)" stroke="url(#g)"/>
<rect id="b" width="1" height="1" style="fill:url(#h);stroke:url('#h')"/>
<circle id="c" r="1" fill="url(#r)"/>
<ellipse id="d" rx="1" ry="1" fill="url(#g)"/>
</svg>
)svg";

// Fresh ids, never one of the document's, one new gradient per source and
// stops (paints of one source share it); each new gradient has every
// geometric attribute of its source, through href.
TEST(Apply, NewGradientsHaveFreshIdsAndTheSourcesGeometry) {
  const Finished run = EvenhueWithInput({"apply", "-", "-o", "-"}, kManyUses);
  ASSERT_EQ(run.status, 0) << run.err;
  pugi::xml_document in, out;
  ASSERT_TRUE(LoadSvg(in, kManyUses));
  ASSERT_TRUE(LoadSvg(out, run.out));
  const auto inputIds = Ids(in);
  std::multiset<std::string> all;
  for (pugi::xpath_node n : out.select_nodes("//*[@id]")) all.insert(n.node().attribute("id").value());
  for (const auto& id : all) EXPECT_EQ(all.count(id), 1u) << id << " is used more than once";

  const std::map<std::string, std::map<std::string, std::string>> geometry = {
      {"g", {{"x1", "1"}, {"y1", "2"}, {"x2", "3"}, {"y2", "4"}, {"gradientUnits", "userSpaceOnUse"},
             {"gradientTransform", "rotate(45)"}, {"spreadMethod", "reflect"}}},
      {"h", {{"x1", "5"}, {"y1", "2"}, {"x2", "3"}, {"y2", "4"}, {"gradientUnits", "userSpaceOnUse"},
             {"gradientTransform", "rotate(45)"}, {"spreadMethod", "reflect"}}},
      {"r", {{"cx", "3"}, {"fr", "0.1"}, {"gradientUnits", "userSpaceOnUse"}, {"gradientTransform", "rotate(45)"},
             {"spreadMethod", "reflect"}}},
  };
  std::vector<std::string> newIds;
  std::map<std::string, std::string> newOf;  // source id -> new id
  const auto uses = GradientPaints(in);
  ASSERT_EQ(uses.size(), 6u);
  for (const PaintUse& use : uses) {
    SCOPED_TRACE(use.element + " " + use.property);
    const Target t = PaintTarget(out, use.element, use.property);
    ASSERT_TRUE(t.element);
    EXPECT_EQ(inputIds.count(t.id), 0u) << t.id;
    const auto shared = newOf.try_emplace(use.gradient, t.id).first;
    EXPECT_EQ(shared->second, t.id) << "two new gradients for " << use.gradient;
    newIds.push_back(t.id);
    EXPECT_EQ(Local(t.element), use.gradient == "r" ? "radialGradient" : "linearGradient");
    std::map<std::string, std::string> attributes;
    for (pugi::xml_attribute a : t.element.attributes())
      if (std::string_view(a.name()) != "id") attributes[a.name()] = a.value();
    EXPECT_EQ(attributes, geometry.at(use.gradient));
    EXPECT_EQ(t.stops.size(), 5u);
  }
  std::set<std::string> distinct;
  for (const auto& [source, id] : newOf) distinct.insert(id);
  EXPECT_EQ(distinct.size(), 3u) << "one new gradient for each of g, h and r";
  ExpectSameExceptRewrites(in, out, newIds, {"a", "b", "c", "d"});
}

// Output stops carry the plug-in's midpoints as data-midpoint, and apply
// writes the very stops respace gives for the same gradient.
TEST(Apply, OutputStopsCarryTheMidpointsAndMatchRespace) {
  const std::string document =
      R"svg(<svg xmlns="http://www.w3.org/2000/svg"><linearGradient id="g">)svg"
      R"svg(<stop offset="0" stop-color="#b40028" data-midpoint="30"/>)svg"
      R"svg(<stop offset="0.25" stop-color="#ffcc33" stop-opacity="0.5" data-midpoint="80"/>)svg"
      R"svg(<stop offset="1" stop-color="#191970" data-midpoint="10"/></linearGradient>)svg"
      R"svg(<rect id="p" width="1" height="1" fill="url(#g)"/></svg>)svg";
  const std::string line =
      R"svg({"stops": [{"position": 0, "color": "#b40028", "midpoint": 30}, )svg"
      R"svg({"position": 25, "color": "#ffcc33", "opacity": 0.5, "midpoint": 80}, )svg"
      R"svg({"position": 100, "color": "#191970", "midpoint": 10}]})svg";
  const Finished applied = EvenhueWithInput({"apply", "-", "-o", "-"}, document);
  ASSERT_EQ(applied.status, 0) << applied.err;
  const Finished respaced = EvenhueWithInput({"respace"}, line + "\n");
  ASSERT_EQ(respaced.status, 0) << respaced.err;
  const Json expected = Json::parse(respaced.out);

  pugi::xml_document out;
  ASSERT_TRUE(LoadSvg(out, applied.out));
  const Target t = PaintTarget(out, "p", "fill");
  ASSERT_TRUE(t.element);
  ASSERT_EQ(t.stops.size(), expected["stops"].size());
  std::set<double> midpoints;
  for (std::size_t k = 0; k < t.stops.size(); ++k) {
    SCOPED_TRACE(k);
    const SvgStop& s = t.stops[k];
    const Json& e = expected["stops"][k];
    ASSERT_TRUE(s.midpoint.has_value()) << "no data-midpoint";
    EXPECT_EQ(*s.midpoint, e["midpoint"].get<double>());
    midpoints.insert(*s.midpoint);
    EXPECT_NEAR(s.offset * 100.0, e["position"].get<double>(), 1e-9);
    EXPECT_EQ(s.color, e["hex"]);
    EXPECT_NEAR(s.opacity, e["opacity"].get<double>(), 1e-12);
  }
  EXPECT_EQ(midpoints, (std::set<double>{30, 80})) << "the source's midpoints, kept to 13–87 percent";
}

// Comments, processing instructions, the document type, unknown elements and
// attributes, other namespaces, prefixed SVG, CDATA, fallback colours and
// !important: all kept; only the paints change and the new gradients appear.
TEST(Apply, KeepsEverythingElseInTheFile) {
  const std::string document = R"svg(<?xml version="1.0" encoding="UTF-8" standalone="no"?>
<!DOCTYPE svg PUBLIC "-//W3C//DTD SVG 1.1//EN" "http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd">
<?xml-stylesheet href="style.css" type="text/css"?>
<!-- top comment -->
<svg:svg xmlns:svg="http://www.w3.org/2000/svg" xmlns:ink="http://example.com/ink" ink:version="1.2" width="10" height="10">
  <ink:namedview ink:zoom="2" pagecolor="#ffffff"><ink:grid type="xy"/></ink:namedview>
  <svg:defs>
    <!-- the ramp -->
    <svg:linearGradient id="g" ink:collect="always" x1="0" x2="1"><svg:stop offset="0" stop-color="red" ink:note="a"/><svg:stop offset="1" stop-color="blue"/></svg:linearGradient>
  </svg:defs>
  <svg:metadata><![CDATA[ some <data> & more ]]></svg:metadata>
  <svg:rect id="a" width="10" height="10" fill="url(#g) #00ff00" ink:label="A"/>
  <svg:rect id="b" width="10" height="10" style="opacity: 0.5; fill: url(#g) !important; stroke-width: 2"/>
  <svg:text id="t" x="1" y="5" fill="url(#g)">Hi &amp; bye</svg:text>
  <unknown xmlns="http://example.com/u" attr="1"><child>text</child></unknown>
  <?custom instruction?>
</svg:svg>
)svg";
  const Finished run = EvenhueWithInput({"apply", "-", "-o", "-"}, document);
  ASSERT_EQ(run.status, 0) << run.err;
  pugi::xml_document in, out;
  ASSERT_TRUE(LoadSvg(in, document));
  ASSERT_TRUE(LoadSvg(out, run.out));
  const Target a = PaintTarget(out, "a", "fill");
  const Target b = PaintTarget(out, "b", "fill");
  ASSERT_TRUE(a.element);
  ASSERT_TRUE(b.element);
  EXPECT_NE(a.id, "g");
  EXPECT_NE(b.id, "g");
  EXPECT_STREQ(a.element.name(), "svg:linearGradient");
  EXPECT_STREQ(a.element.first_child().name(), "svg:stop");
  EXPECT_EQ(std::string(ById(out, "a").attribute("fill").value()), "url(#" + a.id + ") #00ff00");
  const std::string style = ById(out, "b").attribute("style").value();
  EXPECT_NE(style.find("opacity: 0.5"), std::string::npos) << style;
  EXPECT_NE(style.find("stroke-width: 2"), std::string::npos) << style;
  EXPECT_NE(style.find("url(#" + b.id + ") !important"), std::string::npos) << style;
  const Target t = PaintTarget(out, "t", "fill");
  EXPECT_NE(t.id, "g") << "text is painted like a shape";
  ExpectSameExceptRewrites(in, out, {a.id, b.id, t.id}, {"a", "b", "t"});
  // The prologue is kept as written.
  const std::string prologue = document.substr(0, document.find("<svg:svg"));
  EXPECT_EQ(run.out.substr(0, prologue.size()), prologue);
}

}  // namespace
}  // namespace clitest
