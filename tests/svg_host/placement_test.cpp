// Where a new paint is written: the cascade decides which declaration paints
// each shape, and the rewrite must win exactly where that one won. Each
// expected text below is what a browser needs to see to paint the new
// gradient where it painted the old one (worked out from the CSS cascade
// rules, not from this code).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "host/document.hpp"
#include "svg_host/host_binding.hpp"
#include "svg/svg_document.hpp"
#include "tests/svg_host/stand_in_plugin.hpp"

namespace evenhue::svg {
namespace {

// Two-stop gradients R, B and G.
const char kGradients[] =
    "<defs><linearGradient id=\"R\"><stop offset=\"0\" stop-color=\"#f00\"/><stop offset=\"1\" stop-color=\"#00f\"/>"
    "</linearGradient><linearGradient id=\"B\"><stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" "
    "stop-color=\"#0f0\"/></linearGradient><linearGradient id=\"G\"><stop offset=\"0\" stop-color=\"#ff0\"/>"
    "<stop offset=\"1\" stop-color=\"#0ff\"/></linearGradient></defs>";

struct Expect {
  const char* id;         // of the element looked at
  const char* attribute;
  const char* value;      // null: the element has no such attribute
};

struct PlacementCase {
  const char* name;
  const char* doctype;  // written before the root
  const char* body;     // inside <svg>, after the gradients
  bool distinct;        // each painted art gets different stops (else the same ones)
  std::vector<Expect> expect;
  std::vector<std::string> warnings;  // binding and write-back, exactly
  std::size_t newGradients;           // gradient elements added to the document
};

void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.name; }

// Stands in for the plug-in: a new three-stop gradient for every gradient
// paint, the middle stop placed by `distinct` per paint.
void Respace(host::Document& hostDoc, const Binding& binding, bool distinct) {
  double middle = 0.3;
  RespacePaints(hostDoc, binding, [&] {
    std::vector<hostapi::HostGradientStop> stops = {host::MakeStop(0, host::RgbColor(0, 0, 1), 50, 1),
                                                    host::MakeStop(100 * middle, host::RgbColor(0.5, 0.5, 0.5), 50, 1),
                                                    host::MakeStop(100, host::RgbColor(1, 1, 0), 50, 1)};
    if (distinct) middle += 0.01;
    return stops;
  });
}

std::size_t CountNewGradients(pugi::xml_node root) {
  return root.select_nodes("//*[contains(@id, '-evenhue-')]").size();
}

class PlacesTheNewPaint : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacesTheNewPaint, WhereTheOldOneWon) {
  const PlacementCase& c = GetParam();
  auto doc = SvgDocument::Parse(std::string(c.doctype) +
                                "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">" +
                                kGradients + c.body + "</svg>");
  host::Document hostDoc;
  Binding binding = BindDocument(doc, hostDoc);
  Respace(hostDoc, binding, c.distinct);
  Warnings warnings = binding.warnings;
  WriteBack(doc, hostDoc, binding, warnings);
  const auto reread = SvgDocument::Parse(doc.Serialize());
  for (const Expect& e : c.expect) {
    const pugi::xml_node element = reread.FindById(e.id);
    ASSERT_TRUE(element) << e.id;
    const pugi::xml_attribute a = element.attribute(e.attribute);
    if (!e.value) EXPECT_FALSE(a) << e.id << " " << e.attribute << "=\"" << a.value() << "\"";
    else EXPECT_STREQ(a.value(), e.value) << e.id << " " << e.attribute;
  }
  EXPECT_EQ(warnings, c.warnings);
  EXPECT_EQ(CountNewGradients(reread.Root()), c.newGradients);
}

const std::string kBogusStyle = "<rect id='x'>: fill 'bogus' (style) is not a paint; the declaration is ignored";

INSTANTIATE_TEST_SUITE_P(
    Cascade, PlacesTheNewPaint,
    ::testing::Values(
        // 1. A sheet for print media does not apply on screen: the attribute paints.
        PlacementCase{"PrintSheetIgnored", "",
                      "<style media=\"print\">rect{fill:url(#R)}</style><rect id=\"x\" fill=\"url(#B)\"/>", false,
                      {{"x", "fill", "url(#B-evenhue-1)"}, {"x", "style", nullptr}}, {}, 1},
        PlacementCase{"ScreenSheetApplies", "",
                      "<style media=\"screen, print\">rect{fill:url(#R)}</style><rect id=\"x\" fill=\"url(#B)\"/>",
                      false, {{"x", "fill", "url(#B)"}, {"x", "style", "fill:url(#R-evenhue-1)"}}, {}, 1},
        // 2. An !important sheet rule beats the style attribute: the new one must be !important too.
        PlacementCase{"ImportantSheetOverStyle", "",
                      "<style>rect{fill:url(#R)!important}</style><rect id=\"x\" style=\"fill:red\"/>", false,
                      {{"x", "style", "fill:url(#R-evenhue-1) !important"}}, {}, 1},
        // 3. The winning (!important) declaration is replaced, not the later losing one.
        PlacementCase{"ImportantStyleDeclarationReplaced", "",
                      "<rect id=\"x\" style=\"fill:url(#G) !important; fill:blue\"/>", false,
                      {{"x", "style", "fill:url(#G-evenhue-1) !important; fill:blue"}}, {}, 1},
        // 4. Comments in the style attribute: the declaration is still found, the comments kept.
        PlacementCase{"StyleWithComments", "",
                      "<rect id=\"x\" style=\"fill:url(#G);/*c*/stroke:url(#G)/*d*/;stroke-width:4\"/>", false,
                      {{"x", "style", "fill:url(#G-evenhue-1);/*c*/stroke:url(#G-evenhue-1)/*d*/;stroke-width:4"},
                       {"x", "fill", nullptr},
                       {"x", "stroke", nullptr}},
                      {}, 1},
        PlacementCase{"StyleStartingWithAComment", "", "<rect id=\"x\" style=\"/* x */ fill:url(#G)\"/>", false,
                      {{"x", "style", "/* x */ fill:url(#G-evenhue-1)"}, {"x", "fill", nullptr}}, {}, 1},
        // 5. inherit and unset from a sheet: the declaring group, whose only shape inherits it, is rewritten.
        PlacementCase{"SheetInheritRewritesTheGroup", "",
                      "<style>g{fill:url(#R)} rect{fill:inherit}</style><g id=\"g\"><rect id=\"x\"/></g>", false,
                      {{"g", "style", "fill:url(#R-evenhue-1)"}, {"x", "fill", nullptr}, {"x", "style", nullptr}},
                      {}, 1},
        PlacementCase{"SheetUnsetRewritesTheGroup", "",
                      "<style>g{fill:url(#R)} rect{fill:unset}</style><g id=\"g\"><rect id=\"x\"/></g>", false,
                      {{"g", "style", "fill:url(#R-evenhue-1)"}, {"x", "style", nullptr}}, {}, 1},
        // Shapes inheriting one declaration, given different gradients: each its own,
        // beating the sheet's inherit (!important where that was).
        PlacementCase{"InheritedButDifferentPerShape", "",
                      "<style>.a{fill:inherit} .b{fill:revert!important}</style><g id=\"g\" fill=\"url(#R)\">"
                      "<rect id=\"a\" class=\"a\"/><rect id=\"b\" class=\"b\"/><rect id=\"c\"/></g>",
                      true,
                      {{"g", "fill", "url(#R)"},
                       {"a", "style", "fill:url(#R-evenhue-1)"},
                       {"b", "style", "fill:url(#R-evenhue-2) !important"},
                       {"c", "fill", "url(#R-evenhue-3)"}},
                      {}, 3},
        PlacementCase{"InitialKeywordIsNoGradient", "",
                      "<style>rect{fill:initial}</style><g fill=\"url(#R)\"><rect id=\"x\"/></g>", false,
                      {{"x", "fill", nullptr}, {"x", "style", nullptr}}, {}, 0},
        // 6. An invalid later declaration is dropped alone: the earlier valid one still paints.
        PlacementCase{"InvalidStyleDeclarationDroppedAlone", "",
                      "<rect id=\"x\" style=\"fill:url(#R);fill:bogus\"/>", false,
                      {{"x", "style", "fill:url(#R-evenhue-1);fill:bogus"}}, {kBogusStyle}, 1},
        PlacementCase{"InvalidSheetDeclarationDroppedAlone", "",
                      "<style>rect{fill:url(#R);fill:bogus}</style><rect id=\"x\" fill=\"url(#B)\"/>", false,
                      {{"x", "fill", "url(#B)"}, {"x", "style", "fill:url(#R-evenhue-1)"}},
                      {"style sheet: fill 'bogus' is not a paint; the declaration is ignored"}, 1},
        // 7. Through <use>: the declaration that paints what it draws is rewritten.
        PlacementCase{"UseAttribute", "",
                      "<defs><rect id=\"src\"/></defs><use id=\"u\" fill=\"url(#R)\" href=\"#src\"/>", false,
                      {{"u", "fill", "url(#R-evenhue-1)"}, {"src", "fill", nullptr}}, {}, 1},
        PlacementCase{"UseStyleOfASymbol", "",
                      "<symbol id=\"sym\"><rect/></symbol><use id=\"u\" style=\"fill:url(#R)\" href=\"#sym\"/>", false,
                      {{"u", "style", "fill:url(#R-evenhue-1)"}}, {}, 1},
        PlacementCase{"GroupAroundAUse", "",
                      "<defs><rect id=\"src\"/></defs><g id=\"g\" fill=\"url(#R)\"><use id=\"u\" xlink:href=\"#src\"/></g>",
                      false, {{"g", "fill", "url(#R-evenhue-1)"}, {"u", "fill", nullptr}}, {}, 1},
        PlacementCase{"SpriteUsedTwiceSharesOneRewrite", "",
                      "<defs><rect id=\"src\" fill=\"url(#R)\"/></defs><use id=\"u1\" href=\"#src\"/>"
                      "<use id=\"u2\" href=\"#src\"/>",
                      false, {{"src", "fill", "url(#R-evenhue-1)"}}, {}, 1},
        PlacementCase{"EachUseItsOwn", "",
                      "<symbol id=\"sym\"><rect/></symbol><use id=\"u1\" fill=\"url(#R)\" href=\"#sym\"/>"
                      "<use id=\"u2\" fill=\"url(#R)\" href=\"#sym\"/>",
                      true, {{"u1", "fill", "url(#R-evenhue-1)"}, {"u2", "fill", "url(#R-evenhue-2)"}}, {}, 2},
        PlacementCase{"GroupAroundUsesPaintedDifferently", "",
                      "<symbol id=\"sym\"><rect/></symbol><g id=\"g\" fill=\"url(#R)\"><use id=\"u1\" href=\"#sym\"/>"
                      "<use id=\"u2\" href=\"#sym\" class=\"k\"/></g><style>.k{fill:inherit}</style>",
                      true,
                      {{"g", "fill", "url(#R)"}, {"u1", "fill", "url(#R-evenhue-1)"},
                       {"u2", "style", "fill:url(#R-evenhue-2)"}},
                      {}, 2},
        PlacementCase{"SharedSpritePaintedDifferentlyIsAWarning", "",
                      "<symbol id=\"sym\"><rect id=\"r\" fill=\"url(#R)\"/></symbol><use id=\"u1\" href=\"#sym\"/>"
                      "<use id=\"u2\" href=\"#sym\"/>",
                      true, {{"r", "fill", "url(#R)"}},
                      {"<rect id='r'>: fill gradient 'R' left alone: <use> elements draw the element too, and a "
                       "declaration written on it would paint them differently",
                       "<use id='u1'>: fill gradient 'R' of the <rect id='r'> it draws left alone: the "
                       "declaration that paints it paints others differently",
                       "<use id='u2'>: fill gradient 'R' of the <rect id='r'> it draws left alone: the "
                       "declaration that paints it paints others differently"},
                      0},
        // A sheet rule matches the shape where it stands, not its copy (whose
        // ancestors stop at the copy's top): a style written on the shape would
        // reach the copy, which inherits the <use>'s colour.
        PlacementCase{"SheetMatchesTheOriginalOnly", "",
                      "<style>.d > #s{stroke:url(#R)}</style><g class=\"d\"><circle id=\"s\"/></g>"
                      "<use id=\"u\" href=\"#s\" stroke=\"green\"/>",
                      false, {{"s", "style", nullptr}, {"s", "stroke", nullptr}},
                      {"<circle id='s'>: stroke gradient 'R' left alone: <use> elements draw the element too, and a "
                       "declaration written on it would paint them differently"},
                      0},
        PlacementCase{"CopyMatchedByAnotherRule", "",
                      "<style>.d > #s{stroke:url(#R)} .c{stroke:currentColor}</style><g class=\"d\">"
                      "<circle id=\"s\" class=\"c\"/></g><use id=\"u\" href=\"#s\" color=\"green\"/>",
                      false, {{"s", "style", nullptr}},
                      {"<circle id='s'>: stroke gradient 'R' left alone: <use> elements draw the element too, and a "
                       "declaration written on it would paint them differently"},
                      0},
        PlacementCase{"SheetMatchingTheCopyTooIsRewritten", "",
                      "<style>#s{stroke:url(#R)}</style><g class=\"d\"><circle id=\"s\"/></g>"
                      "<use id=\"u\" href=\"#s\" stroke=\"green\"/>",
                      false, {{"s", "style", "stroke:url(#R-evenhue-1)"}}, {}, 1},
        PlacementCase{"UseOfItsOwnAncestorLeftAlone", "",
                      "<g id=\"g\"><use id=\"u\" href=\"#g\" fill=\"url(#R)\"/></g>", false, {{"u", "fill", "url(#R)"}},
                      {"<use id='u'>: what it draws is left alone: it refers to an element that holds it"}, 0},
        // 10. Attribute defaults of the document type paint as attributes do.
        PlacementCase{"AttributeDefault", "<!DOCTYPE svg [ <!ATTLIST rect fill CDATA \"url(#G)\"> ]>",
                      "<rect id=\"x\"/>", false, {{"x", "fill", "url(#G-evenhue-1)"}}, {}, 1},
        PlacementCase{"FixedDefaultsAndASheet",
                      "<!DOCTYPE svg [ <!ENTITY g \"#G\"> <!ATTLIST svg:rect fill CDATA 'url(#R)'>\n"
                      " <!ATTLIST rect id ID #IMPLIED\n fill CDATA #FIXED 'url(&g;)'>"
                      " <!ATTLIST rect stroke CDATA \"url(#B)\" stroke CDATA 'red'> ]>",
                      "<style>#y{fill:url(#R)}</style><rect id=\"x\"/><rect id=\"y\"/>", false,
                      {{"x", "fill", "url(#G-evenhue-1)"}, {"x", "stroke", "url(#B-evenhue-2)"},
                       {"y", "fill", nullptr}, {"y", "style", "fill:url(#R-evenhue-3)"},
                       {"y", "stroke", "url(#B-evenhue-2)"}},
                      {}, 3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace evenhue::svg
