#include "gradient/resample.hpp"
#include "tests/gradient/pinned.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace evenhue {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

RampStopList Chain(const RampStopList& stops, std::int32_t count) {
  return ResampleInRgb(ResampleInLab(stops, 256), count);
}

StopColor Grey(double v, double opacity = 1.0) { return StopColor{v, v, v, opacity}; }

// ---------------------------------------------------------------- MidpointLerp

// Expected bits from scripts/reference_values.py, which follows the formulas
// in their written order on its own.
class PinnedLerp : public ::testing::TestWithParam<reference::Lerp> {};

TEST_P(PinnedLerp, MatchesTheIndependentComputationBitForBit) {
  const reference::Lerp& c = GetParam();
  EXPECT_EQ(MidpointLerp(c.a, c.b, c.t, c.m), c.out);
}

INSTANTIATE_TEST_SUITE_P(Resample, PinnedLerp, ::testing::ValuesIn(reference::kLerps),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(MidpointLerpExact, WeightIsExactlyHalfAtMidpointAndOneAtEnd) {
  for (double m : {0.13, 0.3, 0.5, 0.61, 0.87}) {
    EXPECT_EQ(MidpointLerp(0.0, 8.0, m, m), 4.0) << m;
    EXPECT_EQ(MidpointLerp(0.2, 0.9, 1.0, m), 0.2 + (0.9 - 0.2) * 1.0) << m;
    EXPECT_EQ(MidpointLerp(0.2, 0.9, 0.0, m), 0.2) << m;
  }
}

TEST(MidpointLerpExact, NanTTakesSecondBranchAndGivesNan) {
  EXPECT_TRUE(std::isnan(MidpointLerp(0.0, 1.0, kNan, 0.5)));
}

TEST(MidpointLerpOutsideContract, MidpointIsClampedSoNoDivisorIsZero) {
  for (double t : {-0.5, 0.0, 0.1, 0.5, 1.0, 1.5}) {
    EXPECT_EQ(MidpointLerp(2.0, 5.0, t, 0.0), MidpointLerp(2.0, 5.0, t, 0.13)) << t;
    EXPECT_EQ(MidpointLerp(2.0, 5.0, t, 1.0), MidpointLerp(2.0, 5.0, t, 0.87)) << t;
    EXPECT_TRUE(std::isfinite(MidpointLerp(2.0, 5.0, t, -4.0))) << t;
  }
  EXPECT_TRUE(std::isnan(MidpointLerp(2.0, 5.0, 0.5, kNan)));
}

TEST(LerpTripleAndStopColor, BlendEveryChannelWithTheSameWeights) {
  const LabTriple a{0, 10, -4};
  const LabTriple b{1, 20, 4};
  const LabTriple lab = LerpTriple(a, b, 0.125, 0.25);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lab[i], MidpointLerp(a[i], b[i], 0.125, 0.25));
  const StopColor c{0.1, 0.2, 0.3, 0.4};
  const StopColor d{0.9, 0.7, 0.5, 0.0};
  const StopColor e = LerpStopColor(c, d, 0.7, 0.4);
  EXPECT_EQ(e.red, MidpointLerp(0.1, 0.9, 0.7, 0.4));
  EXPECT_EQ(e.green, MidpointLerp(0.2, 0.7, 0.7, 0.4));
  EXPECT_EQ(e.blue, MidpointLerp(0.3, 0.5, 0.7, 0.4));
  EXPECT_EQ(e.opacity, MidpointLerp(0.4, 0.0, 0.7, 0.4));
}

// ---------------------------------------------------------- worked gradients

class PinnedChain : public ::testing::TestWithParam<reference::Gradient> {};

TEST_P(PinnedChain, MatchesTheIndependentComputationBitForBit) {
  const reference::Gradient& g = GetParam();
  RampStopList in;
  for (const reference::Stop& s : g.in) {
    in.push_back(MakeRampStop(s.position, {s.red, s.green, s.blue, s.opacity}, s.midpoint));
  }
  const RampStopList out = Chain(in, static_cast<std::int32_t>(g.out.size()));
  ASSERT_EQ(out.size(), g.out.size());
  for (std::size_t k = 0; k < out.size(); ++k) {
    const RampStop& s = out[k];
    const reference::Stop actual{s.position, s.midpoint, s.color.red, s.color.green, s.color.blue, s.color.opacity};
    EXPECT_TRUE(reference::Matches(reference::Fields(actual), reference::Fields(g.out[k]))) << "stop " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Resample, PinnedChain, ::testing::ValuesIn(reference::kChains),
                         [](const auto& info) { return std::string(info.param.label); });

// ------------------------------------------------------- per-pass exact hits

const RampStopList kThreeStops{MakeRampStop(0, {0.2, 0.4, 0.6, 0.9}, 0.3),
                               MakeRampStop(0.5, {0.9, 0.1, 0.3, 0.5}, 0.7),
                               MakeRampStop(1, {0.1, 0.8, 0.2, 0.2}, 0.6)};

TEST(ResampleInLabHits, FirstStopGoesThroughLabLastIsCopied) {
  const RampStopList out = ResampleInLab(kThreeStops, 3);
  ASSERT_EQ(out.size(), 3u);
  const RgbTriple first = LabToRgb(RgbToLab({0.2, 0.4, 0.6}));
  EXPECT_EQ(out[0].color.red, first[0]);
  EXPECT_EQ(out[0].color.green, first[1]);
  EXPECT_EQ(out[0].color.blue, first[2]);
  EXPECT_EQ(out[0].color.opacity, 0.9);
  EXPECT_EQ(out[0].midpoint, 0.3);
  // On the middle stop: inside the segment that begins there, t = 0.
  const RgbTriple middle = LabToRgb(RgbToLab({0.9, 0.1, 0.3}));
  EXPECT_EQ(out[1].color.red, middle[0]);
  EXPECT_EQ(out[1].color.green, middle[1]);
  EXPECT_EQ(out[1].color.blue, middle[2]);
  EXPECT_EQ(out[1].midpoint, 0.7);
  // On the last stop: past-last, copied unchanged.
  EXPECT_EQ(out[2].color.red, 0.1);
  EXPECT_EQ(out[2].color.green, 0.8);
  EXPECT_EQ(out[2].color.blue, 0.2);
  EXPECT_EQ(out[2].color.opacity, 0.2);
  EXPECT_EQ(out[2].midpoint, 0.6);
}

TEST(ResampleInRgbHits, FirstStopCopiedOthersEndTheirSegment) {
  const RampStopList out = ResampleInRgb(kThreeStops, 3);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].color.red, 0.2);
  EXPECT_EQ(out[0].color.opacity, 0.9);
  EXPECT_EQ(out[0].midpoint, 0.3);
  // On the middle stop: end of segment (0, 1), t = 1, midpoint of stop 0.
  EXPECT_EQ(out[1].color.red, 0.2 + (0.9 - 0.2) * 1.0);
  EXPECT_EQ(out[1].color.green, 0.4 + (0.1 - 0.4) * 1.0);
  EXPECT_EQ(out[1].color.opacity, 0.9 + (0.5 - 0.9) * 1.0);
  EXPECT_EQ(out[1].midpoint, 0.3);
  EXPECT_EQ(out[2].color.red, 0.9 + (0.1 - 0.9) * 1.0);
  EXPECT_EQ(out[2].midpoint, 0.7);
}

TEST(ResampleOutOfRangeColours, SurviveWhereCopiedOrBlendedDirectlyClampedThroughLab) {
  const RampStopList stops{MakeRampStop(0.25, {1.5, -0.5, 0.5, 1.25}, 0.5),
                           MakeRampStop(0.75, {-0.25, 2.0, 0.5, -0.5}, 0.5)};
  const RampStopList lab = ResampleInLab(stops, 5);
  ASSERT_EQ(lab.size(), 5u);
  EXPECT_EQ(lab[0].color.red, 1.5);  // before-first copy
  EXPECT_EQ(lab[0].color.green, -0.5);
  EXPECT_EQ(lab[0].color.opacity, 1.25);
  EXPECT_EQ(lab[4].color.green, 2.0);  // past-last copy
  EXPECT_EQ(lab[4].color.opacity, -0.5);
  for (std::size_t i = 1; i <= 2; ++i) {  // blended through CIELAB: clamped
    for (double v : {lab[i].color.red, lab[i].color.green, lab[i].color.blue}) {
      EXPECT_GE(v, 0.0);
      EXPECT_LE(v, 1.0);
    }
  }
  const RampStopList rgb = ResampleInRgb(stops, 5);
  ASSERT_EQ(rgb.size(), 5u);
  EXPECT_EQ(rgb[2].color.red, MidpointLerp(1.5, -0.25, 0.5, 0.5));  // blended, unclamped
  EXPECT_GT(rgb[2].color.green, 0.5);
  EXPECT_EQ(rgb[2].color.opacity, MidpointLerp(1.25, -0.5, 0.5, 0.5));
  EXPECT_EQ(rgb[0].color.red, 1.5);
}

// -------------------------------------------------- outside the contract

struct RejectCase {
  std::string name;
  RampStopList stops;
  std::int32_t count;
};

void PrintTo(const RejectCase& c, std::ostream* os) { *os << c.name; }

const RampStopList kValidPair{MakeRampStop(0, Grey(0), 0.5), MakeRampStop(1, Grey(1), 0.5)};

class ResampleRejects : public ::testing::TestWithParam<RejectCase> {};

TEST_P(ResampleRejects, BothPassesReturnEmpty) {
  const RejectCase& c = GetParam();
  EXPECT_FALSE(CanResample(c.stops, c.count));
  EXPECT_TRUE(ResampleInLab(c.stops, c.count).empty());
  EXPECT_TRUE(ResampleInRgb(c.stops, c.count).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Resample, ResampleRejects,
    ::testing::Values(
        RejectCase{"CountOne", kValidPair, 1}, RejectCase{"CountZero", kValidPair, 0},
        RejectCase{"CountNegative", kValidPair, -7},
        RejectCase{"CountMinimum", kValidPair, std::numeric_limits<std::int32_t>::min()},
        RejectCase{"CountAboveCap", kValidPair, kMaxResampleCount + 1},
        RejectCase{"CountMaximum", kValidPair, std::numeric_limits<std::int32_t>::max()},
        RejectCase{"EmptyList", {}, 256},
        RejectCase{"DecreasingPositions",
                   {MakeRampStop(0, Grey(0), 0.5), MakeRampStop(0.6, Grey(1), 0.5), MakeRampStop(0.4, Grey(0), 0.5)},
                   256},
        RejectCase{"NanPosition", {MakeRampStop(0, Grey(0), 0.5), MakeRampStop(kNan, Grey(1), 0.5)}, 256},
        RejectCase{"NanOnlyPosition", {MakeRampStop(kNan, Grey(1), 0.5)}, 256},
        RejectCase{"InfinitePosition", {MakeRampStop(0, Grey(0), 0.5), MakeRampStop(kInf, Grey(1), 0.5)}, 256},
        RejectCase{"NegativeInfinitePosition", {MakeRampStop(-kInf, Grey(0), 0.5), MakeRampStop(1, Grey(1), 0.5)}, 256},
        RejectCase{"NanMidpoint", {MakeRampStop(0, Grey(0), kNan), MakeRampStop(1, Grey(1), 0.5)}, 256},
        RejectCase{"NanMidpointOnLastStop", {MakeRampStop(0, Grey(0), 0.5), MakeRampStop(1, Grey(1), kNan)}, 256}),
    [](const auto& info) { return info.param.name; });

TEST(ResampleAccepts, SmallestAndLargestCounts) {
  EXPECT_TRUE(CanResample(kValidPair, 2));
  const RampStopList two = ResampleInRgb(kValidPair, 2);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].position, 0.0);
  EXPECT_EQ(two[1].position, 1.0);
  EXPECT_TRUE(CanResample(kValidPair, kMaxResampleCount));
  const RampStopList most = ResampleInRgb(kValidPair, kMaxResampleCount);
  ASSERT_EQ(most.size(), static_cast<std::size_t>(kMaxResampleCount));
  EXPECT_EQ(most.back().position, 1.0);
  EXPECT_LT(most[most.size() - 2].position, 1.0);
}

TEST(ResampleAccepts, SingleStopGivesItsColourEverywhere) {
  const RampStopList one{MakeRampStop(0.4, {0.3, 0.6, 0.9, 0.5}, 0.2)};
  for (const RampStopList& out : {ResampleInLab(one, 7), ResampleInRgb(one, 7)}) {
    ASSERT_EQ(out.size(), 7u);
    for (const RampStop& s : out) {
      EXPECT_EQ(s.color.red, 0.3);
      EXPECT_EQ(s.color.green, 0.6);
      EXPECT_EQ(s.color.blue, 0.9);
      EXPECT_EQ(s.color.opacity, 0.5);
      EXPECT_EQ(s.midpoint, 0.2);
    }
  }
}

TEST(ResampleAccepts, EqualPositionsGiveAHardEdge) {
  const RampStopList edge{MakeRampStop(0, Grey(0), 0.5), MakeRampStop(0.5, Grey(0), 0.5),
                          MakeRampStop(0.5, Grey(1), 0.5), MakeRampStop(1, Grey(1), 0.5)};
  const RampStopList out = ResampleInRgb(edge, 5);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[1].color.red, 0.0);
  EXPECT_EQ(out[2].color.red, 0.0);  // at the edge: end of the segment into it
  EXPECT_EQ(out[3].color.red, 1.0);
  const RampStopList fine = ResampleInLab(edge, 5);
  ASSERT_EQ(fine.size(), 5u);
  EXPECT_NEAR(fine[2].color.red, 1.0, 1e-7);  // at the edge: start of the segment out of it
}

TEST(ResampleAccepts, UnclampedMidpointIsUsedAsMakeRampStopWouldStoreIt) {
  RampStopList raw = kValidPair;
  raw[0].midpoint = 0.0;   // not made by MakeRampStop
  raw[1].midpoint = 2.0;
  RampStopList clamped = kValidPair;
  clamped[0] = MakeRampStop(0, Grey(0), 0.0);
  clamped[1] = MakeRampStop(1, Grey(1), 2.0);
  for (auto pass : {ResampleInLab, ResampleInRgb}) {
    const RampStopList a = pass(raw, 17);
    const RampStopList b = pass(clamped, 17);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].color.red, b[i].color.red) << i;
      EXPECT_EQ(a[i].color.opacity, b[i].color.opacity) << i;
      EXPECT_EQ(a[i].midpoint, b[i].midpoint) << i;
      EXPECT_GE(a[i].midpoint, kMinMidpoint);
      EXPECT_LE(a[i].midpoint, kMaxMidpoint);
    }
  }
}

TEST(ResampleAccepts, NonFiniteColoursPropagateWithoutHarm) {
  const RampStopList stops{MakeRampStop(0, {kNan, kInf, -kInf, kNan}, 0.5), MakeRampStop(1, Grey(1), 0.5)};
  const RampStopList lab = ResampleInLab(stops, 9);
  ASSERT_EQ(lab.size(), 9u);
  EXPECT_EQ(lab.back().color.red, 1.0);  // past-last copy of the finite stop
  const RampStopList rgb = ResampleInRgb(stops, 9);
  ASSERT_EQ(rgb.size(), 9u);
  EXPECT_TRUE(std::isnan(rgb.front().color.red));  // copied as it is
  EXPECT_EQ(rgb.front().color.green, kInf);
  for (std::size_t i = 0; i < rgb.size(); ++i) EXPECT_EQ(rgb[i].position, i / 8.0);
}

TEST(ResampleInput, IsNeverModified) {
  const RampStopList before = kThreeStops;
  RampStopList input = kThreeStops;
  (void)ResampleInLab(input, 64);
  (void)ResampleInRgb(input, 64);
  ASSERT_EQ(input.size(), before.size());
  for (std::size_t i = 0; i < input.size(); ++i) {
    EXPECT_EQ(input[i].position, before[i].position);
    EXPECT_EQ(input[i].color.red, before[i].color.red);
    EXPECT_EQ(input[i].midpoint, before[i].midpoint);
  }
}

}  // namespace
}  // namespace evenhue
