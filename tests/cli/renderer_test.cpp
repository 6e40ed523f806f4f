// A real SVG renderer's view of the output: rsvg-convert rasterises a
// blue-to-yellow ramp before and after, and pixel by pixel along the ramp the
// rendered colours are compared with the ideal CIELAB blend of the source
// stops (CIEDE2000 by Little CMS).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 4;

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// A rectangle exactly as wide as the image, filled with the gradient across
// its bounding box: pixel x shows the ramp at p = (x + 0.5) / width.
std::string RampDocument() {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kWidth) + "\" height=\"" +
         std::to_string(kHeight) + "\" viewBox=\"0 0 " + std::to_string(kWidth) + " " + std::to_string(kHeight) +
         "\">\n<defs><linearGradient id=\"ramp\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\">"
         "<stop offset=\"0\" stop-color=\"#0000ff\"/><stop offset=\"1\" stop-color=\"#ffff00\"/>"
         "</linearGradient></defs>\n<rect id=\"r\" x=\"0\" y=\"0\" width=\"" + std::to_string(kWidth) +
         "\" height=\"" + std::to_string(kHeight) + "\" fill=\"url(#ramp)\"/>\n</svg>\n";
}

struct Figures {
  double max = 0.0;
  double mean = 0.0;
  int worstPixel = -1;
};

// Renders `svg` with rsvg-convert and measures every pixel of the middle row
// against the ideal ramp.
void Measure(const std::string& renderer, const std::string& svg, const Scratch& scratch, const std::string& name,
             Figures& figures) {
  WriteFile(scratch.path(name + ".svg"), svg);
  const Finished run = testcmd::RunProgram(renderer, {scratch.path(name + ".svg")}, "/dev/null", scratch.path(name + ".png"));
  ASSERT_EQ(run.status, 0) << run.err;
  Png png;
  ASSERT_NO_THROW(png = DecodePng(ReadFile(scratch.path(name + ".png"))));
  ASSERT_EQ(png.width, kWidth);
  ASSERT_EQ(png.height, kHeight);

  const std::vector<IdealStop> source = {{0.0, {0.0, 0.0, 1.0}, 50.0}, {1.0, {1.0, 1.0, 0.0}, 50.0}};
  double sum = 0.0;
  for (int x = 0; x < kWidth; ++x) {
    const auto px = png.at(x, kHeight / 2);
    ASSERT_EQ(px[3], 255) << "pixel " << x << " is not covered";
    const double p = (x + 0.5) / kWidth;
    const double d = DeltaE2000(PixelLab(px[0], px[1], px[2]), IdealLab(source, p));
    if (d > figures.max) {
      figures.max = d;
      figures.worstPixel = x;
    }
    sum += d;
  }
  figures.mean = sum / kWidth;
}

TEST(Renderer, BlueToYellowFollowsTheIdealCielabRamp) {
  const std::string renderer = FindProgram("rsvg-convert");
  if (renderer.empty()) GTEST_SKIP() << "rsvg-convert (Debian librsvg2-bin) is not installed";

  Scratch scratch;
  const std::string source = RampDocument();
  WriteFile(scratch.path("in.svg"), source);
  const Finished run =
      Evenhue({"apply", scratch.path("in.svg"), "-o", scratch.path("out.svg"), "--report", scratch.path("r.json")});
  ASSERT_EQ(run.status, 0) << run.err;

  Figures before, after;
  ASSERT_NO_FATAL_FAILURE(Measure(renderer, source, scratch, "source", before));
  ASSERT_NO_FATAL_FAILURE(Measure(renderer, ReadFile(scratch.path("out.svg")), scratch, "result", after));
  std::cout << "rsvg-convert, CIEDE2000 from the ideal CIELAB ramp over " << kWidth << " pixels:\n"
            << "  source  max " << before.max << " (pixel " << before.worstPixel << "), mean " << before.mean << "\n"
            << "  result  max " << after.max << " (pixel " << after.worstPixel << "), mean " << after.mean << "\n";
  RecordProperty("source_max", std::to_string(before.max));
  RecordProperty("source_mean", std::to_string(before.mean));
  RecordProperty("result_max", std::to_string(after.max));
  RecordProperty("result_mean", std::to_string(after.mean));

  EXPECT_LE(after.max, 5.5);
  EXPECT_LE(after.mean, 2.0);
  EXPECT_GT(before.max, 25.0);

  // The report's figures are what a real renderer shows.
  const nlohmann::json report = nlohmann::json::parse(ReadFile(scratch.path("r.json")));
  ASSERT_EQ(report["gradients"].size(), 1u);
  const auto& figures = report["gradients"][0]["deltaE2000"];
  EXPECT_NEAR(figures["before"]["max"].get<double>(), before.max, 1.0);
  EXPECT_NEAR(figures["before"]["mean"].get<double>(), before.mean, 0.3);
  EXPECT_NEAR(figures["after"]["max"].get<double>(), after.max, 1.0);
  EXPECT_NEAR(figures["after"]["mean"].get<double>(), after.mean, 0.3);
}

}  // namespace
}  // namespace clitest
