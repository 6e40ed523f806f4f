// Comparing results with the values scripts/reference_values.py computed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <ostream>

#include "tests/gradient/reference_values.hpp"

namespace reference {

// The expected values carry the bits of glibc's pow and cbrt, which the core
// calls on Linux, so there they must match exactly. Another C library (the
// Windows build's) rounds those two in the last place its own way, and the
// difference travels through the conversions and grows where values cancel:
// there results may stray by 1e-12 (relative above 1).
#ifdef __GLIBC__
inline constexpr double kAllowed = 0.0;
#else
inline constexpr double kAllowed = 1e-12;
#endif

template <std::size_t N>
::testing::AssertionResult Matches(const std::array<double, N>& actual, const std::array<double, N>& expected) {
  for (std::size_t i = 0; i < N; ++i) {
    const double allowed = kAllowed * std::max(1.0, std::fabs(expected[i]));
    if (!(actual[i] == expected[i] || std::fabs(actual[i] - expected[i]) <= allowed)) {
      return ::testing::AssertionFailure() << "value " << i << " is " << std::hexfloat << actual[i] << " instead of "
                                           << expected[i] << std::defaultfloat << " (" << actual[i] - expected[i]
                                           << " off)";
    }
  }
  return ::testing::AssertionSuccess();
}

inline std::array<double, 6> Fields(const Stop& s) { return {s.position, s.midpoint, s.red, s.green, s.blue, s.opacity}; }

// Test parameters print as their label or their arguments.
inline void PrintTo(const Conversion& c, std::ostream* os) { *os << c.label; }
inline void PrintTo(const Gradient& g, std::ostream* os) { *os << g.label; }
inline void PrintTo(const Lerp& l, std::ostream* os) { *os << l.a << ' ' << l.b << ' ' << l.t << ' ' << l.m; }

}  // namespace reference
