// UTF-8 written and checked, for every side alike: the plug-in's file names,
// the host's text conversions, documents and the command's outputs. Standard
// library only.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace unicode {

// A file system path from UTF-8 text, and its UTF-8 text (std::filesystem's
// narrow strings are the ANSI code page on Windows, which holds few names).
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

// Appends one code point in UTF-8 (four bytes at most; the caller keeps it
// within Unicode's range).
inline void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0
// (no overlong forms, no surrogates, nothing above U+10FFFF).
inline std::size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xbf;  // the allowed range of the second byte
  if (lead >= 0xc2 && lead <= 0xdf) length = 2;
  else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;        // no overlong forms
    else if (lead == 0xed) high = 0x9f;  // no surrogates
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    else if (lead == 0xf4) high = 0x8f;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xbf) return 0;
  return length;
}

// The code point of the well-formed sequence of `length` bytes (as
// Utf8SequenceLength gives it) at the start of `text`.
inline char32_t DecodeUtf8(std::string_view text, std::size_t length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (length == 1) return byte(0);
  char32_t c = byte(0) & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (byte(i) & 0x3F);
  return c;
}

// What ReadUtf16 gives for a surrogate that is not half of a pair.
inline constexpr char32_t kLoneSurrogate = 0xFFFFFFFF;

// The code point at `text[i]` in UTF-16, a surrogate pair taken whole (`i`
// then moved to its second half); kLoneSurrogate for an unpaired surrogate.
inline char32_t ReadUtf16(std::u16string_view text, std::size_t& i) {
  const char32_t c = text[i];
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
    ++i;
    return 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i]) - 0xDC00);
  }
  return c >= 0xD800 && c <= 0xDFFF ? kLoneSurrogate : c;
}

}  // namespace unicode
