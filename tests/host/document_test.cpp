#include "host/document.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using hostapi::ArtHandle;

TEST(DocumentArt, ChildrenKeepCreationOrderAsFirstChildAndSiblings) {
  host::Document doc;
  const ArtHandle group = doc.newGroup();
  const ArtHandle a = doc.newPath(group);
  const ArtHandle b = doc.newCompoundPath(group);
  const ArtHandle c = doc.newOtherArt(group);
  const ArtHandle inner = doc.newPath(b);

  EXPECT_EQ(doc.firstChild(group), a);
  EXPECT_EQ(doc.nextSibling(a), b);
  EXPECT_EQ(doc.nextSibling(b), c);
  EXPECT_EQ(doc.nextSibling(c), nullptr);
  EXPECT_EQ(doc.firstChild(b), inner);
  EXPECT_EQ(doc.firstChild(a), nullptr);
  EXPECT_EQ(doc.parent(inner), b);
  EXPECT_EQ(doc.children(group), (std::vector<ArtHandle>{a, b, c}));
  EXPECT_EQ(doc.artType(group), hostapi::kArtGroup);
  EXPECT_EQ(doc.artType(b), hostapi::kArtCompoundPath);
  EXPECT_EQ(doc.artType(c), host::kArtOther);
}

TEST(DocumentArt, TopLevelArtHasNoSiblings) {
  host::Document doc;
  const ArtHandle first = doc.newPath();
  const ArtHandle second = doc.newGroup();
  EXPECT_EQ(doc.nextSibling(first), nullptr);
  EXPECT_EQ(doc.parent(second), nullptr);
}

TEST(DocumentArt, HandlesNeverGivenOutAreRefused) {
  host::Document doc;
  const ArtHandle art = doc.newPath();
  const auto bogus = reinterpret_cast<ArtHandle>(static_cast<std::uintptr_t>(0x5000));
  EXPECT_TRUE(doc.isArt(art));
  EXPECT_FALSE(doc.isArt(nullptr));
  EXPECT_FALSE(doc.isArt(bogus));
  EXPECT_FALSE(doc.artType(bogus).has_value());
  EXPECT_FALSE(doc.pathStyle(bogus).has_value());
  EXPECT_EQ(doc.newPath(bogus), nullptr) << "a parent that is not art";
  EXPECT_EQ(doc.artCount(), 1u);
}

TEST(DocumentArt, PathStyleIsKeptWholeIncludingUntouchedBytes) {
  host::Document doc;
  const ArtHandle art = doc.newPath();
  auto style = host::MakePathStyle(host::RgbColor(0.1, 0.2, 0.3), host::CmykColor(0.5, 0, 0, 0));
  for (std::size_t i = 0; i < sizeof style.strokeAttributes; ++i) {
    style.strokeAttributes[i] = static_cast<std::uint8_t>(i * 7);
  }
  ASSERT_TRUE(doc.setPathStyle(art, style));
  const auto back = doc.pathStyle(art);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(std::memcmp(&*back, &style, sizeof style), 0);
  EXPECT_EQ(back->fillPaint, 1);
  EXPECT_EQ(back->strokeColor.kind, hostapi::kColorProcess);
}

// Each art reads back the style last set on it, unpainted (all zero) or painted, in any order.
TEST(DocumentArt, EachArtReadsTheStyleLastSetOnIt) {
  const hostapi::HostPathStyle styles[] = {host::MakePathStyle(std::nullopt, std::nullopt),
                                           host::MakePathStyle(host::RgbColor(1, 0, 0), std::nullopt),
                                           host::MakePathStyle(std::nullopt, host::RgbColor(0, 0, 1))};
  // (art, style) in the order set.
  const std::vector<std::vector<std::pair<int, int>>> cases = {
      {{0, 0}, {1, 1}}, {{1, 1}, {0, 2}, {1, 0}}, {{2, 0}, {2, 2}, {0, 1}, {2, 1}}, {{0, 1}, {1, 2}, {0, 0}, {1, 1}}};
  for (std::size_t c = 0; c < cases.size(); ++c) {
    host::Document doc;
    const ArtHandle art[3] = {doc.newPath(), doc.newPath(), doc.newPath()};
    int expected[3] = {0, 0, 0};
    for (const auto& [i, style] : cases[c]) ASSERT_TRUE(doc.setPathStyle(art[i], styles[expected[i] = style]));
    for (int i = 0; i < 3; ++i) {
      const auto back = doc.pathStyle(art[i]).value();
      EXPECT_EQ(std::memcmp(&back, &styles[expected[i]], sizeof back), 0) << c << ", " << i;
    }
  }
}

TEST(DocumentArt, NewArtIsUnpainted) {
  host::Document doc;
  const auto style = doc.pathStyle(doc.newPath());
  ASSERT_TRUE(style.has_value());
  EXPECT_EQ(style->fillPaint, 0);
  EXPECT_EQ(style->strokePaint, 0);
}

TEST(DocumentGradient, DefaultGradientHasExactlyTwoStops) {
  host::Document doc;
  const auto g = doc.newDefaultGradient();
  ASSERT_TRUE(doc.isGradient(g));
  EXPECT_EQ(doc.stopCount(g), 2u);
  EXPECT_EQ(doc.gradientType(g), host::kGradientLinear);
  EXPECT_DOUBLE_EQ(doc.stop(g, 0)->rampPoint, 0.0);
  EXPECT_DOUBLE_EQ(doc.stop(g, 1)->rampPoint, 100.0);
}

TEST(DocumentGradient, StopsReadBackAsGiven) {
  host::Document doc;
  const hostapi::HostGradientStop stops[] = {host::MakeStop(0, host::RgbColor(1, 0, 0), 30, 1.0),
                                             host::MakeStop(40, host::CmykColor(0, 1, 0, 0), 50, 0.5),
                                             host::MakeStop(100, host::OtherColor(2), 70, 0.0)};
  const auto g = doc.newGradient(host::kGradientRadial, stops);
  const auto back = doc.stops(g);
  ASSERT_EQ(back.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(std::memcmp(&back[i], &stops[i], sizeof stops[i]), 0) << i;
  EXPECT_EQ(doc.gradientType(g), host::kGradientRadial);
}

TEST(DocumentGradient, InsertAndSetRespectBounds) {
  host::Document doc;
  const auto g = doc.newDefaultGradient();
  const auto red = host::MakeStop(50, host::RgbColor(1, 0, 0));
  EXPECT_FALSE(doc.insertStop(g, 3, red)) << "past the end";
  EXPECT_TRUE(doc.insertStop(g, 2, red)) << "at the end";
  EXPECT_TRUE(doc.insertStop(g, 1, red));
  EXPECT_EQ(doc.stopCount(g), 4u);
  EXPECT_FALSE(doc.setStop(g, 4, red));
  EXPECT_FALSE(doc.stop(g, 4).has_value());
  EXPECT_FALSE(doc.insertStop(nullptr, 0, red));
}

TEST(DocumentGradient, GrowthStopsAtTheSixteenBitLimit) {
  host::Document doc;
  const auto g = doc.newDefaultGradient();
  const auto stop = host::MakeStop(50, host::RgbColor(0, 1, 0));
  while (*doc.stopCount(g) < host::kMaxGradientStops) ASSERT_TRUE(doc.insertStop(g, 1, stop));
  EXPECT_EQ(doc.stopCount(g), 32767u);
  EXPECT_FALSE(doc.insertStop(g, 1, stop));
  EXPECT_EQ(doc.stopCount(g), 32767u);
  EXPECT_DOUBLE_EQ(doc.stop(g, 32766)->rampPoint, 100.0) << "the last stop stays last";

  std::vector<hostapi::HostGradientStop> tooMany(host::kMaxGradientStops + 1, stop);
  EXPECT_EQ(doc.newGradient(0, tooMany), nullptr);
}

}  // namespace
