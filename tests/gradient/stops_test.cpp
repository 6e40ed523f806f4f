#include "gradient/stops.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace evenhue {
namespace {

RampStopList ListAt(const std::vector<double>& positions) {
  RampStopList list;
  list.reserve(positions.size());
  double midpoint = 0.2;
  for (double p : positions) {
    list.push_back(MakeRampStop(p, StopColor{}, midpoint));
    midpoint += 0.1;  // distinct midpoints show which stop governs a segment
  }
  return list;
}

TEST(StopColorDefault, IsOpaqueBlack) {
  const StopColor c;
  EXPECT_EQ(c.red, 0.0);
  EXPECT_EQ(c.green, 0.0);
  EXPECT_EQ(c.blue, 0.0);
  EXPECT_EQ(c.opacity, 1.0);
}

struct MidpointCase {
  std::string name;
  double in;
  double stored;
};

void PrintTo(const MidpointCase& c, std::ostream* os) { *os << c.name; }

class MakeRampStopMidpoint : public ::testing::TestWithParam<MidpointCase> {};

TEST_P(MakeRampStopMidpoint, IsClampedTo013And087) {
  const StopColor color{0.1, 1.5, -0.2, 0.7};
  const RampStop s = MakeRampStop(0.25, color, GetParam().in);
  EXPECT_EQ(s.midpoint, GetParam().stored);
  EXPECT_EQ(s.position, 0.25);
  EXPECT_EQ(s.color.red, 0.1);
  EXPECT_EQ(s.color.green, 1.5);
  EXPECT_EQ(s.color.blue, -0.2);
  EXPECT_EQ(s.color.opacity, 0.7);
}

INSTANTIATE_TEST_SUITE_P(Stops, MakeRampStopMidpoint,
                         ::testing::Values(MidpointCase{"Low", 0.05, 0.13},
                                           MidpointCase{"High", 0.95, 0.87},
                                           MidpointCase{"AtLowBound", 0.13, 0.13},
                                           MidpointCase{"Half", 0.5, 0.5},
                                           MidpointCase{"AtHighBound", 0.87, 0.87},
                                           MidpointCase{"Negative", -3.0, 0.13},
                                           MidpointCase{"Huge", 1e300, 0.87}),
                         [](const auto& info) { return info.param.name; });

TEST(MakeRampStopMidpoint, NanIsStoredUnchanged) {
  const RampStop s = MakeRampStop(0.0, StopColor{}, std::numeric_limits<double>::quiet_NaN());
  EXPECT_TRUE(std::isnan(s.midpoint));
}

TEST(MakeRampStopPosition, StoredUnchangedEvenOutsideTheRamp) {
  EXPECT_EQ(MakeRampStop(-2.5, StopColor{}, 0.5).position, -2.5);
  EXPECT_EQ(MakeRampStop(7.0, StopColor{}, 0.5).position, 7.0);
}

struct LocateCase {
  std::string name;
  std::vector<double> positions;
  bool upper;  // FindFirstAfter when true, FindFirstAtOrAfter otherwise
  double p;
  std::size_t index;
  SegmentPlace place;
  std::size_t prev;
  double t;
};

void PrintTo(const LocateCase& c, std::ostream* os) { *os << c.name; }

class LocateKnownCases : public ::testing::TestWithParam<LocateCase> {};

TEST_P(LocateKnownCases, SearchAndSegmentMatch) {
  const LocateCase& c = GetParam();
  const RampStopList list = ListAt(c.positions);
  const StopBound bound = c.upper ? FindFirstAfter : FindFirstAtOrAfter;
  EXPECT_EQ(bound(list, c.p), c.index);
  const SegmentLocation where = LocateSegment(list, c.p, bound);
  ASSERT_EQ(where.place, c.place);
  switch (c.place) {
    case SegmentPlace::kInside:
      EXPECT_EQ(where.prev, c.prev);
      EXPECT_EQ(where.next, c.prev + 1);
      EXPECT_NEAR(where.t, c.t, 1e-12);
      EXPECT_EQ(where.m, list[c.prev].midpoint);
      break;
    case SegmentPlace::kBeforeFirst:
      EXPECT_EQ(where.prev, 0u);
      EXPECT_EQ(where.next, 0u);
      break;
    case SegmentPlace::kPastLast:
      EXPECT_EQ(where.prev, list.size() - 1);
      EXPECT_EQ(where.next, list.size() - 1);
      break;
    case SegmentPlace::kEmpty:
      break;
  }
}

const std::vector<double> kTie{0, 0.5, 0.5, 1};

INSTANTIATE_TEST_SUITE_P(
    Stops, LocateKnownCases,
    ::testing::Values(
        LocateCase{"AfterOnTieUsesSegmentFromLastEqual", kTie, true, 0.5, 3, SegmentPlace::kInside, 2, 0.0},
        LocateCase{"AfterJustBeforeTie", kTie, true, 0.49, 1, SegmentPlace::kInside, 0, 0.98},
        LocateCase{"AtOrAfterOnTieUsesSegmentToFirstEqual", kTie, false, 0.5, 1, SegmentPlace::kInside, 0, 1.0},
        LocateCase{"AtOrAfterOnFirstStop", kTie, false, 0.0, 0, SegmentPlace::kBeforeFirst, 0, 0.0},
        LocateCase{"AfterOnFirstStop", kTie, true, 0.0, 1, SegmentPlace::kInside, 0, 0.0},
        LocateCase{"AfterOnLastStop", kTie, true, 1.0, 4, SegmentPlace::kPastLast, 0, 0.0},
        LocateCase{"AtOrAfterOnLastStop", kTie, false, 1.0, 3, SegmentPlace::kInside, 2, 1.0},
        LocateCase{"AfterBeforeLateFirstStop", {0.2, 0.8}, true, 0.1, 0, SegmentPlace::kBeforeFirst, 0, 0.0},
        LocateCase{"AtOrAfterBeforeLateFirstStop", {0.2, 0.8}, false, 0.19, 0, SegmentPlace::kBeforeFirst, 0, 0.0},
        LocateCase{"AfterOnEarlyLastStop", {0.2, 0.8}, true, 0.8, 2, SegmentPlace::kPastLast, 0, 0.0},
        LocateCase{"AfterPastEarlyLastStop", {0.2, 0.8}, true, 0.9, 2, SegmentPlace::kPastLast, 0, 0.0},
        LocateCase{"AtOrAfterOnEarlyLastStop", {0.2, 0.8}, false, 0.8, 1, SegmentPlace::kInside, 0, 1.0},
        LocateCase{"AtOrAfterPastEarlyLastStop", {0.2, 0.8}, false, 0.81, 2, SegmentPlace::kPastLast, 0, 0.0},
        LocateCase{"OneStopBefore", {0.5}, true, 0.2, 0, SegmentPlace::kBeforeFirst, 0, 0.0},
        LocateCase{"OneStopOnItAfter", {0.5}, true, 0.5, 1, SegmentPlace::kPastLast, 0, 0.0},
        LocateCase{"OneStopOnItAtOrAfter", {0.5}, false, 0.5, 0, SegmentPlace::kBeforeFirst, 0, 0.0},
        LocateCase{"OneStopPast", {0.5}, false, 0.7, 1, SegmentPlace::kPastLast, 0, 0.0},
        LocateCase{"ManyEqualAfterLandsPastAll", {0, 0.3, 0.3, 0.3, 0.3, 1}, true, 0.3, 5, SegmentPlace::kInside, 4, 0.0},
        LocateCase{"ManyEqualAtOrAfterLandsOnFirst", {0, 0.3, 0.3, 0.3, 0.3, 1}, false, 0.3, 1, SegmentPlace::kInside, 0, 1.0},
        LocateCase{"AllEqualAtOrAfterIsBeforeFirst", {0.4, 0.4, 0.4}, false, 0.4, 0, SegmentPlace::kBeforeFirst, 0, 0.0},
        LocateCase{"AllEqualAfterIsPastLast", {0.4, 0.4, 0.4}, true, 0.4, 3, SegmentPlace::kPastLast, 0, 0.0}),
    [](const auto& info) { return info.param.name; });

TEST(LocateSegmentEdges, BeforeFirstForEveryPBelowLateFirstStop) {
  const RampStopList list = ListAt({0.2, 0.5, 0.8});
  for (double p : {-1e300, -1.0, 0.0, 0.1, 0.19999999999999998}) {
    EXPECT_EQ(LocateSegment(list, p, FindFirstAfter).place, SegmentPlace::kBeforeFirst) << p;
    EXPECT_EQ(LocateSegment(list, p, FindFirstAtOrAfter).place, SegmentPlace::kBeforeFirst) << p;
  }
}

TEST(LocateSegmentEdges, EmptyListGivesEmptyOutcome) {
  const RampStopList empty;
  EXPECT_EQ(FindFirstAfter(empty, 0.5), 0u);
  EXPECT_EQ(FindFirstAtOrAfter(empty, 0.5), 0u);
  EXPECT_EQ(LocateSegment(empty, 0.5, FindFirstAfter).place, SegmentPlace::kEmpty);
  EXPECT_EQ(LocateSegment(empty, 0.5, FindFirstAtOrAfter).place, SegmentPlace::kEmpty);
}

TEST(LocateSegmentEdges, NullBoundGivesEmptyOutcome) {
  EXPECT_EQ(LocateSegment(ListAt({0, 1}), 0.5, nullptr).place, SegmentPlace::kEmpty);
}

TEST(LocateSegmentEdges, NanPositionToFindIsNeverInside) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const RampStopList list = ListAt({0, 0.5, 1});
  // NaN compares false everywhere: the upper bound runs off the end and the
  // lower bound stays at the start.
  EXPECT_EQ(LocateSegment(list, nan, FindFirstAfter).place, SegmentPlace::kPastLast);
  EXPECT_EQ(LocateSegment(list, nan, FindFirstAtOrAfter).place, SegmentPlace::kBeforeFirst);
}

// The searches must agree with the standard library's bounds on sorted lists.
TEST(LocateSegmentProperties, SearchesAreUpperAndLowerBounds) {
  std::mt19937_64 rng(21);
  std::uniform_int_distribution<int> size(0, 40);
  std::uniform_int_distribution<int> grid(0, 10);
  for (int round = 0; round < 2000; ++round) {
    std::vector<double> positions(static_cast<std::size_t>(size(rng)));
    for (double& p : positions) p = grid(rng) / 10.0;
    std::sort(positions.begin(), positions.end());
    const RampStopList list = ListAt(positions);
    const double p = (grid(rng) - 0.5 * (round % 2)) / 10.0;
    EXPECT_EQ(FindFirstAfter(list, p),
              static_cast<std::size_t>(std::upper_bound(positions.begin(), positions.end(), p) - positions.begin()));
    EXPECT_EQ(FindFirstAtOrAfter(list, p),
              static_cast<std::size_t>(std::lower_bound(positions.begin(), positions.end(), p) - positions.begin()));
    for (StopBound bound : {StopBound{FindFirstAfter}, StopBound{FindFirstAtOrAfter}}) {
      const SegmentLocation where = LocateSegment(list, p, bound);
      if (where.place == SegmentPlace::kInside) {
        EXPECT_GT(list[where.next].position, list[where.prev].position);
        EXPECT_GE(where.t, 0.0);
        EXPECT_LE(where.t, 1.0);
      }
    }
  }
}

// Outside the contract (unsorted, NaN, infinite positions) the outcome is
// still in range and t is never the result of a non-positive width.
TEST(LocateSegmentProperties, ArbitraryListsStayInBounds) {
  std::mt19937_64 rng(99);
  std::uniform_int_distribution<int> size(0, 12);
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_real_distribution<double> value(-2.0, 2.0);
  auto arbitrary = [&] {
    switch (kind(rng)) {
      case 0: return std::numeric_limits<double>::quiet_NaN();
      case 1: return std::numeric_limits<double>::infinity();
      case 2: return -std::numeric_limits<double>::infinity();
      case 3: return 0.5;
      default: return value(rng);
    }
  };
  for (int round = 0; round < 20000; ++round) {
    std::vector<double> positions(static_cast<std::size_t>(size(rng)));
    for (double& p : positions) p = arbitrary();
    const RampStopList list = ListAt(positions);
    const double p = arbitrary();
    for (StopBound bound : {StopBound{FindFirstAfter}, StopBound{FindFirstAtOrAfter}}) {
      const SegmentLocation where = LocateSegment(list, p, bound);
      if (list.empty()) {
        EXPECT_EQ(where.place, SegmentPlace::kEmpty);
        continue;
      }
      ASSERT_LT(where.prev, list.size());
      ASSERT_LT(where.next, list.size());
      if (where.place == SegmentPlace::kInside) {
        EXPECT_EQ(where.next, where.prev + 1);
        if (!(list[where.next].position - list[where.prev].position > 0.0)) {
          EXPECT_EQ(where.t, 0.0);
        }
      }
    }
  }
}

}  // namespace
}  // namespace evenhue
