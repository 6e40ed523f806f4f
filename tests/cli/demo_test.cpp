// `evenhue demo --out DIR`: the sample documents through the plug-in, three
// files written and a table with one row per rewritten gradient.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

namespace fs = std::filesystem;

TEST(Demo, WritesTheThreeFilesAndATableRowPerRewrittenGradient) {
  Scratch scratch;
  const std::string dir = scratch.path("new/folder");  // made as needed
  const Finished run = Evenhue({"demo", "--out", dir});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.empty()) << run.err;

  // What the sample documents hold: every gradient paint is rewritten.
  std::vector<PaintUse> expected;
  std::vector<std::string> documents;
  for (const std::string& name : ExampleNames()) {
    pugi::xml_document document;
    ASSERT_TRUE(LoadSvg(document, ReadFile(ExamplePath(name))));
    for (const PaintUse& use : GradientPaints(document)) {
      expected.push_back(use);
      documents.push_back(name);
    }
  }
  ASSERT_GE(expected.size(), ExampleNames().size());

  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"evenhue.svg", "ramps.png", "report.json"}));

  pugi::xml_document sheet;
  ASSERT_TRUE(LoadSvg(sheet, ReadFile(dir + "/evenhue.svg")));
  EXPECT_EQ(Local(sheet.document_element()), "svg");

  Png png;
  ASSERT_NO_THROW(png = DecodePng(ReadFile(dir + "/ramps.png")));
  EXPECT_GT(png.width, 0);
  EXPECT_GT(png.height, static_cast<int>(expected.size()) * 3);

  const nlohmann::json report = nlohmann::json::parse(ReadFile(dir + "/report.json"));
  ASSERT_EQ(report["gradients"].size(), expected.size());

  // One row per rewritten gradient, in order, naming its document, source,
  // paint and element, with the stop counts before and after.
  std::vector<std::string> rows;
  for (const std::string& line : Lines(run.out))
    if (line.find("\xe2\x86\x92") != std::string::npos) rows.push_back(line);
  ASSERT_EQ(rows.size(), expected.size()) << run.out;
  const std::regex counts("(\\d+) \xe2\x86\x92 (\\d+)");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i]);
    const auto& entry = report["gradients"][i];
    EXPECT_EQ(entry["document"], documents[i]);
    EXPECT_EQ(entry["source"], expected[i].gradient);
    EXPECT_EQ(entry["element"], expected[i].element);
    EXPECT_EQ(entry["paint"], expected[i].property);
    EXPECT_NE(rows[i].find(documents[i]), std::string::npos);
    EXPECT_NE(rows[i].find("#" + expected[i].gradient), std::string::npos);
    EXPECT_NE(rows[i].find("#" + expected[i].element), std::string::npos);
    EXPECT_NE(rows[i].find(expected[i].property), std::string::npos);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(rows[i], m, counts));
    EXPECT_EQ(std::stoul(m[1]), entry["stopsBefore"].get<std::size_t>());
    EXPECT_EQ(std::stoul(m[2]), entry["stopsAfter"].get<std::size_t>());
    EXPECT_EQ(entry["stopsAfter"].get<std::size_t>(), 4 * entry["stopsBefore"].get<std::size_t>() - 3);
  }
  EXPECT_NE(run.out.find(dir + "/report.json"), std::string::npos) << "the table does not say where the files went";
}

}  // namespace
}  // namespace clitest
