// `evenhue respace`: one gradient per line in, one line out per line in, in
// order. The stops that come out are the ones the plug-in wrote into the
// host's gradient, each number exactly the host's double.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <cmath>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/cmyk.hpp"
#include "host/host.hpp"
#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

using Json = nlohmann::json;

std::string Num(double v) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  return std::string(buffer, end);
}

// --- Input lines -------------------------------------------------------------------

struct InStop {
  double position;
  std::string color;  // JSON text of the colour
  std::optional<double> opacity = std::nullopt;
  std::optional<double> midpoint = std::nullopt;
};

std::string Line(const std::vector<InStop>& stops, const char* type = nullptr) {
  std::string line = "{";
  if (type) line += std::string("\"type\": \"") + type + "\", ";
  line += "\"stops\": [";
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const InStop& s = stops[i];
    if (i) line += ", ";
    line += "{\"position\": " + Num(s.position) + ", \"color\": " + s.color;
    if (s.opacity) line += ", \"opacity\": " + Num(*s.opacity);
    if (s.midpoint) line += ", \"midpoint\": " + Num(*s.midpoint);
    line += "}";
  }
  return line + "]}";
}

std::string Rgb(double r, double g, double b) { return "{\"rgb\": [" + Num(r) + ", " + Num(g) + ", " + Num(b) + "]}"; }
std::string Cmyk(double c, double m, double y, double k) {
  return "{\"cmyk\": [" + Num(c) + ", " + Num(m) + ", " + Num(y) + ", " + Num(k) + "]}";
}
std::string HexText(const char* hex) { return std::string("\"") + hex + "\""; }

std::string Batch(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  return text;
}

// A batch of every colour form, both types, midpoints and opacities.
std::vector<std::string> MixedLines() {
  return {
      Line({{0, HexText("#0000ff")}, {100, HexText("#ffff00")}}),
      Line({{0, Rgb(0.9, 0.1, 0.2), 0.25, 30}, {40, Rgb(0.2, 0.7, 0.1), 1, 70}, {100, Rgb(0.05, 0.1, 0.6), 0.5}},
           "linear"),
      Line({{0, Cmyk(1, 0, 0, 0)}, {100, Cmyk(0, 1, 1, 0)}}),
      Line({{0, HexText("#ffffff")}, {60, HexText("#ff8800"), 0.9}, {100, HexText("#440066")}}, "radial"),
      Line({{10, HexText("#102030"), 1, 13}, {20, Cmyk(0.1, 0.2, 0.3, 0.4), 0.3, 87},
            {20, Rgb(1, 1, 1)}, {90, HexText("#abcdef"), 0.0, 50}, {100, Rgb(0, 0, 0)}}),
  };
}

// A random batch: numbers of full precision everywhere.
std::vector<std::string> RandomLines(std::size_t count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t n = 2 + random() % 6;
    std::vector<double> positions;
    for (std::size_t k = 0; k < n; ++k) positions.push_back(100.0 * unit(random));
    std::sort(positions.begin(), positions.end());
    std::vector<InStop> stops;
    for (double p : positions)
      stops.push_back({p, Rgb(unit(random), unit(random), unit(random)), unit(random), 100.0 * unit(random)});
    lines.push_back(Line(stops, random() % 2 ? "radial" : "linear"));
  }
  return lines;
}

std::vector<Json> ParseLines(const std::string& out) {
  std::vector<Json> parsed;
  for (const std::string& line : Lines(out)) {
    try {
      parsed.push_back(Json::parse(line));
    } catch (const Json::exception& e) {
      ADD_FAILURE() << "not a JSON line: " << e.what() << "\n" << line.substr(0, 300);
      parsed.push_back(Json());
    }
  }
  return parsed;
}

// --- What the host holds: the same gradients through the plug-in, in this process ----

struct HostStop {
  double position, midpoint, opacity;
  double rgb[3];
};
using HostResult = std::optional<std::vector<HostStop>>;  // nothing: the gradient was left as it was

std::vector<HostResult> ThroughTheHost(const std::vector<std::string>& lines) {
  host::HostOptions options = host::HostOptions::ForPlugin(EVENHUE_PLUGIN_FILE);
  options.recordCalls = false;
  host::Host h(options);
  EXPECT_EQ(h.startup(), hostapi::kNoError);
  const auto effect = h.findLiveEffect("BCBC_Evenhue");
  EXPECT_TRUE(effect.has_value());
  if (!effect) return {};
  host::Document& document = h.document();
  const hostapi::ArtHandle group = document.newGroup();
  std::vector<std::pair<hostapi::ArtHandle, hostapi::GradientHandle>> made;
  for (const std::string& line : lines) {
    const Json j = Json::parse(line);
    std::vector<hostapi::HostGradientStop> stops;
    for (const Json& s : j["stops"]) {
      hostapi::HostColor color;
      const Json& c = s["color"];
      if (c.is_string()) {
        const auto rgb = FromHex(c.get<std::string>());
        color = host::RgbColor((*rgb)[0], (*rgb)[1], (*rgb)[2]);
      } else if (c.contains("rgb")) {
        color = host::RgbColor(c["rgb"][0], c["rgb"][1], c["rgb"][2]);
      } else {
        color = host::CmykColor(c["cmyk"][0], c["cmyk"][1], c["cmyk"][2], c["cmyk"][3]);
      }
      stops.push_back(host::MakeStop(s["position"].get<double>(), color, s.value("midpoint", 50.0), s.value("opacity", 1.0)));
    }
    const auto gradient = document.newGradient(j.value("type", "linear") == "radial" ? 1 : 0, stops);
    const auto path = document.newPath(group);
    EXPECT_TRUE(document.setPathStyle(path, host::MakePathStyle(host::GradientColor(gradient), std::nullopt)));
    made.emplace_back(path, gradient);
  }
  EXPECT_EQ(h.goLive(effect->handle, group), hostapi::kNoError);
  std::vector<HostResult> results;
  for (const auto& [path, source] : made) {
    const auto style = document.pathStyle(path);
    const hostapi::GradientHandle now = style->fillColor.body.gradient.gradient;
    if (now == source) {
      results.emplace_back(std::nullopt);
      continue;
    }
    std::vector<HostStop> stops;
    for (const auto& s : document.stops(now)) {
      EXPECT_EQ(s.color.kind, hostapi::kColorThree);
      stops.push_back({s.rampPoint, s.midPoint, s.opacity, {s.color.body.rgb.red, s.color.body.rgb.green, s.color.body.rgb.blue}});
    }
    results.emplace_back(std::move(stops));
  }
  h.shutdown();
  return results;
}

// Equal as doubles, bit for bit (0 and -0 print alike and count as equal).
void ExpectSameDouble(const Json& printed, double host, const std::string& what) {
  ASSERT_TRUE(printed.is_number()) << what;
  const double value = printed.get<double>();
  EXPECT_TRUE(value == host) << what << ": printed " << Num(value) << ", the host holds " << Num(host);
}

// --- Shape --------------------------------------------------------------------------------

TEST(Respace, EachLineHasTheOutputShapeWithFourNMinusThreeEvenlySpacedStops) {
  const auto lines = MixedLines();
  const Finished run = EvenhueWithInput({"respace"}, Batch(lines));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.empty()) << run.err;
  const auto out = ParseLines(run.out);
  ASSERT_EQ(out.size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    const Json in = Json::parse(lines[i]);
    const Json& o = out[i];
    ASSERT_TRUE(o.is_object());
    std::set<std::string> keys;
    for (const auto& [key, value] : o.items()) keys.insert(key);
    EXPECT_EQ(keys, (std::set<std::string>{"type", "stops"}));
    EXPECT_EQ(o["type"], in.value("type", "linear"));
    const std::size_t n = in["stops"].size();
    ASSERT_TRUE(o["stops"].is_array());
    ASSERT_EQ(o["stops"].size(), 4 * n - 3);
    const std::size_t count = 4 * n - 3;
    for (std::size_t k = 0; k < count; ++k) {
      SCOPED_TRACE("stop " + std::to_string(k + 1));
      const Json& s = o["stops"][k];
      std::set<std::string> stopKeys;
      for (const auto& [key, value] : s.items()) stopKeys.insert(key);
      EXPECT_EQ(stopKeys, (std::set<std::string>{"position", "color", "hex", "opacity", "midpoint"}));
      // Evenly spaced, in percent.
      ASSERT_TRUE(s["position"].is_number());
      EXPECT_NEAR(s["position"].get<double>(), 100.0 * static_cast<double>(k) / static_cast<double>(count - 1), 1e-9);
      // The colour as rgb 0–1, and its hex.
      ASSERT_TRUE(s["color"].is_object());
      ASSERT_EQ(s["color"].size(), 1u);
      const Json& rgb = s["color"]["rgb"];
      ASSERT_TRUE(rgb.is_array());
      ASSERT_EQ(rgb.size(), 3u);
      for (const Json& c : rgb) {
        ASSERT_TRUE(c.is_number());
        EXPECT_GE(c.get<double>(), 0.0);
        EXPECT_LE(c.get<double>(), 1.0);
      }
      EXPECT_EQ(s["hex"], Hex(rgb[0], rgb[1], rgb[2]));
      // Opacity 0–1 and midpoint in percent, as the host keeps it (13–87).
      EXPECT_GE(s["opacity"].get<double>(), 0.0);
      EXPECT_LE(s["opacity"].get<double>(), 1.0);
      EXPECT_GE(s["midpoint"].get<double>(), 13.0 - 1e-9);
      EXPECT_LE(s["midpoint"].get<double>(), 87.0 + 1e-9);
    }
    // The ends keep the end colours.
    const Json& first = o["stops"][0]["color"]["rgb"];
    const Json& c0 = in["stops"][0]["color"];
    if (c0.is_string()) {
      EXPECT_EQ(o["stops"][0]["hex"], c0);
    } else if (c0.contains("rgb")) {
      for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(first[ch].get<double>(), c0["rgb"][ch].get<double>(), 1e-5);
    }
  }
}

// Every number printed reads back as the very double the host holds, for the
// mixed batch and for a batch of random full-precision numbers.
TEST(Respace, EveryNumberReadsBackAsTheHostsDouble) {
  auto lines = MixedLines();
  const auto random = RandomLines(200, 20251209);
  lines.insert(lines.end(), random.begin(), random.end());
  const Finished run = EvenhueWithInput({"respace"}, Batch(lines));
  ASSERT_EQ(run.status, 0) << run.err;
  const auto out = ParseLines(run.out);
  ASSERT_EQ(out.size(), lines.size());
  const auto expected = ThroughTheHost(lines);
  ASSERT_EQ(expected.size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    ASSERT_TRUE(expected[i].has_value()) << "the plug-in left this gradient alone";
    EXPECT_FALSE(out[i].contains("unchanged"));
    const Json& stops = out[i]["stops"];
    ASSERT_EQ(stops.size(), expected[i]->size());
    for (std::size_t k = 0; k < stops.size(); ++k) {
      const HostStop& h = (*expected[i])[k];
      const std::string at = "stop " + std::to_string(k + 1);
      ExpectSameDouble(stops[k]["position"], h.position, at + " position");
      ExpectSameDouble(stops[k]["midpoint"], h.midpoint, at + " midpoint");
      ExpectSameDouble(stops[k]["opacity"], h.opacity, at + " opacity");
      for (int c = 0; c < 3; ++c) ExpectSameDouble(stops[k]["color"]["rgb"][c], h.rgb[c], at + " rgb");
    }
  }
}

// "#rrggbb" and {"rgb": ...} of the same colour are the same input; CMYK is
// converted by the host's colour management, not read as RGB.
TEST(Respace, TheThreeColourForms) {
  const std::vector<std::string> lines = {
      Line({{0, HexText("#3366cc")}, {100, HexText("#ffcc00")}}),
      Line({{0, Rgb(0.2, 0.4, 0.8)}, {100, Rgb(1.0, 0.8, 0.0)}}),
      Line({{0, Cmyk(1, 0, 0, 0)}, {100, Cmyk(0, 0, 1, 0)}}),
      Line({{0, Rgb(1, 0, 0)}, {100, Rgb(0, 0, 1)}}),
  };
  const Finished run = EvenhueWithInput({"respace"}, Batch(lines));
  ASSERT_EQ(run.status, 0) << run.err;
  const auto text = Lines(run.out);
  ASSERT_EQ(text.size(), lines.size());
  EXPECT_EQ(text[0], text[1]) << "hex and rgb of the same colours differ";

  const auto out = ParseLines(run.out);
  auto converter = host::MakeCmykConverter(host::kDefaultCmykProfile, host::kDefaultRgbProfile);
  const float cyan[4] = {1, 0, 0, 0}, yellow[4] = {0, 0, 1, 0};
  float rgb0[3], rgb1[3];
  ASSERT_TRUE(converter->convert(cyan, rgb0));
  ASSERT_TRUE(converter->convert(yellow, rgb1));
  const Json& stops = out[2]["stops"];
  ASSERT_EQ(stops.size(), 5u);
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(stops[0]["color"]["rgb"][c].get<double>(), rgb0[c], 1e-4);
    EXPECT_NEAR(stops[4]["color"]["rgb"][c].get<double>(), rgb1[c], 1e-4);
  }
  EXPECT_LT(stops[0]["color"]["rgb"][0].get<double>(), 0.5) << "cyan read as something with much red";
  // And the plain ramp from red to blue starts red and ends blue.
  EXPECT_EQ(out[3]["stops"][0]["hex"], "#ff0000");
  EXPECT_EQ(out[3]["stops"][4]["hex"], "#0000ff");
}

// Without type, midpoint and opacity a line is linear, midpoints 50, opaque:
// exactly what the line with them spelled out gives.
TEST(Respace, Defaults) {
  const std::vector<std::string> lines = {
      "{\"stops\": [{\"position\": 0, \"color\": \"#204080\"}, {\"position\": 35, \"color\": \"#c0e0a0\"}, "
      "{\"position\": 100, \"color\": \"#ff0000\"}]}",
      "{\"type\": \"linear\", \"stops\": [{\"position\": 0, \"color\": \"#204080\", \"midpoint\": 50, \"opacity\": 1}, "
      "{\"position\": 35, \"color\": \"#c0e0a0\", \"midpoint\": 50, \"opacity\": 1}, "
      "{\"position\": 100, \"color\": \"#ff0000\", \"midpoint\": 50, \"opacity\": 1}]}",
      "{\"stops\": [{\"position\": 0, \"color\": \"#204080\", \"midpoint\": 20, \"opacity\": 0.5}, "
      "{\"position\": 35, \"color\": \"#c0e0a0\"}, {\"position\": 100, \"color\": \"#ff0000\"}]}",
  };
  const Finished run = EvenhueWithInput({"respace"}, Batch(lines));
  ASSERT_EQ(run.status, 0) << run.err;
  const auto text = Lines(run.out);
  ASSERT_EQ(text.size(), 3u);
  EXPECT_EQ(text[0], text[1]);
  EXPECT_NE(text[0], text[2]) << "midpoint and opacity given made no difference";
  const Json out = Json::parse(text[0]);
  EXPECT_EQ(out["type"], "linear");
  ASSERT_EQ(out["stops"].size(), 9u);
  for (const Json& s : out["stops"]) {
    EXPECT_EQ(s["midpoint"].get<double>(), 50.0);
    EXPECT_EQ(s["opacity"].get<double>(), 1.0);
  }
}

TEST(Respace, RadialStaysRadial) {
  const std::vector<std::string> lines = {Line({{0, HexText("#ffffff")}, {100, HexText("#000000")}}, "radial"),
                                          Line({{0, HexText("#ffffff")}, {100, HexText("#000000")}}, "linear")};
  const Finished run = EvenhueWithInput({"respace"}, Batch(lines));
  ASSERT_EQ(run.status, 0) << run.err;
  const auto out = ParseLines(run.out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0]["type"], "radial");
  EXPECT_EQ(out[1]["type"], "linear");
  EXPECT_EQ(out[0]["stops"], out[1]["stops"]);
}

// --- Gradients the plug-in leaves alone -----------------------------------------------------

struct UnchangedCase {
  const char* name;
  std::size_t stops;
  const char* type;
};

void PrintTo(const UnchangedCase& c, std::ostream* out) { *out << c.name; }

class Unchanged : public ::testing::TestWithParam<UnchangedCase> {};

TEST_P(Unchanged, ComeBackAsTheyWereMarkedUnchanged) {
  const UnchangedCase& c = GetParam();
  std::mt19937_64 random(c.stops);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<InStop> stops;
  for (std::size_t k = 0; k < c.stops; ++k) {
    const double position = c.stops > 1 ? 100.0 * static_cast<double>(k) / static_cast<double>(c.stops - 1) : 42.5;
    stops.push_back({position, Rgb(unit(random), unit(random), unit(random)), unit(random), 13 + 74 * unit(random)});
  }
  const std::string line = Line(stops, c.type);
  // Between two gradients that are re-spaced, so that the batch holds both kinds.
  const std::string other = Line({{0, HexText("#0000ff")}, {100, HexText("#ffff00")}});
  const Finished run = EvenhueWithInput({"respace"}, Batch({other, line, other}));
  ASSERT_EQ(run.status, 0) << run.err;
  const auto out = ParseLines(run.out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_FALSE(out[0].contains("unchanged"));
  EXPECT_EQ(out[0], out[2]);

  const Json in = Json::parse(line);
  const Json& o = out[1];
  EXPECT_EQ(o.value("unchanged", false), true) << o.dump().substr(0, 200);
  EXPECT_EQ(o["type"], c.type);
  ASSERT_EQ(o["stops"].size(), c.stops);
  for (std::size_t k = 0; k < c.stops; ++k) {
    const Json& a = in["stops"][k];
    const Json& b = o["stops"][k];
    ASSERT_EQ(b["position"].get<double>(), a["position"].get<double>()) << k;
    ASSERT_EQ(b["opacity"].get<double>(), a["opacity"].get<double>()) << k;
    ASSERT_EQ(b["midpoint"].get<double>(), a["midpoint"].get<double>()) << k;
    ASSERT_EQ(b["color"]["rgb"], a["color"]["rgb"]) << k;
    ASSERT_EQ(b["hex"], Hex(a["color"]["rgb"][0], a["color"]["rgb"][1], a["color"]["rgb"][2])) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Gradients, Unchanged,
                         ::testing::Values(UnchangedCase{"NoStops", 0, "linear"}, UnchangedCase{"OneStop", 1, "linear"},
                                           UnchangedCase{"OneRadialStop", 1, "radial"},
                                           UnchangedCase{"MoreStopsThanThePluginTakes", 8193, "linear"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The largest gradient the plug-in takes is re-spaced: 8192 stops become 32765.
TEST(Respace, TheLargestGradientThePluginTakes) {
  std::vector<InStop> stops;
  for (std::size_t k = 0; k < 8192; ++k)
    stops.push_back({100.0 * static_cast<double>(k) / 8191.0, Rgb(k % 2, 0.5, 1.0 - static_cast<double>(k % 3) / 2)});
  const Finished run = EvenhueWithInput({"respace"}, Line(stops) + "\n");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto out = ParseLines(run.out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_FALSE(out[0].contains("unchanged"));
  EXPECT_EQ(out[0]["stops"].size(), 32765u);
}

// --- Lines that cannot be read -------------------------------------------------------------

struct BadLine {
  const char* name;
  std::string line;
  const char* says;
};

std::vector<BadLine> BadLines() {
  const std::string good2 = "{\"position\": 100, \"color\": \"#ffffff\"}";
  auto withFirst = [&](const std::string& first) { return "{\"stops\": [" + first + ", " + good2 + "]}"; };
  return {
      {"NotJson", "this is not json", "not valid JSON"},
      {"TruncatedJson", "{\"stops\": [{\"position\": 0", "not valid JSON"},
      {"NotAnObject", "[1, 2, 3]", "expected an object with \"stops\""},
      {"NoStops", "{\"type\": \"linear\"}", "\"stops\" must be an array"},
      {"StopsNotAnArray", "{\"stops\": {}}", "\"stops\" must be an array"},
      {"UnknownType", "{\"type\": \"conic\", \"stops\": []}", "type must be \"linear\" or \"radial\""},
      {"StopNotAnObject", "{\"stops\": [42]}", "stop 1 is not an object"},
      {"PositionMissing", withFirst("{\"color\": \"#000000\"}"), "stop 1: \"position\" is missing"},
      {"PositionNotANumber", withFirst("{\"position\": \"0\", \"color\": \"#000000\"}"), "stop 1: position is not a number"},
      {"PositionAboveHundred", withFirst("{\"position\": 100.5, \"color\": \"#000000\"}"), "stop 1: position 100.5 is outside"},
      {"PositionNegative", withFirst("{\"position\": -1, \"color\": \"#000000\"}"), "stop 1: position -1 is outside"},
      {"PositionsDecreasing",
       "{\"stops\": [{\"position\": 50, \"color\": \"#000000\"}, {\"position\": 40, \"color\": \"#000000\"}]}",
       "stop 2: position 40 is before the previous stop's 50"},
      {"MidpointOutOfRange", withFirst("{\"position\": 0, \"color\": \"#000000\", \"midpoint\": 101}"),
       "stop 1: midpoint 101 is outside"},
      {"OpacityOutOfRange", withFirst("{\"position\": 0, \"color\": \"#000000\", \"opacity\": 1.5}"),
       "stop 1: opacity 1.5 is outside"},
      {"ColourMissing", withFirst("{\"position\": 0}"), "stop 1: \"color\" is missing"},
      {"ColourNameUnknown", withFirst("{\"position\": 0, \"color\": \"blurple\"}"), "stop 1: color \"blurple\" is not a colour"},
      {"ColourNumber", withFirst("{\"position\": 0, \"color\": 7}"), "stop 1: color must be"},
      {"RgbTooShort", withFirst("{\"position\": 0, \"color\": {\"rgb\": [1, 0]}}"), "stop 1: rgb needs 3 numbers"},
      {"RgbOutOfRange", withFirst("{\"position\": 0, \"color\": {\"rgb\": [1, 0, 2]}}"), "stop 1: rgb component 3 2 is outside"},
      {"CmykTooLong", withFirst("{\"position\": 0, \"color\": {\"cmyk\": [0, 0, 0, 0, 0]}}"), "stop 1: cmyk needs 4 numbers"},
      {"RgbAndCmyk", withFirst("{\"position\": 0, \"color\": {\"rgb\": [0, 0, 0], \"cmyk\": [0, 0, 0, 0]}}"),
       "stop 1: color needs exactly one of \"rgb\" and \"cmyk\""},
      {"WhiteSpaceOnly", "   \t ", "empty line"},
      {"IllFormedUtf8InAString", "{\"stops\": [{\"position\": 0, \"color\": \"\xff\xfe\"}]}", "not valid JSON"},
      {"IllFormedUtf8OutsideAString", "\xc3\x28", "not valid JSON"},
      {"NulByte", std::string("{\"stops\": []}\0{\"x\": 1}", 22), "a NUL byte at byte 14"},
      {"StopsGivenTwice", "{\"stops\": [" + good2 + ", " + good2 + "], \"stops\": []}", "\"stops\" is given twice"},
      {"PositionGivenTwice", withFirst("{\"position\": 0, \"color\": \"#000000\", \"position\": 50}"),
       "stop 1: \"position\" is given twice"},
      {"NestedTooDeep", "{\"stops\": [], \"x\": " + std::string(100, '[') + std::string(100, ']') + "}",
       "nested more than 64 levels deep"},
  };
}

// All bad lines in one batch, each between two good lines: each gives its
// error line in its place, the good ones are re-spaced as ever, in order.
TEST(Respace, ABadLineGivesAnErrorLineInItsPlaceAndTheOthersGoOn) {
  const std::string good = Line({{0, HexText("#0000ff")}, {50, HexText("#00ff00"), 1, 30}, {100, HexText("#ffff00")}});
  const auto bad = BadLines();
  std::vector<std::string> lines{good};
  for (const BadLine& b : bad) {
    lines.push_back(b.line);
    lines.push_back(good);
  }
  const Finished run = EvenhueWithInput({"respace"}, Batch(lines));
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.signal, 0);
  const auto text = Lines(run.out);
  ASSERT_EQ(text.size(), lines.size()) << run.out;
  const auto out = ParseLines(run.out);  // every line, error lines too, is valid JSON
  ASSERT_EQ(out[0]["stops"].size(), 9u);
  for (std::size_t i = 0; i < bad.size(); ++i) {
    const std::size_t at = 1 + 2 * i;
    SCOPED_TRACE(bad[i].name);
    ASSERT_TRUE(out[at].is_object());
    EXPECT_EQ(out[at].size(), 1u) << text[at];
    ASSERT_TRUE(out[at].contains("error")) << text[at];
    const std::string error = out[at]["error"];
    const std::string prefix = "line " + std::to_string(at + 1) + ": ";
    EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
    EXPECT_NE(error.find(bad[i].says), std::string::npos) << error;
    EXPECT_EQ(text[at + 1], text[0]) << "the good line after it";
  }
}

// --- The stream ----------------------------------------------------------------------------

TEST(Respace, EmptyInputGivesNoOutput) {
  const Finished run = EvenhueWithInput({"respace"}, "");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.out.empty()) << run.out;
  EXPECT_TRUE(run.err.empty()) << run.err;
}

// The last line needs no newline; CRLF line ends read as LF ones; an empty
// line is a line (an error) and keeps the numbering.
TEST(Respace, LineEnds) {
  const std::string a = Line({{0, HexText("#000000")}, {100, HexText("#ffffff")}});
  const std::string b = Line({{0, HexText("#ff0000")}, {100, HexText("#00ffff")}});
  const Finished lf = EvenhueWithInput({"respace"}, a + "\n" + b + "\n");
  const Finished noFinalNewline = EvenhueWithInput({"respace"}, a + "\n" + b);
  const Finished crlf = EvenhueWithInput({"respace"}, a + "\r\n" + b + "\r\n");
  const Finished gap = EvenhueWithInput({"respace"}, a + "\n\n" + b + "\n");
  ASSERT_EQ(lf.status, 0) << lf.err;
  ASSERT_EQ(Lines(lf.out).size(), 2u);
  EXPECT_NE(Lines(lf.out)[0], Lines(lf.out)[1]);
  EXPECT_EQ(noFinalNewline.status, 0);
  EXPECT_EQ(noFinalNewline.out, lf.out);
  EXPECT_EQ(crlf.status, 0);
  EXPECT_EQ(crlf.out, lf.out);
  EXPECT_EQ(gap.status, 1);
  const auto lines = Lines(gap.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], Lines(lf.out)[0]);
  EXPECT_EQ(lines[1], "{\"error\": \"line 2: empty line\"}");
  EXPECT_EQ(lines[2], Lines(lf.out)[1]);
}

// --- A stream this test holds open ------------------------------------------------------

extern "C" char** environ;

// `evenhue` with a pipe on either side (or standard input from a file); its
// standard error is thrown away.
struct Child {
  pid_t pid = -1;
  int in = -1;   // its standard input (-1 with a file)
  int out = -1;  // its standard output
  std::string received;  // read from `out`, not yet taken as lines
};

Child Start(const std::vector<std::string>& args, const std::string& inputFile = {}) {
  Child child;
  int in[2] = {-1, -1}, out[2];
  if (inputFile.empty() && ::pipe2(in, O_CLOEXEC) != 0) ADD_FAILURE() << "pipe";
  if (::pipe2(out, O_CLOEXEC) != 0) ADD_FAILURE() << "pipe";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (inputFile.empty()) posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  else posix_spawn_file_actions_addopen(&actions, 0, inputFile.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> all{EVENHUE_COMMAND};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawn(&child.pid, EVENHUE_COMMAND, &actions, nullptr, argv.data(), environ) != 0) ADD_FAILURE() << "spawn";
  posix_spawn_file_actions_destroy(&actions);
  if (inputFile.empty()) ::close(in[0]);
  ::close(out[1]);
  child.in = in[1];
  child.out = out[0];
  return child;
}

// The next `count` lines of its output, or fewer when they take longer than
// a minute (or the output ends).
std::vector<std::string> ReadLines(Child& child, std::size_t count) {
  std::vector<std::string> lines;
  for (;;) {
    std::size_t nl;
    while (lines.size() < count && (nl = child.received.find('\n')) != std::string::npos) {
      lines.push_back(child.received.substr(0, nl));
      child.received.erase(0, nl + 1);
    }
    if (lines.size() == count) return lines;
    pollfd p{child.out, POLLIN, 0};
    if (::poll(&p, 1, 60'000) <= 0) return lines;
    char block[1 << 16];
    const ssize_t n = ::read(child.out, block, sizeof block);
    if (n <= 0) return lines;
    child.received.append(block, static_cast<std::size_t>(n));
  }
}

bool WriteText(int fd, const std::string& text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
    if (n <= 0) return false;
    at += static_cast<std::size_t>(n);
  }
  return true;
}

struct Ended {
  int status = -1;
  long peakKiB = 0;
  std::string rest;  // the output not yet read
};

Ended Finish(Child& child) {
  if (child.in >= 0) ::close(child.in);
  Ended ended;
  char block[1 << 16];
  ssize_t n;
  while ((n = ::read(child.out, block, sizeof block)) > 0) child.received.append(block, static_cast<std::size_t>(n));
  ::close(child.out);
  ended.rest = std::move(child.received);
  int status = 0;
  rusage usage{};
  if (::wait4(child.pid, &status, 0, &usage) == child.pid && WIFEXITED(status)) ended.status = WEXITSTATUS(status);
  ended.peakKiB = usage.ru_maxrss;
  return ended;
}

std::string TwoStops(std::size_t i) {
  return Line({{0, Rgb(static_cast<double>(i % 256) / 255, 0.5, 0.25)}, {100, HexText("#ffcc00")}});
}

struct StreamCase {
  const char* name;
  const char* jobs;
  std::size_t first;  // lines sent before the first answer is waited for
};

void PrintTo(const StreamCase& c, std::ostream* out) { *out << c.name; }

class Stream : public ::testing::TestWithParam<StreamCase> {};

// The answers to the lines sent come while the input is still open: one line
// in this process, and enough lines for the worker processes to take over.
TEST_P(Stream, AnswersComeBeforeTheInputEnds) {
  const StreamCase& c = GetParam();
  std::string first;
  for (std::size_t i = 0; i < c.first; ++i) first += TwoStops(i) + "\n";
  const std::string last = Line({{0, HexText("#000000")}, {100, HexText("#ffffff")}});
  const Finished batch = EvenhueWithInput({"respace"}, first + last + "\n");
  ASSERT_EQ(batch.status, 0) << batch.err;

  Child child = Start({"respace", "--jobs", c.jobs});
  // Written from another thread: the answers are read here as they come.
  std::thread writer([&] { EXPECT_TRUE(WriteText(child.in, first)); });
  const std::vector<std::string> answers = ReadLines(child, c.first);
  writer.join();
  EXPECT_EQ(answers.size(), c.first) << "the answers did not come while the input was open";
  ASSERT_TRUE(WriteText(child.in, last + "\n"));
  const Ended ended = Finish(child);
  EXPECT_EQ(ended.status, 0);
  std::string all;
  for (const std::string& a : answers) all += a + "\n";
  EXPECT_EQ(all + ended.rest, batch.out);
}

INSTANTIATE_TEST_SUITE_P(Respace, Stream,
                         ::testing::Values(StreamCase{"OneLineOneJob", "1", 1}, StreamCase{"OneLineTwoJobs", "2", 1},
                                           StreamCase{"ManyLinesOneJob", "1", 2000},
                                           StreamCase{"ManyLinesTwoJobs", "2", 2000}),
                         [](const auto& info) { return std::string(info.param.name); });

// The worker processes of `pid`: the processes whose parent it is, from /proc.
std::vector<pid_t> WorkersOf(pid_t pid) {
  std::vector<pid_t> workers;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    std::ifstream stat(entry.path() / "stat");
    std::string text;
    if (!std::getline(stat, text)) continue;
    const std::size_t close = text.rfind(')');  // the name may hold spaces and parentheses
    if (close == std::string::npos) continue;
    std::istringstream fields(text.substr(close + 1));
    char state = 0;
    pid_t parent = 0;
    if (fields >> state >> parent && parent == pid) workers.push_back(std::stoi(entry.path().filename().string()));
  }
  std::sort(workers.begin(), workers.end());
  return workers;
}

// A worker that stops with chunks of its own, and is killed once the others
// have answered all they were given: its lines get error lines, and the
// chunks held back meanwhile still go to the worker left (they once waited
// for ever, the answers that made room for them being written only after
// the hand-out had given up).
TEST(Respace, AWorkerKilledAfterStoppingLeavesTheRestToTheOthers) {
  constexpr std::size_t kLines = 20000;
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < kLines; ++i)
    lines.push_back(Line({{0, Rgb(static_cast<double>(i % 256) / 255, 0.5, 0.25)}, {40, HexText("#3366cc")},
                          {100, HexText("#ffcc00")}}));
  auto part = [&](std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i) text += lines[i] + "\n";
    return text;
  };
  std::signal(SIGPIPE, SIG_IGN);  // the writer's pipe may close first when this fails
  Child child = Start({"respace", "--jobs", "2"});
  // In bursts, as a slow producer writes: the command waits for input between them.
  std::thread writer([&] {
    WriteText(child.in, part(0, 5000));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    WriteText(child.in, part(5000, 15000));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    WriteText(child.in, part(15000, kLines));
    ::close(child.in);
  });
  std::vector<std::string> answers;
  std::thread reader([&] { answers = ReadLines(child, kLines); });
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  std::vector<pid_t> workers;
  for (int tries = 0; tries < 250 && workers.size() < 2; ++tries) {
    workers = WorkersOf(child.pid);
    if (workers.size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (workers.size() == 2) {
    ::kill(workers.back(), SIGSTOP);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the other answers all it holds
    ::kill(workers.back(), SIGKILL);
  }
  reader.join();
  if (answers.size() < kLines) ::kill(child.pid, SIGKILL);
  writer.join();
  child.in = -1;
  ASSERT_EQ(workers.size(), 2u);
  EXPECT_EQ(answers.size(), kLines) << "the answers stopped after the worker was killed";
  std::size_t errors = 0;
  for (const std::string& line : answers) errors += line.find("the process re-spacing it ended with signal 9") != std::string::npos;
  // The killed worker's lines, if it held any, are error lines: the status says so.
  EXPECT_EQ(Finish(child).status, errors > 0 ? 1 : 0);
}

// One worker or two, the same bytes and status, bad lines included.
TEST(Respace, OneJobOrTwoGiveTheSameBytes) {
  auto lines = RandomLines(3000, 20261210);
  const auto bad = BadLines();
  for (std::size_t i = 0; i < bad.size(); ++i) lines.insert(lines.begin() + 100 * static_cast<std::ptrdiff_t>(i) + 7, bad[i].line);
  const std::string input = Batch(lines);
  const Finished one = EvenhueWithInput({"respace", "--jobs", "1"}, input);
  const Finished two = EvenhueWithInput({"respace", "--jobs", "2"}, input);
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(two.status, 1);
  ASSERT_EQ(Lines(one.out).size(), lines.size());
  EXPECT_TRUE(one.out == two.out) << "the answers of two workers differ from one's";
}

// The address sanitizer's allocator holds freed memory back for a while, so
// peak memory tells nothing about the command in that build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeakMemoryTells = false;
#else
constexpr bool kPeakMemoryTells = true;
#endif

// Memory does not grow with the number of lines: 36 000 take no more than
// 12 000 (both past the first hand-over to a fresh plug-in session). The
// lines used to be kept to the end, about 4 KB each, and a host's document
// grows by about 2.5 KB a line.
TEST(Respace, MemoryDoesNotGrowWithTheLines) {
  if (!kPeakMemoryTells) GTEST_SKIP() << "peak memory is the sanitizer's";
  Scratch scratch;
  long peak[2] = {0, 0};
  const std::size_t counts[2] = {12'000, 36'000};
  for (int k = 0; k < 2; ++k) {
    std::string input;
    for (std::size_t i = 0; i < counts[k]; ++i) input += TwoStops(i) + "\n";
    WriteFile(scratch.path("in.jsonl"), input);
    Child child = Start({"respace", "--jobs", "1"}, scratch.path("in.jsonl"));
    const std::vector<std::string> answers = ReadLines(child, counts[k]);
    const Ended ended = Finish(child);
    ASSERT_EQ(ended.status, 0);
    ASSERT_EQ(answers.size(), counts[k]);
    peak[k] = ended.peakKiB;
  }
  EXPECT_LT(peak[1], peak[0] + 16 * 1024) << "peak resident memory " << peak[0] << " KiB for " << counts[0]
                                         << " lines, " << peak[1] << " KiB for " << counts[1];
}

// A line of ten million '[' is refused at the nesting limit, without first
// building ten million arrays (about 740 MB).
TEST(Respace, DeepNestingIsRefusedWithoutBuildingIt) {
  Scratch scratch;
  WriteFile(scratch.path("in.jsonl"), std::string(10'000'000, '[') + "\n" + TwoStops(0) + "\n");
  Child child = Start({"respace"}, scratch.path("in.jsonl"));
  const Ended ended = Finish(child);
  EXPECT_EQ(ended.status, 1);
  const auto lines = Lines(ended.rest);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "{\"error\": \"line 1: nested more than 64 levels deep\"}");
  EXPECT_EQ(lines[1].rfind("{\"type\": \"linear\", \"stops\": [", 0), 0u) << lines[1];
  if (kPeakMemoryTells) {
    EXPECT_LT(ended.peakKiB, 100 * 1024);
  }
}

}  // namespace
}  // namespace clitest
