#include "svg/css_sheet.hpp"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "svg/css_number.hpp"
#include "svg/css_tokens.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg::css {

namespace {

struct Value {
  std::string text;
  bool important = false;
  std::size_t begin = 0, end = 0;  // of the text within the raw value, "!important" left out
};

// A declaration's value from the text after its colon: comments removed (a
// space kept where one separated two tokens), surrounding white space and a
// final "!important" outside any block taken off.
Value ReadValue(std::string_view raw) {
  struct Placed {
    Token token;
    std::size_t endBefore = 0;     // where the value would end if cut just before this token
    std::size_t rawEndBefore = 0;  // the same in the raw text
  };
  Value v;
  Placed last, previous;  // the last two tokens outside any block that are not white space
  std::size_t end = 0;    // of the text up to the last token that is not white space
  std::size_t rawEnd = 0;
  bool any = false;
  bool gap = false;
  BlockStack blocks;
  Tokenizer tokenizer(raw);
  for (Token t = tokenizer.Next(); t.type != Tok::End; t = tokenizer.Next()) {
    const std::string_view source = raw.substr(t.begin, t.end - t.begin);
    if (t.type == Tok::Comment) {
      gap = gap || (!v.text.empty() && !IsWhitespace(static_cast<unsigned char>(v.text.back())));
    } else if (t.type == Tok::Whitespace) {
      if (!v.text.empty()) v.text.append(source);
      gap = false;
    } else {
      if (gap) v.text.push_back(' ');
      gap = false;
      if (!any) v.begin = t.begin;
      any = true;
      if (blocks.empty()) {
        previous = last;
        last = {t, end, rawEnd};
      }
      blocks.Take(t);
      v.text.append(source);
      end = v.text.size();
      rawEnd = t.end;
    }
  }
  v.important = previous.token.type == Tok::Delim && raw[previous.token.begin] == '!' &&
                last.token.type == Tok::Ident &&
                EqualsIgnoreAsciiCase(DecodeName(raw.substr(last.token.begin, last.token.end - last.token.begin)),
                                      "important");
  v.text.resize(v.important ? previous.endBefore : end);
  v.end = v.important ? previous.rawEndBefore : rawEnd;
  if (v.end < v.begin) v.end = v.begin;
  return v;
}

bool Wants(PropertySet wanted, std::string_view property) {
  return wanted.empty() || std::find(wanted.begin(), wanted.end(), property) != wanted.end();
}

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};
template <class T>
using TextMap = std::unordered_map<std::string, T, TextHash, std::equal_to<>>;

// The declarations of one block, one per property as the block's own cascade
// leaves them. A declaration overridden later leaves an empty property name
// behind until the list is compacted; past a few properties they are found
// through an index.
class DeclarationList {
 public:
  void Add(Declaration&& d) {
    const std::size_t at = Find(d.property);
    if (at != kNone) {
      if (list_[at].important && !d.important) return;
      list_[at].property.clear();
      --live_;
    }
    list_.push_back(std::move(d));
    ++live_;
    if (!index_.empty()) index_[list_.back().property] = list_.size() - 1;
    if (list_.size() > 2 * live_ + kLinear) Compact();
    if (index_.empty() && live_ > kLinear) Reindex();
  }

  std::vector<Declaration> Take() {
    Compact();
    index_.clear();
    live_ = 0;
    return std::move(list_);
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  static constexpr std::size_t kLinear = 16;

  std::size_t Find(std::string_view property) const {
    if (!index_.empty()) {
      const auto it = index_.find(property);
      return it == index_.end() ? kNone : it->second;
    }
    for (std::size_t i = list_.size(); i-- > 0;)
      if (list_[i].property == property) return i;
    return kNone;
  }

  void Compact() {
    std::erase_if(list_, [](const Declaration& d) { return d.property.empty(); });
    if (!index_.empty()) Reindex();
  }

  void Reindex() {
    index_.clear();
    for (std::size_t i = 0; i < list_.size(); ++i)
      if (!list_[i].property.empty()) index_[list_[i].property] = i;
  }

  std::vector<Declaration> list_;
  TextMap<std::size_t> index_;
  std::size_t live_ = 0;
};

// What a reader keeps: the properties wanted, the values the check accepts.
struct Keep {
  PropertySet wanted;
  const ValueCheck& check;
};

// `at`: where the raw value starts in the text read.
void AddDeclaration(std::string name, std::string_view rawValue, std::size_t at, const Keep& keep,
                    DeclarationList& out) {
  const bool custom = name.starts_with("--");  // custom property names keep their case
  if (!custom) name = AsciiLower(name);
  if (!Wants(keep.wanted, name)) return;
  Value value = ReadValue(rawValue);
  if (value.text.empty() && !custom) return;
  if (keep.check && !keep.check(name, value.text)) return;
  out.Add(Declaration{std::move(name), std::move(value.text), value.important,
                      static_cast<std::uint32_t>(at + value.begin), static_cast<std::uint32_t>(at + value.end)});
}

using AtRuleHandler = std::function<void(std::string_view prelude)>;

// Reads declarations to the end of the text or, inside a block, to its
// closing brace (read).
void ReadDeclarations(TokenStream& ts, bool inBlock, const Keep& keep, DeclarationList& out,
                      const AtRuleHandler& onAtRule) {
  for (;;) {
    const Token t = ts.Next();
    switch (t.type) {
      case Tok::End: return;
      case Tok::Whitespace:
      case Tok::Semicolon: continue;
      case Tok::AtKeyword: {
        const AtRuleEnd end = SkipAtRule(ts, inBlock);
        if (onAtRule) onAtRule(ts.Text(t.begin, end.preludeEnd));
        if (end.closedBlock) return;
        continue;
      }
      case Tok::Ident: {
        Token next = ts.Next();
        while (next.type == Tok::Whitespace) next = ts.Next();
        if (next.type == Tok::Colon) {
          const DeclarationEnd end = SkipDeclaration(ts, inBlock);
          if (!end.broken) AddDeclaration(DecodeName(ts.Text(t)), ts.Text(next.end, end.at), next.end, keep, out);
          if (end.closedBlock) return;
          continue;
        }
        ts.PushBack(next);
        break;
      }
      default:
        if (inBlock && t.type == Tok::RightBrace) return;
        ts.PushBack(t);
        break;
    }
    // Not a declaration: skip to where the next one may start.
    if (SkipDeclaration(ts, inBlock).closedBlock) return;
  }
}

// ---------------------------------------------------------------------------
// Selectors.

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

// Short enough for a warning line, on one line.
std::string Shown(std::string_view text) {
  constexpr std::size_t kShown = 60;
  std::string out;
  bool space = false;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F) {
      space = !out.empty();
      continue;
    }
    if (space) out.push_back(' ');
    space = false;
    out.push_back(c);
    if (out.size() > kShown) break;
  }
  if (out.size() > kShown) {
    std::size_t cut = kShown - 3;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    out.resize(cut);
    out += "...";
  }
  return out;
}

}  // namespace

std::vector<Declaration> ParseDeclarations(std::string_view text, PropertySet wanted, const ValueCheck& check) {
  TokenStream ts(text);
  DeclarationList list;
  ReadDeclarations(ts, false, Keep{wanted, check}, list, nullptr);
  return list.Take();
}

struct StyleSheet::Impl {
  struct Rule {
    std::vector<Declaration> declarations;
  };
  struct Selector {
    ComplexSelector complex;
    std::uint32_t rule;
  };
  using Index = TextMap<std::vector<std::uint32_t>>;  // key -> selectors

  SheetLimits limits;
  std::vector<std::string> wantedNames;
  std::vector<std::string_view> wanted;
  std::vector<Rule> rules;
  std::vector<Selector> selectors;
  // Each selector is filed under the most telling part of its subject: its
  // first id, else its first class, else its type; else it applies to all.
  Index byId, byClass, byType;
  std::vector<std::uint32_t> universal;
  ValueCheck check;
  std::size_t declarationCount = 0;
  std::size_t warningCount = 0;
  static constexpr std::size_t kMaxMediaDepth = 32;  // @media blocks within one another

  void Warn(std::vector<std::string>& warnings, std::string_view rule, std::string_view reason) {
    if (warningCount < limits.maxWarnings)
      warnings.push_back("style sheet: rule '" + Shown(rule) + "' skipped: " + std::string(reason));
    else if (warningCount == limits.maxWarnings)
      warnings.push_back("style sheet: more rules skipped, not listed");
    if (warningCount <= limits.maxWarnings) ++warningCount;
  }

  // Reads the rules and at-rules of a sheet or, inside a block, up to its
  // closing brace (read). `depth`: the @media blocks it stands in.
  void ReadRules(TokenStream& ts, bool inBlock, std::size_t depth, std::vector<std::string>& warnings) {
    for (;;) {
      const Token t = ts.Next();
      switch (t.type) {
        case Tok::End: return;
        case Tok::Whitespace:
        case Tok::Cdo:
        case Tok::Cdc: continue;
        case Tok::RightBrace:
          if (inBlock) return;
          break;
        case Tok::AtKeyword: {
          const std::string name = AsciiLower(DecodeName(ts.Text(t.begin + 1, t.end)));
          if (name == "media") {
            if (ReadMedia(ts, inBlock, depth, t.begin, warnings)) return;
            continue;
          }
          const AtRuleEnd end = SkipAtRule(ts, inBlock);
          // @charset only names the encoding, which the document has decided already.
          if (name != "charset") Warn(warnings, ts.Text(t.begin, end.preludeEnd), "at-rule");
          if (end.closedBlock) return;
          continue;
        }
        default: break;
      }
      ts.PushBack(t);
      if (ReadRule(ts, inBlock, warnings)) return;
    }
  }

  // An @media rule whose keyword (at `begin`) was just read: its block is
  // read as rules when the query applies. Returns whether it ended at the
  // closing brace of the block it stands in.
  bool ReadMedia(TokenStream& ts, bool inBlock, std::size_t depth, std::size_t begin,
                 std::vector<std::string>& warnings) {
    BlockStack blocks;
    Token t = ts.Next();
    const std::size_t preludeBegin = t.begin;
    for (;; t = ts.Next()) {
      if (t.type == Tok::End) return false;
      if (blocks.empty()) {
        if (t.type == Tok::Semicolon) return false;  // no block: nothing to apply
        if (inBlock && t.type == Tok::RightBrace) return true;
        if (t.type == Tok::LeftBrace) break;
      }
      blocks.Take(t);
    }
    const std::optional<bool> applies = MediaApplies(ts.Text(preludeBegin, t.begin));
    if (applies.value_or(false) && depth < kMaxMediaDepth) {
      ReadRules(ts, true, depth + 1, warnings);
      return false;
    }
    SkipBlock(ts);
    if (!applies) Warn(warnings, ts.Text(begin, t.begin), "media query not evaluated");
    else if (*applies) Warn(warnings, ts.Text(begin, t.begin), "@media nested too deeply");
    return false;
  }

  // Reads one rule; returns whether its prelude ran into the closing brace
  // of the block it stands in (read), which ends that block.
  bool ReadRule(TokenStream& ts, bool inBlock, std::vector<std::string>& warnings) {
    std::vector<Token> prelude;
    BlockStack blocks;
    bool tooLong = false;
    Token t = ts.Next();
    const std::size_t begin = t.begin;
    for (;; t = ts.Next()) {
      if (t.type == Tok::End || (inBlock && blocks.empty() && t.type == Tok::RightBrace)) {
        Warn(warnings, ts.Text(begin, t.begin), "no declaration block");
        return t.type != Tok::End;
      }
      if (blocks.empty() && t.type == Tok::LeftBrace) break;
      blocks.Take(t);
      if (t.end - begin > limits.maxSelectorBytes) tooLong = true;
      else prelude.push_back(t);
    }
    ReadRuleBody(ts, begin, t, prelude, tooLong, warnings);
    return false;
  }

  void ReadRuleBody(TokenStream& ts, std::size_t begin, const Token& t, const std::vector<Token>& prelude,
                    bool tooLong, std::vector<std::string>& warnings) {
    const std::string_view selectorText = ts.Text(begin, t.begin);
    DeclarationList list;
    ReadDeclarations(ts, true, Keep{wanted, check}, list, [&](std::string_view atRule) { Warn(warnings, atRule, "at-rule"); });
    if (tooLong) return Warn(warnings, selectorText, "selector list too long");
    std::vector<ComplexSelector> parsed;
    if (const char* error = SelectorReader(ts.text(), prelude).ReadList(parsed))
      return Warn(warnings, selectorText, error);
    std::vector<Declaration> declarations = list.Take();
    if (declarations.empty()) return;
    if (rules.size() >= limits.maxRules)
      return Warn(warnings, selectorText, "more than " + std::to_string(limits.maxRules) + " rules");
    if (declarations.size() > limits.maxDeclarations - declarationCount)
      return Warn(warnings, selectorText, "more than " + std::to_string(limits.maxDeclarations) + " declarations");
    declarationCount += declarations.size();
    const auto rule = static_cast<std::uint32_t>(rules.size());
    rules.push_back(Rule{std::move(declarations)});
    for (ComplexSelector& complex : parsed) File(std::move(complex), rule);
  }

  void File(ComplexSelector&& complex, std::uint32_t rule) {
    const auto index = static_cast<std::uint32_t>(selectors.size());
    const Compound& subject = complex.compounds.front();
    const auto first = [&](SimpleSelector::Kind kind) {
      return std::find_if(subject.simple.begin(), subject.simple.end(),
                          [&](const SimpleSelector& s) { return s.kind == kind; });
    };
    if (const auto id = first(SimpleSelector::Kind::Id); id != subject.simple.end())
      byId[id->name].push_back(index);
    else if (const auto c = first(SimpleSelector::Kind::Class); c != subject.simple.end())
      byClass[c->name].push_back(index);
    else if (!subject.type.empty())
      byType[subject.type].push_back(index);
    else
      universal.push_back(index);
    selectors.push_back(Selector{std::move(complex), rule});
  }
};

StyleSheet::StyleSheet(PropertySet wanted, const SheetLimits& limits, ValueCheck check)
    : impl_(std::make_unique<Impl>()) {
  impl_->limits = limits;
  impl_->check = std::move(check);
  impl_->wantedNames.assign(wanted.begin(), wanted.end());
  impl_->wanted.assign(impl_->wantedNames.begin(), impl_->wantedNames.end());
}
StyleSheet::StyleSheet(StyleSheet&&) noexcept = default;
StyleSheet& StyleSheet::operator=(StyleSheet&&) noexcept = default;
StyleSheet::~StyleSheet() = default;

bool StyleSheet::empty() const { return !impl_ || impl_->rules.empty(); }

void StyleSheet::Add(std::string_view text, std::vector<std::string>& warnings) {
  if (!impl_) impl_ = std::make_unique<Impl>();
  TokenStream ts(text);
  impl_->ReadRules(ts, false, 0, warnings);
}

void StyleSheet::ForEachMatch(pugi::xml_node element, const std::function<void(const Match&)>& callback,
                              pugi::xml_node top) const {
  if (empty() || element.type() != pugi::node_element) return;
  const Impl& sheet = *impl_;
  std::vector<std::uint32_t> candidates;
  const auto take = [&](const Impl::Index& index, std::string_view key) {
    if (const auto it = index.find(key); it != index.end())
      candidates.insert(candidates.end(), it->second.begin(), it->second.end());
  };
  if (const pugi::xml_attribute id = element.attribute("id")) take(sheet.byId, id.value());
  if (const pugi::xml_attribute classes = element.attribute("class")) {
    std::vector<std::string_view> words;
    AnyWord(classes.value(), [&](std::string_view word) {
      words.push_back(word);
      return false;
    });
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    for (const std::string_view word : words) take(sheet.byClass, word);
  }
  take(sheet.byType, LocalName(element));
  candidates.insert(candidates.end(), sheet.universal.begin(), sheet.universal.end());

  struct Hit {
    std::uint32_t rule;
    Specificity specificity;
  };
  std::vector<Hit> hits;
  for (const std::uint32_t s : candidates) {
    const Impl::Selector& selector = sheet.selectors[s];
    if (Matches(selector.complex, element, top)) hits.push_back({selector.rule, selector.complex.specificity});
  }
  std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
    return a.rule != b.rule ? a.rule < b.rule : a.specificity > b.specificity;
  });
  for (std::size_t k = 0; k < hits.size(); ++k) {
    if (k > 0 && hits[k].rule == hits[k - 1].rule) continue;  // a lower selector of the same rule
    for (const Declaration& d : sheet.rules[hits[k].rule].declarations)
      callback(Match{&d, hits[k].specificity, hits[k].rule});
  }
}

}  // namespace evenhue::svg::css
