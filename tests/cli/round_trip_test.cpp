// Round trips of every sample document: apply, then apply again to the
// output. The first output re-spaces every gradient paint to 4n - 3 stops;
// the second re-spaces those new gradients in turn, reading back the stops
// and the data-midpoints the first one wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gradient/resample.hpp"
#include "gradient/stops.hpp"
#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

struct Applied {
  std::string text;
  pugi::xml_document document;
};

void Apply(const std::string& input, Applied& out) {
  Scratch scratch;
  WriteFile(scratch.path("in.svg"), input);
  const Finished run = Evenhue({"apply", scratch.path("in.svg"), "-o", scratch.path("out.svg")});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_TRUE(run.err.empty()) << run.err;
  out.text = ReadFile(scratch.path("out.svg"));
  ASSERT_TRUE(LoadSvg(out.document, out.text)) << "the output does not parse";
}

pugi::xml_node Painted(const pugi::xml_document& document, const PaintUse& use) {
  const auto paint = Effective(ById(document, use.element), use.property);
  const auto id = paint ? UrlId(*paint) : std::nullopt;
  return id ? ById(document, *id) : pugi::xml_node();
}

// The stops the plug-in makes of `stops` as read from an SVG document: the
// two resampling passes of the design, percent conversions as the host
// carries them.
evenhue::RampStopList Respaced(const std::vector<SvgStop>& stops) {
  evenhue::RampStopList ramp;
  for (const SvgStop& s : stops) {
    const auto rgb = FromHex(s.color);
    EXPECT_TRUE(rgb.has_value()) << s.color;
    const auto c = rgb.value_or(std::array<double, 3>{0, 0, 0});
    ramp.push_back(evenhue::MakeRampStop((s.offset * 100.0) * 0.01, {c[0], c[1], c[2], s.opacity},
                                         s.midpoint.value_or(50.0) * 0.01));
  }
  const auto fine = evenhue::ResampleInLab(ramp, 256);
  return evenhue::ResampleInRgb(fine, static_cast<std::int32_t>(4 * stops.size() - 3));
}

// The geometric attributes of a gradient as a renderer resolves them, each
// from the first element of its href chain that has it.
std::map<std::string, std::string> Geometry(const pugi::xml_document& document, pugi::xml_node gradient) {
  static const std::vector<std::string> linear = {"x1", "y1", "x2", "y2", "gradientUnits", "gradientTransform",
                                                  "spreadMethod"};
  static const std::vector<std::string> radial = {"cx", "cy", "r", "fx", "fy", "fr", "gradientUnits",
                                                  "gradientTransform", "spreadMethod"};
  std::map<std::string, std::string> out;
  const auto& names = Local(gradient) == "radialGradient" ? radial : linear;
  std::set<const void*> seen;
  for (pugi::xml_node at = gradient; at && seen.insert(at.internal_object()).second;) {
    for (const std::string& name : names)
      if (const pugi::xml_attribute a = at.attribute(name.c_str())) out.try_emplace(name, a.value());
    std::string href = at.attribute("href").value();
    if (href.empty()) href = at.attribute("xlink:href").value();
    if (href.size() < 2 || href[0] != '#') break;
    at = ById(document, href.substr(1));
  }
  return out;
}

class RoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, ApplyTwice) {
  const std::string source = ReadFile(ExamplePath(GetParam()));
  pugi::xml_document input;
  ASSERT_TRUE(LoadSvg(input, source));
  const auto uses = GradientPaints(input);
  ASSERT_FALSE(uses.empty()) << "a sample document without a gradient paint";
  std::set<std::string> inputIds;
  for (pugi::xpath_node n : input.select_nodes("//*[@id]")) inputIds.insert(n.node().attribute("id").value());

  // First: every gradient paint points to a new gradient of 4n - 3 evenly
  // spaced stops, each with its midpoint.
  Applied first;
  ASSERT_NO_FATAL_FAILURE(Apply(source, first));
  std::vector<std::string> firstIds, elements;
  for (const PaintUse& use : uses) {
    SCOPED_TRACE("first apply, " + use.element + " " + use.property);
    const pugi::xml_node gradient = Painted(first.document, use);
    ASSERT_TRUE(gradient);
    const std::string id = gradient.attribute("id").value();
    EXPECT_EQ(inputIds.count(id), 0u) << id;
    firstIds.push_back(id);
    elements.push_back(use.element);
    EXPECT_EQ(Local(gradient), Local(ById(input, use.gradient)));
    EXPECT_EQ(Geometry(first.document, gradient), Geometry(input, ById(input, use.gradient)));
    const std::size_t n = ResolvedStops(input, ById(input, use.gradient)).size();
    const auto stops = ResolvedStops(first.document, gradient);
    ASSERT_EQ(stops.size(), 4 * n - 3);
    for (std::size_t k = 0; k < stops.size(); ++k) {
      EXPECT_NEAR(stops[k].offset, static_cast<double>(k) / static_cast<double>(stops.size() - 1), 1e-12);
      EXPECT_TRUE(stops[k].midpoint.has_value()) << "stop " << k << " has no data-midpoint";
      EXPECT_TRUE(FromHex(stops[k].color).has_value()) << stops[k].color;
    }
  }
  ExpectSameExceptRewrites(input, first.document, firstIds, elements);

  // Second, on the first output: the new gradients are re-spaced again, to
  // 4(4n - 3) - 3 stops, from their stops and data-midpoints as written.
  Applied second;
  ASSERT_NO_FATAL_FAILURE(Apply(first.text, second));
  const auto uses2 = GradientPaints(first.document);
  ASSERT_EQ(uses2.size(), uses.size());
  std::vector<std::string> secondIds;
  bool midpointsOtherThanHalf = false;
  for (std::size_t u = 0; u < uses2.size(); ++u) {
    const PaintUse& use = uses2[u];
    SCOPED_TRACE("second apply, " + use.element + " " + use.property);
    EXPECT_EQ(use.gradient, firstIds[u]);
    const pugi::xml_node gradient = Painted(second.document, use);
    ASSERT_TRUE(gradient);
    const std::string id = gradient.attribute("id").value();
    EXPECT_NE(id, firstIds[u]);
    secondIds.push_back(id);
    EXPECT_EQ(Geometry(second.document, gradient), Geometry(first.document, ById(first.document, use.gradient)));
    const auto before = ResolvedStops(first.document, ById(first.document, use.gradient));
    const auto after = ResolvedStops(second.document, gradient);
    const std::size_t n = ResolvedStops(input, ById(input, uses[u].gradient)).size();
    ASSERT_EQ(before.size(), 4 * n - 3);
    ASSERT_EQ(after.size(), 4 * (4 * n - 3) - 3);
    const auto expected = Respaced(before);
    ASSERT_EQ(expected.size(), after.size());
    for (std::size_t k = 0; k < after.size(); ++k) {
      SCOPED_TRACE("stop " + std::to_string(k));
      const evenhue::RampStop& e = expected[k];
      EXPECT_NEAR(after[k].offset, e.position, 1e-12);
      ASSERT_TRUE(after[k].midpoint.has_value());
      EXPECT_DOUBLE_EQ(*after[k].midpoint, e.midpoint * 100.0);
      EXPECT_EQ(after[k].color, Hex(e.color.red, e.color.green, e.color.blue));
      EXPECT_NEAR(after[k].opacity, e.color.opacity, 1e-12);
    }
    for (const SvgStop& s : before) midpointsOtherThanHalf |= s.midpoint.value_or(50.0) != 50.0;
  }
  ExpectSameExceptRewrites(first.document, second.document, secondIds, elements);
  if (GetParam() == "2-three-stops-midpoints.svg") {
    EXPECT_TRUE(midpointsOtherThanHalf) << "the sample's midpoints did not come through the first apply";
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, RoundTrip, ::testing::ValuesIn(ExampleNames()), [](const auto& info) {
  std::string name = info.param;
  name.erase(std::remove_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }),
             name.end());
  return name;
});

}  // namespace
}  // namespace clitest
