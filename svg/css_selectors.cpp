#include "svg/css_selectors.hpp"

#include <algorithm>
#include <utility>

#include "svg/css_number.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg::css {

namespace {

constexpr const char* kInvalidSelector = "invalid selector";
constexpr const char* kPseudoClass = "unsupported pseudo-class";
constexpr const char* kPseudoElement = "unsupported pseudo-element";
constexpr const char* kSiblingCombinator = "unsupported sibling combinator";
constexpr const char* kNamespacePrefix = "unsupported namespace prefix";

// Reads a selector list from the tokens of a rule's prelude (comments left out).
class SelectorReader {
 public:
  SelectorReader(std::string_view text, const std::vector<Token>& tokens) : text_(text), tokens_(tokens) {}

  // Nothing when the whole list is read, else why it cannot be.
  const char* ReadList(std::vector<ComplexSelector>& out) {
    for (;;) {
      ComplexSelector selector;
      if (const char* error = ReadComplex(selector)) return error;
      out.push_back(std::move(selector));
      if (i_ == tokens_.size()) return nullptr;
      ++i_;  // the comma
    }
  }

 private:
  const Token* Peek(std::size_t ahead = 0) const {
    return i_ + ahead < tokens_.size() ? &tokens_[i_ + ahead] : nullptr;
  }
  bool PeekType(Tok type, std::size_t ahead = 0) const {
    const Token* t = Peek(ahead);
    return t && t->type == type;
  }
  bool PeekDelim(char c, std::size_t ahead = 0) const {
    const Token* t = Peek(ahead);
    return t && IsDelim(text_, *t, c);
  }
  bool SkipWhitespace() {
    const bool any = PeekType(Tok::Whitespace);
    while (PeekType(Tok::Whitespace)) ++i_;
    return any;
  }
  std::string Name(const Token& t, std::size_t skip = 0) const {
    return DecodeName(text_.substr(t.begin + skip, t.end - t.begin - skip));
  }

  // Up to a comma or the end.
  const char* ReadComplex(ComplexSelector& out) {
    SkipWhitespace();
    for (;;) {
      Compound compound;
      if (const char* error = ReadCompound(compound, out.specificity)) return error;
      out.compounds.push_back(std::move(compound));
      const bool spaced = SkipWhitespace();
      if (!Peek() || PeekType(Tok::Comma)) break;
      if (PeekDelim('>')) {
        ++i_;
        SkipWhitespace();
        out.combinators.push_back(Combinator::Child);
      } else if (PeekDelim('+') || PeekDelim('~')) {
        return kSiblingCombinator;
      } else if (spaced) {
        out.combinators.push_back(Combinator::Descendant);
      } else {
        return kInvalidSelector;
      }
    }
    std::reverse(out.compounds.begin(), out.compounds.end());
    std::reverse(out.combinators.begin(), out.combinators.end());
    return nullptr;
  }

  const char* ReadCompound(Compound& out, Specificity& specificity) {
    bool any = false;
    if (PeekType(Tok::Ident) || PeekDelim('*')) {
      if (PeekDelim('|', 1)) return kNamespacePrefix;
      if (PeekType(Tok::Ident)) {
        out.type = Name(*Peek());
        ++specificity.types;
      }
      ++i_;
      any = true;
    } else if (PeekDelim('|')) {
      return kNamespacePrefix;
    }
    for (;; any = true) {
      const Token* t = Peek();
      if (!t) break;
      if (t->type == Tok::Hash) {
        if (!t->idHash) return kInvalidSelector;
        out.simple.push_back({SimpleSelector::Kind::Id, SimpleSelector::Op::Exists, false, Name(*t, 1), {}});
        ++specificity.ids;
        ++i_;
      } else if (IsDelim(text_, *t, '.')) {
        if (!PeekType(Tok::Ident, 1)) return kInvalidSelector;
        out.simple.push_back({SimpleSelector::Kind::Class, SimpleSelector::Op::Exists, false, Name(*Peek(1)), {}});
        ++specificity.classes;
        i_ += 2;
      } else if (t->type == Tok::LeftBracket) {
        SimpleSelector attribute;
        if (const char* error = ReadAttribute(attribute)) return error;
        out.simple.push_back(std::move(attribute));
        ++specificity.classes;
      } else if (t->type == Tok::Colon) {
        return PeekType(Tok::Colon, 1) ? kPseudoElement : kPseudoClass;
      } else {
        break;
      }
    }
    return any ? nullptr : kInvalidSelector;
  }

  // From its opening bracket to its closing one.
  const char* ReadAttribute(SimpleSelector& out) {
    using Op = SimpleSelector::Op;
    out.kind = SimpleSelector::Kind::Attribute;
    ++i_;
    SkipWhitespace();
    if (PeekDelim('|') || ((PeekType(Tok::Ident) || PeekDelim('*')) && PeekDelim('|', 1) && !PeekDelim('=', 2)))
      return kNamespacePrefix;
    if (!PeekType(Tok::Ident)) return kInvalidSelector;
    out.name = Name(*Peek());
    ++i_;
    SkipWhitespace();
    if (PeekType(Tok::RightBracket)) {
      ++i_;
      return nullptr;
    }
    static constexpr std::pair<char, Op> kOperators[] = {{'~', Op::Includes}, {'|', Op::DashMatch},
                                                         {'^', Op::Prefix},   {'$', Op::Suffix},
                                                         {'*', Op::Substring}};
    if (PeekDelim('=')) {
      out.op = Op::Equals;
      ++i_;
    } else {
      const Token* t = Peek();
      if (!t || t->type != Tok::Delim || !PeekDelim('=', 1)) return kInvalidSelector;
      const auto* found = std::find_if(std::begin(kOperators), std::end(kOperators),
                                       [&](const auto& entry) { return entry.first == text_[t->begin]; });
      if (found == std::end(kOperators)) return kInvalidSelector;
      out.op = found->second;
      i_ += 2;
    }
    SkipWhitespace();
    if (PeekType(Tok::Ident)) out.value = Name(*Peek());
    else if (PeekType(Tok::String)) out.value = DecodeString(text_.substr(Peek()->begin, Peek()->end - Peek()->begin));
    else return kInvalidSelector;
    ++i_;
    SkipWhitespace();
    if (PeekType(Tok::Ident)) {
      const std::string flag = Name(*Peek());
      if (EqualsIgnoreAsciiCase(flag, "i")) out.ignoreCase = true;
      else if (!EqualsIgnoreAsciiCase(flag, "s")) return kInvalidSelector;
      ++i_;
      SkipWhitespace();
    }
    if (!PeekType(Tok::RightBracket)) return kInvalidSelector;
    ++i_;
    if (out.ignoreCase) out.value = AsciiLower(out.value);
    return nullptr;
  }

  std::string_view text_;
  const std::vector<Token>& tokens_;
  std::size_t i_ = 0;
};

// ---------------------------------------------------------------------------
// Matching.

bool MatchesAttribute(const SimpleSelector& s, pugi::xml_node element) {
  using Op = SimpleSelector::Op;
  // A selector without a namespace names attributes without one: no prefixed name.
  if (s.name.find(':') != std::string::npos) return false;
  const pugi::xml_attribute attribute = element.attribute(s.name.c_str());
  if (!attribute) return false;
  std::string lowered;
  std::string_view actual = attribute.value();
  if (s.ignoreCase) {
    lowered = AsciiLower(actual);
    actual = lowered;
  }
  const std::string_view v = s.value;
  switch (s.op) {
    case Op::Exists: return true;
    case Op::Equals: return actual == v;
    case Op::Includes:  // a word; a value that is empty or holds white space is none
      return !v.empty() && !AnyWord(v, [&](std::string_view word) { return word != v; }) &&
             AnyWord(actual, [&](std::string_view word) { return word == v; });
    case Op::DashMatch:
      return actual == v || (actual.starts_with(v) && actual.size() > v.size() && actual[v.size()] == '-');
    case Op::Prefix: return !v.empty() && actual.starts_with(v);
    case Op::Suffix: return !v.empty() && actual.ends_with(v);
    case Op::Substring: return !v.empty() && actual.find(v) != std::string_view::npos;
  }
  return false;
}

bool MatchesCompound(const Compound& compound, pugi::xml_node element) {
  if (!compound.type.empty() && LocalName(element) != compound.type) return false;
  for (const SimpleSelector& s : compound.simple) {
    switch (s.kind) {
      case SimpleSelector::Kind::Id:
        if (s.name != element.attribute("id").value()) return false;
        break;
      case SimpleSelector::Kind::Class:
        if (!AnyWord(element.attribute("class").value(), [&](std::string_view word) { return word == s.name; }))
          return false;
        break;
      case SimpleSelector::Kind::Attribute:
        if (!MatchesAttribute(s, element)) return false;
        break;
    }
  }
  return true;
}

// The parent element, none above `top` (when given).
pugi::xml_node ParentElement(pugi::xml_node node, pugi::xml_node top) {
  if (node == top) return {};
  const pugi::xml_node parent = node.parent();
  return parent.type() == pugi::node_element ? parent : pugi::xml_node();
}

// The nearest proper ancestor of `node` matching `compound`, or an empty node.
pugi::xml_node MatchingAncestor(const Compound& compound, pugi::xml_node node, pugi::xml_node top) {
  for (node = ParentElement(node, top); node; node = ParentElement(node, top))
    if (MatchesCompound(compound, node)) return node;
  return {};
}

}  // namespace

const char* ReadSelectorList(std::string_view text, const std::vector<Token>& tokens,
                             std::vector<ComplexSelector>& out) {
  return SelectorReader(text, tokens).ReadList(out);
}

// Compounds are matched from the subject leftwards. When a child combinator
// fails, only the latest descendant combinator passed needs trying again
// further up: one passed before it has its left part matched by an ancestor
// of every element this one could still reach. So one point of return is
// enough, and the loop goes up the tree without recursion.
bool Matches(const ComplexSelector& selector, pugi::xml_node element, pugi::xml_node top) {
  const auto& compounds = selector.compounds;
  if (!MatchesCompound(compounds.front(), element)) return false;
  std::size_t i = 0;
  bool canRetry = false;
  std::size_t retryIndex = 0;  // the compound matched by retryNode
  pugi::xml_node retryNode;
  while (i + 1 < compounds.size()) {
    if (selector.combinators[i] == Combinator::Child) {
      const pugi::xml_node parent = ParentElement(element, top);
      if (!parent) return false;
      if (MatchesCompound(compounds[i + 1], parent)) {
        element = parent;
        ++i;
        continue;
      }
      if (!canRetry) return false;
      retryNode = MatchingAncestor(compounds[retryIndex], retryNode, top);
      if (!retryNode) return false;
      element = retryNode;
      i = retryIndex;
    } else {
      element = MatchingAncestor(compounds[i + 1], element, top);
      if (!element) return false;
      ++i;
      canRetry = true;
      retryIndex = i;
      retryNode = element;
    }
  }
  return true;
}

}  // namespace evenhue::svg::css
