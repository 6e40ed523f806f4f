#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/document.hpp"
#include "svg_host/host_binding.hpp"
#include "svg/svg_document.hpp"
#include "tests/svg_host/stand_in_plugin.hpp"

namespace evenhue::svg {
namespace {

std::string Svg(const std::string& body) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\">" + body + "</svg>";
}

const char kGradients[] =
    "<defs><linearGradient id=\"lin\" x1=\"0\" x2=\"1\"><stop offset=\"0\" stop-color=\"#0000ff\" data-midpoint=\"25\"/>"
    "<stop offset=\"1\" stop-color=\"#ffff00\" stop-opacity=\"0.5\"/></linearGradient>"
    "<radialGradient id=\"rad\" cx=\"0.4\"><stop offset=\"0.2\" stop-color=\"device-cmyk(1 0 0 0)\"/>"
    "<stop offset=\"0.8\" stop-color=\"white\"/></radialGradient>"
    "<pattern id=\"pat\"/></defs>";

std::vector<std::int16_t> ChildTypes(const host::Document& doc, hostapi::ArtHandle art) {
  std::vector<std::int16_t> types;
  for (auto child : doc.children(art)) types.push_back(*doc.artType(child));
  return types;
}

TEST(SubpathCount, CountsMovetoCommands) {
  EXPECT_EQ(SubpathCount(""), 0u);
  EXPECT_EQ(SubpathCount("M0 0L1 1Z"), 1u);
  EXPECT_EQ(SubpathCount("M0 0L1 1Z m 2 2 l 1 1z"), 2u);
  EXPECT_EQ(SubpathCount("M0,0 1e2,3"), 1u);
}

TEST(BindDocument, MapsElementsToArtTypes) {
  // Containers that draw their content are groups; clip paths, masks and
  // foreign objects are other art whose content is left alone.
  const auto doc = SvgDocument::Parse(Svg(
      "<rect/><circle/><ellipse/><line/><polyline/><polygon/><path d=\"M0 0H1\"/><path d=\"M0 0H1M2 2H3\"/>"
      "<text>x</text><use/><image/><g><rect/><g><path d=\"M0 0\"/></g></g>"
      "<switch><rect/><foreignObject><rect/></foreignObject></switch><a><circle/></a><clipPath><rect/></clipPath>"
      "<defs><symbol><rect/></symbol></defs><svg><rect/></svg><pattern><rect/></pattern><marker><rect/></marker>"
      "<mask><rect/></mask>"));
  host::Document hostDoc;
  const auto binding = BindDocument(doc, hostDoc);
  ASSERT_EQ(binding.inputs.size(), 1u);
  const auto root = binding.inputs[0];
  EXPECT_EQ(*hostDoc.artType(root), hostapi::kArtGroup);
  EXPECT_EQ(hostDoc.parent(root), nullptr);
  const std::int16_t other = host::kArtOther;
  const std::vector<std::int16_t> expected = {2, 2, 2, 2, 2, 2, 2, 3, 1, other, other, 1,
                                              1, 1, other, 1, 1, 1, 1, other};
  EXPECT_EQ(ChildTypes(hostDoc, root), expected);
  const auto children = hostDoc.children(root);
  EXPECT_EQ(ChildTypes(hostDoc, children[8]), (std::vector<std::int16_t>{2}));  // the text's own paint
  const auto group = children[11];
  EXPECT_EQ(ChildTypes(hostDoc, group), (std::vector<std::int16_t>{2, 1}));
  EXPECT_EQ(ChildTypes(hostDoc, hostDoc.children(group).back()), (std::vector<std::int16_t>{2}));
  EXPECT_EQ(ChildTypes(hostDoc, children[12]), (std::vector<std::int16_t>{2, other}));
  EXPECT_EQ(ChildTypes(hostDoc, hostDoc.children(children[15])[0]), (std::vector<std::int16_t>{2}));  // defs > symbol
  for (std::size_t i : {13, 16, 17, 18}) EXPECT_EQ(ChildTypes(hostDoc, children[i]), (std::vector<std::int16_t>{2})) << i;
  EXPECT_TRUE(hostDoc.children(children[14]).empty());
  EXPECT_TRUE(hostDoc.children(children[19]).empty());
  EXPECT_EQ(binding.artCount, 33u);
}

TEST(BindDocument, ResolvesPaintsWithInheritance) {
  const auto doc = SvgDocument::Parse(Svg(std::string(kGradients) +
                                          "<g fill=\"url(#lin)\" stroke=\"red\" color=\"#00ff00\">"
                                          "<rect id=\"a\"/><rect id=\"b\" style=\"fill: none; stroke: currentColor\"/>"
                                          "<rect id=\"c\" fill=\"inherit\" stroke=\"url(#rad)\"/>"
                                          "<rect id=\"d\" fill=\"url(#pat)\" stroke=\"device-cmyk(0 0 0 1)\"/></g>"
                                          "<rect id=\"e\"/>"));
  host::Document hostDoc;
  const auto binding = BindDocument(doc, hostDoc);
  ASSERT_EQ(binding.gradientArt.size(), 2u);  // a and c
  ASSERT_EQ(binding.gradients.size(), 2u);

  const auto root = binding.inputs[0];
  const auto top = hostDoc.children(root);  // defs, g, rect e
  ASSERT_EQ(top.size(), 3u);
  const auto shapes = hostDoc.children(top[1]);
  ASSERT_EQ(shapes.size(), 4u);
  const auto a = *hostDoc.pathStyle(shapes[0]);
  EXPECT_TRUE(a.fillPaint);
  EXPECT_EQ(a.fillColor.kind, hostapi::kColorGradient);
  EXPECT_EQ(a.fillColor.body.gradient.gradient, binding.gradients[0].handle);
  EXPECT_TRUE(a.strokePaint);
  EXPECT_EQ(a.strokeColor.kind, hostapi::kColorThree);
  EXPECT_DOUBLE_EQ(a.strokeColor.body.rgb.red, 1.0);

  const auto b = *hostDoc.pathStyle(shapes[1]);
  EXPECT_FALSE(b.fillPaint);
  EXPECT_DOUBLE_EQ(b.strokeColor.body.rgb.green, 1.0);  // currentColor from the group

  const auto c = *hostDoc.pathStyle(shapes[2]);
  EXPECT_EQ(c.fillColor.body.gradient.gradient, binding.gradients[0].handle);  // shared: one host gradient
  EXPECT_EQ(c.strokeColor.body.gradient.gradient, binding.gradients[1].handle);

  const auto d = *hostDoc.pathStyle(shapes[3]);
  EXPECT_EQ(d.fillColor.kind, kOtherPaintKind);
  EXPECT_EQ(d.strokeColor.kind, hostapi::kColorProcess);
  EXPECT_DOUBLE_EQ(d.strokeColor.body.process.black, 1.0);

  const auto e = *hostDoc.pathStyle(top[2]);
  EXPECT_TRUE(e.fillPaint);  // the initial fill is black
  EXPECT_EQ(e.fillColor.kind, hostapi::kColorThree);
  EXPECT_DOUBLE_EQ(e.fillColor.body.rgb.red + e.fillColor.body.rgb.green + e.fillColor.body.rgb.blue, 0.0);
  EXPECT_FALSE(e.strokePaint);
}

TEST(BindDocument, GivesTheHostTheResolvedStops) {
  const auto doc = SvgDocument::Parse(Svg(std::string(kGradients) + "<rect fill=\"url(#lin)\" stroke=\"url(#rad)\"/>"));
  host::Document hostDoc;
  const auto binding = BindDocument(doc, hostDoc);
  const auto lin = hostDoc.stops(binding.gradients[0].handle);
  ASSERT_EQ(lin.size(), 2u);
  EXPECT_EQ(*hostDoc.gradientType(binding.gradients[0].handle), 0);
  EXPECT_DOUBLE_EQ(lin[0].midPoint, 25.0);
  EXPECT_DOUBLE_EQ(lin[1].rampPoint, 100.0);
  EXPECT_DOUBLE_EQ(lin[1].opacity, 0.5);
  EXPECT_EQ(lin[1].color.kind, hostapi::kColorThree);
  const auto rad = hostDoc.stops(binding.gradients[1].handle);
  EXPECT_EQ(*hostDoc.gradientType(binding.gradients[1].handle), 1);
  EXPECT_DOUBLE_EQ(rad[0].rampPoint, 20.0);
  EXPECT_EQ(rad[0].color.kind, hostapi::kColorProcess);
  EXPECT_DOUBLE_EQ(rad[0].color.body.process.cyan, 1.0);
}

TEST(BindDocument, SelectedElementsAreTheInputs) {
  const auto doc = SvgDocument::Parse(Svg("<g id=\"one\"><rect/></g><text id=\"two\"><tspan/></text><rect id=\"three\"/>"));
  host::Document hostDoc;
  const auto binding = BindDocument(doc, hostDoc, {"two", "one", "three"});
  ASSERT_EQ(binding.inputs.size(), 3u);
  EXPECT_EQ(*hostDoc.artType(binding.inputs[0]), hostapi::kArtGroup);
  EXPECT_EQ(ChildTypes(hostDoc, binding.inputs[0]), (std::vector<std::int16_t>{2, 1}));  // its paint, the tspan
  EXPECT_EQ(*hostDoc.artType(binding.inputs[1]), hostapi::kArtGroup);
  EXPECT_EQ(*hostDoc.artType(binding.inputs[2]), hostapi::kArtPath);
  for (auto input : binding.inputs) EXPECT_EQ(hostDoc.parent(input), nullptr);
  EXPECT_THROW(BindDocument(doc, hostDoc, {"missing"}), SvgError);
}

TEST(BindDocument, DrawsThroughUnusablePaintsWithAWarning) {
  struct Case {
    const char* body;
    const char* warning;
    std::int32_t fillKind;  // of the rect's host fill; 0 for none
    double blue;            // of an RGB fill
  };
  const Case cases[] = {
      {"<rect fill=\"url(#nowhere)\"/>", "'url(#nowhere)' refers to nothing; left as it is", 0, 0},
      {"<rect fill=\"url(#nowhere) blue\"/>", "its fallback drawn", hostapi::kColorThree, 1},
      {"<rect fill=\"url(#r)\"/><circle id=\"r\"/>", "<circle id='r'>, which is not a gradient", kOtherPaintKind, 0},
      // An invalid declaration is ignored: the inherited value or the initial black applies.
      {"<g fill=\"blue\"><rect fill=\"sparkly\"/></g>", "fill 'sparkly' (attribute) is not a paint", hostapi::kColorThree, 1},
      {"<rect style=\"fill:#12\"/>", "fill '#12' (style) is not a paint", hostapi::kColorThree, 0},
      {"<g color=\"blue\"><rect color=\"bad\" fill=\"currentColor\"/></g>", "color 'bad'", hostapi::kColorThree, 1},
      {"<rect fill=\"blue icc-color(acme, 0.1)\"/>", "", hostapi::kColorThree, 1},
  };
  for (const Case& c : cases) {
    host::Document hostDoc;
    const auto doc = SvgDocument::Parse(Svg(c.body));
    const auto binding = BindDocument(doc, hostDoc);
    std::string all;
    for (const auto& w : binding.warnings) all += w + "\n";
    if (*c.warning) EXPECT_NE(all.find(c.warning), std::string::npos) << c.body << " -> " << all;
    else EXPECT_EQ(all, "") << c.body;
    auto art = hostDoc.children(binding.inputs[0])[0];
    if (*hostDoc.artType(art) == hostapi::kArtGroup) art = hostDoc.children(art)[0];
    const auto style = *hostDoc.pathStyle(art);
    EXPECT_EQ(style.fillPaint ? style.fillColor.kind : 0, c.fillKind) << c.body;
    if (c.fillKind == hostapi::kColorThree) {
      EXPECT_EQ(style.fillColor.body.rgb.blue, c.blue) << c.body;
    }
  }
}

TEST(BindDocument, DeepNestingNeedsNoRecursion) {
  std::string body;
  for (int i = 0; i < 100'000; ++i) body += "<g>";
  body += "<rect fill=\"url(#lin)\"/>";
  for (int i = 0; i < 100'000; ++i) body += "</g>";
  const auto doc = SvgDocument::Parse(Svg(std::string(kGradients) + body));
  host::Document hostDoc;
  const auto binding = BindDocument(doc, hostDoc);
  EXPECT_EQ(binding.gradientArt.size(), 1u);
}

// <use> elements that each draw two of the level below would draw 2^30
// copies: drawing stops at the bound, with one warning.
TEST(BindDocument, UseChainsAreBounded) {
  std::string body = "<g id=\"l0\"><rect fill=\"url(#lin)\"/></g>";
  for (int i = 1; i <= 30; ++i) {
    const std::string below = "#l" + std::to_string(i - 1);
    body += "<g id=\"l" + std::to_string(i) + "\"><use href=\"" + below + "\"/><use href=\"" + below + "\"/></g>";
  }
  const auto doc = SvgDocument::Parse(Svg(std::string(kGradients) + body));
  host::Document hostDoc;
  const auto binding = BindDocument(doc, hostDoc);
  EXPECT_LE(binding.artCount, 2 * 100'000u + 200u);
  ASSERT_FALSE(binding.warnings.empty());
  EXPECT_NE(binding.warnings[0].find("what it draws is left partly alone: <use> elements draw more than 100000 elements"),
            std::string::npos) << binding.warnings[0];
  EXPECT_EQ(binding.warnings.size(), 1u);
}

// Stands in for the plug-in: gives every gradient paint a new gradient.
void RespaceEverything(host::Document& hostDoc, const Binding& binding) {
  RespacePaints(hostDoc, binding, [] {
    return std::vector<hostapi::HostGradientStop>{
        host::MakeStop(0, host::RgbColor(0, 0, 1), 25, 1), host::MakeStop(50, host::RgbColor(0.5, 0.5, 0.5), 40, 0.75),
        host::MakeStop(100, host::RgbColor(1, 1, 0), 50, 0.5)};
  });
}

TEST(WriteBack, PointsEachRewrittenPaintAtANewGradientSharedByEqualOnes) {
  auto doc = SvgDocument::Parse(Svg(std::string(kGradients) +
                                    "<rect id=\"a\" fill=\"url(#lin)\"/><g fill=\"url(#lin)\"><rect id=\"b\"/></g>"
                                    "<circle id=\"c\" style=\"stroke:url(#rad)\" fill=\"none\"/><rect id=\"d\" fill=\"url(#lin)\"/>"));
  host::Document hostDoc;
  const auto binding = BindDocument(doc, hostDoc);
  RespaceEverything(hostDoc, binding);
  // "d" is left alone, as the plug-in leaves gradients it cannot re-space.
  const auto dArt = binding.gradientArt.back().art;
  hostDoc.setPathStyle(dArt, host::MakePathStyle(host::GradientColor(binding.gradients[0].handle), std::nullopt));

  Warnings warnings;
  const auto rewrites = WriteBack(doc, hostDoc, binding, warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("<rect id='d'>: fill gradient 'lin' (2 stops) was left alone"), std::string::npos) << warnings[0];
  ASSERT_EQ(rewrites.size(), 3u);
  const auto reread = SvgDocument::Parse(doc.Serialize());
  EXPECT_STREQ(reread.FindById("d").attribute("fill").value(), "url(#lin)");
  // "a" and "b" share their source and got the same stops: one new gradient
  // serves both; "c" has another source and a type of its own.
  EXPECT_EQ(rewrites[0].newId, rewrites[1].newId);
  EXPECT_NE(rewrites[0].newId, rewrites[2].newId);
  std::size_t gradients = 0;
  for (pugi::xml_node n : reread.FindById("lin").parent().children()) gradients += IsGradientElement(n);
  EXPECT_EQ(gradients, 4u) << "lin, rad and one new gradient for each";
  const char* painted[] = {"a", "b", "c"};
  for (std::size_t i = 0; i < 3; ++i) {
    // b's paint is the group's, which it alone inherits: the group's is rewritten.
    const auto element = i == 1 ? reread.FindById(painted[i]).parent() : reread.FindById(painted[i]);
    const std::string value = i == 2 ? std::string(element.attribute("style").value())
                                     : std::string(element.attribute("fill").value());
    EXPECT_NE(value.find("url(#" + rewrites[i].newId + ")"), std::string::npos) << value;
    const auto def = ResolveGradient(reread, reread.FindById(rewrites[i].newId));
    ASSERT_EQ(def.stops.size(), 3u);
    EXPECT_DOUBLE_EQ(def.stops[0].midpoint, 25.0);
    EXPECT_DOUBLE_EQ(def.stops[1].midpoint, 40.0);
    EXPECT_DOUBLE_EQ(def.stops[1].opacity, 0.75);
    EXPECT_DOUBLE_EQ(def.stops[1].offset, 0.5);
  }
  EXPECT_EQ(LocalName(reread.FindById(rewrites[2].newId)), "radialGradient");
  EXPECT_STREQ(reread.FindById(rewrites[2].newId).attribute("cx").value(), "0.4");
  // The sources are kept as they were.
  EXPECT_EQ(ResolveGradient(reread, reread.FindById("lin")).stops.size(), 2u);
  EXPECT_EQ(ResolveGradient(reread, reread.FindById("rad")).stops.size(), 2u);
}

// Asked to share alike art, the host paints only the first of the siblings
// of one type with the same gradients: the others take its result, while a
// shape of another parent or another pair of paints is painted as its own.
TEST(WriteBack, AlikeSiblingsTakeTheResultOfTheFirst) {
  auto doc = SvgDocument::Parse(Svg(std::string(kGradients) +
                                    "<rect id=\"a\" fill=\"url(#lin)\"/><rect id=\"b\" fill=\"url(#lin)\"/>"
                                    "<rect id=\"c\" fill=\"url(#lin)\" stroke=\"url(#rad)\"/>"
                                    "<g><rect id=\"d\" fill=\"url(#lin)\"/></g>"));
  host::Document hostDoc;
  const auto binding = BindDocument(doc, hostDoc, {}, /*shareAlike=*/true);
  ASSERT_EQ(binding.gradientArt.size(), 4u);
  const auto& art = binding.gradientArt;
  EXPECT_EQ(art[1].styleOf, art[0].art);
  EXPECT_EQ(hostDoc.pathStyle(art[1].art)->fillPaint, 0);
  for (std::size_t i : {0u, 2u, 3u}) EXPECT_EQ(art[i].styleOf, nullptr) << i;
  RespaceEverything(hostDoc, binding);
  Warnings warnings;
  const auto rewrites = WriteBack(doc, hostDoc, binding, warnings);
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(rewrites.size(), 5u);
  EXPECT_EQ(rewrites[1].element, doc.FindById("b"));
  EXPECT_EQ(rewrites[1].newId, rewrites[0].newId);
  const auto reread = SvgDocument::Parse(doc.Serialize());
  EXPECT_EQ(std::string(reread.FindById("b").attribute("fill").value()), "url(#" + rewrites[0].newId + ")");
}

// The filter is asked about every changed paint in document order, each
// numbered (Rewrite::asked); what it refuses is missing from the rewrites,
// which keep their numbers. Paints given one host gradient share its stops.
TEST(WriteBack, NumbersThePaintsAskedAboutAndSharesTheStopsOfOneHostGradient) {
  auto doc = SvgDocument::Parse(Svg(std::string(kGradients) +
                                    "<rect id=\"a\" fill=\"url(#lin)\"/><rect id=\"b\" fill=\"url(#lin)\"/>"
                                    "<rect id=\"c\" fill=\"url(#lin)\" stroke=\"url(#rad)\"/>"));
  host::Document hostDoc;
  const auto binding = BindDocument(doc, hostDoc, {}, /*shareAlike=*/true);
  RespaceEverything(hostDoc, binding);
  std::vector<std::pair<std::string, std::size_t>> asked;  // element id, number
  std::vector<const void*> stops;
  const RewriteFilter refuseB = [&](const Rewrite& r, const BoundGradient&) {
    asked.emplace_back(r.element.attribute("id").value(), r.asked);
    stops.push_back(r.stops.get());
    return asked.back().first != "b";
  };
  Warnings warnings;
  const auto rewrites = WriteBack(doc, hostDoc, binding, warnings, refuseB);
  const std::vector<std::pair<std::string, std::size_t>> expected = {{"a", 0}, {"b", 1}, {"c", 2}, {"c", 3}};
  EXPECT_EQ(asked, expected);
  ASSERT_EQ(rewrites.size(), 3u);
  EXPECT_EQ(rewrites[0].asked, 0u);
  EXPECT_EQ(rewrites[1].asked, 2u);
  EXPECT_EQ(rewrites[2].asked, 3u);
  ASSERT_EQ(stops.size(), 4u);
  EXPECT_EQ(stops[0], stops[1]) << "b takes a's result";
  EXPECT_NE(stops[0], stops[2]);
  EXPECT_NE(stops[2], stops[3]);
  EXPECT_EQ(rewrites[0].stops->size(), 3u);
}

}  // namespace
}  // namespace evenhue::svg
