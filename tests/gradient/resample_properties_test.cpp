// Properties of both passes over many random gradients, and bit-identity of
// the first pass with the plain per-sample form that converts both stop
// colours afresh for every sample.
#include "gradient/resample.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace evenhue {
namespace {

// The first pass written step by step, with nothing reused between samples.
RampStopList ResampleInLabPerSample(const RampStopList& stops, std::int32_t count) {
  RampStopList result;
  if (!CanResample(stops, count)) return result;
  result.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    const double p = static_cast<double>(i) / static_cast<double>(count - 1);
    const SegmentLocation where = LocateSegment(stops, p, FindFirstAfter);
    if (where.place == SegmentPlace::kBeforeFirst) {
      result.push_back(MakeRampStop(p, stops.front().color, stops.front().midpoint));
    } else if (where.place == SegmentPlace::kPastLast) {
      result.push_back(MakeRampStop(p, stops.back().color, stops.back().midpoint));
    } else {
      const StopColor& a = stops[where.prev].color;
      const StopColor& b = stops[where.next].color;
      const LabTriple labA = RgbToLab({a.red, a.green, a.blue});
      const LabTriple labB = RgbToLab({b.red, b.green, b.blue});
      const RgbTriple rgb = LabToRgb(LerpTriple(labA, labB, where.t, where.m));
      const double opacity = LerpStopColor(a, b, where.t, where.m).opacity;
      result.push_back(MakeRampStop(p, StopColor{rgb[0], rgb[1], rgb[2], opacity}, where.m));
    }
  }
  return result;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool SameBits(const RampStop& a, const RampStop& b) {
  return SameBits(a.position, b.position) && SameBits(a.midpoint, b.midpoint) &&
         SameBits(a.color.red, b.color.red) && SameBits(a.color.green, b.color.green) &&
         SameBits(a.color.blue, b.color.blue) && SameBits(a.color.opacity, b.color.opacity);
}

// Random gradients of the kinds a document holds: sorted positions, sometimes
// with ties, sometimes not reaching 0 or 1, sometimes beyond them; colours
// mostly in range, a few outside; midpoints anywhere before the clamp.
class GradientMaker {
 public:
  explicit GradientMaker(std::uint64_t seed) : rng_(seed) {}

  RampStopList Make() {
    const int n = Pick(1, Pick(0, 5) == 0 ? 64 : 8);
    std::vector<double> positions(static_cast<std::size_t>(n));
    const bool spread = Pick(0, 3) == 0;
    for (double& p : positions) p = spread ? Uniform(-0.3, 1.3) : Uniform(0.0, 1.0);
    if (Pick(0, 2) == 0) positions.front() = 0.0;
    if (Pick(0, 2) == 0) positions.back() = 1.0;
    std::sort(positions.begin(), positions.end());
    for (std::size_t i = 1; i < positions.size(); ++i) {
      if (Pick(0, 7) == 0) positions[i] = positions[i - 1];  // hard edge
    }
    if (Pick(0, 9) == 0) {  // positions on the 1/255 grid, as from a fine ramp
      for (double& p : positions) p = static_cast<double>(Pick(0, 255)) / 255.0;
      std::sort(positions.begin(), positions.end());
    }
    RampStopList stops;
    stops.reserve(positions.size());
    for (double p : positions) stops.push_back(MakeRampStop(p, Colour(), Uniform(-0.1, 1.1)));
    return stops;
  }

  std::int32_t Count() { return Pick(0, 3) == 0 ? 256 : Pick(2, 300); }
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
  double Channel() {
    switch (Pick(0, 11)) {
      case 0: return 0.0;
      case 1: return 1.0;
      case 2: return Uniform(-0.5, 1.5);
      default: return Uniform(0.0, 1.0);
    }
  }
  StopColor Colour() { return StopColor{Channel(), Channel(), Channel(), Channel()}; }

  std::mt19937_64 rng_;
};

TEST(ResampleInLabReuse, BitIdenticalToPerSampleConversion) {
  GradientMaker maker(20240601);
  std::size_t samples = 0;
  for (int round = 0; round < 4000; ++round) {
    const RampStopList stops = maker.Make();
    const std::int32_t count = maker.Count();
    const RampStopList fast = ResampleInLab(stops, count);
    const RampStopList plain = ResampleInLabPerSample(stops, count);
    ASSERT_EQ(fast.size(), plain.size()) << "round " << round;
    for (std::size_t i = 0; i < fast.size(); ++i) {
      ASSERT_TRUE(SameBits(fast[i], plain[i])) << "round " << round << " sample " << i;
    }
    samples += fast.size();
  }
  EXPECT_GT(samples, 4000u * 100u);
}

TEST(ResampleInLabReuse, BitIdenticalOnManyStopGradients) {
  GradientMaker maker(77);
  for (int round = 0; round < 20; ++round) {
    RampStopList stops;
    const int n = 8192;
    stops.reserve(n);
    for (int k = 0; k < n; ++k) {
      const double v = (k * 37 % 101) / 100.0;
      stops.push_back(MakeRampStop(static_cast<double>(k) / (n - 1), StopColor{v, 1.0 - v, (k % 7) / 6.0, 1.0},
                                   0.13 + (k % 75) / 100.0));
    }
    const std::int32_t count = maker.Pick(0, 1) == 0 ? 256 : maker.Pick(2, 20000);
    const RampStopList fast = ResampleInLab(stops, count);
    const RampStopList plain = ResampleInLabPerSample(stops, count);
    ASSERT_EQ(fast.size(), plain.size());
    for (std::size_t i = 0; i < fast.size(); ++i) ASSERT_TRUE(SameBits(fast[i], plain[i])) << i;
  }
}

using Pass = RampStopList (*)(const RampStopList&, std::int32_t);

struct PassInfo {
  const char* name;
  Pass pass;
  StopBound bound;
};

const PassInfo kPasses[] = {{"ResampleInLab", ResampleInLab, FindFirstAfter},
                            {"ResampleInRgb", ResampleInRgb, FindFirstAtOrAfter}};

// v lies between a and b, allowing for the rounding of a + (b - a) * w: at
// w = 1 that can land an ulp or so beyond b, never further.
bool Between(double v, double a, double b) {
  const double slack = 4 * std::numeric_limits<double>::epsilon() * std::max(std::abs(a), std::abs(b));
  return v >= std::min(a, b) - slack && v <= std::max(a, b) + slack;
}

bool InUnitRange(double v) { return v >= 0.0 && v <= 1.0; }

TEST(ResampleProperties, HoldOnRandomGradients) {
  GradientMaker maker(5150);
  for (int round = 0; round < 3000; ++round) {
    const RampStopList stops = maker.Make();
    const std::int32_t count = maker.Count();
    for (const PassInfo& info : kPasses) {
      SCOPED_TRACE(info.name);
      const RampStopList out = info.pass(stops, count);
      ASSERT_EQ(out.size(), static_cast<std::size_t>(count)) << "round " << round;
      EXPECT_EQ(out.front().position, 0.0);
      EXPECT_EQ(out.back().position, 1.0);
      for (std::size_t i = 0; i < out.size(); ++i) {
        const RampStop& s = out[i];
        ASSERT_EQ(s.position, static_cast<double>(i) / static_cast<double>(count - 1));
        if (i > 0) {
          ASSERT_LT(out[i - 1].position, s.position);
        }
        ASSERT_GE(s.midpoint, kMinMidpoint);
        ASSERT_LE(s.midpoint, kMaxMidpoint);

        const SegmentLocation where = LocateSegment(stops, s.position, info.bound);
        if (where.place != SegmentPlace::kInside) {
          // Outside the stops' range: an unchanged copy of the end stop.
          const RampStop& end = stops[where.prev];
          ASSERT_EQ(s.color.red, end.color.red);
          ASSERT_EQ(s.color.green, end.color.green);
          ASSERT_EQ(s.color.blue, end.color.blue);
          ASSERT_EQ(s.color.opacity, end.color.opacity);
          ASSERT_EQ(s.midpoint, end.midpoint);
          continue;
        }
        const StopColor& a = stops[where.prev].color;
        const StopColor& b = stops[where.next].color;
        ASSERT_EQ(s.midpoint, where.m);
        ASSERT_TRUE(Between(s.color.opacity, a.opacity, b.opacity))
            << "round " << round << " sample " << i << ": " << s.color.opacity << " not within " << a.opacity
            << ".." << b.opacity;
        if (InUnitRange(a.opacity) && InUnitRange(b.opacity)) {
          ASSERT_TRUE(InUnitRange(s.color.opacity)) << "round " << round << " sample " << i;
        }
        if (info.pass == ResampleInLab) {
          for (double v : {s.color.red, s.color.green, s.color.blue}) {
            ASSERT_GE(v, 0.0);
            ASSERT_LE(v, 1.0);
          }
        } else {
          ASSERT_TRUE(Between(s.color.red, a.red, b.red));
          ASSERT_TRUE(Between(s.color.green, a.green, b.green));
          ASSERT_TRUE(Between(s.color.blue, a.blue, b.blue));
        }
      }
    }
  }
}

TEST(ResampleProperties, ChainGivesFourSegmentsPerInputSegment) {
  GradientMaker maker(404);
  for (int round = 0; round < 500; ++round) {
    const RampStopList stops = maker.Make();
    const std::int32_t count = static_cast<std::int32_t>(4 * stops.size() - 3);
    const RampStopList fine = ResampleInLab(stops, 256);
    const RampStopList out = ResampleInRgb(fine, count);
    if (count < 2) {
      EXPECT_TRUE(out.empty());  // a one-stop gradient has nothing to re-space
      continue;
    }
    ASSERT_EQ(out.size(), static_cast<std::size_t>(count));
    // The second pass sees positions k/255: never a tie, never outside them.
    for (std::size_t i = 1; i + 1 < out.size(); ++i) {
      const SegmentLocation where = LocateSegment(fine, out[i].position, FindFirstAtOrAfter);
      ASSERT_EQ(where.place, SegmentPlace::kInside);
      ASSERT_EQ(out[i].midpoint, fine[where.prev].midpoint);
    }
    EXPECT_TRUE(SameBits(out.front(), fine.front()));
  }
}

TEST(ResampleProperties, ArbitraryListsNeverCrashAndAreEmptyOrComplete) {
  std::mt19937_64 rng(8080);
  std::uniform_int_distribution<int> size(0, 10);
  std::uniform_int_distribution<int> kind(0, 12);
  std::uniform_real_distribution<double> value(-2.0, 2.0);
  auto arbitrary = [&]() -> double {
    switch (kind(rng)) {
      case 0: return std::numeric_limits<double>::quiet_NaN();
      case 1: return std::numeric_limits<double>::infinity();
      case 2: return -std::numeric_limits<double>::max();
      case 3: return std::numeric_limits<double>::max();
      case 4: return std::numeric_limits<double>::denorm_min();
      default: return value(rng);
    }
  };
  for (int round = 0; round < 5000; ++round) {
    RampStopList stops(static_cast<std::size_t>(size(rng)));
    for (RampStop& s : stops) {
      s.position = arbitrary();
      s.color = StopColor{arbitrary(), arbitrary(), arbitrary(), arbitrary()};
      s.midpoint = arbitrary();
    }
    if (round % 2 == 0) {
      std::sort(stops.begin(), stops.end(),
                [](const RampStop& a, const RampStop& b) { return a.position < b.position; });
    }
    const std::int32_t count = std::uniform_int_distribution<std::int32_t>(-3, 40)(rng);
    for (const PassInfo& info : kPasses) {
      const RampStopList out = info.pass(stops, count);
      if (CanResample(stops, count)) {
        ASSERT_EQ(out.size(), static_cast<std::size_t>(count));
        for (const RampStop& s : out) {
          ASSERT_GE(s.midpoint, kMinMidpoint);
          ASSERT_LE(s.midpoint, kMaxMidpoint);
        }
      } else {
        ASSERT_TRUE(out.empty());
      }
    }
  }
}

}  // namespace
}  // namespace evenhue
