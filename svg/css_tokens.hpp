// The CSS tokenizer style sheets and style attributes are read with, and the
// skipping of blocks, at-rules and declarations that every reader of them
// shares. Internal to the CSS readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace evenhue::svg::css {

// ---------------------------------------------------------------------------
// Characters. The text is read byte by byte: every byte of a non-ASCII UTF-8
// sequence counts as a name character, as the code point it belongs to does.

inline constexpr int kEnd = -1;
inline constexpr std::uint32_t kReplacement = 0xFFFD;

inline int At(std::string_view s, std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : kEnd; }
inline bool IsNewline(int c) { return c == '\n' || c == '\r' || c == '\f'; }
inline bool IsWhitespace(int c) { return c == ' ' || c == '\t' || IsNewline(c); }
inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }
inline bool IsHexDigit(int c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
inline int HexValue(int c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }
// NUL is read as U+FFFD, which starts a name like any other non-ASCII code point.
inline bool IsNameStart(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80 || c == 0; }
inline bool IsNameChar(int c) { return IsNameStart(c) || IsDigit(c) || c == '-'; }
inline bool IsNonPrintable(int c) { return (c >= 0x01 && c <= 0x08) || c == 0x0B || (c >= 0x0E && c <= 0x1F) || c == 0x7F; }

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Appends `c`, NUL as U+FFFD.
void AppendChar(std::string& out, char c);

// The escape whose backslash is just before `i`: up to six hex digits and one
// white space after them, or any one other character. Appends what it stands
// for to `out` when given; returns the index past it.
std::size_t ReadEscape(std::string_view s, std::size_t i, std::string* out);

// A name as written (escapes included) to the name it stands for.
std::string DecodeName(std::string_view raw);

// A quoted string as written, quotes included, to its contents.
std::string DecodeString(std::string_view raw);

// ---------------------------------------------------------------------------
// Tokens. Each token covers its source text exactly, so that consecutive
// tokens tile the text and a value can be given back as written.

enum class Tok : std::uint8_t {
  Ident, Function, AtKeyword, Hash, String, BadString, Url, BadUrl, Delim, Number, Percentage, Dimension,
  Whitespace, Cdo, Cdc, Colon, Semicolon, Comma, LeftBracket, RightBracket, LeftParen, RightParen,
  LeftBrace, RightBrace, Comment, End,
};

struct Token {
  Tok type = Tok::End;
  bool idHash = false;  // a Hash whose name could be an identifier (so an id selector)
  std::size_t begin = 0, end = 0;
};

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : s_(text) {}

  Token Next() {
    Token t;
    t.begin = p_;
    t.type = Read(t.idHash);
    t.end = p_;
    return t;
  }

 private:
  int At(std::size_t i) const { return css::At(s_, i); }
  bool ValidEscape(std::size_t i) const { return At(i) == '\\' && !IsNewline(At(i + 1)); }

  bool StartsName(std::size_t i) const {
    const int c = At(i);
    if (c == '-') return IsNameStart(At(i + 1)) || At(i + 1) == '-' || ValidEscape(i + 1);
    return IsNameStart(c) || ValidEscape(i);
  }

  bool StartsNumber(std::size_t i) const {
    int c = At(i);
    if (c == '+' || c == '-') c = At(++i);
    return IsDigit(c) || (c == '.' && IsDigit(At(i + 1)));
  }

  void SkipName() {
    for (;;) {
      if (IsNameChar(At(p_))) ++p_;
      else if (ValidEscape(p_)) p_ = ReadEscape(s_, p_ + 1, nullptr);
      else return;
    }
  }

  void SkipDigits() {
    while (IsDigit(At(p_))) ++p_;
  }

  Tok Read(bool& idHash) {
    const int c = At(p_);
    if (c == kEnd) return Tok::End;
    if (c == '/' && At(p_ + 1) == '*') {
      const std::size_t close = s_.find("*/", p_ + 2);
      p_ = close == std::string_view::npos ? s_.size() : close + 2;
      return Tok::Comment;
    }
    if (IsWhitespace(c)) {
      while (IsWhitespace(At(p_))) ++p_;
      return Tok::Whitespace;
    }
    if (IsDigit(c)) return Numeric();
    if (IsNameStart(c)) return NameLike();
    switch (c) {
      case '"':
      case '\'':
        return String(c);
      case '#':
        if (IsNameChar(At(p_ + 1)) || ValidEscape(p_ + 1)) {
          ++p_;
          idHash = StartsName(p_);
          SkipName();
          return Tok::Hash;
        }
        break;
      case '(': ++p_; return Tok::LeftParen;
      case ')': ++p_; return Tok::RightParen;
      case '[': ++p_; return Tok::LeftBracket;
      case ']': ++p_; return Tok::RightBracket;
      case '{': ++p_; return Tok::LeftBrace;
      case '}': ++p_; return Tok::RightBrace;
      case ',': ++p_; return Tok::Comma;
      case ':': ++p_; return Tok::Colon;
      case ';': ++p_; return Tok::Semicolon;
      case '+':
      case '.':
        if (StartsNumber(p_)) return Numeric();
        break;
      case '-':
        if (StartsNumber(p_)) return Numeric();
        if (At(p_ + 1) == '-' && At(p_ + 2) == '>') {
          p_ += 3;
          return Tok::Cdc;
        }
        if (StartsName(p_)) return NameLike();
        break;
      case '<':
        if (s_.substr(p_ + 1, 3) == "!--") {
          p_ += 4;
          return Tok::Cdo;
        }
        break;
      case '@':
        if (StartsName(p_ + 1)) {
          ++p_;
          SkipName();
          return Tok::AtKeyword;
        }
        break;
      case '\\':
        if (ValidEscape(p_)) return NameLike();
        break;
      default:
        break;
    }
    ++p_;
    return Tok::Delim;
  }

  Tok String(int quote) {
    ++p_;
    for (;;) {
      const int c = At(p_);
      if (c == kEnd) return Tok::String;  // closed by the end of the text
      if (c == quote) {
        ++p_;
        return Tok::String;
      }
      if (IsNewline(c)) return Tok::BadString;  // the line end is left for the next token
      if (c != '\\') {
        ++p_;
      } else if (At(p_ + 1) == kEnd) {
        ++p_;
      } else if (IsNewline(At(p_ + 1))) {  // a continued line
        p_ += (At(p_ + 1) == '\r' && At(p_ + 2) == '\n') ? 3 : 2;
      } else {
        p_ = ReadEscape(s_, p_ + 1, nullptr);
      }
    }
  }

  Tok Numeric() {
    if (At(p_) == '+' || At(p_) == '-') ++p_;
    SkipDigits();
    if (At(p_) == '.' && IsDigit(At(p_ + 1))) {
      ++p_;
      SkipDigits();
    }
    if (At(p_) == 'e' || At(p_) == 'E') {
      std::size_t k = p_ + 1;
      if (At(k) == '+' || At(k) == '-') ++k;
      if (IsDigit(At(k))) {
        p_ = k;
        SkipDigits();
      }
    }
    if (StartsName(p_)) {
      SkipName();
      return Tok::Dimension;
    }
    if (At(p_) == '%') {
      ++p_;
      return Tok::Percentage;
    }
    return Tok::Number;
  }

  Tok NameLike() {
    const std::size_t begin = p_;
    SkipName();
    if (At(p_) != '(') return Tok::Ident;
    const bool url = EqualsIgnoreAsciiCase(DecodeName(s_.substr(begin, p_ - begin)), "url");
    ++p_;
    if (!url) return Tok::Function;
    while (IsWhitespace(At(p_)) && IsWhitespace(At(p_ + 1))) ++p_;
    const int first = IsWhitespace(At(p_)) ? At(p_ + 1) : At(p_);
    if (first == '"' || first == '\'') return Tok::Function;  // url("...") is an ordinary function
    return Url();
  }

  Tok Url() {
    while (IsWhitespace(At(p_))) ++p_;
    for (;;) {
      const int c = At(p_);
      if (c == kEnd) return Tok::Url;
      if (c == ')') {
        ++p_;
        return Tok::Url;
      }
      if (IsWhitespace(c)) {
        while (IsWhitespace(At(p_))) ++p_;
        if (At(p_) == kEnd) return Tok::Url;
        if (At(p_) == ')') {
          ++p_;
          return Tok::Url;
        }
        return BadUrl();
      }
      if (c == '"' || c == '\'' || c == '(' || IsNonPrintable(c) || (c == '\\' && !ValidEscape(p_))) return BadUrl();
      p_ = c == '\\' ? ReadEscape(s_, p_ + 1, nullptr) : p_ + 1;
    }
  }

  Tok BadUrl() {
    for (;;) {
      const int c = At(p_);
      if (c == kEnd) return Tok::BadUrl;
      if (c == ')') {
        ++p_;
        return Tok::BadUrl;
      }
      p_ = ValidEscape(p_) ? ReadEscape(s_, p_ + 1, nullptr) : p_ + 1;
    }
  }

  std::string_view s_;
  std::size_t p_ = 0;
};

// Tokens without comments, with one token of look-back.
class TokenStream {
 public:
  explicit TokenStream(std::string_view text) : text_(text), tokenizer_(text) {}

  Token Next() {
    if (pushedBack_) {
      pushedBack_ = false;
      return back_;
    }
    Token t;
    do t = tokenizer_.Next();
    while (t.type == Tok::Comment);
    return t;
  }
  void PushBack(const Token& t) {
    back_ = t;
    pushedBack_ = true;
  }

  std::string_view text() const { return text_; }
  std::string_view Text(std::size_t begin, std::size_t end) const { return text_.substr(begin, end - begin); }
  std::string_view Text(const Token& t) const { return Text(t.begin, t.end); }

 private:
  std::string_view text_;
  Tokenizer tokenizer_;
  Token back_;
  bool pushedBack_ = false;
};

inline bool IsDelim(std::string_view text, const Token& t, char c) { return t.type == Tok::Delim && text[t.begin] == c; }

// The blocks a run of tokens has opened and not closed yet. A closing token
// that does not match the innermost open block closes nothing.
class BlockStack {
 public:
  bool empty() const { return open_.empty(); }
  void Take(const Token& t) {
    switch (t.type) {
      case Tok::Function:
      case Tok::LeftParen: open_.push_back(Tok::RightParen); break;
      case Tok::LeftBracket: open_.push_back(Tok::RightBracket); break;
      case Tok::LeftBrace: open_.push_back(Tok::RightBrace); break;
      case Tok::RightParen:
      case Tok::RightBracket:
      case Tok::RightBrace:
        if (!open_.empty() && open_.back() == t.type) open_.pop_back();
        break;
      default: break;
    }
  }

 private:
  std::vector<Tok> open_;
};


// Skips the rest of a block whose opening brace was just read.
void SkipBlock(TokenStream& ts);

struct AtRuleEnd {
  std::size_t preludeEnd;  // where its prelude ends
  bool closedBlock;        // it ended at the closing brace of the block it stands in (read)
};

// Skips an at-rule whose keyword was just read: its prelude and its block or semicolon.
AtRuleEnd SkipAtRule(TokenStream& ts, bool inBlock);

struct DeclarationEnd {
  std::size_t at;    // where the declaration's text ends
  bool closedBlock;  // it ended at the closing brace of its block (read)
  bool broken;       // it holds a string broken by a line end or a malformed url()
};

// Reads to the end of a declaration: a semicolon outside any block, the
// closing brace of the enclosing block, or the end of the text.
DeclarationEnd SkipDeclaration(TokenStream& ts, bool inBlock);

}  // namespace evenhue::svg::css
