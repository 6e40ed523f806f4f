#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "svg/cascade.hpp"
#include "svg/gradient_def.hpp"
#include "svg/gradient_writer.hpp"
#include "svg/paint.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg {
namespace {

std::string Svg(const std::string& body) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">" + body + "</svg>";
}

GradientDef Resolve(const SvgDocument& doc, const char* id) { return ResolveGradient(doc, doc.FindById(id)); }

TEST(StopOffset, FollowsRenderers) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {{"0.25", 0.25}, {"25%", 0.25}, {"-0.5", 0.0}, {"1.5", 1.0},  {"150%", 1.0},
                        {"NaN", 0.0},   {"inf", 0.0},  {"-inf", 0.0}, {"1e999", 1.0}, {"-1e999", 0.0},
                        {"", 0.0},      {"abc", 0.0},  {" 0.5 ", 0.5}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ParseStopOffset(c.text), c.expected) << "'" << c.text << "'";
}

TEST(ResolveGradient, ClampsOffsetsAndKeepsThemNonDecreasing) {
  const auto doc = SvgDocument::Parse(Svg(
      "<linearGradient id=\"g\"><stop offset=\"0.6\"/><stop offset=\"0.2\"/><stop offset=\"NaN\"/>"
      "<stop offset=\"2\"/><stop/></linearGradient>"));
  const auto def = Resolve(doc, "g");
  ASSERT_EQ(def.stops.size(), 5u);
  const double expected[] = {0.6, 0.6, 0.6, 1.0, 1.0};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(def.stops[i].offset, expected[i]) << i;
}

TEST(ResolveGradient, ReadsColoursOpacityAndMidpoints) {
  const auto doc = SvgDocument::Parse(Svg(
      "<g color=\"#00ff00\"><radialGradient id=\"g\" stop-color=\"#0000ff\">"
      "<stop offset=\"0\" stop-color=\"rgba(255,0,0,0.5)\" stop-opacity=\"0.5\" data-midpoint=\"30\"/>"
      "<stop offset=\"0.5\" style=\"stop-color: currentColor; stop-opacity: 40%\" data-midpoint=\"120\"/>"
      "<stop offset=\"0.7\" stop-color=\"inherit\"/>"
      "<stop offset=\"1\" stop-color=\"device-cmyk(0 1 0 0)\"/>"
      "</radialGradient></g>"));
  const auto def = Resolve(doc, "g");
  EXPECT_EQ(def.type, GradientType::Radial);
  ASSERT_EQ(def.stops.size(), 4u);
  EXPECT_DOUBLE_EQ(def.stops[0].color.channels[0], 1.0);
  EXPECT_DOUBLE_EQ(def.stops[0].opacity, 0.25);  // colour alpha times stop-opacity
  EXPECT_DOUBLE_EQ(def.stops[0].midpoint, 30.0);
  EXPECT_DOUBLE_EQ(def.stops[1].color.channels[1], 1.0);
  EXPECT_DOUBLE_EQ(def.stops[1].opacity, 0.4);
  EXPECT_DOUBLE_EQ(def.stops[1].midpoint, 100.0);  // kept within percent
  EXPECT_DOUBLE_EQ(def.stops[2].color.channels[2], 1.0);
  EXPECT_DOUBLE_EQ(def.stops[2].midpoint, 50.0);
  EXPECT_EQ(def.stops[3].color.space, CssColor::Space::Cmyk);
}

TEST(ResolveGradient, TakesStopsAndEachAttributeThroughTheHrefChain) {
  const auto doc = SvgDocument::Parse(Svg(
      "<linearGradient id=\"base\" x1=\"0.1\" x2=\"0.9\" gradientUnits=\"userSpaceOnUse\">"
      "<stop offset=\"0\" stop-color=\"red\"/><stop offset=\"1\" stop-color=\"blue\"/></linearGradient>"
      "<linearGradient id=\"mid\" href=\"#base\" x1=\"0.2\" spreadMethod=\"reflect\"/>"
      "<linearGradient id=\"top\" xlink:href=\"#mid\" y2=\"0.5\"/>"));
  const auto def = Resolve(doc, "top");
  ASSERT_EQ(def.stops.size(), 2u);
  auto attribute = [&](const std::string& name) -> std::string {
    for (const auto& [n, v] : def.geometry)
      if (n == name) return v;
    return "(none)";
  };
  EXPECT_EQ(attribute("x1"), "0.2");
  EXPECT_EQ(attribute("x2"), "0.9");
  EXPECT_EQ(attribute("y2"), "0.5");
  EXPECT_EQ(attribute("y1"), "(none)");
  EXPECT_EQ(attribute("gradientUnits"), "userSpaceOnUse");
  EXPECT_EQ(attribute("spreadMethod"), "reflect");
}

TEST(ResolveGradient, OwnStopsWinOverTheReferencedOnes) {
  const auto doc = SvgDocument::Parse(Svg(
      "<linearGradient id=\"a\"><stop offset=\"0\"/><stop offset=\"1\"/><stop offset=\"1\"/></linearGradient>"
      "<linearGradient id=\"b\" href=\"#a\"><stop offset=\"0.5\"/></linearGradient>"));
  EXPECT_EQ(Resolve(doc, "b").stops.size(), 1u);
}

TEST(ResolveGradient, DrawsThroughBrokenReferencesAndColoursWithAWarning) {
  struct Case {
    const char* body;
    const char* warning;
    std::size_t stops;
    double red, opacity, midpoint;  // of the first stop, when there is one
  };
  const Case cases[] = {
      {"<linearGradient id=\"a\" href=\"#a\"/>", "href '#a' loops back", 0, 0, 0, 0},
      {"<linearGradient id=\"a\" href=\"#b\"/><radialGradient id=\"b\" xlink:href=\"#a\"/>", "loops back", 0, 0, 0, 0},
      // The chain is cut where it breaks; what came before it still counts.
      {"<linearGradient id=\"a\" href=\"#b\"/><linearGradient id=\"b\" href=\"#nowhere\">"
       "<stop stop-color=\"red\"/><stop/></linearGradient>", "href '#nowhere' refers to nothing", 2, 1, 1, 50},
      {"<linearGradient id=\"a\" href=\"#r\"><stop stop-color=\"red\"/><stop/></linearGradient><rect id=\"r\"/>",
       "<rect id='r'>, which is not a gradient", 2, 1, 1, 50},
      {"<linearGradient id=\"a\" href=\"other.svg#x\"/>", "not a reference within the document", 0, 0, 0, 0},
      // Invalid declarations are ignored: stop-color and stop-opacity take their initial values.
      {"<linearGradient id=\"a\"><stop stop-color=\"blurple\"/><stop/></linearGradient>", "stop-color 'blurple'", 2, 0, 1, 50},
      {"<linearGradient id=\"a\"><stop stop-color=\"red\" stop-opacity=\"lots\"/></linearGradient>", "stop-opacity 'lots'", 1, 1, 1, 50},
      {"<linearGradient id=\"a\"><stop stop-color=\"red\" style=\"stop-color:#qqq\" data-midpoint=\"NaN\"/></linearGradient>",
       "data-midpoint 'NaN'", 1, 1, 1, 50},
  };
  for (const Case& c : cases) {
    const auto doc = SvgDocument::Parse(Svg(c.body));
    Warnings warnings;
    Cascade cascade(doc, warnings);
    const auto def = ResolveGradient(doc, cascade, doc.FindById("a"), warnings);
    std::string all;
    for (const auto& w : warnings) all += w + "\n";
    EXPECT_NE(all.find(c.warning), std::string::npos) << c.body << " -> " << all;
    ASSERT_EQ(def.stops.size(), c.stops) << c.body;
    if (c.stops == 0) continue;
    EXPECT_EQ(def.stops[0].color.channels[0], c.red) << c.body;
    EXPECT_EQ(def.stops[0].opacity, c.opacity) << c.body;
    EXPECT_EQ(def.stops[0].midpoint, c.midpoint) << c.body;
  }
}

TEST(ResolveGradient, RefusesMoreStopsThanTheLimit) {
  std::string body = "<linearGradient id=\"a\">";
  for (int i = 0; i < 40; ++i) body += "<stop/>";
  body += "</linearGradient>";
  Limits limits;
  limits.maxStops = 39;
  const auto doc = SvgDocument::Parse(Svg(body), limits);
  EXPECT_THROW(Resolve(doc, "a"), SvgError);
  limits.maxStops = 40;
  EXPECT_EQ(Resolve(SvgDocument::Parse(Svg(body), limits), "a").stops.size(), 40u);
}

TEST(Paint, ParsesEveryKind) {
  EXPECT_EQ(ParsePaint("none")->kind, Paint::Kind::None);
  EXPECT_EQ(ParsePaint("currentColor")->kind, Paint::Kind::CurrentColor);
  EXPECT_EQ(ParsePaint("context-stroke")->kind, Paint::Kind::Context);
  const auto url = ParsePaint("url( '#grad' ) #ff0000");
  ASSERT_TRUE(url);
  EXPECT_EQ(url->kind, Paint::Kind::Url);
  EXPECT_EQ(url->id, "grad");
  EXPECT_EQ(url->fallback, "#ff0000");
  const auto solid = ParsePaint("hsl(240, 100%, 50%)");
  ASSERT_TRUE(solid);
  EXPECT_DOUBLE_EQ(solid->color.channels[2], 1.0);
  // Valid paints that refer to nothing in this document.
  EXPECT_EQ(ParsePaint("url(other.svg#g)")->id, "");
  EXPECT_EQ(ParsePaint("url(#)")->id, "");
  EXPECT_EQ(ParsePaint("url(#g")->id, "g");  // closed by the end of the value
  EXPECT_EQ(ParsePaint("url(\"#g\"")->id, "g");
  EXPECT_EQ(ParsePaint("url('#g")->id, "g");
  EXPECT_FALSE(ParsePaint("url('#g) red"));
  EXPECT_FALSE(ParsePaint("url(#g red"));
  EXPECT_FALSE(ParsePaint("url(#g) notacolour"));
  EXPECT_FALSE(ParsePaint("sparkly"));
  // SVG 1.1 ICC colours: the sRGB colour is drawn, in a fallback too.
  const auto icc = ParsePaint("#00F icc-color(acmecmyk, 0.11, 0.48, 0.83, 0.00)");
  ASSERT_TRUE(icc);
  EXPECT_EQ(icc->color.channels[2], 1.0);
  const auto iccFallback = ParsePaint("url(#g) green icc-color(p, 1)");
  ASSERT_TRUE(iccFallback);
  EXPECT_EQ(iccFallback->fallback, "green icc-color(p, 1)");
  EXPECT_FALSE(ParsePaint("#00f icc-color(p, 1"));
  EXPECT_FALSE(ParsePaint("icc-color(p, 1)"));
}

TEST(Paint, RewritesWhereTheElementDeclaresIt) {
  auto doc = SvgDocument::Parse(Svg(
      "<rect id=\"a\" fill=\"url(#g)\"/><rect id=\"b\" style=\"opacity: 1; fill: url(#g) red; stroke: none\"/>"
      "<rect id=\"c\"/><rect id=\"d\" class=\"s\" fill=\"red\" style=\"opacity: 1\"/><rect id=\"e\" class=\"s\"/>"));
  // A paint from a style sheet: a declaration of the element's own wins over
  // the rule, !important where the rule's was; the presentation attribute stays.
  using Where = PaintSource::Where;
  SetPaintUrl(doc.FindById("d"), "fill", "n4", "", PaintSource{Where::Sheet, true});
  SetPaintUrl(doc.FindById("e"), "stroke", "n5", "", PaintSource{Where::Sheet, false});
  EXPECT_STREQ(doc.FindById("d").attribute("style").value(), "fill:url(#n4) !important;opacity: 1");
  EXPECT_STREQ(doc.FindById("d").attribute("fill").value(), "red");
  EXPECT_STREQ(doc.FindById("e").attribute("style").value(), "stroke:url(#n5)");
  SetPaintUrl(doc.FindById("a"), "fill", "n1", "", PaintSource{Where::Attribute});
  SetPaintUrl(doc.FindById("b"), "fill", "n2", "red", PaintSource{Where::Style});
  SetPaintUrl(doc.FindById("c"), "stroke", "n3", "", PaintSource{});
  EXPECT_STREQ(doc.FindById("a").attribute("fill").value(), "url(#n1)");
  // The value alone is replaced: the text around it stays as written.
  EXPECT_STREQ(doc.FindById("b").attribute("style").value(), "opacity: 1; fill: url(#n2) red; stroke: none");
  EXPECT_FALSE(doc.FindById("b").attribute("fill"));
  EXPECT_STREQ(doc.FindById("c").attribute("stroke").value(), "url(#n3)");
}

TEST(GradientWriter, AddsANewElementAndLeavesTheSourceAlone) {
  auto doc = SvgDocument::Parse(Svg(
      "<defs><linearGradient id=\"base\" x1=\"0.25\" gradientTransform=\"rotate(45)\">"
      "<stop offset=\"0\" stop-color=\"red\"/><stop offset=\"1\" stop-color=\"blue\"/></linearGradient>"
      "<linearGradient id=\"g\" href=\"#base\" y1=\"0.5\"/></defs>"));
  const std::string before = doc.Serialize();
  const auto source = Resolve(doc, "g");
  const std::vector<RgbStop> stops = {{0.0, 1, 0, 0, 1, 30}, {0.5, 0.5, 0, 0.5, 0.25, 30}, {1.0, 0, 0, 1, 1, 50}};
  const std::string id = AddGradient(doc, source, GradientType::Linear, stops);
  EXPECT_NE(id, "g");
  EXPECT_NE(id, "base");

  // The document reads back with the same stops, midpoints and geometry.
  const auto reread = SvgDocument::Parse(doc.Serialize());
  const auto def = Resolve(reread, id.c_str());
  ASSERT_EQ(def.stops.size(), 3u);
  EXPECT_DOUBLE_EQ(def.stops[1].offset, 0.5);
  EXPECT_EQ(HexRgb(def.stops[1].color.channels[0], def.stops[1].color.channels[1], def.stops[1].color.channels[2]),
            "#800080");
  EXPECT_DOUBLE_EQ(def.stops[1].opacity, 0.25);
  EXPECT_DOUBLE_EQ(def.stops[0].midpoint, 30.0);
  EXPECT_DOUBLE_EQ(def.stops[2].midpoint, 50.0);
  std::vector<std::pair<std::string, std::string>> geometry(def.geometry.begin(), def.geometry.end());
  EXPECT_EQ(geometry, source.geometry);
  EXPECT_FALSE(reread.FindById(id.c_str()).attribute("href"));
  // The source elements are unchanged: removing the new one gives the input back.
  const pugi::xml_node added = doc.FindById("g").next_sibling();
  ASSERT_STREQ(added.attribute("id").value(), id.c_str());
  added.parent().remove_child(added);
  EXPECT_EQ(doc.Serialize(), before);
}

// One resolver for every gradient of a document: each gets what its own
// chain gives, the loop seen from itself on, and the same warnings a resolver
// of its own would give, in whatever order they are asked for.
TEST(GradientResolver, RemembersChainsButGivesEachGradientItsOwn) {
  const auto doc = SvgDocument::Parse(Svg(
      "<linearGradient id=\"s\" x1=\"9\"><stop stop-color=\"red\"/><stop/></linearGradient>"
      "<linearGradient id=\"a\" href=\"#b\" y2=\"1\"/><linearGradient id=\"b\" href=\"#c\" x2=\"2\"/>"
      "<linearGradient id=\"c\" href=\"#a\" x1=\"3\" y2=\"4\"><stop stop-color=\"blue\"/></linearGradient>"
      "<linearGradient id=\"t\" href=\"#u\"/><linearGradient id=\"u\" href=\"#b\" x2=\"5\"/>"
      "<linearGradient id=\"v\" href=\"#s\"/><linearGradient id=\"w\" href=\"#gone\"/>"
      "<linearGradient id=\"x\" href=\"#w\"/>"));
  struct Expected {
    const char* id;
    std::vector<std::pair<std::string, std::string>> geometry;
    std::size_t stops;
    const char* warning;  // empty for none
  };
  using G = std::vector<std::pair<std::string, std::string>>;
  const Expected expected[] = {
      {"b", G{{"x1", "3"}, {"x2", "2"}, {"y2", "4"}}, 1,
       "gradient 'b' (through <linearGradient id='a'>): href '#b' loops back into its own chain; the link is ignored"},
      {"t", G{{"x1", "3"}, {"x2", "5"}, {"y2", "4"}}, 1,
       "gradient 't' (through <linearGradient id='a'>): href '#b' loops back into its own chain; the link is ignored"},
      {"a", G{{"x1", "3"}, {"x2", "2"}, {"y2", "1"}}, 1,
       "gradient 'a' (through <linearGradient id='c'>): href '#a' loops back into its own chain; the link is ignored"},
      {"c", G{{"x1", "3"}, {"x2", "2"}, {"y2", "4"}}, 1,
       "gradient 'c' (through <linearGradient id='b'>): href '#c' loops back into its own chain; the link is ignored"},
      {"v", G{{"x1", "9"}}, 2, ""},
      {"x", G{}, 0,
       "gradient 'x' (through <linearGradient id='w'>): href '#gone' refers to nothing; the link is ignored"},
      {"w", G{}, 0, "gradient 'w': href '#gone' refers to nothing; the link is ignored"},
  };
  Warnings warnings;
  Cascade cascade(doc, warnings);
  GradientResolver resolver(doc, cascade, warnings);
  for (int round = 0; round < 2; ++round) {
    for (const Expected& e : expected) {
      SCOPED_TRACE(std::string(e.id) + " in round " + std::to_string(round));
      warnings.clear();
      const GradientDef def = resolver.Resolve(doc.FindById(e.id));
      EXPECT_EQ(def.geometry, e.geometry);
      EXPECT_EQ(def.stops.size(), e.stops);
      EXPECT_EQ(warnings, std::string(e.warning).empty() ? Warnings{} : Warnings{e.warning});
    }
  }
}

// A new gradient goes on a line of its own after its source, indented as
// the source; its stops each on a line, indented as the source's children
// (or a step deeper when the source has none); in the file's line ends.
TEST(GradientWriter, PutsTheNewGradientOnItsOwnLineIndentedLikeTheSource) {
  const std::vector<RgbStop> stops = {{0.0, 1, 0, 0, 1, 50}, {1.0, 0, 0, 1, 1, 50}};
  const std::string newStops =
      "<stop offset=\"0\" stop-color=\"#ff0000\" data-midpoint=\"50\"/>@"
      "<stop offset=\"1\" stop-color=\"#0000ff\" data-midpoint=\"50\"/>";
  const auto lines = [](std::string text, const std::string& breaks) {
    for (std::size_t at = 0; (at = text.find('@', at)) != std::string::npos; at += breaks.size())
      text.replace(at, 1, breaks);
    return text;
  };
  struct Case {
    const char* source;  // with '@' for each line break (and its indentation)
    std::string added;   // after the source's end, same
    const char* breaks;  // what '@' stands for
  };
  const Case cases[] = {
      {"<defs>@  <linearGradient id=\"g\">@    <stop/>@  </linearGradient>@</defs>",
       "@  <linearGradient id=\"g-evenhue-1\">@    " + lines(newStops, "@    ") + "@  </linearGradient>", "\n"},
      {"<defs>@\t<linearGradient id=\"g\" href=\"#h\"/>@</defs>",
       "@\t<linearGradient id=\"g-evenhue-1\">@\t\t" + lines(newStops, "@\t\t") + "@\t</linearGradient>", "\r\n"},
      {"<defs>@ <linearGradient id=\"g\" href=\"#h\"/>@</defs>",
       "@ <linearGradient id=\"g-evenhue-1\">@   " + lines(newStops, "@   ") + "@ </linearGradient>", "\r\n"},
      // Stops that share a line, or a source that shares its line: the same.
      {"<defs>@  <linearGradient id=\"g\"><stop/></linearGradient>@</defs>",
       "@  <linearGradient id=\"g-evenhue-1\">" + lines(newStops, "") + "</linearGradient>", "\n"},
      {"<defs><linearGradient id=\"g\" href=\"#h\"/></defs>",
       "<linearGradient id=\"g-evenhue-1\">" + lines(newStops, "") + "</linearGradient>", "\r\n"},
  };
  for (const Case& c : cases) {
    const std::string source = lines(c.source, c.breaks);
    SCOPED_TRACE(source);
    const std::string text = "<svg>" + source + "<linearGradient id=\"h\"/></svg>";
    auto doc = SvgDocument::Parse(text);
    const GradientDef def = ResolveGradient(doc, doc.FindById("g"));
    EXPECT_EQ(AddGradient(doc, def, GradientType::Linear, stops), "g-evenhue-1");
    std::string expected = text;
    const std::string end = doc.FindById("g").first_child() ? "</linearGradient>" : "/>";
    expected.insert(expected.find(end) + end.size(), lines(c.added, c.breaks));
    EXPECT_EQ(doc.Serialize(), expected);
  }
}

TEST(GradientWriter, NumbersReadBackExactly) {
  for (double v : {0.1, 1.0 / 3.0, 12.5, 1e-7, 0.0, -0.0, 100.0}) {
    const std::string text = ShortestText(v);
    EXPECT_EQ(std::stod(text), v) << text;
  }
  EXPECT_EQ(ShortestText(-0.0), "0");
}

}  // namespace
}  // namespace evenhue::svg

namespace evenhue::svg {
namespace {

// An approximation in <stop>s and the true two stops beside it, as design
// tools export them.
std::string RecordGradient(const std::string& record, const char* ns = "http://ns.adobe.com/AdobeSVGViewerExtensions/3.0/") {
  return std::string("<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:a=\"") + ns +
         "\"><linearGradient id=\"g\">"
         "<stop offset=\"0\" style=\"stop-color:#E8D776\"/><stop offset=\"0.4141\" style=\"stop-color:#B39949\"/>"
         "<stop offset=\"0.8085\" style=\"stop-color:#856422\"/>"
         "<stop offset=\"1\" style=\"stop-color:#734F13;stop-opacity:0.5\"/>" +
         record + "</linearGradient></svg>";
}

TEST(MidpointRecord, GivesTheTrueStopsWhenWellFormed) {
  const std::string good = "<a:midPointStop offset=\"0\" style=\"stop-color:#E8D776\"/>"
                           "<a:midPointStop offset=\"0.4551\" style=\"stop-color:#E8D776\"/>"
                           "<a:midPointStop offset=\"1\" style=\"stop-color:#734F13\"/>";
  struct Case {
    std::string body;
    std::size_t stops;     // 2: the record's, 4: the <stop>s'
    const char* warning;   // empty: none
    std::size_t others = 0;  // the cascade's warnings besides (invalid declarations)
  };
  const Case cases[] = {
      {RecordGradient(good), 2, ""},
      {RecordGradient(good, "urn:elsewhere"), 4, ""},  // same name, other namespace: not a record
      {RecordGradient("<a:midPointStop offset=\"0\"/><a:midPointStop offset=\"1\"/>"), 4, "2 entries"},
      {RecordGradient("<a:midPointStop offset=\"0.5\"/><a:midPointStop offset=\"0.5\"/><a:midPointStop offset=\"0.2\"/>"),
       4, "goes back"},
      {RecordGradient("<a:midPointStop offset=\"0\"/><a:midPointStop offset=\"1.5\"/><a:midPointStop offset=\"1\"/>"),
       4, "not a number within 0-1"},
      // A stop entry's colour is what the record is for: one that is not valid (or not there) would be black.
      {RecordGradient("<a:midPointStop offset=\"0\" style=\"stop-color:bogus\"/>"
                      "<a:midPointStop offset=\"0.4551\" style=\"stop-color:#E8D776\"/>"
                      "<a:midPointStop offset=\"1\" style=\"stop-color:#734F13\"/>"),
       4, "entry 1 has no valid stop-color", 1},
      {RecordGradient("<a:midPointStop offset=\"0\" style=\"stop-color:#E8D776\"/>"
                      "<a:midPointStop offset=\"0.4551\" style=\"stop-color:#E8D776\"/>"
                      "<a:midPointStop offset=\"1\"/>"),
       4, "entry 3 has no valid stop-color"},
  };
  for (const Case& c : cases) {
    const auto doc = SvgDocument::Parse(c.body);
    Warnings warnings;
    Cascade cascade(doc, warnings);
    const auto def = ResolveGradient(doc, cascade, doc.FindById("g"), warnings);
    ASSERT_EQ(def.stops.size(), c.stops) << c.body;
    EXPECT_EQ(def.fromRecord, c.stops == 2);
    if (*c.warning) {
      ASSERT_EQ(warnings.size(), 1 + c.others) << c.body;
      EXPECT_NE(warnings.back().find("midpoint record is malformed"), std::string::npos) << warnings.back();
      EXPECT_NE(warnings.back().find(c.warning), std::string::npos) << warnings.back();
    } else {
      EXPECT_TRUE(warnings.empty()) << c.body;
    }
  }
  const auto doc = SvgDocument::Parse(RecordGradient(good));
  const auto def = ResolveGradient(doc, doc.FindById("g"));
  EXPECT_DOUBLE_EQ(def.stops[0].midpoint, 45.51);
  EXPECT_EQ(def.stops[1].offset, 1.0);
  EXPECT_EQ(HexRgb(def.stops[1].color.channels[0], def.stops[1].color.channels[1], def.stops[1].color.channels[2]),
            "#734f13");
  EXPECT_EQ(def.stops[0].opacity, 1.0);
  EXPECT_EQ(def.stops[1].opacity, 0.5);  // from the <stop> at the same offset

  // A new gradient carries a record of its own, which reads back as its stops.
  auto written = SvgDocument::Parse(RecordGradient(good));
  const std::vector<RgbStop> stops = {{0.0, 1, 0, 0, 1, 30}, {0.5, 0, 1, 0, 0.25, 50}, {1.0, 0, 0, 1, 1, 50}};
  const std::string id = AddGradient(written, ResolveGradient(written, written.FindById("g")), GradientType::Linear, stops);
  const auto reread = SvgDocument::Parse(written.Serialize());
  const auto back = ResolveGradient(reread, reread.FindById(id.c_str()));
  ASSERT_TRUE(back.fromRecord);
  ASSERT_EQ(back.stops.size(), 3u);
  EXPECT_EQ(back.recordPrefix, "a:");
  EXPECT_EQ(back.stops[0].midpoint, 30.0);
  EXPECT_EQ(back.stops[1].offset, 0.5);
  EXPECT_EQ(back.stops[1].opacity, 0.25);
  EXPECT_EQ(back.stops[2].color.channels[2], 1.0);
}

// A new record is in the record's namespace however the source bound it: a
// prefix declared on the root or on each entry, or a default namespace on
// each entry; the new gradient itself stays in SVG's.
TEST(MidpointRecord, IsWrittenInTheRecordsNamespaceWhateverTheSourceCalledIt) {
  struct Case {
    const char* name;
    std::string entry;  // "{}" for the attributes
    const char* prefix;
  };
  const Case cases[] = {
      {"PrefixOnTheRoot", "<a:midPointStop {}/>", "a:"},
      {"PrefixOnEachEntry", "<i:midPointStop xmlns:i=\"http://ns.adobe.com/AdobeSVGViewerExtensions/3.0/\" {}/>", "i:"},
      {"DefaultNamespaceOnEachEntry",
       "<midPointStop xmlns=\"http://ns.adobe.com/AdobeSVGViewerExtensions/3.0/\" {}/>", ""},
  };
  const char* entries[] = {"offset=\"0\" style=\"stop-color:#E8D776\"", "offset=\"0.4551\" style=\"stop-color:#E8D776\"",
                           "offset=\"1\" style=\"stop-color:#734F13\""};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string record;
    for (const char* attributes : entries) {
      std::string entry = c.entry;
      entry.replace(entry.find("{}"), 2, attributes);
      record += entry;
    }
    auto document = SvgDocument::Parse(RecordGradient(record));
    const GradientDef source = ResolveGradient(document, document.FindById("g"));
    ASSERT_TRUE(source.fromRecord);
    const std::vector<RgbStop> stops = {{0.0, 1, 0, 0, 1, 30}, {1.0, 0, 0, 1, 1, 50}};
    const std::string id = AddGradient(document, source, GradientType::Linear, stops);
    const auto reread = SvgDocument::Parse(document.Serialize());
    const pugi::xml_node gradient = reread.FindById(id.c_str());
    EXPECT_EQ(NamespaceOf(gradient), "http://www.w3.org/2000/svg");
    const auto back = ResolveGradient(reread, gradient);
    ASSERT_TRUE(back.fromRecord) << document.Serialize();
    EXPECT_EQ(back.recordPrefix, c.prefix);
    ASSERT_EQ(back.stops.size(), 2u);
    EXPECT_EQ(back.stops[0].midpoint, 30.0);
    EXPECT_EQ(back.stops[1].color.channels[2], 1.0);
  }
}

}  // namespace
}  // namespace evenhue::svg
