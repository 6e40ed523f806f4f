#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "svg/css_sheet.hpp"

namespace evenhue::svg::css {

void PrintTo(const Declaration& d, std::ostream* out) {
  *out << d.property << ": " << d.value << (d.important ? " !important" : "");
}

namespace {

struct DeclarationCase {
  const char* name;
  const char* text;
  std::vector<std::string_view> wanted;
  std::vector<Declaration> expected;
};

class ParsesDeclarations : public testing::TestWithParam<DeclarationCase> {};

TEST_P(ParsesDeclarations, AsCssSplitsThem) {
  const DeclarationCase& c = GetParam();
  EXPECT_EQ(ParseDeclarations(c.text, c.wanted), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Css, ParsesDeclarations,
    testing::Values(
        DeclarationCase{"namesLowerCasedValuesTrimmed", "  FILL : Red ;\n STROKE:blue  ", {},
                        {{"fill", "Red"}, {"stroke", "blue"}}},
        DeclarationCase{"commentsRemoved", "fill:url(#a)/* x */green;stroke:red/*;*/;color:/**/blue", {},
                        {{"fill", "url(#a) green"}, {"stroke", "red"}, {"color", "blue"}}},
        DeclarationCase{"noCommentInsideUnquotedUrl", "fill:url(a/*b*/c)", {}, {{"fill", "url(a/*b*/c)"}}},
        DeclarationCase{"semicolonsInStringsUrlsAndBlocks",
                        "font-family:'a;b';fill:url(a;b);stroke:rgb(1;2);color:url( \"c;d\" )", {},
                        {{"font-family", "'a;b'"}, {"fill", "url(a;b)"}, {"stroke", "rgb(1;2)"},
                         {"color", "url( \"c;d\" )"}}},
        DeclarationCase{"importantVariants",
                        "fill:red!important;stroke:blue ! IMPORTANT ;color:green!/**/imp\\6frtant;"
                        "x:a\\ !important;stop-color:red !important blue;"
                        "stop-opacity:rgb(1 !important;y:b !important",
                        {},
                        {{"fill", "red", true}, {"stroke", "blue", true}, {"color", "green", true},
                         {"x", "a\\ ", true}, {"stop-color", "red !important blue", false},
                         {"stop-opacity", "rgb(1 !important;y:b !important", false}}},
        DeclarationCase{"escapesDecodedInNamesOnly", "f\\69 ll:r\\65 d", {}, {{"fill", "r\\65 d"}}},
        DeclarationCase{"brokenStringDropsItsDeclaration", "fill:'a\n;stroke:blue", {}, {{"stroke", "blue"}}},
        DeclarationCase{"stringClosedByTheEnd", "font-family:'abc", {}, {{"font-family", "'abc"}}},
        DeclarationCase{"junkSkipped", "fill red;:x;stroke:blue;@foo bar;color:;stop-color:green", {},
                        {{"stroke", "blue"}, {"stop-color", "green"}}},
        DeclarationCase{"oneWinnerPerProperty", "stroke:a;fill:red !important;fill:blue;stroke:b", {},
                        {{"fill", "red", true}, {"stroke", "b"}}},
        DeclarationCase{"onlyWantedKept", "stroke:blue;FILL:red;color:green", {"fill", "color"},
                        {{"fill", "red"}, {"color", "green"}}}),
    [](const testing::TestParamInfo<DeclarationCase>& info) { return std::string(info.param.name); });

// A value the check refuses drops its declaration alone; each kept value
// knows where it stands in the text.
TEST(ParseDeclarations, DropsRefusedValuesAloneAndPlacesTheRest) {
  const std::string text = "fill:red; /*c*/ stroke : url(#a) /*d*/ !important;color:bogus;color:blue;fill:bogus";
  const auto declarations =
      ParseDeclarations(text, {}, [](std::string_view, std::string_view value) { return value != "bogus"; });
  const std::vector<Declaration> expected = {{"fill", "red"}, {"stroke", "url(#a)", true}, {"color", "blue"}};
  ASSERT_EQ(declarations, expected);
  EXPECT_EQ(declarations[0].begin, 5u);
  EXPECT_EQ(declarations[0].end, 8u);
  EXPECT_EQ(text.substr(declarations[1].begin, declarations[1].end - declarations[1].begin), "url(#a)");
  EXPECT_EQ(declarations[2].begin, text.rfind("blue"));
  EXPECT_EQ(declarations[2].end, text.rfind("blue") + 4);
}

TEST(Specificity, OrdersIdsThenClassesThenTypes) {
  const std::pair<Specificity, Specificity> ascending[] = {
      {{0, 9, 9}, {1, 0, 0}}, {{0, 0, 9}, {0, 1, 0}}, {{0, 1, 0}, {0, 1, 1}}, {{1, 0, 1}, {1, 1, 0}}};
  for (const auto& [low, high] : ascending) {
    EXPECT_LT(low, high);
    EXPECT_FALSE(high < low);
  }
}

// The target is the element with id "t"; it is written with a prefix so that
// type selectors must use its local name.
constexpr const char* kDocument = R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:svg="http://www.w3.org/2000/svg">
  <g id="outer"><g class="inner">
    <svg:rect id="t" class="st0  b" fill="RED" lang="en-GB" data-k="abcd"/>
  </g></g>
</svg>)";

// "property=value[!] ids,classes,types @order" for each match, in callback order.
std::vector<std::string> Describe(const StyleSheet& sheet, pugi::xml_node element) {
  std::vector<std::string> out;
  sheet.ForEachMatch(element, [&](const StyleSheet::Match& m) {
    out.push_back(m.declaration->property + "=" + m.declaration->value + (m.declaration->important ? "!" : "") +
                  " " + std::to_string(m.specificity.ids) + "," + std::to_string(m.specificity.classes) + "," +
                  std::to_string(m.specificity.types) + " @" + std::to_string(m.order));
  });
  return out;
}

struct SheetCase {
  const char* name;
  std::vector<const char*> sheets;  // one per <style> element
  std::vector<std::string> matches;
  std::vector<std::string> warnings;
};

class MatchesSheet : public testing::TestWithParam<SheetCase> {};

TEST_P(MatchesSheet, OnTheTarget) {
  const SheetCase& c = GetParam();
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(kDocument));
  StyleSheet sheet;
  std::vector<std::string> warnings;
  for (const char* text : c.sheets) sheet.Add(text, warnings);
  const pugi::xml_node target =
      doc.find_node([](pugi::xml_node n) { return std::string_view(n.attribute("id").value()) == "t"; });
  EXPECT_EQ(Describe(sheet, target), c.matches);
  EXPECT_EQ(warnings, c.warnings);
}

const std::string kSkipped = "style sheet: rule '";

INSTANTIATE_TEST_SUITE_P(
    Css, MatchesSheet,
    testing::Values(
        SheetCase{"illustratorClass", {".st0{fill:url(#SVGID_1_);}"}, {"fill=url(#SVGID_1_) 0,1,0 @0"}, {}},
        SheetCase{"insideCdoCdc", {"<!--\n.st0{fill:red}\n-->"}, {"fill=red 0,1,0 @0"}, {}},
        SheetCase{"escapedClassName", {".st\\30 {fill:red}"}, {"fill=red 0,1,0 @0"}, {}},
        SheetCase{"typeByLocalNameCaseSensitive", {"Rect{fill:blue}rect{fill:red}"}, {"fill=red 0,0,1 @1"}, {}},
        SheetCase{"listTakesHighestMatching", {"rect, .st0, #t, #other {fill:red}"}, {"fill=red 1,0,0 @0"}, {}},
        SheetCase{"compound", {"rect.st0#t[fill]{fill:red}"}, {"fill=red 1,2,1 @0"}, {}},
        SheetCase{"rulesInSourceOrderOverElements",
                  {"#t{fill:red}", ".b{fill:blue} *{stroke:green !important}"},
                  {"fill=red 1,0,0 @0", "fill=blue 0,1,0 @1", "stroke=green! 0,0,0 @2"}, {}},
        SheetCase{"combinators",
                  {"g>rect{a:1} svg>rect{a:2} svg rect{a:3} #outer>rect{a:4} #outer rect{a:5} #outer>g>rect{a:6} "
                   "g g rect{a:7} g g g rect{a:8} svg > g rect{a:9} .inner > g rect{a:10}"},
                  {"a=1 0,0,2 @0", "a=3 0,0,2 @2", "a=5 1,0,1 @4", "a=6 1,0,2 @5", "a=7 0,0,3 @6",
                   "a=9 0,0,3 @8"},
                  {}},
        SheetCase{"attributes",
                  {"[fill]{a:1} [fill=RED]{a:2} [fill=red]{a:3} [fill=\"red\" i]{a:4} [class~=b]{a:5} "
                   "[class~=st]{a:6} [lang|=en]{a:7} [lang|=en-G]{a:8} [data-k^=ab]{a:9} [data-k$=cd]{a:10} "
                   "[data-k*=bc]{a:11} [data-k*=\"\"]{a:12} [href]{a:13}"},
                  {"a=1 0,1,0 @0", "a=2 0,1,0 @1", "a=4 0,1,0 @3", "a=5 0,1,0 @4", "a=7 0,1,0 @6",
                   "a=9 0,1,0 @8", "a=10 0,1,0 @9", "a=11 0,1,0 @10"},
                  {}},
        SheetCase{"braceInStringAndBlockOpenAtEnd", {"#t{font-family:\"}\";fill:red", ";stroke:blue}"},
                  {"font-family=\"}\" 1,0,0 @0", "fill=red 1,0,0 @0"},
                  {kSkipped + ";stroke:blue}' skipped: no declaration block"}},
        SheetCase{"atRulesSkippedWhole", {"@font-face{font-family:x} @import url(x.css); #t{stroke:blue}"},
                  {"stroke=blue 1,0,0 @0"},
                  {kSkipped + "@font-face' skipped: at-rule", kSkipped + "@import url(x.css)' skipped: at-rule"}},
        // A screen renderer reads the rules of screen and all media, not those
        // of print or any other type; a query on features is not evaluated.
        SheetCase{"mediaAsAScreenRenderer",
                  {"@media print{#t{a:1}} @media screen{#t{a:2}} @MEDIA all and (min-width:1px){#t{a:3}} "
                   "@media not print{#t{a:4} @media only screen,tv{#t{a:5} @media speech{#t{a:6}}}} "
                   "@media not screen{#t{a:7}} @media tv, (color){#t{a:8}} @media {#t{a:9}} @media 3px{#t{a:10}} "
                   "@media print and (color){#t{a:11}} #t{a:12}"},
                  {"a=2 1,0,0 @0", "a=4 1,0,0 @1", "a=5 1,0,0 @2", "a=9 1,0,0 @3", "a=12 1,0,0 @4"},
                  {kSkipped + "@MEDIA all and (min-width:1px)' skipped: media query not evaluated",
                   kSkipped + "@media tv, (color)' skipped: media query not evaluated"}},
        SheetCase{"unsupportedSelectors",
                  {"#t:hover{a:1} #t::before{a:2} :not(.a){a:3} svg|rect{a:4} [svg|fill]{a:5} g + #t{a:6} "
                   "g ~ #t{a:7} #t, rect:first-child{a:8} #t >{a:9} .st0,{a:10} #1t{a:11} #t"},
                  {},
                  {kSkipped + "#t:hover' skipped: unsupported pseudo-class",
                   kSkipped + "#t::before' skipped: unsupported pseudo-element",
                   kSkipped + ":not(.a)' skipped: unsupported pseudo-class",
                   kSkipped + "svg|rect' skipped: unsupported namespace prefix",
                   kSkipped + "[svg|fill]' skipped: unsupported namespace prefix",
                   kSkipped + "g + #t' skipped: unsupported sibling combinator",
                   kSkipped + "g ~ #t' skipped: unsupported sibling combinator",
                   kSkipped + "#t, rect:first-child' skipped: unsupported pseudo-class",
                   kSkipped + "#t >' skipped: invalid selector", kSkipped + ".st0,' skipped: invalid selector",
                   kSkipped + "#1t' skipped: invalid selector", kSkipped + "#t' skipped: no declaration block"}},
        SheetCase{"longSelectorShortened",
                  {"#t .abcdefghi .abcdefghi .abcdefghi .abcdefghi .abcdefghi .abcdefghi:hover{a:1}"},
                  {},
                  {kSkipped + "#t .abcdefghi .abcdefghi .abcdefghi .abcdefghi .abcdefghi...' skipped: "
                              "unsupported pseudo-class"}}),
    [](const testing::TestParamInfo<SheetCase>& info) { return std::string(info.param.name); });

// Far deeper than a call stack could follow: "svg > g rect" has to go back up
// from the nearest g to the outermost one.
TEST(MatchesSheet, DeepTreeWithoutRecursion) {
  constexpr int kDepth = 200'000;
  std::string text = "<svg>";
  for (int i = 0; i < kDepth; ++i) text += "<g>";
  text += "<rect/>";
  for (int i = 0; i < kDepth; ++i) text += "</g>";
  text += "</svg>";
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(text.c_str()));
  StyleSheet sheet;
  std::vector<std::string> warnings;
  sheet.Add("svg > g rect{fill:red} svg > rect{fill:blue} svg>g>g rect{stroke:red}", warnings);
  const pugi::xml_node rect = doc.find_node([](pugi::xml_node n) { return std::string_view(n.name()) == "rect"; });
  EXPECT_EQ(Describe(sheet, rect), (std::vector<std::string>{"fill=red 0,0,3 @0", "stroke=red 0,0,4 @2"}));
}

}  // namespace
}  // namespace evenhue::svg::css
