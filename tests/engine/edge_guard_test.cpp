// Gradients the re-spacing would damage are left alone: the comparison over
// stop lists (FindDamage), and `evenhue apply` on edges, a narrow transition
// and a smooth gradient, with and without --smooth-edges.
//
// The figures pinned here are worked out by hand from the published formulas
// (sRGB companding, CIELAB, CIEDE2000). For neutral greys CIEDE2000 is the
// lightness term alone: |L1 − L2| / S_L with S_L = 1 + 0.015 (L̄ − 50)² /
// √(20 + (L̄ − 50)²). Grey 0.5 has L* 53.389, so against black (L̄ 26.69,
// S_L 1.3433) it is 39.744 away, against white (L̄ 76.69, S_L 1.3948) 33.415.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/edge_guard.hpp"
#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

using evenhue::cli::Damage;
using evenhue::cli::DescribeDamage;
using evenhue::cli::DistancesAt;
using evenhue::cli::FindDamage;
using evenhue::cli::DrawStop;
using Stops = std::vector<DrawStop>;

DrawStop Grey(double offset, double value, double opacity = 1.0) {
  return {offset, {value, value, value}, 0.5, opacity};
}
DrawStop Rgb(double offset, double r, double g, double b) { return {offset, {r, g, b}, 0.5, 1.0}; }

// Greys at evenly spaced offsets, as the plug-in writes its stops.
Stops EvenGreys(const std::vector<double>& values) {
  Stops out;
  for (std::size_t k = 0; k < values.size(); ++k)
    out.push_back(Grey(static_cast<double>(k) / static_cast<double>(values.size() - 1), values[k]));
  return out;
}

// --- The comparison ---------------------------------------------------------------------

struct DamageCase {
  const char* name;
  Stops source;
  Stops respaced;
  Damage::Kind kind;
  double from, to, spreadFrom, spreadTo;
  const char* text;
};

TEST(FindDamage, NamesTheEdgeAndWhereTheNewStopsWouldSpreadIt) {
  const std::vector<DamageCase> cases = {
      // Two stops at 50 %: 5 new stops, grey 0.5 at 50 %, the step spread from 25 to 75 %.
      {"pair at one offset", {Grey(0.5, 0), Grey(0.5, 1)}, EvenGreys({0, 0, 0.5, 1, 1}), Damage::Kind::Edge, 0.5, 0.5,
       0.25, 0.75, "its edge at 50 % would be smoothed over 25\u201375 %"},
      // Black, black, white, white at 0, .5, .5, 1: 13 stops at k/12, the one at 6/12 grey.
      {"hard edge",
       {Grey(0, 0), Grey(0.5, 0), Grey(0.5, 1), Grey(1, 1)},
       EvenGreys({0, 0, 0, 0, 0, 0, 0.5, 1, 1, 1, 1, 1, 1}),
       Damage::Kind::Edge, 0.5, 0.5, 5.0 / 12, 7.0 / 12, "its edge at 50 % would be smoothed over 41.7\u201358.3 %"},
      // The step at 30 % lies between the new stops at 3/12 (black) and 4/12 (white).
      {"edge between new stops",
       {Grey(0, 0), Grey(0.3, 0), Grey(0.3, 1), Grey(1, 1)},
       EvenGreys({0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1}),
       Damage::Kind::Edge, 0.3, 0.3, 0.25, 1.0 / 3, "its edge at 30 % would be smoothed over 25\u201333.3 %"},
      // Yellow at 49 % to blue at 51 %: 5 new stops, the mixture at 50 %.
      {"narrow transition",
       {Rgb(0.49, 1, 1, 0), Rgb(0.51, 0, 0, 1)},
       {Rgb(0, 1, 1, 0), Rgb(0.25, 1, 1, 0), Rgb(0.5, 0.784, 0.541, 0.663), Rgb(0.75, 0, 0, 1), Rgb(1, 0, 0, 1)},
       Damage::Kind::Transition, 0.49, 0.51, 0.25, 0.75, "its transition over 49\u201351 % would be spread over 25\u201375 %"},
      // Black, white at 30 %, black: the blend's greys at k/8 (L* 100 p / 0.3, then 100 (1 − p) / 0.7 ...);
      // the new ramp crosses 30 % at grey 0.8403 (L* 85.72), 8.707 from white.
      {"turn between new stops",
       {Grey(0, 0), Grey(0.3, 1), Grey(1, 0)},
       EvenGreys({0, 0.385389, 0.814058, 0.879634, 0.685878, 0.501825, 0.329320, 0.171330, 0}),
       Damage::Kind::Stop, 0.3, 0.3, 0.25, 0.375, "its turn at 30 % would be rounded off over 25\u201337.5 %"},
      // White going from opaque to clear at 50 %: over black the new ramp's half-clear white is grey 0.5.
      {"opacity step",
       {Grey(0.5, 1, 1), Grey(0.5, 1, 0)},
       {Grey(0, 1, 1), Grey(0.25, 1, 1), Grey(0.5, 1, 0.5), Grey(0.75, 1, 0), Grey(1, 1, 0)},
       Damage::Kind::Edge, 0.5, 0.5, 0.25, 0.75, "its edge at 50 % would be smoothed over 25\u201375 %"},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto damage = FindDamage(c.source, c.respaced);
    ASSERT_TRUE(damage.has_value());
    EXPECT_EQ(damage->kind, c.kind);
    EXPECT_DOUBLE_EQ(damage->from, c.from);
    EXPECT_DOUBLE_EQ(damage->to, c.to);
    EXPECT_NEAR(damage->spreadFrom, c.spreadFrom, 1e-12);
    EXPECT_NEAR(damage->spreadTo, c.spreadTo, 1e-12);
    EXPECT_EQ(DescribeDamage(*damage), c.text);
  }
}

TEST(FindDamage, MeasuresBothRampsFromTheBlendAtTheirWorstPoints) {
  // The source's worst in black → white over 30 %: grey t against L* 100 t, at most 3.384 near t = 0.46.
  const auto turn = FindDamage({Grey(0, 0), Grey(0.3, 1), Grey(1, 0)},
                               EvenGreys({0, 0.385389, 0.814058, 0.879634, 0.685878, 0.501825, 0.329320, 0.171330, 0}));
  ASSERT_TRUE(turn.has_value());
  EXPECT_NEAR(turn->after, 8.707, 0.005);
  EXPECT_NEAR(turn->before, 3.384, 0.05);
}

TEST(DistancesAt, SeesBothSidesOfAnEdge) {
  const Stops source = {Grey(0.5, 0), Grey(0.5, 1)}, respaced = EvenGreys({0, 0, 0.5, 1, 1});
  const auto below = DistancesAt(source, respaced, 0.5, true), above = DistancesAt(source, respaced, 0.5, false);
  EXPECT_NEAR(below.after, 39.744, 0.005);  // grey 0.5 against black
  EXPECT_NEAR(above.after, 33.415, 0.005);  // against white
  EXPECT_NEAR(below.before + above.before, 0.0, 1e-9);
}

TEST(FindDamage, KeepsWhatTheNewStopsDrawNoWorse) {
  const struct {
    const char* name;
    Stops source, respaced;
  } cases[] = {
      // Black, white at 50 %, black: a new stop falls on the turn (L* 0, 25, 50, 75, 100, ... at k/8).
      {"turn on a new stop",
       {Grey(0, 0), Grey(0.5, 1), Grey(1, 0)},
       EvenGreys({0, 0.232515, 0.466327, 0.7239, 1, 0.7239, 0.466327, 0.232515, 0})},
      {"narrow segment of one colour", {Rgb(0.49, 1, 0, 0), Rgb(0.51, 1, 0, 0)},
       {Rgb(0, 1, 0, 0), Rgb(0.25, 1, 0, 0), Rgb(0.5, 1, 0, 0), Rgb(0.75, 1, 0, 0), Rgb(1, 1, 0, 0)}},
      {"two equal stops at one offset", {Grey(0, 0.3), Grey(0.5, 0.3), Grey(0.5, 0.3), Grey(1, 0.3)},
       EvenGreys(std::vector<double>(13, 0.3))},
      {"no ramp to judge", {Grey(0.5, 0)}, {Grey(0, 1)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(FindDamage(c.source, c.respaced).has_value());
  }
}

// --- The command --------------------------------------------------------------------------

using Json = nlohmann::json;

constexpr char kEdges[] = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="80">
  <defs>
    <linearGradient id="hard"><stop offset="0" stop-color="#000"/><stop offset=".5" stop-color="#000"/><stop offset=".5" stop-color="#fff"/><stop offset="1" stop-color="#fff"/></linearGradient>
    <linearGradient id="pair"><stop offset=".5" stop-color="#000"/><stop offset=".5" stop-color="#fff"/></linearGradient>
    <linearGradient id="narrow"><stop offset=".49" stop-color="#ff0"/><stop offset=".51" stop-color="#00f"/></linearGradient>
    <linearGradient id="smooth"><stop offset="0" stop-color="#00f" data-midpoint="35"/><stop offset=".4" stop-color="#0cc" data-midpoint="65"/><stop offset="1" stop-color="#ff0"/></linearGradient>
  </defs>
  <rect id="a" width="200" height="20" fill="url(#hard)"/>
  <rect id="b" y="20" width="200" height="20" style="fill: url(#pair)"/>
  <rect id="c" y="40" width="200" height="20" fill="url(#narrow)"/>
  <rect id="d" y="60" width="200" height="20" fill="url(#smooth)"/>
</svg>
)svg";

// The three edges: 4, 2 and 2 stops re-spaced to 13, 5 and 5 evenly spaced ones (k/12, k/4).
std::vector<std::string> EdgeWarnings(const std::string& name) {
  const std::string head = "evenhue: " + name + ": warning: ";
  return {head + "<rect id='a'>: fill gradient 'hard': its edge at 50 % would be smoothed over 41.7\u201358.3 %; left as it is",
          head + "<rect id='b'>: fill gradient 'pair': its edge at 50 % would be smoothed over 25\u201375 %; left as it is",
          head + "<rect id='c'>: fill gradient 'narrow': its transition over 49\u201351 % would be spread over 25\u201375 %; "
                 "left as it is"};
}

// The paint of `element` in the output and how many stops its gradient has.
std::pair<std::string, std::size_t> PaintOf(const pugi::xml_document& doc, const std::string& element) {
  const auto id = UrlId(Effective(ById(doc, element), "fill").value_or(""));
  if (!id) return {"", 0};
  return {*id, ResolvedStops(doc, ById(doc, *id)).size()};
}

TEST(EdgeGuard, LeavesEdgesAloneWithAWarningAndRewritesTheRest) {
  Scratch scratch;
  const std::string in = scratch.path("edges.svg"), out = scratch.path("out.svg"), report = scratch.path("r.json");
  WriteFile(in, kEdges);
  const Finished run = Evenhue({"apply", in, "-o", out, "--report", report});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Lines(run.err), EdgeWarnings(in));

  pugi::xml_document input, output;
  ASSERT_TRUE(LoadSvg(input, kEdges));
  ASSERT_TRUE(LoadSvg(output, ReadFile(out)));
  const auto [smoothId, smoothStops] = PaintOf(output, "d");
  EXPECT_EQ(smoothStops, 9u);
  // Only the smooth paint changed; the three others are exactly as they were.
  ExpectSameExceptRewrites(input, output, {smoothId}, {"d"});

  const Json r = Json::parse(ReadFile(report));
  ASSERT_EQ(r["gradients"].size(), 4u);
  const char* sources[] = {"hard", "pair", "narrow"};
  for (std::size_t i = 0; i < 3; ++i) {
    const Json& g = r["gradients"][i];
    EXPECT_EQ(g["source"], sources[i]);
    EXPECT_EQ(g["id"], sources[i]);
    EXPECT_EQ(g["leftAlone"], "would be worse");
    EXPECT_EQ(g["stopsAfter"], g["stopsBefore"]);
  }
  EXPECT_EQ(r["gradients"][3]["id"], smoothId);
  EXPECT_FALSE(r["gradients"][3].contains("leftAlone"));
  EXPECT_EQ(r["warnings"].size(), 3u);
}

TEST(EdgeGuard, SmoothEdgesWritesThePluginsResultAndTheRestIsTheSame) {
  Scratch scratch;
  const std::string in = scratch.path("edges.svg");
  WriteFile(in, kEdges);
  const Finished guarded = Evenhue({"apply", in, "-o", scratch.path("guarded.svg")});
  const Finished smoothed = Evenhue({"apply", in, "-o", scratch.path("smoothed.svg"), "--smooth-edges"});
  ASSERT_EQ(guarded.status, 0) << guarded.err;
  ASSERT_EQ(smoothed.status, 0) << smoothed.err;
  EXPECT_EQ(smoothed.err, "");

  pugi::xml_document a, b;
  ASSERT_TRUE(LoadSvg(a, ReadFile(scratch.path("guarded.svg"))));
  ASSERT_TRUE(LoadSvg(b, ReadFile(scratch.path("smoothed.svg"))));
  const std::pair<const char*, std::size_t> expected[] = {{"a", 13}, {"b", 5}, {"c", 5}, {"d", 9}};
  for (const auto& [element, stops] : expected) EXPECT_EQ(PaintOf(b, element).second, stops) << element;
  // The smooth paint gets the same gradient, id and all, either way.
  const std::string id = PaintOf(a, "d").first;
  ASSERT_EQ(PaintOf(b, "d").first, id);
  const auto text = [](pugi::xml_node n) {
    std::ostringstream s;
    n.print(s, "", pugi::format_raw);
    return s.str();
  };
  EXPECT_EQ(text(ById(a, id)), text(ById(b, id)));
}

TEST(EdgeGuard, ABatchCountsOnlyThePaintsItWrote) {
  Scratch scratch;
  std::string edgesOnly = kEdges;
  edgesOnly.replace(edgesOnly.find("url(#smooth)"), 12, "#808080");
  WriteFile(scratch.path("edges.svg"), edgesOnly);
  WriteFile(scratch.path("all.svg"), kEdges);
  const Finished run = Evenhue({"apply", scratch.path("edges.svg"), scratch.path("all.svg"), "--out-dir",
                                scratch.path("out"), "--report", scratch.path("r.json"), "--jobs", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "2 files: 1 rewritten, 1 left alone, 0 refused; 1 gradient rewritten\n");
  EXPECT_EQ(ReadFile(scratch.path("out/edges.svg")), edgesOnly);  // nothing written: copied as it is
  const Json r = Json::parse(ReadFile(scratch.path("r.json")));
  ASSERT_EQ(r["gradients"].size(), 7u);
  EXPECT_EQ(r["gradients"][0]["leftAlone"], "would be worse");  // through the worker's pipe
  EXPECT_FALSE(r["gradients"][6].contains("leftAlone"));
}

TEST(EdgeGuard, TheInkscapeEffectsCommandTakesTheOption) {
  Scratch scratch;
  WriteFile(scratch.path("edges.svg"), kEdges);
  for (const bool smooth : {false, true}) {
    std::vector<std::string> args = {"inkscape", "--id=a", scratch.path("edges.svg")};
    if (smooth) args.insert(args.begin() + 1, "--smooth-edges");
    const Finished run = Evenhue(args);
    ASSERT_EQ(run.status, 0) << run.err;
    pugi::xml_document doc;
    ASSERT_TRUE(LoadSvg(doc, run.out));
    EXPECT_EQ(PaintOf(doc, "a").second, smooth ? 13u : 4u);
  }
}

}  // namespace
}  // namespace clitest
