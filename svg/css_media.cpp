// Media queries as a screen renderer answers them, for <style media> and @media.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "svg/css_number.hpp"
#include "svg/css_sheet.hpp"
#include "svg/css_tokens.hpp"

namespace evenhue::svg::css {

namespace {

// The media types a screen renderer matches; every other type, known
// ("print", "speech", the old "tv", "handheld", ...) or not, matches nothing.
constexpr std::array<std::string_view, 2> kScreenTypes = {"all", "screen"};

// One query: its tokens outside any block that are not white space, a
// parenthesised block (a media feature or a condition) standing as one.
struct Part {
  bool block = false;  // a ( ... ) block
  std::string word;    // lower-case identifier; empty for anything else
};

enum class Answer { Yes, No, Unknown };

Answer Evaluate(const std::vector<Part>& parts) {
  std::size_t i = 0;
  bool negated = false;
  if (i < parts.size() && (parts[i].word == "not" || parts[i].word == "only")) {
    negated = parts[i].word == "not";
    ++i;
  }
  if (i == parts.size()) return Answer::No;  // "not" or "only" alone: not a query, matches nothing
  if (parts[i].block) {
    // A condition on media features alone.
    for (const Part& p : parts)
      if (!p.block && p.word != "and" && p.word != "or" && p.word != "not") return Answer::No;
    return Answer::Unknown;
  }
  const std::string& type = parts[i].word;
  if (type.empty() || type == "and" || type == "or" || type == "not" || type == "only") return Answer::No;
  ++i;
  bool features = false;
  for (; i < parts.size(); i += 2) {
    if (parts[i].word != "and" || i + 1 == parts.size() || !parts[i + 1].block) return Answer::No;
    features = true;
  }
  const bool typeMatches = std::find(kScreenTypes.begin(), kScreenTypes.end(), type) != kScreenTypes.end();
  if (!typeMatches) return negated ? Answer::Yes : Answer::No;
  if (features) return Answer::Unknown;
  return negated ? Answer::No : Answer::Yes;
}

}  // namespace

std::optional<bool> MediaApplies(std::string_view queries) {
  std::vector<std::vector<Part>> list(1);
  BlockStack blocks;
  bool any = false;  // a token that is not white space
  Tokenizer tokenizer(queries);
  for (Token t = tokenizer.Next(); t.type != Tok::End; t = tokenizer.Next()) {
    if (t.type == Tok::Comment || t.type == Tok::Whitespace) continue;
    any = true;
    const bool outside = blocks.empty();
    blocks.Take(t);
    if (!outside) continue;
    if (t.type == Tok::Comma) {
      list.emplace_back();
      continue;
    }
    Part part;
    part.block = t.type == Tok::LeftParen;
    if (t.type == Tok::Ident) part.word = AsciiLower(DecodeName(queries.substr(t.begin, t.end - t.begin)));
    // Anything else (a function, a bracket block, a number) is neither a
    // type nor a feature: it has no word.
    list.back().push_back(std::move(part));
  }
  if (!any) return true;  // no query: all media
  bool unknown = false;
  for (const std::vector<Part>& query : list) {
    const Answer a = query.empty() ? Answer::No : Evaluate(query);
    if (a == Answer::Yes) return true;
    unknown = unknown || a == Answer::Unknown;
  }
  if (unknown) return std::nullopt;
  return false;
}

}  // namespace evenhue::svg::css
