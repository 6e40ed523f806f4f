#include "host/utf8.hpp"

namespace host {

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t length = unicode::Utf8SequenceLength(text.substr(i));
    char32_t cp = 0;
    if (length == 0) {  // not UTF-8: take the byte as Latin-1
      cp = static_cast<unsigned char>(text[i]);
      length = 1;
    } else {
      cp = unicode::DecodeUtf8(text.substr(i), length);
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
    const char32_t cp = unicode::ReadUtf16(text, i);
    AppendUtf8(out, cp == unicode::kLoneSurrogate ? U'\uFFFD' : cp);  // a lone surrogate
  }
  return out;
}

}  // namespace host
