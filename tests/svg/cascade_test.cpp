#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "svg/cascade.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg {
namespace {

struct Case {
  const char* name;
  const char* body;  // inside <svg>; the element looked at has id "x"
  Property property;
  const char* value;
  Origin origin;
  bool important;
};

// The order CSS gives: !important in the style attribute, !important in a
// sheet, the style attribute, sheet rules by specificity then order,
// presentation attributes, inheritance (for inherited properties), initial.
const Case kCases[] = {
    {"StyleOverAttribute", "<rect id='x' fill='red' style='fill:blue'/>", Property::Fill, "blue", Origin::Style, false},
    {"LastStyleDeclarationWins", "<rect id='x' style='fill:blue; fill:green'/>", Property::Fill, "green", Origin::Style, false},
    {"ImportantStyleOverLater", "<rect id='x' style='fill:blue !important; fill:green'/>", Property::Fill, "blue", Origin::Style, true},
    {"InvalidStyleFallsBackToAttribute", "<rect id='x' fill='red' style='fill:sparkly'/>", Property::Fill, "red", Origin::Attribute, false},
    {"InvalidEverywhereInherits", "<g fill='blue'><rect id='x' fill='#12'/></g>", Property::Fill, "blue", Origin::Inherited, false},
    {"FillInherits", "<g style='fill:url(#g)'><g><rect id='x'/></g></g>", Property::Fill, "url(#g)", Origin::Inherited, false},
    {"StrokeInitial", "<rect id='x'/>", Property::Stroke, "none", Origin::Initial, false},
    {"StopColorNotInherited", "<linearGradient stop-color='red'><stop id='x'/></linearGradient>", Property::StopColor, "black", Origin::Initial, false},
    {"StopColorInheritKeyword", "<linearGradient stop-color='red'><stop id='x' stop-color='inherit'/></linearGradient>", Property::StopColor, "red", Origin::Inherited, false},
    {"ColorCurrentColorInherits", "<g color='lime'><rect id='x' color='currentColor'/></g>", Property::Color, "lime", Origin::Inherited, false},
    {"IccColourIsValid", "<stop id='x' stop-color='#fff icc-color(p, 1)'/>", Property::StopColor, "#fff icc-color(p, 1)", Origin::Attribute, false},
    {"SheetOverAttribute", "<style>.c{fill:blue}</style><rect id='x' class='c' fill='red'/>", Property::Fill, "blue", Origin::Sheet, false},
    {"StyleOverSheet", "<style>#x{fill:blue}</style><rect id='x' style='fill:green'/>", Property::Fill, "green", Origin::Style, false},
    {"ImportantSheetOverStyle", "<style>rect{fill:blue!important}</style><rect id='x' style='fill:green'/>", Property::Fill, "blue", Origin::Sheet, true},
    {"ImportantStyleOverImportantSheet", "<style>rect{fill:blue!important}</style><rect id='x' style='fill:green!important'/>", Property::Fill, "green", Origin::Style, true},
    {"IdOverClassWhateverTheOrder", "<style>#x{fill:blue} .c{fill:red}</style><rect id='x' class='c'/>", Property::Fill, "blue", Origin::Sheet, false},
    {"LaterRuleOnEqualSpecificity", "<style>.a{fill:blue} .b{fill:red}</style><rect id='x' class='b a'/>", Property::Fill, "red", Origin::Sheet, false},
    {"InvalidSheetValueIgnored", "<style>.a{fill:blue} .b{fill:nonsense}</style><rect id='x' class='a b'/>", Property::Fill, "blue", Origin::Sheet, false},
    {"ChildCombinator", "<style>g>rect{fill:blue}</style><g><a><rect id='x'/></a></g>", Property::Fill, "black", Origin::Initial, false},
    {"DescendantCombinator", "<style>g rect{fill:blue}</style><g><a><rect id='x'/></a></g>", Property::Fill, "blue", Origin::Sheet, false},
    {"SheetValueInherited", "<style>.c{stroke:url(#g)}</style><g class='c'><rect id='x'/></g>", Property::Stroke, "url(#g)", Origin::Inherited, false},
    {"StopColorFromSheet", "<style>.s{stop-color:#123456}</style><linearGradient><stop id='x' class='s'/></linearGradient>", Property::StopColor, "#123456", Origin::Sheet, false},
    {"TypedSheetOnlyCss", "<style type='text/xsl'>rect{fill:blue}</style><rect id='x'/>", Property::Fill, "black", Origin::Initial, false},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class CascadeOrder : public ::testing::TestWithParam<Case> {};

TEST_P(CascadeOrder, GivesTheWinningValue) {
  const Case& c = GetParam();
  const auto doc = SvgDocument::Parse(std::string("<svg xmlns='http://www.w3.org/2000/svg'>") + c.body + "</svg>");
  Warnings warnings;
  Cascade cascade(doc, warnings);
  const ComputedStyle style = cascade.Compute(doc.FindById("x"));
  EXPECT_EQ(style[c.property].value, c.value);
  EXPECT_EQ(style[c.property].origin, c.origin);
  EXPECT_EQ(style[c.property].important, c.important);
}

INSTANTIATE_TEST_SUITE_P(Cases, CascadeOrder, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace evenhue::svg
