// `evenhue respace` reads a line with a quick reader over the JSON parser's
// events when it has the documented shape and with the full JSON reader
// otherwise. Wherever the quick one returns a gradient, the full one must
// return the very same doubles.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/respace_lines.hpp"

namespace evenhue::cli {
namespace {

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Empty when the two are the same to the bit, else what differs.
std::string Difference(const JsonGradient& a, const JsonGradient& b) {
  if (a.type != b.type) return "type " + std::to_string(a.type) + " vs " + std::to_string(b.type);
  if (a.stops.size() != b.stops.size())
    return std::to_string(a.stops.size()) + " stops vs " + std::to_string(b.stops.size());
  for (std::size_t i = 0; i < a.stops.size(); ++i) {
    const JsonStop &s = a.stops[i], &t = b.stops[i];
    const std::string where = "stop " + std::to_string(i + 1) + ": ";
    if (Bits(s.position) != Bits(t.position)) return where + "position";
    if (Bits(s.midpoint) != Bits(t.midpoint)) return where + "midpoint";
    if (Bits(s.opacity) != Bits(t.opacity)) return where + "opacity";
    if (s.cmyk != t.cmyk) return where + "colour space";
    for (int c = 0; c < 4; ++c)
      if (Bits(s.channels[c]) != Bits(t.channels[c])) return where + "channel " + std::to_string(c + 1);
  }
  return {};
}

// Lines the quick reader must read, each as the full reader does.
const char* const kQuickLines[] = {
    R"j({"stops": [{"position": 0, "color": "#0000ff"}, {"position": 100, "color": "#ffff00"}]})j",
    R"j({"type": "radial", "stops": [{"position": 0, "color": {"rgb": [0, 0.5, 1]}}, {"position": 100, "color": {"cmyk": [0.1, 0.2, 0.3, 0.4]}}]})j",
    R"j({"stops":[{"color":"#abc","position":0,"midpoint":30,"opacity":0.5},{"midpoint":70,"position":100,"color":"red"}],"type":"linear"})j",
    R"j(  {"stops" : [ { "position" : 12.5 , "color" : "rgb(10, 20, 30)" } ] }  )j",
    "{\"stops\":\t[{\"position\":\t0,\r\"color\": \"#fff\"}]}\r",
    R"j({"stops": []})j",
    R"j({"stops": [{"position": -0, "color": "#000"}, {"position": -0.0, "color": "#000"}, {"position": 0.0, "color": "#000"}]})j",
    R"j({"stops": [{"position": 1e1, "color": "#000"}, {"position": 2.5E+1, "color": "#000"}, {"position": 3000e-2, "color": "#000"}]})j",
    R"j({"stops": [{"position": 0.1, "color": {"rgb": [0.1, 0.7, 0.30000000000000004]}}, {"position": 33.333333333333336, "color": "#123456"}]})j",
    R"j({"stops": [{"position": 0, "color": "#11223380", "opacity": 0.5}, {"position": 100, "color": "rgba(1, 2, 3, 0.25)"}]})j",
    R"j({"stops": [{"position": 0, "color": "hsl(200, 50%, 40%)"}, {"position": 100, "color": "transparent"}]})j",
    R"j({"stops": [{"position": 100, "color": "#000", "opacity": 1, "midpoint": 100}, {"position": 100, "color": "#fff", "opacity": 0, "midpoint": 0}]})j",
    R"j({"stops": [{"position": 0.000000000000000000000000001, "color": {"rgb": [1e-300, 0.9999999999999999, 1]}}]})j",
    R"j({"stops": [{"position": 50, "color": {"cmyk": [0, 0, 0, 1]}}]})j",
    // Escapes are the parser's to decode.
    R"j({"stops": [{"position": 0, "color": "\u0023000"}]})j",
    R"j({"typ\u0065": "radial", "stops": []})j",
};

TEST(RespaceReaders, QuickLinesReadAsTheFullReaderReadsThem) {
  for (const char* line : kQuickLines) {
    SCOPED_TRACE(line);
    const auto quick = ReadQuickGradientLine(line);
    std::string error;
    const auto full = ReadGradientLineFully(line, error);
    ASSERT_TRUE(quick.has_value());
    ASSERT_TRUE(full.has_value()) << error;
    EXPECT_EQ(Difference(*quick, *full), "");
  }
}

TEST(RespaceReaders, QuickReaderKeepsTheSignOfZeroAsTheFullReaderDoes) {
  // An integer -0 reads as 0; a fraction -0.0 keeps its sign.
  const auto g = ReadQuickGradientLine(R"j({"stops": [{"position": -0, "color": "#000"}, {"position": -0.0, "color": "#000"}]})j");
  ASSERT_TRUE(g.has_value());
  EXPECT_FALSE(std::signbit(g->stops[0].position));
  EXPECT_TRUE(std::signbit(g->stops[1].position));
}

TEST(RespaceReaders, QuickReaderAppliesTheColoursAlphaToTheOpacity) {
  const auto g = ReadQuickGradientLine(R"j({"stops": [{"color": "#00000080", "opacity": 0.5, "position": 0}]})j");
  ASSERT_TRUE(g.has_value());
  EXPECT_DOUBLE_EQ(g->stops[0].opacity, 0.5 * (128.0 / 255.0));
}

// Lines the quick reader leaves to the full one: what the full reader accepts
// (unknown and repeated keys) and what it refuses with a message.
struct LeftLine {
  const char* line;
  bool fullReads;
};
const LeftLine kLeftLines[] = {
    {R"j({"stops": [{"position": 0, "color": "#000"}], "name": "x"})j", true},
    {R"j({"stops": [{"position": 0, "color": "#000", "note": null}]})j", true},
    {R"j({"stops": [{"position": 0, "color": {"rgb": [0, 0, 0], "name": "black"}}]})j", true},
    {R"j({"stops": [{"position": 0, "color": "#000"}], "stops": []})j", false},
    {R"j({"stops": [{"position": 1, "position": 2, "color": "#000"}]})j", false},
    {R"j({"stops": [{"position": 0, "color": "#000"}], "x": 1, "x": [2]})j", true},
    {R"j({"stops": [{"position": 0, "color": "#000"}]} x)j", false},
    {R"j({"stops": [{"position": 01, "color": "#000"}]})j", false},
    {R"j({"stops": [{"position": 1., "color": "#000"}]})j", false},
    {R"j({"stops": [{"position": +1, "color": "#000"}]})j", false},
    {R"j({"stops": [{"position": 1e999, "color": "#000"}]})j", false},
    {R"j({"stops": [{"position": 101, "color": "#000"}]})j", false},
    {R"j({"stops": [{"position": 50, "color": "#000"}, {"position": 40, "color": "#000"}]})j", false},
    {R"j({"stops": [{"position": 0, "color": "device-cmyk(0 0 0 1)"}]})j", false},
    {R"j({"stops": [{"position": 0, "color": "nocolour"}]})j", false},
    {R"j({"stops": [{"position": 0, "color": {"rgb": [0, 0]}}]})j", false},
    {R"j({"stops": [{"position": 0, "color": {"rgb": [0, 0, 0], "cmyk": [0, 0, 0, 0]}}]})j", false},
    {R"j({"stops": [{"position": 0, "color": {"rgb": [0, 0, 1.5]}}]})j", false},
    {R"j({"stops": [{"position": 0}]})j", false},
    {R"j({"stops": [{"color": "#000"}]})j", false},
    {R"j({"type": "conic", "stops": []})j", false},
    {R"j({"type": 1, "stops": []})j", false},
    {R"j({"stops": {}})j", false},
    {R"j({})j", false},
    {R"j([])j", false},
    {R"j({"stops": [{"position": 0, "color": "#000", "opacity": true}]})j", false},
    {"{\"stops\": [{\"position\": 0, \"color\": \"caf\xc3\xa9\"}]}", false},
    {"{\"stops\": [{\"position\": 0, \"color\": \"#000\xff\"}]}", false},
};

TEST(RespaceReaders, QuickReaderLeavesEverythingElseToTheFullReader) {
  for (const LeftLine& c : kLeftLines) {
    SCOPED_TRACE(c.line);
    EXPECT_FALSE(ReadQuickGradientLine(c.line).has_value());
    std::string error;
    EXPECT_EQ(ReadGradientLineFully(c.line, error).has_value(), c.fullReads) << error;
    // What the command uses is the full reader's answer, message included.
    std::string viaCommand;
    EXPECT_EQ(ParseGradientLine(c.line, viaCommand).has_value(), c.fullReads);
    EXPECT_EQ(viaCommand, error);
  }
}

// What the full reader refuses with its own messages: a NUL byte (the JSON
// parser would end the line there), a key it reads given twice (which would
// otherwise be last-wins), nesting past kMaxJsonDepth and more stops than a
// gradient holds.
struct RefusedLine {
  const char* name;
  std::string line;
  std::string says;  // the whole message
};

std::string Nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

std::string ManyStops(std::size_t count) {
  std::string line = "{\"stops\": [";
  for (std::size_t i = 0; i < count; ++i) line += i ? ",{}" : "{}";
  return line + "]}";
}

std::vector<RefusedLine> RefusedLines() {
  using namespace std::string_literals;
  return {
      {"NulAfterTheObject", "{\"stops\": []}\0 and more"s, "a NUL byte at byte 14"},
      {"NulInAString", "{\"stops\": [{\"position\": 0, \"color\": \"#0\0\"}]}"s, "a NUL byte at byte 40"},
      {"StopsTwice", R"j({"stops": [{"position": 0, "color": "#000"}], "stops": []})j", "\"stops\" is given twice"},
      {"TypeTwice", R"j({"type": "linear", "stops": [], "type": "radial"})j", "\"type\" is given twice"},
      {"PositionTwice", R"j({"stops": [{"position": 1, "color": "#000"}, {"position": 1, "position": 2, "color": "#000"}]})j",
       "stop 2: \"position\" is given twice"},
      {"ColourTwice", R"j({"stops": [{"position": 1, "color": "#000", "color": "#fff"}]})j",
       "stop 1: \"color\" is given twice"},
      {"RgbTwice", R"j({"stops": [{"position": 1, "color": {"rgb": [0, 0, 0], "rgb": [1, 1, 1]}}]})j",
       "stop 1: color: \"rgb\" is given twice"},
      {"EscapedKeyTwice", R"j({"stops": [], "st\u006fps": []})j", "\"stops\" is given twice"},
      // The line's object is the first level: 64 arrays in it make 65.
      {"NestedOnePastTheLimit", "{\"stops\": [], \"x\": " + Nested(kMaxJsonDepth) + "}", "nested more than 64 levels deep"},
      {"NestedArraysAlone", std::string(1'000'000, '['), "nested more than 64 levels deep"},
      {"OneStopTooMany", ManyStops(host::kMaxGradientStops + 1), "32768 stops are more than a gradient holds (32767)"},
  };
}

TEST(RespaceReaders, RefuseWithTheirMessages) {
  for (const RefusedLine& c : RefusedLines()) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadQuickGradientLine(c.line).has_value());
    std::string error;
    EXPECT_FALSE(ParseGradientLine(c.line, error).has_value());
    EXPECT_EQ(error, c.says);
  }
}

// Up to the limits, the same lines read: nesting at kMaxJsonDepth under a key
// the reader passes over, and the most stops a gradient holds (which the
// plug-in then leaves alone).
TEST(RespaceReaders, ReadUpToTheLimits) {
  std::string error;
  const auto nested = ParseGradientLine("{\"stops\": [], \"x\": " + Nested(kMaxJsonDepth - 1) + "}", error);
  ASSERT_TRUE(nested.has_value()) << error;
  EXPECT_TRUE(nested->stops.empty());
  std::string most = "{\"stops\": [";
  for (std::size_t i = 0; i < host::kMaxGradientStops; ++i) most += i ? ",{\"position\":100,\"color\":\"#fff\"}" : "{\"position\":0,\"color\":\"#000\"}";
  most += "]}";
  const auto full = ParseGradientLine(most, error);
  ASSERT_TRUE(full.has_value()) << error;
  EXPECT_EQ(full->stops.size(), host::kMaxGradientStops);
}

// A small deterministic generator.
struct Random {
  std::uint64_t state = 0x243f6a8885a308d3ull;
  std::uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  }
  std::size_t Below(std::size_t n) { return Next() % n; }
  double Unit() { return Next() / 4294967296.0 * 2; }
};

std::string RandomNumber(Random& r, double low, double high) {
  char buffer[48];
  const double v = low + (high - low) * std::min(1.0, r.Unit() / 2);
  switch (r.Below(5)) {
    case 0: std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(v)); break;
    case 1: std::snprintf(buffer, sizeof buffer, "%.17g", v); break;
    case 2: std::snprintf(buffer, sizeof buffer, "%.3e", v); break;
    case 3: std::snprintf(buffer, sizeof buffer, "%.1f", v); break;
    default: std::snprintf(buffer, sizeof buffer, "%g", v); break;
  }
  return buffer;
}

std::string RandomLine(Random& r) {
  static const char* const kColours[] = {"\"#0af\"", "\"#00aaff\"", "\"#00aaff80\"", "\"rgb(1, 2, 3)\"",
                                         "\"hsla(120, 50%, 50%, 0.5)\"", "\"navy\""};
  std::string line = "{";
  if (r.Below(2)) line += r.Below(2) ? "\"type\": \"radial\", " : "\"type\":\"linear\",";
  line += "\"stops\": [";
  const std::size_t n = r.Below(5);
  double position = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) line += ", ";
    std::vector<std::string> members;
    char buffer[32];
    position += (100 - position) * r.Unit() / 2;
    std::snprintf(buffer, sizeof buffer, "%.6g", position);
    members.push_back(std::string("\"position\": ") + buffer);
    std::snprintf(buffer, sizeof buffer, "%.6g", position);
    switch (r.Below(3)) {
      case 0: members.push_back(std::string("\"color\": ") + kColours[r.Below(6)]); break;
      case 1:
        members.push_back("\"color\": {\"rgb\": [" + RandomNumber(r, 0, 1) + ", " + RandomNumber(r, 0, 1) + ", " +
                          RandomNumber(r, 0, 1) + "]}");
        break;
      default:
        members.push_back("\"color\": {\"cmyk\": [" + RandomNumber(r, 0, 1) + "," + RandomNumber(r, 0, 1) + "," +
                          RandomNumber(r, 0, 1) + "," + RandomNumber(r, 0, 1) + "]}");
    }
    if (r.Below(2)) members.push_back("\"midpoint\": " + RandomNumber(r, 0, 100));
    if (r.Below(2)) members.push_back("\"opacity\": " + RandomNumber(r, 0, 1));
    for (std::size_t k = members.size(); k > 1; --k) std::swap(members[k - 1], members[r.Below(k)]);
    line += "{";
    for (std::size_t k = 0; k < members.size(); ++k) line += (k ? ", " : "") + members[k];
    line += "}";
  }
  line += "]}";
  return line;
}

// Written lines, and every one of them bent a few bytes at a time: wherever
// the quick reader reads one, the full reader reads the same.
TEST(RespaceReaders, AgreeOnGeneratedAndBentLines) {
  static const char kBytes[] = "{}[]:,\"\\ -+.eE0123456789#abcfu\t\xc3\xff";
  Random r;
  std::size_t quickRead = 0, bent = 0, bentRead = 0;
  for (int n = 0; n < 2000; ++n) {
    const std::string line = RandomLine(r);
    std::string error;
    const auto full = ReadGradientLineFully(line, error);
    const auto quick = ReadQuickGradientLine(line);
    ASSERT_TRUE(full.has_value()) << line << ": " << error;
    ASSERT_TRUE(quick.has_value()) << line;
    ASSERT_EQ(Difference(*quick, *full), "") << line;
    ++quickRead;
    for (int m = 0; m < 20; ++m) {
      std::string variant = line;
      const std::size_t edits = 1 + r.Below(3);
      for (std::size_t e = 0; e < edits && !variant.empty(); ++e) {
        const std::size_t at = r.Below(variant.size());
        const char byte = kBytes[r.Below(sizeof kBytes - 1)];
        switch (r.Below(3)) {
          case 0: variant[at] = byte; break;
          case 1: variant.insert(at, 1, byte); break;
          default: variant.erase(at, 1); break;
        }
      }
      ++bent;
      const auto bentQuick = ReadQuickGradientLine(variant);
      if (!bentQuick) continue;
      ++bentRead;
      std::string bentError;
      const auto bentFull = ReadGradientLineFully(variant, bentError);
      ASSERT_TRUE(bentFull.has_value()) << variant << ": " << bentError;
      ASSERT_EQ(Difference(*bentQuick, *bentFull), "") << variant;
    }
  }
  EXPECT_EQ(quickRead, 2000u);
  // Some bent lines stay readable (a digit for a digit), most do not.
  EXPECT_GT(bentRead, bent / 50);
  EXPECT_LT(bentRead, bent / 2);
}

}  // namespace
}  // namespace evenhue::cli
