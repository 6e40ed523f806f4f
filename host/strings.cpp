#include "host/utf8.hpp"

namespace host {

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const auto continuation = [&](std::size_t k) { return k < text.size() && (byte(k) & 0xC0) == 0x80; };
  while (i < text.size()) {
    const unsigned char b = byte(i);
    char32_t cp = 0;
    std::size_t length = 0;
    if (b < 0x80) {
      cp = b;
      length = 1;
    } else if ((b & 0xE0) == 0xC0 && continuation(i + 1)) {
      cp = (static_cast<char32_t>(b & 0x1F) << 6) | (byte(i + 1) & 0x3F);
      length = cp >= 0x80 ? 2 : 0;
    } else if ((b & 0xF0) == 0xE0 && continuation(i + 1) && continuation(i + 2)) {
      cp = (static_cast<char32_t>(b & 0x0F) << 12) | (static_cast<char32_t>(byte(i + 1) & 0x3F) << 6) |
           (byte(i + 2) & 0x3F);
      length = (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) ? 3 : 0;
    } else if ((b & 0xF8) == 0xF0 && continuation(i + 1) && continuation(i + 2) && continuation(i + 3)) {
      cp = (static_cast<char32_t>(b & 0x07) << 18) | (static_cast<char32_t>(byte(i + 1) & 0x3F) << 12) |
           (static_cast<char32_t>(byte(i + 2) & 0x3F) << 6) | (byte(i + 3) & 0x3F);
      length = (cp >= 0x10000 && cp <= 0x10FFFF) ? 4 : 0;
    }
    if (length == 0) {  // not UTF-8: take the byte as Latin-1
      cp = b;
      length = 1;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += length;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace host
