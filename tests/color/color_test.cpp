#include "color/color.hpp"
#include "tests/gradient/pinned.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace evenhue {
namespace {

// Each space has a type of its own: a triple converts only from its space.
static_assert(std::is_invocable_v<decltype(&RgbToLab), const RgbTriple&>);
static_assert(!std::is_invocable_v<decltype(&RgbToLab), const XyzTriple&>);
static_assert(!std::is_invocable_v<decltype(&LabToRgb), const RgbTriple&>);
static_assert(!std::is_convertible_v<XyzTriple, LabTriple> && !std::is_convertible_v<LabTriple, RgbTriple>);

std::array<double, 3> Convert(const std::string& function, const double (&in)[3]) {
  if (function == "RgbToLab") return RgbToLab({in[0], in[1], in[2]}).values;
  if (function == "LabToRgb") return LabToRgb({in[0], in[1], in[2]}).values;
  if (function == "XyzToLab") return XyzToLab({in[0], in[1], in[2]}).values;
  if (function == "XyzToRgb") return XyzToRgb({in[0], in[1], in[2]}).values;
  if (function == "LabToXyz") return LabToXyz({in[0], in[1], in[2]}).values;
  ADD_FAILURE() << "no conversion " << function;
  return {};
}

class PinnedConversion : public ::testing::TestWithParam<reference::Conversion> {};

// Expected bits from scripts/reference_values.py, which follows the formulas
// in their written order on its own (tests/gradient/pinned.hpp on other C libraries).
TEST_P(PinnedConversion, MatchesTheIndependentComputationBitForBit) {
  const reference::Conversion& c = GetParam();
  const std::array<double, 3> expected{c.out[0], c.out[1], c.out[2]};
  EXPECT_TRUE(reference::Matches(Convert(c.function, c.in), expected));
}

INSTANTIATE_TEST_SUITE_P(Color, PinnedConversion, ::testing::ValuesIn(reference::kConversions),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ColorOutOfGamut, RedClampedAfterTransferGreenThroughLinearBranch) {
  const RgbTriple rgb = LabToRgb({50, 100, 0});
  EXPECT_EQ(rgb[0], 1.0);
  EXPECT_EQ(rgb[1], 0.0);
  // The linear values of that colour: red above 1 stays above 1 after the
  // transfer function, green below the threshold takes the linear branch.
  EXPECT_GT(LinearToSrgb(1.017342), 1.0);
  EXPECT_EQ(LinearToSrgb(-0.065022), kSrgbLinearSlope * -0.065022);
}

TEST(ColorRoundTrip, RedThereAndBackIsCloseButNotExact) {
  const RgbTriple back = LabToRgb(RgbToLab({1, 0, 0}));
  EXPECT_NEAR(back[0], 0.99999992, 5e-9);
  EXPECT_NEAR(back[1], 0.0000017, 5e-8);
  EXPECT_EQ(back[2], 0.0);
  EXPECT_NE(back[0], 1.0);
}

TEST(ColorRoundTrip, InGamutColoursComeBackClose) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 5000; ++i) {
    const RgbTriple rgb{unit(rng), unit(rng), unit(rng)};
    const RgbTriple back = LabToRgb(RgbToLab(rgb));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(back[c], rgb[c], 1e-5) << "sample " << i;
  }
}

TEST(ColorClamp, LabToRgbAlwaysInsideUnitRange) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> l(-20.0, 130.0);
  std::uniform_real_distribution<double> ab(-200.0, 200.0);
  for (int i = 0; i < 5000; ++i) {
    const RgbTriple rgb = LabToRgb({l(rng), ab(rng), ab(rng)});
    for (int c = 0; c < 3; ++c) {
      EXPECT_GE(rgb[c], 0.0);
      EXPECT_LE(rgb[c], 1.0);
    }
  }
}

TEST(ColorClamp, NanPassesTheClampUnchanged) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const RgbTriple rgb = XyzToRgb({nan, 0.5, 0.5});
  EXPECT_TRUE(std::isnan(rgb[0]));
  EXPECT_TRUE(std::isnan(rgb[1]));
  EXPECT_TRUE(std::isnan(rgb[2]));
}

TEST(ColorClamp, EachChannelClampedOnItsOwn) {
  // Pure XYZ X drives linear red up, green down and blue slightly up.
  const RgbTriple rgb = XyzToRgb({1.0, 0.0, 0.0});
  EXPECT_EQ(rgb[0], 1.0);
  EXPECT_EQ(rgb[1], 0.0);
  EXPECT_GT(rgb[2], 0.0);
  EXPECT_LT(rgb[2], 1.0);
}

struct ScalarCase {
  std::string name;
  double (*fn)(double);
  double in;
  double expected;
};

void PrintTo(const ScalarCase& c, std::ostream* os) { *os << c.name; }

class ScalarExact : public ::testing::TestWithParam<ScalarCase> {};

TEST_P(ScalarExact, GivesExactValue) {
  const ScalarCase& c = GetParam();
  EXPECT_EQ(c.fn(c.in), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Color, ScalarExact,
    ::testing::Values(
        // A value exactly at a threshold takes the linear branch.
        ScalarCase{"SrgbToLinearAtThreshold", SrgbToLinear, kSrgbEncodedThreshold,
                   kSrgbEncodedThreshold / kSrgbLinearSlope},
        ScalarCase{"LinearToSrgbAtThreshold", LinearToSrgb, kSrgbLinearThreshold,
                   kSrgbLinearSlope * kSrgbLinearThreshold},
        ScalarCase{"LabFAtThreshold", LabF, kLabEpsilon, kLabSlope * kLabEpsilon + kLabOffset},
        ScalarCase{"LabFInverseAtThreshold", LabFInverse, kLabInverseThreshold,
                   (kLabInverseThreshold - kLabOffset) / kLabSlope},
        // Negative inputs go through the linear branches.
        ScalarCase{"SrgbToLinearNegative", SrgbToLinear, -0.1, -0.1 / kSrgbLinearSlope},
        ScalarCase{"LinearToSrgbNegative", LinearToSrgb, -0.5, kSrgbLinearSlope * -0.5},
        ScalarCase{"LabFNegative", LabF, -8.0, kLabSlope * -8.0 + kLabOffset},
        // Above the thresholds: the power curves and the real cube root.
        ScalarCase{"SrgbToLinearOne", SrgbToLinear, 1.0, 1.0},
        ScalarCase{"LabFCubeRoot", LabF, 8.0, 2.0},
        ScalarCase{"LabFCubeRootOfOne", LabF, 1.0, 1.0},
        ScalarCase{"LabFInverseCube", LabFInverse, 2.0, 8.0},
        ScalarCase{"LabFInverseBelowThreshold", LabFInverse, 0.2, (0.2 - kLabOffset) / kLabSlope}),
    [](const auto& info) { return info.param.name; });

TEST(ColorThresholds, JustAboveThresholdsTakeCurvedBranch) {
  // The curved and linear branches nearly meet at the thresholds, so the
  // chosen branch shows only in the last digits: compare with the other one.
  const double s = std::nextafter(kSrgbEncodedThreshold, 1.0);
  EXPECT_NE(SrgbToLinear(s), s / kSrgbLinearSlope);
  EXPECT_NEAR(SrgbToLinear(s), s / kSrgbLinearSlope, 1e-6);
  const double f = std::nextafter(kLabEpsilon, 1.0);
  EXPECT_EQ(LabF(f), std::cbrt(f));
  const double g = std::nextafter(kLabInverseThreshold, 1.0);
  EXPECT_EQ(LabFInverse(g), g * g * g);
}

TEST(ColorWhite, D65WhiteMapsToLabHundred) {
  EXPECT_EQ(D65White.x, 0.95047);
  EXPECT_EQ(D65White.y, 1.0);
  EXPECT_EQ(D65White.z, 1.08883);
  const LabTriple lab = XyzToLab({D65White.x, D65White.y, D65White.z});
  EXPECT_EQ(lab[0], 100.0);
  EXPECT_EQ(lab[1], 0.0);
  EXPECT_EQ(lab[2], 0.0);
  const XyzTriple xyz = LabToXyz({100.0, 0.0, 0.0});
  EXPECT_EQ(xyz[0], D65White.x);
  EXPECT_EQ(xyz[1], D65White.y);
  EXPECT_EQ(xyz[2], D65White.z);
}

TEST(ColorWhite, SrgbWhiteHasYAHairAboveOne) {
  const XyzTriple xyz = RgbToXyz({1, 1, 1});
  EXPECT_NEAR(xyz[0], 0.95047, 1e-12);
  EXPECT_GT(xyz[1], 1.0);
  EXPECT_NEAR(xyz[1], 1.0000001, 1e-12);
  EXPECT_NEAR(xyz[2], 1.08883, 1e-12);
}

TEST(ColorComposite, CompositesAreTheirParts) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> d(-0.2, 1.2);
  for (int i = 0; i < 1000; ++i) {
    const RgbTriple rgb{d(rng), d(rng), d(rng)};
    EXPECT_EQ(RgbToLab(rgb), XyzToLab(RgbToXyz(rgb)));
    const LabTriple lab{d(rng) * 100, d(rng) * 100 - 50, d(rng) * 100 - 50};
    EXPECT_EQ(LabToRgb(lab), XyzToRgb(LabToXyz(lab)));
  }
}

}  // namespace
}  // namespace evenhue
