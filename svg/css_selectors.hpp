// Selectors as the style sheet reads them, and whether an element matches
// one (internal to the sheet's reader).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "svg/css_sheet.hpp"
#include "svg/css_tokens.hpp"

namespace evenhue::svg::css {

struct SimpleSelector {
  enum class Kind : std::uint8_t { Id, Class, Attribute };
  enum class Op : std::uint8_t { Exists, Equals, Includes, DashMatch, Prefix, Suffix, Substring };
  Kind kind = Kind::Class;
  Op op = Op::Exists;
  bool ignoreCase = false;  // the attribute value compares ASCII-case-insensitively
  std::string name;         // id, class or attribute name
  std::string value;        // attribute value, lower-case when ignoreCase
};

struct Compound {
  std::string type;  // element local name; empty for any element
  std::vector<SimpleSelector> simple;
};

enum class Combinator : std::uint8_t { Descendant, Child };

struct ComplexSelector {
  std::vector<Compound> compounds;        // the rightmost (the subject) first
  std::vector<Combinator> combinators;    // [i] joins compounds[i] to compounds[i + 1], its left
  Specificity specificity;
};

// Calls `f` with each white-space-separated word of `text` until it returns true.
template <class F>
bool AnyWord(std::string_view text, F f) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsWhitespace(static_cast<unsigned char>(text[i]))) ++i;
    const std::size_t begin = i;
    while (i < text.size() && !IsWhitespace(static_cast<unsigned char>(text[i]))) ++i;
    if (i > begin && f(text.substr(begin, i - begin))) return true;
  }
  return false;
}

// Reads a selector list from the tokens of a rule's prelude (comments left
// out): nothing when the whole list is read, else why it cannot be.
const char* ReadSelectorList(std::string_view text, const std::vector<Token>& tokens,
                             std::vector<ComplexSelector>& out);

// Compounds are matched from the subject leftwards. When a child combinator
// fails, only the latest descendant combinator passed needs trying again
// further up: one passed before it has its left part matched by an ancestor
// of every element this one could still reach. So one point of return is
// enough, and the loop goes up the tree without recursion.
bool Matches(const ComplexSelector& selector, pugi::xml_node element, pugi::xml_node top);

}  // namespace evenhue::svg::css
