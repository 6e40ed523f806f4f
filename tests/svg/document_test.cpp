#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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

struct RefusedCase {
  const char* name;
  std::string text;
  const char* message;  // part of the one-line reason
};

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
        RefusedCase{"EntityBomb",
                    "<!DOCTYPE svg [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                    "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><svg><text>&c;</text></svg>",
                    "declares entities"},
        RefusedCase{"ExternalEntity",
                    "<!DOCTYPE svg [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]><svg><text>&xxe;</text></svg>",
                    "declares entities"},
        RefusedCase{"ParameterEntity", "<!DOCTYPE svg [<!entity % p SYSTEM \"http://example.com/x.dtd\"> %p;]><svg/>",
                    "declares entities"}),
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
