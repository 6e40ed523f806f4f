// Numbers as CSS and SVG attributes write them: no "nan", "inf" or hex forms.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>

namespace evenhue::svg {

// Reads one CSS number at the start of `text` ([+-]digits[.digits][e[+-]digits]).
// On success returns the value and sets `used` to the characters consumed.
// A number too large for a double comes back as an infinity of its sign.
std::optional<double> ScanCssNumber(std::string_view text, std::size_t& used);

// The whole text (surrounding white space allowed) as one number.
std::optional<double> ParseCssNumber(std::string_view text);

// std::from_chars for a double in plain or scientific form, made with strtod,
// for standard libraries without the floating-point form (the page's
// WebAssembly build).
std::from_chars_result ReadDoubleByStrtod(const char* first, const char* last, double& value);

// A number, or a percentage divided by 100.
std::optional<double> ParseNumberOrPercent(std::string_view text);

std::string_view TrimCss(std::string_view text);

// Lower-case ASCII copy.
std::string AsciiLower(std::string_view text);
// A-Z as a-z, any other byte as it is (std::tolower in the "C" locale).
constexpr char AsciiLowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace evenhue::svg
