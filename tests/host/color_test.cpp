#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <string>

#include "host/host.hpp"
#include "tests/host/suite_access.hpp"

namespace {

using hostapi::ColorConversionSuite;

struct Known {
  std::string name;
  float cmyk[4];
  float rgb[3];
};

void PrintTo(const Known& value, std::ostream* out) { *out << value.name; }

// Measured with these two profiles, relative colorimetric.
const Known kKnown[] = {
    {"FullCyan", {1, 0, 0, 0}, {0.0000f, 0.6901f, 0.9394f}},
    {"MagentaAndYellow", {0, 1, 1, 0}, {0.9320f, 0.2014f, 0.2189f}},
    {"HalfBlack", {0, 0, 0, 0.5f}, {0.5911f, 0.5989f, 0.6087f}},
};

class CmykThroughTheSuite : public testing::TestWithParam<Known> {};

TEST_P(CmykThroughTheSuite, MatchesTheProfilesToFourDecimals) {
  host::Host h;
  const auto& suite = hosttest::Table<ColorConversionSuite>(h);
  float out[4] = {-1, -1, -1, -1};
  const hostapi::ColorConversionOptions options = 0;
  hostapi::HostBoolean inGamut = 0;
  ASSERT_EQ(suite.ConvertSampleColor(hostapi::kSpaceCmyk, GetParam().cmyk, hostapi::kSpaceRgb, out, &options, &inGamut),
            0);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], GetParam().rgb[i], 0.00005) << "channel " << i;
  EXPECT_EQ(out[3], -1) << "only three components are written";
}

INSTANTIATE_TEST_SUITE_P(Host, CmykThroughTheSuite, testing::ValuesIn(kKnown),
                         [](const testing::TestParamInfo<Known>& info) { return info.param.name; });

TEST(CmykConverter, PaperWhiteAndResultsInRange) {
  auto converter = host::MakeCmykConverter(host::kDefaultCmykProfile, host::kDefaultRgbProfile);
  const float white[4] = {0, 0, 0, 0};
  float rgb[3] = {};
  ASSERT_TRUE(converter->convert(white, rgb));
  for (float c : rgb) EXPECT_GT(c, 0.99f);
  for (int k = 0; k <= 10; ++k) {
    const float ink[4] = {k / 10.0f, 1 - k / 10.0f, k / 20.0f, k / 10.0f};
    ASSERT_TRUE(converter->convert(ink, rgb));
    for (float c : rgb) {
      EXPECT_GE(c, 0.0f);
      EXPECT_LE(c, 1.0f);
    }
  }
}

TEST(CmykConverter, MissingProfileIsAClearErrorAtHostStart) {
  host::HostOptions options;
  options.cmykProfile = "/nonexistent/profile.icc";
  try {
    host::Host h(options);
    FAIL() << "the host started without its CMYK profile";
  } catch (const host::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/profile.icc"), std::string::npos) << e.what();
  }
  EXPECT_EQ(host::Host::active(), nullptr);
}

TEST(CmykConverter, AProfileOfTheWrongKindIsRefused) {
  EXPECT_THROW(host::MakeCmykConverter(host::kDefaultRgbProfile, host::kDefaultRgbProfile), host::ColorSetupError);
}

TEST(ColorConversionSuite, OtherSpacesAndMissingArraysAreRefused) {
  host::Host h;
  const auto& suite = hosttest::Table<ColorConversionSuite>(h);
  const float rgbIn[3] = {0.25f, 0.5f, 0.75f};
  float out[3] = {};
  const hostapi::ColorConversionOptions options = 0;
  ASSERT_EQ(suite.ConvertSampleColor(hostapi::kSpaceRgb, rgbIn, hostapi::kSpaceRgb, out, &options, nullptr), 0);
  EXPECT_EQ(out[1], 0.5f);
  EXPECT_NE(suite.ConvertSampleColor(hostapi::kSpaceRgb, rgbIn, hostapi::kSpaceCmyk, out, &options, nullptr), 0);
  EXPECT_NE(suite.ConvertSampleColor(7, rgbIn, hostapi::kSpaceRgb, out, &options, nullptr), 0);
  EXPECT_NE(suite.ConvertSampleColor(hostapi::kSpaceCmyk, nullptr, hostapi::kSpaceRgb, out, &options, nullptr), 0);
}

}  // namespace
