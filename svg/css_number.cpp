#include "svg/css_number.hpp"

#include <cstdlib>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace evenhue::svg {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
}  // namespace

std::string_view TrimCss(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLowerChar(c);
  return out;
}

std::optional<double> ScanCssNumber(std::string_view text, std::size_t& used) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t mantissaStart = i;
  std::size_t digits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++digits;
  if (i < n && text[i] == '.' && i + 1 < n && IsDigit(text[i + 1])) {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < n && IsDigit(text[j])) {
      while (j < n && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  double value = 0.0;
  const char* first = text.data() + mantissaStart;
  const char* last = text.data() + i;
#if defined(__cpp_lib_to_chars)
  const auto result = std::from_chars(first, last, value);
#else
  const auto result = ReadDoubleByStrtod(first, last, value);
#endif
  if (result.ec == std::errc::result_out_of_range) {
    // Either an overflow or an underflow: tell them apart by the exponent sign.
    const std::string_view body(first, static_cast<std::size_t>(last - first));
    const auto e = body.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < body.size() && body[e + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (result.ec != std::errc() || result.ptr != last) {
    return std::nullopt;
  }
  used = i;
  return negative ? -value : value;
}

std::from_chars_result ReadDoubleByStrtod(const char* first, const char* last, double& value) {
  const std::string copy(first, last);
  char* end = nullptr;
  const double read = std::strtod(copy.c_str(), &end);
  std::from_chars_result result{first + (end - copy.c_str()), std::errc()};
  if (end == copy.c_str()) return {first, std::errc::invalid_argument};
  // Out of range: too large, or a non-zero number that reads as zero.
  const std::string_view body(copy.c_str(), static_cast<std::size_t>(end - copy.c_str()));
  const std::size_t nonzero = body.find_first_of("123456789");
  const bool zero = nonzero == std::string_view::npos || nonzero > body.find_first_of("eE");
  if (std::isinf(read) || (read == 0.0 && !zero)) {
    result.ec = std::errc::result_out_of_range;
    return result;
  }
  value = read;
  return result;
}

std::optional<double> ParseCssNumber(std::string_view text) {
  text = TrimCss(text);
  std::size_t used = 0;
  const auto value = ScanCssNumber(text, used);
  if (!value || used != text.size()) return std::nullopt;
  return value;
}

std::optional<double> ParseNumberOrPercent(std::string_view text) {
  text = TrimCss(text);
  if (!text.empty() && text.back() == '%') {
    const auto value = ParseCssNumber(text.substr(0, text.size() - 1));
    if (!value) return std::nullopt;
    return *value / 100.0;
  }
  return ParseCssNumber(text);
}

}  // namespace evenhue::svg
