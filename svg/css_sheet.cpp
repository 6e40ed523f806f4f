#include "svg/css_sheet.hpp"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "svg/css_declarations.hpp"
#include "svg/css_number.hpp"
#include "svg/css_selectors.hpp"
#include "svg/css_tokens.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg::css {

namespace {

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
    if (const char* error = ReadSelectorList(ts.text(), prelude, parsed))
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
