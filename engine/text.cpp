#include "engine/text.hpp"

#include <cstdio>

namespace evenhue::cli {

std::string XmlText(std::string_view text) {
  static constexpr char kReplacement[] = "\xef\xbf\xbd";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80) {
      const std::size_t length = Utf8SequenceLength(text.substr(i));
      // U+FFFE and U+FFFF are no XML characters either.
      const bool nonCharacter = length == 3 && u == 0xef && static_cast<unsigned char>(text[i + 1]) == 0xbf &&
                                static_cast<unsigned char>(text[i + 2]) >= 0xbe;
      if (length == 0 || nonCharacter) {
        out += kReplacement;
        i += length == 0 ? 1 : length;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': case '\n': case '\r': out += c; break;
      default: u < 0x20 ? out += kReplacement : out += c;
    }
    ++i;
  }
  return out;
}

std::string Base64(std::string_view data) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(data[i]) << 16) | (static_cast<unsigned char>(data[i + 1]) << 8) |
                       static_cast<unsigned char>(data[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i < data.size()) {
    unsigned v = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < data.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string FormatNumber(double value, const char* format) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace evenhue::cli
