#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "svg/svg_document.hpp"

namespace evenhue::svg {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::filesystem::path> Examples() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(EVENHUE_EXAMPLES_DIR))
    if (entry.path().extension() == ".svg") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string Nested(std::size_t depth) {
  std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\">";
  for (std::size_t i = 0; i < depth; ++i) text += "<g>";
  text += "<rect width=\"1\" height=\"1\"/>";
  for (std::size_t i = 0; i < depth; ++i) text += "</g>";
  return text + "</svg>";
}

// Declarations: e0 holds `leaf`; each of e1 .. e`levels` refers `fanOut`
// times to the one before.
std::string Levels(int levels, int fanOut, const std::string& leaf) {
  std::string text = "<!ENTITY e0 '" + leaf + "'>";
  for (int i = 1; i <= levels; ++i) {
    text += "<!ENTITY e" + std::to_string(i) + " '";
    for (int k = 0; k < fanOut; ++k) text += "&e" + std::to_string(i - 1) + ";";
    text += "'>";
  }
  return text;
}

std::string WithEntities(const std::string& declarations, const std::string& text, int times = 1) {
  std::string document = "<!DOCTYPE svg [" + declarations + "]><svg>";
  for (int k = 0; k < times; ++k) document += text;
  return document + "</svg>";
}

struct RefusedCase {
  const char* name;
  std::string text;
  const char* message;  // part of the one-line reason
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class RefusesDocument : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusesDocument, WithAReason) {
  const RefusedCase& c = GetParam();
  try {
    SvgDocument::Parse(c.text);
    FAIL() << "accepted";
  } catch (const SvgError& e) {
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << "one line";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, RefusesDocument,
    testing::Values(
        RefusedCase{"Empty", "", "empty"},
        RefusedCase{"OnlyWhiteSpace", " \n\t ", "empty"},
        RefusedCase{"Truncated", "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect", "not well-formed XML at line 1"},
        RefusedCase{"TruncatedLaterLine", "<svg>\n<g>\n<rect/>\n", "line"},
        RefusedCase{"NotSvg", "<html><body/></html>", "not an SVG document"},
        RefusedCase{"TextOnly", "just some words", "not well-formed"},
        RefusedCase{"ExternalEntity",
                    "<!DOCTYPE svg [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]><svg><text>&xxe;</text></svg>",
                    "the document type declares an external entity 'xxe', which is refused"},
        RefusedCase{"UnparsedEntity",
                    "<!DOCTYPE svg [<!ENTITY logo PUBLIC \"-//x\" 'logo.png' NDATA png>]><svg/>",
                    "declares an unparsed entity 'logo'"},
        RefusedCase{"ParameterEntity", "<!DOCTYPE svg [<!ENTITY % p SYSTEM \"http://example.com/x.dtd\"> %p;]><svg/>",
                    "declares a parameter entity 'p'"},
        RefusedCase{"ParameterEntityInAValue", "<!DOCTYPE svg [<!ENTITY e \"50%p;\">]><svg/>",
                    "the entity 'e' refers to a parameter entity '%p;'"},
        RefusedCase{"LowerCaseDeclaration", "<!DOCTYPE svg [<!entity e \"x\">]><svg/>",
                    "declaration that is not understood: '<!entity e \"x\">'"},
        RefusedCase{"UndeclaredEntity", "<!DOCTYPE svg [<!ENTITY a \"x\">]><svg><text>&a;&b;</text></svg>",
                    "the document uses the entity 'b', which is not declared"},
        RefusedCase{"ReferenceLoop", "<!DOCTYPE svg [<!ENTITY a \"1&b;\"><!ENTITY b \"2&a;\">]><svg a=\"&a;\"/>",
                    "the entity 'a' refers to itself"},
        RefusedCase{"NineLevels", WithEntities(Levels(8, 1, "x"), "&e8;"),
                    "entities nested more than 8 deep (at 'e0')"},
        // An expansion made once is copied where it is used again: there
        // too its own levels count towards the bound.
        RefusedCase{"NineLevelsAfterTheInnermostAlone", WithEntities(Levels(8, 1, "x"), "&e0;&e8;"),
                    "entities nested more than 8 deep (at 'e0')"},
        RefusedCase{"NineLevelsAfterEightAlone", WithEntities(Levels(8, 1, "x"), "&e7;&e8;"),
                    "entities nested more than 8 deep"},
        RefusedCase{"NineLevelsAfterAShallowUse", WithEntities(Levels(8, 1, "x"), "&e3;&e8;"),
                    "entities nested more than 8 deep"},
        RefusedCase{"MarkupInText", "<!DOCTYPE svg [<!ENTITY e \"<rect/>\">]><svg>&e;</svg>", "'e' holds markup"},
        RefusedCase{"MarkupFromACharacterReference", "<!DOCTYPE svg [<!ENTITY e \"&#60;g/>\">]><svg a=\"&e;\"/>",
                    "'e' holds markup"},
        RefusedCase{"NotAnXmlCharacter", "<!DOCTYPE svg [<!ENTITY e \"&#xFFFF;\">]><svg/>",
                    "'&#xFFFF;' is not a character XML allows"},
        // 20 MB from seven levels of ten references each (eight deep).
        RefusedCase{"ExponentialBomb", WithEntities(Levels(7, 10, "aa"), "&e7;"),
                    "the entities expand to more than 16 MiB of text"},
        // One entity of 64 KiB referenced 300 times: 19.7 MB from a 66 kB file.
        RefusedCase{"QuadraticBomb", WithEntities(Levels(0, 0, std::string(64 << 10, 'a')), "&e0;", 300),
                    "the entities expand to more than 16 MiB of text"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SvgDocumentParse, AcceptsAnOrdinaryDoctype) {
  const auto doc = SvgDocument::Parse(
      "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">"
      "<svg xmlns=\"http://www.w3.org/2000/svg\"/>");
  EXPECT_EQ(LocalName(doc.Root()), "svg");
}

TEST(SvgDocumentParse, AcceptsAPrefixedRoot) {
  const auto doc = SvgDocument::Parse("<svg:svg xmlns:svg=\"http://www.w3.org/2000/svg\"><svg:g id=\"a\"/></svg:svg>");
  EXPECT_EQ(LocalName(doc.FindById("a")), "g");
}

TEST(SvgDocumentLimits, RefusesEachLimitWithItsOwnReason) {
  Limits small;
  small.maxBytes = 64;
  EXPECT_THROW(SvgDocument::Parse(std::string(65, ' ') + "<svg/>", small), SvgError);
  Limits fewElements;
  fewElements.maxElements = 3;
  EXPECT_NO_THROW(SvgDocument::Parse("<svg><g/><g/></svg>", fewElements));
  try {
    SvgDocument::Parse("<svg><g/><g/><g/></svg>", fewElements);
    FAIL();
  } catch (const SvgError& e) {
    EXPECT_NE(std::string(e.what()).find("more than 3 elements"), std::string::npos);
  }
  Limits shallow;
  shallow.maxDepth = 10;
  EXPECT_NO_THROW(SvgDocument::Parse(Nested(8), shallow));  // svg + 8 groups + rect = 10 levels
  try {
    SvgDocument::Parse(Nested(9), shallow);
    FAIL();
  } catch (const SvgError& e) {
    EXPECT_NE(std::string(e.what()).find("nested deeper than 10"), std::string::npos);
  }
}

TEST(SvgDocumentLimits, HundredThousandNestedGroupsAreFine) {
  const auto doc = SvgDocument::Parse(Nested(100'000));
  EXPECT_EQ(doc.ElementCount(), 100'002u);
}

TEST(SvgDocumentIds, FreshIdsAreUniqueAndAvoidExistingOnes) {
  auto doc = SvgDocument::Parse("<svg><g id=\"g-evenhue-1\"/><g id=\"g\"/></svg>");
  const std::string a = doc.FreshId("g");
  const std::string b = doc.FreshId("g");
  EXPECT_NE(a, "g-evenhue-1");
  EXPECT_NE(a, b);
  EXPECT_FALSE(doc.FindById(a));
  EXPECT_EQ(doc.FindById("g").attribute("id").value(), std::string("g"));
}

TEST(SvgDocumentRoundTrip, SampleDocumentsComeBackByteForByte) {
  const auto files = Examples();
  ASSERT_GE(files.size(), 7u);
  for (const auto& file : files) {
    const std::string text = ReadFile(file);
    EXPECT_EQ(SvgDocument::Parse(text).Serialize(), text) << file;
  }
}

TEST(SvgDocumentRoundTrip, KeepsCommentsUnknownElementsAndNamespaces) {
  const std::string text =
      "<?xml version=\"1.0\"?>\n<!-- top -->\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "xmlns:ink=\"http://example.com/ink\" ink:version=\"1\">\n  <ink:layer name=\"x\"><!-- inner --></ink:layer>\n"
      "  <?app hint?>\n  <unknown a=\"&lt;&amp;\"/>\n</svg>\n";
  EXPECT_EQ(SvgDocument::Parse(text).Serialize(), text);
}

}  // namespace
}  // namespace evenhue::svg

namespace evenhue::svg {
namespace {

// --- Entities declared in the document type -----------------------------------------

struct ExpansionCase {
  const char* name;
  std::string declarations;  // the internal subset
  std::string attribute;     // the root's attribute a, as written
  std::string text;          // the root's text, as written
  std::string attributeIs;   // as the program reads them
  std::string textIs;
};

void PrintTo(const ExpansionCase& c, std::ostream* out) { *out << c.name; }

class ExpandsEntities : public testing::TestWithParam<ExpansionCase> {};

TEST_P(ExpandsEntities, InAttributesAndText) {
  const ExpansionCase& c = GetParam();
  const auto doc = SvgDocument::Parse("<!DOCTYPE svg [" + c.declarations + "]><svg a=\"" + c.attribute + "\">" +
                                      c.text + "</svg>");
  EXPECT_EQ(doc.Root().attribute("a").value(), c.attributeIs);
  EXPECT_EQ(doc.Root().text().get(), c.textIs);
}

INSTANTIATE_TEST_SUITE_P(
    Entities, ExpandsEntities,
    testing::Values(
        ExpansionCase{"BothQuoteStyles", "<!ENTITY d \"it's\"><!ENTITY s 'say \"x\"'>", "&d; &s;", "[&s;]",
                      "it's say \"x\"", "[say \"x\"]"},
        ExpansionCase{"Nested", "<!ENTITY a 'A'><!ENTITY b '(&a;&a;)'><!ENTITY c '&b;&b;&a;'>", "&c;", "-&b;-",
                      "(AA)(AA)A", "-(AA)-"},
        // Character references are decoded where the entity is declared;
        // an escaped '&' becomes a reference when the entity is used.
        ExpansionCase{"CharacterReferences", "<!ENTITY e '&#65;&#x42;&#x20AC;&#38;#60;&#38;amp;'>", "&e;", "&e;",
                      "AB\u20ac<&", "AB\u20ac<&"},
        // An escaped reference is text, not a reference.
        ExpansionCase{"EscapedReference", "<!ENTITY e 'E'>", "&amp;e;&e;&lt;", "&amp;e;&#x26;e;", "&e;E<",
                      "&e;&e;"},
        // Attribute values turn the line break and tab of replacement text
        // into spaces; text keeps them.
        ExpansionCase{"WhiteSpace", "<!ENTITY e 'a&#10;b\tc'>", "&e;&#10;", "&e;", "a b c\n", "a\nb\tc"},
        ExpansionCase{"OtherDeclarationsAndComments",
                      "<!-- <!ENTITY e 'in a comment'> ]> --><!ELEMENT svg ANY><!ATTLIST svg a CDATA \"]>\">"
                      "<?app ]>?><!ENTITY e 'first'><!ENTITY e 'second'><!NOTATION n SYSTEM 'n>'>",
                      "&e;", "&e;", "first", "first"},
        ExpansionCase{"EightLevels", Levels(7, 1, "x"), "&e7;", "&e7;", "x", "x"},
        ExpansionCase{"EightLevelsAfterShallowerUses", Levels(7, 1, "x"), "&e3;&e7;", "&e0;&e7;", "xx", "xx"}),
    [](const auto& info) { return std::string(info.param.name); });

// The bound on the text entities produce is the larger of the floor and a
// multiple of the file size: "<!DOCTYPE svg [<!ENTITY e '0123456789'>]><svg>"
// and "</svg>" around k references make a file of 52 + 3k bytes producing
// 10 + 10k (the expansion, then its copies), so with a floor of 100 and
// three bytes per file byte, 146 references pass (1470 of 1470) and 147 do
// not (1480 of 1479).
TEST(SvgDocumentEntities, TheTextBoundGrowsWithTheFile) {
  Limits limits;
  limits.entityTextFloor = 100;
  limits.entityTextPerFileByte = 3;
  const std::string declaration = "<!ENTITY e '0123456789'>";
  EXPECT_EQ(std::string(SvgDocument::Parse(WithEntities(declaration, "&e;", 146), limits).Root().text().get()).size(),
            1460u);
  try {
    SvgDocument::Parse(WithEntities(declaration, "&e;", 147), limits);
    FAIL() << "accepted";
  } catch (const SvgError& e) {
    EXPECT_STREQ(e.what(), "the entities expand to more than 1479 bytes of text, which is refused");
  }
}

// As older Illustrator versions write their files.
const std::string kIllustratorStyle =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<!-- Generator: Adobe Illustrator 10.0, SVG Export Plug-In . SVG Version: 3.0.0 Build 77)  -->\n"
    "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.0//EN\" \"http://www.w3.org/TR/2001/REC-SVG-20010904/DTD/svg10.dtd\" [\n"
    "\t<!ENTITY ns_svg \"http://www.w3.org/2000/svg\">\n"
    "\t<!ENTITY ns_xlink \"http://www.w3.org/1999/xlink\">\n"
    "\t<!-- styles -->\n"
    "\t<!ENTITY st0 \"fill:url(#XMLID_1_);stroke:#000000;\">\n"
    "\t<!ENTITY st1 'fill:#FFFFFF;'>\n"
    "]>\n"
    "<svg xmlns=\"&ns_svg;\" xmlns:xlink=\"&ns_xlink;\" width=\"10\" height=\"10\">\n"
    "  <path id=\"a\" style=\"&st0;\" d=\"M0 0h5v5z\"/>\n"
    "  <path id=\"b\" style=\"&st0;\" d=\"M5 5h5v5z\"/>\n"
    "  <path id=\"c\" style=\"&st1;opacity:0.5\" title=\"&lt;&st1;&amp;\"/>\n"
    "  <text>&ns_svg; &amp; more</text>\n"
    "</svg>\n";

TEST(SvgDocumentEntities, AnUntouchedDocumentComesBackByteForByte) {
  const auto doc = SvgDocument::Parse(kIllustratorStyle);
  EXPECT_STREQ(doc.Root().attribute("xmlns").value(), "http://www.w3.org/2000/svg");
  EXPECT_STREQ(doc.FindById("a").attribute("style").value(), "fill:url(#XMLID_1_);stroke:#000000;");
  EXPECT_STREQ(doc.FindById("c").attribute("title").value(), "<fill:#FFFFFF;&");
  EXPECT_EQ(doc.Serialize(), kIllustratorStyle);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(SvgDocumentEntities, ARewrittenValueComesOutExpandedAndTheOthersAsWritten) {
  auto doc = SvgDocument::Parse(kIllustratorStyle);
  doc.FindById("a").attribute("style").set_value("fill:url(#new);stroke:#000000;");
  doc.Root().child("text").first_child().set_value("& < >");
  const std::string expected =
      Replaced(Replaced(kIllustratorStyle, "\"a\" style=\"&st0;\"", "\"a\" style=\"fill:url(#new);stroke:#000000;\""),
               "&ns_svg; &amp; more", "&amp; &lt; &gt;");
  EXPECT_EQ(doc.Serialize(), expected);
  EXPECT_EQ(doc.Serialize(), expected) << "a second time";
  EXPECT_STREQ(doc.FindById("b").attribute("style").value(), "fill:url(#XMLID_1_);stroke:#000000;")
      << "the values are the expanded ones again after writing";
}

// References are kept in UTF-8 documents only; in other encodings the tree
// is printed, every value expanded. A UTF-8 document comes back as it was,
// whatever characters it holds.
TEST(SvgDocumentEntities, WrittenExpandedWhereReferencesCannotBeKept) {
  const std::string latin1 =
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><!DOCTYPE svg [<!ENTITY e 'caf\xe9'>]><svg a=\"&e;\"/>";
  EXPECT_EQ(SvgDocument::Parse(latin1).Serialize(),
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!DOCTYPE svg [<!ENTITY e 'caf\xe9'>]>\n"
            "<svg a=\"caf\xe9\"/>\n");
  const std::string marked = "<!DOCTYPE svg [<!ENTITY e 'x'>]><svg a=\"&e;\"><!-- \xef\xbf\xbf --></svg>";
  EXPECT_EQ(SvgDocument::Parse(marked).Serialize(), marked);
}

}  // namespace
}  // namespace evenhue::svg

namespace evenhue::svg {
namespace {

// --- Written back as read -----------------------------------------------------------

struct KeptCase {
  const char* name;
  std::string text;
};

void PrintTo(const KeptCase& c, std::ostream* out) { *out << c.name; }

class ComesBackAsWritten : public testing::TestWithParam<KeptCase> {};

TEST_P(ComesBackAsWritten, ByteForByte) {
  EXPECT_EQ(SvgDocument::Parse(GetParam().text).Serialize(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Untouched, ComesBackAsWritten,
    testing::Values(
        KeptCase{"CrlfAndByteOrderMark",
                 "\xef\xbb\xbf<?xml version=\"1.0\"?>\r\n<svg xmlns=\"http://www.w3.org/2000/svg\">\r\n  <g>\r\n"
                 "    <rect/>\r\n  </g>\r\n</svg>\r\n"},
        KeptCase{"EmptyElementWithEndTag", "<svg><g></g><text x=\"1\"></text></svg>"},
        KeptCase{"CommentBeforeTheRootOnItsLine", "<!-- a --><svg/><!-- b -->"},
        KeptCase{"SingleQuotesAndSpacedAttributes",
                 "<svg  a='1'\n     b = \"it's\"\tc='say \"x\"' ><rect\n   d='2'\n   /></svg>"},
        KeptCase{"References", "<svg a=\"&#x41;&amp;&lt;&#10;&quot;\">&gt; &#233; &amp; &#x1F600;</svg>"},
        KeptCase{"LineEndsInValuesAndText", "<svg a=\"1\r\n2\tx\">t\r\nu\rv<!-- c\r\nd --><![CDATA[e\r\nf]]></svg>"},
        KeptCase{"NoNewlineAtTheEnd", "<?xml version='1.0' encoding='utf-8'?>\n\n<svg/>"},
        // The line-end style is the first line's; text written otherwise stays as written.
        KeptCase{"LineFeedsInACrlfFile", "<?xml version=\"1.0\"?>\r\n<svg>\n  <g>\n    <rect/>\n  </g>\n  x\n</svg>\n"},
        KeptCase{"ProcessingInstructionsAndDoctype",
                 "<?xml-stylesheet href=\"s.css\"  ?>\n<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
                 "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n<svg><?app  a b ?></svg>\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ChangeCase {
  const char* name;
  std::string text;
  void (*change)(SvgDocument&);
  std::string expected;
};

void PrintTo(const ChangeCase& c, std::ostream* out) { *out << c.name; }

class WritesOnlyTheChange : public testing::TestWithParam<ChangeCase> {};

TEST_P(WritesOnlyTheChange, AndTheRestAsWritten) {
  const ChangeCase& c = GetParam();
  auto doc = SvgDocument::Parse(c.text);
  c.change(doc);
  EXPECT_EQ(doc.Serialize(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, WritesOnlyTheChange,
    testing::Values(
        ChangeCase{"ValueInACrlfFileWithAByteOrderMark",
                   "\xef\xbb\xbf<svg>\r\n  <rect id=\"r\" fill=\"url(#a)\"\r\n        stroke='red'/>\r\n</svg>\r\n",
                   [](SvgDocument& d) { d.FindById("r").attribute("fill").set_value("url(#b)"); },
                   "\xef\xbb\xbf<svg>\r\n  <rect id=\"r\" fill=\"url(#b)\"\r\n        stroke='red'/>\r\n</svg>\r\n"},
        // A shorter value is stored where the old one stood: found all the same.
        ChangeCase{"ShorterValueKeepsItsQuotes", "<svg><rect id='r' fill='url(#long)'/></svg>",
                   [](SvgDocument& d) { d.FindById("r").attribute("fill").set_value("a'b&<"); },
                   "<svg><rect id='r' fill='a&apos;b&amp;&lt;'/></svg>"},
        ChangeCase{"AddedAttributeSpacedLikeTheLast", "<svg><rect\n   id=\"r\"\n   width='1' /></svg>",
                   [](SvgDocument& d) { d.FindById("r").append_attribute("stroke").set_value("url(#n)"); },
                   "<svg><rect\n   id=\"r\"\n   width='1'\n   stroke='url(#n)' /></svg>"},
        ChangeCase{"RemovedAttribute", "<svg><rect id=\"r\" a=\"1\"  b=\"2\"/></svg>",
                   [](SvgDocument& d) { d.FindById("r").remove_attribute("a"); },
                   "<svg><rect id=\"r\"  b=\"2\"/></svg>"},
        ChangeCase{"AddedNodesInACrlfFile", "<svg>\r\n  <g id=\"g\"/>\r\n</svg>",
                   [](SvgDocument& d) {
                     const pugi::xml_node g = d.FindById("g");
                     pugi::xml_node lead = g.parent().insert_child_after(pugi::node_pcdata, g);
                     lead.set_value("\n  ");
                     g.parent().insert_child_after("rect", lead).append_attribute("a").set_value("\"1\"");
                   },
                   "<svg>\r\n  <g id=\"g\"/>\r\n  <rect a=\"&quot;1&quot;\"/>\r\n</svg>"},
        ChangeCase{"ChildOfAnEmptyElement", "<svg><g id=\"g\" /></svg>",
                   [](SvgDocument& d) { d.FindById("g").append_child("rect"); }, "<svg><g id=\"g\" ><rect/></g></svg>"},
        ChangeCase{"LastChildRemoved", "<svg><g id=\"g\">\n  <rect/>\n</g ></svg>",
                   [](SvgDocument& d) {
                     pugi::xml_node g = d.FindById("g");
                     while (g.first_child()) g.remove_child(g.first_child());
                   },
                   "<svg><g id=\"g\"></g ></svg>"},
        ChangeCase{"RemovedElementBetweenKeptText", "<svg>\n <a/>\n <b id=\"b\"><c/></b>\n <d/>\n</svg>",
                   [](SvgDocument& d) { d.Root().remove_child(d.FindById("b")); }, "<svg>\n <a/>\n \n <d/>\n</svg>"},
        ChangeCase{"ChangedText", "<svg><text id=\"t\">a &amp; b</text></svg>",
                   [](SvgDocument& d) { d.FindById("t").first_child().set_value("x < y\r"); },
                   "<svg><text id=\"t\">x &lt; y&#13;</text></svg>"},
        // pugixml's copy shares the original's text: the second of the two is printed.
        ChangeCase{"CopiedElement", "<svg><g id=\"g\"><rect/></g></svg>",
                   [](SvgDocument& d) { d.Root().prepend_copy(d.FindById("g")).attribute("id").set_value("h"); },
                   "<svg><g id=\"h\"><rect/></g><g id=\"g\"><rect/></g></svg>"},
        ChangeCase{"MovedElement", "<svg><a id=\"a\" x='1'/><b id=\"b\"></b></svg>",
                   [](SvgDocument& d) { d.FindById("b").append_move(d.FindById("a")); },
                   "<svg><b id=\"b\"><a id=\"a\" x=\"1\"/></b></svg>"},
        ChangeCase{"ChangedValueThatUsedAnEntity",
                   "<!DOCTYPE svg [<!ENTITY s 'fill:red'>]>\r\n<svg><g style=\"&s;\" id=\"a\"/><g style=\"&s;\"/>"
                   "<text id=\"t\">&s; &amp; more &s;</text></svg>",
                   [](SvgDocument& d) { d.FindById("a").attribute("style").set_value("fill:blue"); },
                   "<!DOCTYPE svg [<!ENTITY s 'fill:red'>]>\r\n<svg><g style=\"fill:blue\" id=\"a\"/><g style=\"&s;\"/>"
                   "<text id=\"t\">&s; &amp; more &s;</text></svg>"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadUtf8Case {
  const char* name;
  std::string text;
  const char* message;
};

void PrintTo(const BadUtf8Case& c, std::ostream* out) { *out << c.name; }

class RefusesBadUtf8 : public testing::TestWithParam<BadUtf8Case> {};

TEST_P(RefusesBadUtf8, WithItsLine) {
  try {
    SvgDocument::Parse(GetParam().text);
    FAIL() << "accepted";
  } catch (const SvgError& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Utf8, RefusesBadUtf8,
    testing::Values(
        BadUtf8Case{"Latin1Byte", "<svg>\n<text>\n caf\xe9</text></svg>",
                    "not well-formed XML at line 3: byte 0xE9 is not UTF-8"},
        BadUtf8Case{"CutShort", "<svg a=\"\xc3\"/>", "not well-formed XML at line 1: byte 0xC3 is not UTF-8"},
        BadUtf8Case{"Surrogate", "\xef\xbb\xbf<svg>\r\n<!-- \xed\xa0\x80 --></svg>",
                    "not well-formed XML at line 2: byte 0xED is not UTF-8"},
        BadUtf8Case{"Overlong", "<svg>\n\n\n<g id=\"\xc0\xaf\"/></svg>",
                    "not well-formed XML at line 4: byte 0xC0 is not UTF-8"},
        BadUtf8Case{"AboveTheLastCodePoint", "<svg>\xf4\x90\x80\x80</svg>",
                    "not well-formed XML at line 1: byte 0xF4 is not UTF-8"}),
    [](const auto& info) { return std::string(info.param.name); });

// Latin-1 is read as the declaration says, and printed from the tree (a
// document all ASCII, which pugixml reads in place, too).
TEST(SvgDocumentParse, TakesLatin1WhereTheDocumentSaysSo) {
  const auto doc = SvgDocument::Parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><svg a=\"caf\xe9\"/>");
  EXPECT_STREQ(doc.Root().attribute("a").value(), "caf\xc3\xa9");
  auto ascii = SvgDocument::Parse("<?xml version='1.0' encoding='iso-8859-1'?>\r\n<svg a='1'><g b=\"2\"></g></svg>");
  ascii.Root().attribute("a").set_value("3");
  EXPECT_EQ(ascii.Serialize(), "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<svg a=\"3\"><g b=\"2\"/></svg>\n");
}

}  // namespace
}  // namespace evenhue::svg
