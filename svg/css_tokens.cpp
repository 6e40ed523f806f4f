#include "svg/css_tokens.hpp"

#include <algorithm>

#include "text/utf8.hpp"

namespace evenhue::svg::css {

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; };
           return lower(x) == lower(y);
         });
}

void AppendChar(std::string& out, char c) {
  if (c == '\0') unicode::AppendUtf8(out, kReplacement);
  else out.push_back(c);
}

std::size_t ReadEscape(std::string_view s, std::size_t i, std::string* out) {
  if (i >= s.size()) {
    if (out) unicode::AppendUtf8(*out, kReplacement);
    return i;
  }
  if (IsHexDigit(At(s, i))) {
    std::uint32_t value = 0;
    for (int n = 0; n < 6 && IsHexDigit(At(s, i)); ++n, ++i)
      value = value * 16 + static_cast<std::uint32_t>(HexValue(At(s, i)));
    if (IsWhitespace(At(s, i))) i += (At(s, i) == '\r' && At(s, i + 1) == '\n') ? 2 : 1;
    const bool invalid = value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF;
    if (out) unicode::AppendUtf8(*out, invalid ? kReplacement : value);
    return i;
  }
  if (out) AppendChar(*out, s[i]);
  return i + 1;
}

std::string DecodeName(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size();) {
    if (raw[i] == '\\') {
      i = ReadEscape(raw, i + 1, &out);
    } else {
      AppendChar(out, raw[i]);
      ++i;
    }
  }
  return out;
}

std::string DecodeString(std::string_view raw) {
  std::string out;
  const char quote = raw.front();
  for (std::size_t i = 1; i < raw.size() && raw[i] != quote;) {
    if (raw[i] != '\\') {
      AppendChar(out, raw[i]);
      ++i;
    } else if (i + 1 == raw.size()) {
      ++i;
    } else if (IsNewline(At(raw, i + 1))) {  // a continued line
      i += (raw[i + 1] == '\r' && At(raw, i + 2) == '\n') ? 3 : 2;
    } else {
      i = ReadEscape(raw, i + 1, &out);
    }
  }
  return out;
}

void SkipBlock(TokenStream& ts) {
  BlockStack blocks;
  blocks.Take(Token{Tok::LeftBrace});
  for (;;) {
    const Token t = ts.Next();
    if (t.type == Tok::End) return;
    blocks.Take(t);
    if (blocks.empty()) return;
  }
}

AtRuleEnd SkipAtRule(TokenStream& ts, bool inBlock) {
  BlockStack blocks;
  for (;;) {
    const Token t = ts.Next();
    if (t.type == Tok::End) return {t.begin, false};
    if (blocks.empty()) {
      if (t.type == Tok::Semicolon) return {t.begin, false};
      if (t.type == Tok::LeftBrace) {
        SkipBlock(ts);
        return {t.begin, false};
      }
      if (inBlock && t.type == Tok::RightBrace) return {t.begin, true};
    }
    blocks.Take(t);
  }
}

DeclarationEnd SkipDeclaration(TokenStream& ts, bool inBlock) {
  BlockStack blocks;
  bool broken = false;
  for (;;) {
    const Token t = ts.Next();
    if (t.type == Tok::End) return {t.begin, false, broken};
    if (blocks.empty()) {
      if (t.type == Tok::Semicolon) return {t.begin, false, broken};
      if (inBlock && t.type == Tok::RightBrace) return {t.begin, true, broken};
    }
    broken = broken || t.type == Tok::BadString || t.type == Tok::BadUrl;
    blocks.Take(t);
  }
}
}  // namespace evenhue::svg::css
