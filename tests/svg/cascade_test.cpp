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
  const char* doctype = "";  // written before the root
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
    // The CSS-wide keywords, wherever they are written.
    {"InitialInStyle", "<g fill='blue'><rect id='x' style='fill:initial'/></g>", Property::Fill, "black", Origin::Initial, false},
    {"UnsetInheritsAnInheritedProperty", "<g fill='blue'><rect id='x' fill='red' style='fill:unset'/></g>", Property::Fill, "blue", Origin::Inherited, false},
    {"UnsetStopColorIsInitial", "<linearGradient stop-color='red'><stop id='x' stop-color='green' style='stop-color:UNSET'/></linearGradient>", Property::StopColor, "black", Origin::Initial, false},
    {"RevertInSheetIsUnset", "<style>#x{fill:revert}</style><g fill='blue'><rect id='x' fill='red'/></g>", Property::Fill, "blue", Origin::Inherited, false},
    {"InheritInSheetOverAttribute", "<style>rect{stroke:inherit}</style><g stroke='url(#g)'><rect id='x' stroke='red'/></g>", Property::Stroke, "url(#g)", Origin::Inherited, false},
    {"InitialAttributeUnderInheritance", "<g stroke='red'><rect id='x' stroke='initial'/></g>", Property::Stroke, "none", Origin::Initial, false},
    // An invalid declaration is dropped on its own: an earlier valid one still counts.
    {"InvalidLaterStyleDroppedAlone", "<rect id='x' fill='red' style='fill:blue;fill:bogus'/>", Property::Fill, "blue", Origin::Style, false},
    {"InvalidImportantStyleDroppedAlone", "<rect id='x' style='fill:blue;fill:bogus!important'/>", Property::Fill, "blue", Origin::Style, false},
    {"InvalidLaterSheetDroppedAlone", "<style>#x{fill:blue;fill:bogus}</style><rect id='x' fill='red'/>", Property::Fill, "blue", Origin::Sheet, false},
    // Media as a screen renderer has them.
    {"PrintSheetSkipped", "<style media='print'>#x{fill:blue}</style><rect id='x'/>", Property::Fill, "black", Origin::Initial, false},
    {"AllMediaSheetApplies", "<style media=' All '>#x{fill:blue}</style><rect id='x'/>", Property::Fill, "blue", Origin::Sheet, false},
    {"MediaBlocks", "<style>@media screen{#x{fill:blue}} @media print{#x{fill:red}}</style><rect id='x'/>", Property::Fill, "blue", Origin::Sheet, false},
    // Attribute defaults of the document type are presentation attributes.
    {"AttributeDefault", "<rect id='x'/>", Property::Fill, "blue", Origin::Attribute, false, "<!DOCTYPE svg [<!ATTLIST rect fill CDATA 'blue'>]>"},
    {"SpecifiedOverDefault", "<rect id='x' fill='red'/>", Property::Fill, "red", Origin::Attribute, false, "<!DOCTYPE svg [<!ATTLIST rect fill CDATA 'blue'>]>"},
    {"SheetOverDefault", "<style>rect{stroke:green}</style><rect id='x'/>", Property::Stroke, "green", Origin::Sheet, false, "<!DOCTYPE svg [<!ATTLIST rect stroke CDATA #FIXED 'blue'>]>"},
    {"DefaultInherited", "<g><rect id='x'/></g>", Property::Fill, "url(#g)", Origin::Inherited, false, "<!DOCTYPE svg [<!ENTITY u 'url(#g)'><!ATTLIST g fill CDATA '&u;'>]>"},
    {"DefaultOfAnotherElement", "<rect id='x'/>", Property::Fill, "black", Origin::Initial, false, "<!DOCTYPE svg [<!ATTLIST svg:rect fill CDATA 'blue'>]>"},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class CascadeOrder : public ::testing::TestWithParam<Case> {};

TEST_P(CascadeOrder, GivesTheWinningValue) {
  const Case& c = GetParam();
  const auto doc =
      SvgDocument::Parse(std::string(c.doctype) + "<svg xmlns='http://www.w3.org/2000/svg'>" + c.body + "</svg>");
  Warnings warnings;
  Cascade cascade(doc, warnings);
  const ComputedStyle style = cascade.Compute(doc.FindById("x"));
  EXPECT_EQ(style[c.property].value, c.value);
  EXPECT_EQ(style[c.property].origin, c.origin);
  EXPECT_EQ(style[c.property].important, c.important);
}

INSTANTIATE_TEST_SUITE_P(Cases, CascadeOrder, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The cascade tells which declaration won, and on which element, so that it
// can be replaced: for an inherited value, the ancestor's.
TEST(Cascade, NamesTheWinningDeclaration) {
  const std::string style = "fill:red; /* a */ fill: url(#a) /* b */ !important;stroke:blue";
  const auto doc = SvgDocument::Parse("<svg xmlns='http://www.w3.org/2000/svg'><style>.k{fill:inherit}</style>"
                                      "<g id='g' style='" + style + "'><rect id='x' class='k'/></g></svg>");
  Warnings warnings;
  Cascade cascade(doc, warnings);
  const ComputedValue fill = cascade.Compute(doc.FindById("x"))[Property::Fill];
  EXPECT_EQ(fill.value, "url(#a)");
  EXPECT_EQ(fill.source, doc.FindById("g"));
  EXPECT_EQ(fill.own.origin, Origin::Sheet);  // the rect's own "inherit"
  EXPECT_EQ(fill.declared.origin, Origin::Style);
  EXPECT_TRUE(fill.declared.important);
  const std::size_t at = style.find("url(#a)");
  EXPECT_EQ(fill.declared.begin, at);
  EXPECT_EQ(fill.declared.end, at + 7);
  EXPECT_TRUE(warnings.empty());
}

// A sheet's invalid declarations are reported once each, at most a hundred.
TEST(Cascade, ReportsInvalidSheetDeclarationsBounded) {
  std::string sheet;
  for (int i = 0; i < 150; ++i) sheet += ".c" + std::to_string(i) + "{fill:nope}";
  const auto doc = SvgDocument::Parse("<svg xmlns='http://www.w3.org/2000/svg'><style>" + sheet +
                                      "</style><rect class='c1' id='x'/><rect class='c1'/></svg>");
  Warnings warnings;
  Cascade cascade(doc, warnings);
  cascade.Compute(doc.FindById("x"));
  ASSERT_EQ(warnings.size(), 101u);
  EXPECT_EQ(warnings[0], "style sheet: fill 'nope' is not a paint; the declaration is ignored");
  EXPECT_EQ(warnings[100], "style sheet: more invalid declarations ignored, not listed");
}

}  // namespace
}  // namespace evenhue::svg
