// CSS colour values as they appear in SVG paint and stop-color properties.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace evenhue::svg {

struct CssColor {
  enum class Space { Rgb, Cmyk };
  Space space = Space::Rgb;
  // Rgb: red, green, blue in 0–1 (the fourth is unused); Cmyk: cyan, magenta,
  // yellow, black in 0–1.
  std::array<double, 4> channels{0.0, 0.0, 0.0, 0.0};
  double alpha = 1.0;  // 0–1

  static CssColor Rgb(double r, double g, double b, double a = 1.0) {
    return CssColor{Space::Rgb, {r, g, b, 0.0}, a};
  }
  static CssColor Cmyk(double c, double m, double y, double k, double a = 1.0) {
    return CssColor{Space::Cmyk, {c, m, y, k}, a};
  }
};

// Parses hex (#rgb, #rgba, #rrggbb, #rrggbbaa), rgb()/rgba(), hsl()/hsla(),
// the CSS named colours (and "transparent") and device-cmyk(c m y k).
// Surrounding white space is allowed; keywords and function names are
// case-insensitive. Returns nothing when the text is not a colour.
std::optional<CssColor> ParseCssColor(std::string_view text);

// "#rrggbb" for red, green and blue in 0–1 (clamped, rounded to nearest).
std::string HexRgb(double r, double g, double b);

}  // namespace evenhue::svg
