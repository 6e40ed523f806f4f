#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "svg/css_color.hpp"
#include "svg/css_number.hpp"

namespace evenhue::svg {
namespace {

struct ColorCase {
  const char* name;
  const char* text;
  CssColor::Space space;
  double c0, c1, c2, c3;
  double alpha;
};

class ParsesColor : public testing::TestWithParam<ColorCase> {};

TEST_P(ParsesColor, ToChannels) {
  const ColorCase& c = GetParam();
  const auto color = ParseCssColor(c.text);
  ASSERT_TRUE(color.has_value()) << c.text;
  EXPECT_EQ(color->space, c.space);
  EXPECT_NEAR(color->channels[0], c.c0, 1e-9);
  EXPECT_NEAR(color->channels[1], c.c1, 1e-9);
  EXPECT_NEAR(color->channels[2], c.c2, 1e-9);
  if (c.space == CssColor::Space::Cmyk) {
    EXPECT_NEAR(color->channels[3], c.c3, 1e-9);
  }
  EXPECT_NEAR(color->alpha, c.alpha, 1e-9);
}

constexpr auto kRgb = CssColor::Space::Rgb;
constexpr auto kCmyk = CssColor::Space::Cmyk;

INSTANTIATE_TEST_SUITE_P(
    Css, ParsesColor,
    testing::Values(
        ColorCase{"hex3", "#f80", kRgb, 1, 0x88 / 255.0, 0, 0, 1},
        ColorCase{"hex4", "#f80c", kRgb, 1, 0x88 / 255.0, 0, 0, 0xcc / 255.0},
        ColorCase{"hex6", "#0a1B2c", kRgb, 0x0a / 255.0, 0x1b / 255.0, 0x2c / 255.0, 0, 1},
        ColorCase{"hex8", "#ff000080", kRgb, 1, 0, 0, 0, 0x80 / 255.0},
        ColorCase{"hexWithSpaces", "  #00ff00 ", kRgb, 0, 1, 0, 0, 1},
        ColorCase{"rgbCommas", "rgb(255, 128, 0)", kRgb, 1, 128 / 255.0, 0, 0, 1},
        ColorCase{"rgbSpaces", "rgb(255 128 0)", kRgb, 1, 128 / 255.0, 0, 0, 1},
        ColorCase{"rgbPercent", "rgb(100%, 50%, 0%)", kRgb, 1, 0.5, 0, 0, 1},
        ColorCase{"rgbClamped", "rgb(300, -20, 0)", kRgb, 1, 0, 0, 0, 1},
        ColorCase{"rgbaCommas", "rgba(0, 0, 255, 0.25)", kRgb, 0, 0, 1, 0, 0.25},
        ColorCase{"rgbSlashAlpha", "rgb(0 0 255 / 40%)", kRgb, 0, 0, 1, 0, 0.4},
        ColorCase{"rgbUpperCase", "RGB(0,0,255)", kRgb, 0, 0, 1, 0, 1},
        ColorCase{"hslRed", "hsl(0, 100%, 50%)", kRgb, 1, 0, 0, 0, 1},
        ColorCase{"hslGreen", "hsl(120deg 100% 25%)", kRgb, 0, 0.5, 0, 0, 1},
        ColorCase{"hslTurn", "hsl(0.5turn, 100%, 50%)", kRgb, 0, 1, 1, 0, 1},
        ColorCase{"hslNegativeHue", "hsl(-120, 100%, 50%)", kRgb, 0, 0, 1, 0, 1},
        ColorCase{"hslaGrey", "hsla(200, 0%, 50%, 0.5)", kRgb, 0.5, 0.5, 0.5, 0, 0.5},
        ColorCase{"namedRebecca", "rebeccapurple", kRgb, 0x66 / 255.0, 0x33 / 255.0, 0x99 / 255.0, 0, 1},
        ColorCase{"namedMixedCase", "CornflowerBlue", kRgb, 0x64 / 255.0, 0x95 / 255.0, 0xed / 255.0, 0, 1},
        ColorCase{"namedFirst", "aliceblue", kRgb, 0xf0 / 255.0, 0xf8 / 255.0, 1, 0, 1},
        ColorCase{"namedLast", "yellowgreen", kRgb, 0x9a / 255.0, 0xcd / 255.0, 0x32 / 255.0, 0, 1},
        ColorCase{"transparent", "transparent", kRgb, 0, 0, 0, 0, 0},
        ColorCase{"cmykNumbers", "device-cmyk(1 0 0.5 0)", kCmyk, 1, 0, 0.5, 0, 1},
        ColorCase{"cmykPercent", "device-cmyk(0% 100% 100% 10%)", kCmyk, 0, 1, 1, 0.1, 1},
        ColorCase{"cmykCommas", "device-cmyk(0.1, 0.2, 0.3, 0.4)", kCmyk, 0.1, 0.2, 0.3, 0.4, 1},
        ColorCase{"cmykAlpha", "device-cmyk(0 0 0 1 / 0.5)", kCmyk, 0, 0, 0, 1, 0.5}),
    [](const auto& info) { return std::string(info.param.name); });

class RejectsColor : public testing::TestWithParam<const char*> {};

TEST_P(RejectsColor, AsNotAColour) { EXPECT_FALSE(ParseCssColor(GetParam()).has_value()) << GetParam(); }

INSTANTIATE_TEST_SUITE_P(Css, RejectsColor,
                         testing::Values("", "   ", "#", "#12", "#12345", "#1234567", "#ggg", "blurple", "rgb(1, 2)",
                                         "rgb(1, 2, 3, 4, 5)", "rgb(1,,2,3)", "rgb(1 2 3", "rgb (1, 2, 3)",
                                         "rgb(nan, 0, 0)", "rgb(a, b, c)", "hsl(10qq, 50%, 50%)",
                                         "hsl(inf, 50%, 50%)", "device-cmyk(1 0 0)", "device-cmyk(a b c d)",
                                         "cmyk(0 0 0 0)", "url(#x)", "none"));

TEST(HexRgb, RoundsAndClamps) {
  EXPECT_EQ(HexRgb(0, 0.5, 1), "#0080ff");
  EXPECT_EQ(HexRgb(-1, 2, std::nan("")), "#00ff00");
  EXPECT_EQ(HexRgb(0.2, 0.4, 0.6), "#336699");
}

struct NumberCase {
  const char* text;
  std::optional<double> value;
};

TEST(CssNumber, ReadsOnlyCssNumbers) {
  const NumberCase cases[] = {{"0", 0.0},        {"-1.5", -1.5},    {"+2", 2.0},        {".5", 0.5},
                              {"1e2", 100.0},    {"1E-2", 0.01},    {" 3 ", 3.0},       {"nan", std::nullopt},
                              {"inf", std::nullopt}, {"0x10", std::nullopt}, {"1.", std::nullopt}, {"", std::nullopt},
                              {"1 2", std::nullopt}, {"--1", std::nullopt}};
  for (const NumberCase& c : cases) {
    const auto value = ParseCssNumber(c.text);
    ASSERT_EQ(value.has_value(), c.value.has_value()) << c.text;
    if (value) {
      EXPECT_DOUBLE_EQ(*value, *c.value) << c.text;
    }
  }
  EXPECT_EQ(ParseCssNumber("1e999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseCssNumber("-1e999"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseCssNumber("1e-999"), 0.0);
  EXPECT_DOUBLE_EQ(*ParseNumberOrPercent("25%"), 0.25);
  EXPECT_FALSE(ParseNumberOrPercent("%").has_value());
}

}  // namespace
}  // namespace evenhue::svg
