#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

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

std::string ErrorOf(const std::string& body, const char* id) {
  const auto doc = SvgDocument::Parse(Svg(body));
  try {
    Resolve(doc, id);
  } catch (const SvgError& e) {
    return e.what();
  }
  return "";
}

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

TEST(ResolveGradient, RefusesBrokenReferencesAndColours) {
  struct Case {
    const char* body;
    const char* id;
    const char* message;
  };
  const Case cases[] = {
      {"<linearGradient id=\"a\" href=\"#a\"/>", "a", "loops back to 'a'"},
      {"<linearGradient id=\"a\" href=\"#b\"/><radialGradient id=\"b\" xlink:href=\"#a\"/>", "a", "loops back"},
      {"<linearGradient id=\"a\" href=\"#nowhere\"/>", "a", "does not exist"},
      {"<linearGradient id=\"a\" href=\"#r\"/><rect id=\"r\"/>", "a", "is not a gradient"},
      {"<linearGradient id=\"a\" href=\"other.svg#x\"/>", "a", "not a reference within the document"},
      {"<linearGradient id=\"a\"><stop stop-color=\"blurple\"/></linearGradient>", "a", "stop 1: stop-color 'blurple'"},
      {"<linearGradient id=\"a\"><stop/><stop stop-opacity=\"lots\"/></linearGradient>", "a", "stop 2: stop-opacity"},
      {"<linearGradient id=\"a\"><stop data-midpoint=\"NaN\"/></linearGradient>", "a", "data-midpoint 'NaN'"},
  };
  for (const Case& c : cases) {
    const std::string error = ErrorOf(c.body, c.id);
    EXPECT_NE(error.find(c.message), std::string::npos) << c.body << " -> '" << error << "'";
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

TEST(Paint, StyleWinsOverThePresentationAttribute) {
  const auto doc = SvgDocument::Parse(Svg(
      "<rect id=\"r\" fill=\"red\" style=\"stroke: blue; fill: green !important; fill:url(#x)\"/>"
      "<rect id=\"s\" fill=\" red \"/><rect id=\"t\"/>"));
  EXPECT_EQ(DeclaredValue(doc.FindById("r"), "fill"), "url(#x)");  // the last declaration
  EXPECT_EQ(DeclaredValue(doc.FindById("r"), "stroke"), "blue");
  EXPECT_EQ(DeclaredValue(doc.FindById("s"), "fill"), "red");
  EXPECT_FALSE(DeclaredValue(doc.FindById("t"), "fill").has_value());
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
  EXPECT_FALSE(ParsePaint("url(other.svg#g)"));
  EXPECT_FALSE(ParsePaint("url(#g) notacolour"));
  EXPECT_FALSE(ParsePaint("sparkly"));
}

TEST(Paint, RewritesWhereTheElementDeclaresIt) {
  auto doc = SvgDocument::Parse(Svg(
      "<rect id=\"a\" fill=\"url(#g)\"/><rect id=\"b\" style=\"opacity: 1; fill: url(#g) red; stroke: none\"/>"
      "<rect id=\"c\"/>"));
  SetPaintUrl(doc.FindById("a"), "fill", "n1", "");
  SetPaintUrl(doc.FindById("b"), "fill", "n2", "red");
  SetPaintUrl(doc.FindById("c"), "stroke", "n3", "");
  EXPECT_STREQ(doc.FindById("a").attribute("fill").value(), "url(#n1)");
  EXPECT_STREQ(doc.FindById("b").attribute("style").value(), "opacity: 1; fill:url(#n2) red; stroke: none");
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

TEST(GradientWriter, NumbersReadBackExactly) {
  for (double v : {0.1, 1.0 / 3.0, 12.5, 1e-7, 0.0, -0.0, 100.0}) {
    const std::string text = ShortestText(v);
    EXPECT_EQ(std::stod(text), v) << text;
  }
  EXPECT_EQ(ShortestText(-0.0), "0");
}

}  // namespace
}  // namespace evenhue::svg
