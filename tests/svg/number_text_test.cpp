// The page's WebAssembly build writes and reads numbers without the
// floating-point std::to_chars / std::from_chars, through printf and strtod.
// Its output must be the command's byte for byte, so the printf forms are
// checked here against the standard library's own.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "svg/css_number.hpp"
#include "svg/gradient_writer.hpp"

namespace evenhue::svg {
namespace {

std::string ToChars(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// Where the fixed and the scientific forms trade places, both ends of the
// range, subnormals and the values stops and midpoints take.
constexpr double kEdges[] = {
    1.0, -1.0, 0.1, 0.5, 0.25, 1.0 / 3.0, 2.0 / 3.0, 0.875, 0.13, 0.87, 1e-4, 1e-5, 1.5e-5, 1e-6, 1e-7,
    1.234e-7, 12345.0, 123456.0, 1e15, 1e16, 1e17, 1.5e17, 1e21, 1e22, 1e23, 123456789012345678.0,
    9007199254740993.0, 4.35, 0.3, 2.5e-10, 5e-324, 1e-323, 2.2250738585072014e-308, 2.2250738585072009e-308,
    std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(), 100.0, 1000.0, 1e3 + 0.5,
};

TEST(NumberText, PrintfFormMatchesToCharsOnEdges) {
  for (const double value : kEdges) EXPECT_EQ(ShortestTextByPrintf(value), ToChars(value)) << ToChars(value);
}

TEST(NumberText, PrintfFormMatchesToCharsOnRandomDoubles) {
  std::mt19937_64 random(20261209);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 40'000; ++i) {
    // Offsets as the effect makes them, and any finite bit pattern.
    const double offset = unit(random);
    ASSERT_EQ(ShortestTextByPrintf(offset), ToChars(offset)) << ToChars(offset);
    const double any = std::bit_cast<double>(random());
    if (!std::isfinite(any)) continue;
    ASSERT_EQ(ShortestTextByPrintf(any), ToChars(any)) << ToChars(any);
  }
}

TEST(NumberText, StrtodReaderMatchesFromChars) {
  const std::string texts[] = {"0", "0.0", "00.5", "1", "0.1", ".5", "1e5", "1E+5", "2.5e-3", "123456789012345678901234567890",
                               "1e308", "1.7976931348623157e308", "1e309", "1e400", "4.9e-324", "2.5e-324",
                               "1e-320", "1e-400", "0e999", "0.000e-999", "9007199254740993", "0.30000000000000004",
                               "1e", "1e+", "5."};
  for (const std::string& text : texts) {
    double expected = -7.0, actual = -7.0;
    const auto want = std::from_chars(text.data(), text.data() + text.size(), expected);
    const auto got = ReadDoubleByStrtod(text.data(), text.data() + text.size(), actual);
    EXPECT_EQ(got.ec, want.ec) << text;
    EXPECT_EQ(got.ptr - text.data(), want.ptr - text.data()) << text;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(actual), std::bit_cast<std::uint64_t>(expected)) << text;
  }
}

}  // namespace
}  // namespace evenhue::svg
