// The figures of the comparison strips when paints share gradients: each
// distinct pair of source and new stops is drawn and measured once, and a
// paint gets the figures of its own pair, never of one that merely looks
// alike. A stand-in renderer draws the strip documents here, so that the
// figures can be recomputed pixel by pixel without the command's code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <lcms2.h>
#include <unistd.h>

#include "engine/strips.hpp"
#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

using evenhue::cli::DrawStop;
using evenhue::cli::GradientResult;
using evenhue::cli::Pixel;
using evenhue::cli::StripDocument;
using evenhue::cli::StripSet;

constexpr int kWidth = 64;

// The stand-in renderer: 8-bit sRGB blended linearly between the stops
// around the pixel's centre, as a plain rasteriser would.
Pixel Draw(const std::vector<DrawStop>& stops, int x) {
  const double p = (x + 0.5) / kWidth;
  std::size_t next = 0;
  while (next < stops.size() && stops[next].offset <= p) ++next;
  const DrawStop& a = stops[next == 0 ? 0 : next - 1];
  const DrawStop& b = stops[std::min(next, stops.size() - 1)];
  const double t = b.offset > a.offset ? std::clamp((p - a.offset) / (b.offset - a.offset), 0.0, 1.0) : 0.0;
  Pixel out{};
  for (int c = 0; c < 3; ++c)
    out[c] = static_cast<std::uint8_t>(std::lround(255.0 * (a.rgb[c] + t * (b.rgb[c] - a.rgb[c]))));
  return out;
}

struct Expected {
  double beforeMax = 0, beforeMean = 0, afterMax = 0, afterMean = 0;
};

// The figures recomputed from the stand-in's pixels: Little CMS's CIEDE2000
// of each pixel's CIELAB against the ideal ramp at its centre (both pinned
// to hand values below).
Expected Recompute(const GradientResult& r) {
  const std::vector<DrawStop>& drawnNew = r.newStops.empty() ? r.sourceStops : r.newStops;
  Expected e;
  for (int x = 0; x < kWidth; ++x) {
    const evenhue::LabTriple target = evenhue::cli::IdealLabAt(r.sourceStops, (x + 0.5) / kWidth);
    const Pixel s = Draw(r.sourceStops, x), n = Draw(drawnNew, x);
    const double before = DeltaE2000(evenhue::cli::PixelToLab(s), target);
    const double after = DeltaE2000(evenhue::cli::PixelToLab(n), target);
    e.beforeMax = std::max(e.beforeMax, before);
    e.afterMax = std::max(e.afterMax, after);
    e.beforeMean += before;
    e.afterMean += after;
  }
  e.beforeMean /= kWidth;
  e.afterMean /= kWidth;
  return e;
}

GradientResult Paint(const std::string& element, std::vector<DrawStop> source, std::vector<DrawStop> fresh) {
  GradientResult r;
  r.element = element;
  r.sourceStops = std::move(source);
  r.newStops = std::move(fresh);
  return r;
}

TEST(Strips, PaintsShareFiguresOnlyWithTheSameSourceAndNewStops) {
  const std::vector<DrawStop> blueToYellow = {{0.0, {0, 0, 1}, 0.5}, {1.0, {1, 1, 0}, 0.5}};
  std::vector<DrawStop> blueToYellowMidpoint = blueToYellow;
  blueToYellowMidpoint[0].midpoint = 0.3;  // drawn alike, a different ideal ramp
  const std::vector<DrawStop> evenhue = {{0.0, {0, 0, 1}, 0.5}, {0.5, {0.2, 0.6, 0.7}, 0.5}, {1.0, {1, 1, 0}, 0.5}};
  const std::vector<DrawStop> other = {{0.0, {0, 0, 1}, 0.5}, {0.5, {0.6, 0.4, 0.5}, 0.5}, {1.0, {1, 1, 0}, 0.5}};
  const std::vector<GradientResult> results = {
      Paint("a", blueToYellow, evenhue),
      Paint("same source, other new stops", blueToYellow, other),
      Paint("as a", blueToYellow, evenhue),
      Paint("other midpoint", blueToYellowMidpoint, evenhue),
      Paint("no stops", {}, {}),
      Paint("no new stops", blueToYellow, {}),
  };

  const std::vector<StripDocument> documents = evenhue::cli::StripDocuments(results, kWidth);
  std::map<std::size_t, std::size_t> drawnTimes;  // result -> how many row pairs measure it
  std::size_t pairs = 0;
  for (const StripDocument& d : documents) {
    ASSERT_EQ(d.width, kWidth);
    ASSERT_EQ(d.height, static_cast<int>(2 * d.paints.size()));
    pairs += d.paints.size();
    for (const auto& paints : d.paints)
      for (const std::size_t i : paints) ++drawnTimes[i];
  }
  EXPECT_EQ(pairs, 4u) << "a and \"as a\" share one pair; every other paint with stops has its own";
  for (std::size_t i = 0; i < results.size(); ++i)
    EXPECT_EQ(drawnTimes[i], results[i].sourceStops.empty() ? 0u : 1u) << results[i].element;

  std::vector<StripSet> strips(results.size());
  for (const StripDocument& d : documents)
    evenhue::cli::ReadStrips(d, results, [&](int x, int y) {
      const GradientResult& r = results[d.paints[static_cast<std::size_t>(y / 2)].front()];
      return Draw(y % 2 == 0 ? r.sourceStops : (r.newStops.empty() ? r.sourceStops : r.newStops), x);
    }, strips);

  for (std::size_t i = 0; i < results.size(); ++i) {
    SCOPED_TRACE(results[i].element);
    const Expected e = results[i].sourceStops.empty() ? Expected{} : Recompute(results[i]);
    EXPECT_NEAR(strips[i].before.max, e.beforeMax, 1e-9);
    EXPECT_NEAR(strips[i].before.mean, e.beforeMean, 1e-9);
    EXPECT_NEAR(strips[i].after.max, e.afterMax, 1e-9);
    EXPECT_NEAR(strips[i].after.mean, e.afterMean, 1e-9);
  }
  // The cases differ where it counts, so that a shared figure would show.
  EXPECT_NE(Recompute(results[0]).afterMean, Recompute(results[1]).afterMean);
  EXPECT_NE(Recompute(results[0]).beforeMean, Recompute(results[3]).beforeMean);
}

// The pixels' CIELAB values and the ideal ramp against values worked out by
// hand: the sRGB curve, the sRGB matrix to XYZ, CIELAB with the D65 white
// (0.95047, 1, 1.08883), and the blend half way at the midpoint. Little CMS
// builds its sRGB matrix from the primaries and a 6504 K white and adapts it
// to D50 and back, which moves the values by up to 0.006; a misplaced
// midpoint or a wrong white moves them by whole units.
constexpr double kHandTolerance = 0.01;

TEST(StripFigures, PixelsAreCielabD65) {
  struct Case {
    Pixel pixel;
    double L, a, b;
  };
  const Case cases[] = {
      {{255, 255, 255}, 100.0, 0.0, 0.0},          {{0, 0, 0}, 0.0, 0.0, 0.0},
      {{255, 0, 0}, 53.2408, 80.0925, 67.2032},    {{0, 0, 255}, 32.2970, 79.1875, -107.8602},
      {{255, 255, 0}, 97.1393, -21.5537, 94.4780}, {{128, 128, 128}, 53.5850, 0.0, 0.0},
      {{12, 200, 77}, 70.8155, -66.5429, 48.8715},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.pixel[0]} << "," << int{c.pixel[1]} << "," << int{c.pixel[2]});
    const evenhue::LabTriple lab = evenhue::cli::PixelToLab(c.pixel);
    EXPECT_NEAR(lab[0], c.L, kHandTolerance);
    EXPECT_NEAR(lab[1], c.a, kHandTolerance);
    EXPECT_NEAR(lab[2], c.b, kHandTolerance);
  }
}

TEST(StripFigures, IdealRampIsHalfWayAtTheMidpoint) {
  struct Case {
    double p, midpoint;  // position, first stop's midpoint in percent
    double L, a, b;
  };
  const Case cases[] = {
      {0.15, 30, 48.5076, 54.0022, -57.2756},  // a quarter of the way
      {0.30, 30, 64.7181, 28.8169, -6.6911},   // half way at the midpoint
      {0.65, 30, 80.9287, 3.6316, 43.8934},    // three quarters
      {0.90, 30, 92.5077, -14.3579, 80.0253},
      {0.25, 50, 48.5076, 54.0022, -57.2756},  // the even midpoint: a plain blend
      {0.05, 10, 44.7667, 59.8142, -68.9490},  // 10 percent is kept to 13
      {0.00, 30, 32.2970, 79.1875, -107.8602}, {1.00, 30, 97.1393, -21.5537, 94.4780},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "p " << c.p << " midpoint " << c.midpoint);
    const std::vector<DrawStop> stops = {{0.0, {0, 0, 1}, c.midpoint / 100}, {1.0, {1, 1, 0}, 0.5}};
    const evenhue::LabTriple lab = evenhue::cli::IdealLabAt(stops, c.p);
    EXPECT_NEAR(lab[0], c.L, kHandTolerance);
    EXPECT_NEAR(lab[1], c.a, kHandTolerance);
    EXPECT_NEAR(lab[2], c.b, kHandTolerance);
  }
}

// The report's CIEDE2000 gives Little CMS's numbers to the last bit, over
// random colours, 8-bit pixels, near-neutral colours (hue undefined or
// jumping), equal colours and hue pairs about 180 degrees apart.
TEST(StripFigures, DeltaE2000IsLittleCmsToTheBit) {
  std::mt19937_64 rng(2026);
  std::uniform_real_distribution<double> lightness(0, 100), chroma(-128, 128), tiny(-1e-9, 1e-9), turn(0, 6.3);
  std::uniform_int_distribution<int> byte(0, 255);
  const auto pixel = [&] {
    return evenhue::cli::PixelToLab({static_cast<std::uint8_t>(byte(rng)), static_cast<std::uint8_t>(byte(rng)),
                                     static_cast<std::uint8_t>(byte(rng))});
  };
  int differ = 0;
  const auto check = [&](const evenhue::LabTriple& x, const evenhue::LabTriple& y) {
    const cmsCIELab a{x[0], x[1], x[2]}, b{y[0], y[1], y[2]};
    const double expected = cmsCIE2000DeltaE(&a, &b, 1.0, 1.0, 1.0), got = evenhue::cli::DeltaE2000(x, y);
    if (std::memcmp(&expected, &got, sizeof got) != 0 && ++differ <= 3)
      ADD_FAILURE() << "(" << x[0] << " " << x[1] << " " << x[2] << ") (" << y[0] << " " << y[1] << " " << y[2]
                    << "): " << got << " against " << expected;
  };
  for (int i = 0; i < 100'000; ++i) {
    check({lightness(rng), chroma(rng), chroma(rng)}, {lightness(rng), chroma(rng), chroma(rng)});
    const evenhue::LabTriple p = pixel();
    check(p, pixel());
    check(p, p);
    check(p, {p[0] + tiny(rng), p[1] + tiny(rng), p[2] + tiny(rng)});
    check({lightness(rng), tiny(rng), tiny(rng)}, {lightness(rng), 0.0, tiny(rng)});
    const double h = turn(rng), c = 40 * std::abs(tiny(rng)) * 1e9;
    check({50, c * std::cos(h), c * std::sin(h)}, {60, -c * std::cos(h + tiny(rng)), -c * std::sin(h)});
  }
  EXPECT_EQ(differ, 0);
}

// DrawRow's pixels against librsvg's (rsvg-convert) drawing of the same strip
// document at the command's width: uneven stops, a hard edge, a transition
// five pixels wide, offsets out of order and past the ends. Sampled at x
// instead of x + 0.5 the edge pixel is off by 229 levels; blended in linear
// light the ramps by up to 74.
TEST(ComputedStrips, AreLibrsvgsDrawingToTheLevel) {
  const std::string rsvg = "/usr/bin/rsvg-convert";
  if (::access(rsvg.c_str(), X_OK) != 0) GTEST_SKIP() << rsvg << " (Debian librsvg2-bin) is not installed";
  const evenhue::RgbTriple red{0.9, 0.1, 0.2}, teal{0.1, 0.6, 0.55}, dark{0.05, 0.0, 0.3}, white{1, 1, 1};
  const std::vector<GradientResult> results = {
      Paint("two", {{0.0, red}, {1.0, teal}}, {{0.0, red}, {0.37, dark}, {0.52, white}, {1.0, teal}}),
      Paint("edge, narrow", {{0.1, red}, {0.4, white}, {0.4, dark}, {0.41, white}, {0.9, teal}}, {}),
      Paint("out of order", {{-0.2, dark}, {0.6, white}, {0.3, red}, {1.4, teal}}, {}),
  };
  Scratch scratch;
  const StripDocument d = evenhue::cli::StripDocuments(results, 512).front();
  WriteFile(scratch.path("s.svg"), d.svg);
  ASSERT_EQ(testcmd::RunProgram(rsvg, {scratch.path("s.svg")}, "/dev/null", scratch.path("s.png")).status, 0);
  const Png png = DecodePng(ReadFile(scratch.path("s.png")));
  int worst = 0;
  for (int y = 0; y < d.height; ++y) {
    const GradientResult& r = results[d.paints[static_cast<std::size_t>(y / 2)].front()];
    const std::vector<Pixel> row = evenhue::cli::DrawRow(y % 2 ? evenhue::cli::DrawnNewStops(r) : r.sourceStops, 512);
    for (int i = 0; i < 3 * d.width; ++i)
      worst = std::max(worst, std::abs(png.at(i / 3, y)[i % 3] - row[static_cast<std::size_t>(i / 3)][i % 3]));
  }
  // librsvg (pixman) blends in single-precision floats: where the exact value
  // is a hair from half a level it may round the other way, by one level.
  EXPECT_LE(worst, 1);
}

}  // namespace
}  // namespace clitest
