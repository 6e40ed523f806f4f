#include "svg/cascade.hpp"

#include <cmath>
#include <optional>
#include <vector>

#include "svg/css_number.hpp"
#include "svg/paint.hpp"

namespace evenhue::svg {

namespace {

bool IsStyleSheet(pugi::xml_node element) {
  if (LocalName(element) != "style") return false;
  const std::string type = AsciiLower(TrimCss(element.attribute("type").value()));
  return type.empty() || type == "text/css";
}

// The text of a <style> element: its character data and CDATA sections.
std::string SheetText(pugi::xml_node element) {
  std::string text;
  for (pugi::xml_node child : element.children())
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) text += child.value();
  return text;
}

std::optional<Property> PropertyNamed(std::string_view name) {
  for (const PropertyInfo& info : kProperties)
    if (info.name == name) return info.property;
  return std::nullopt;
}

bool IsKeyword(std::string_view value, std::string_view keyword) { return AsciiLower(value) == keyword; }

// One candidate declaration; a later one wins over an earlier one of the same
// rank, and a higher rank over a lower one.
struct Candidate {
  int rank = -1;  // -1: none
  css::Specificity specificity;
  std::uint32_t order = 0;
  std::string_view value;
  Declared declared;

  bool BeatenBy(int r, css::Specificity s, std::uint32_t o) const {
    if (r != rank) return r > rank;
    if (s != specificity) return s > specificity;
    return o >= order;
  }
};

// Ranks, lowest first: presentation attributes, sheet rules, the style
// attribute, then the same two again for !important declarations.
constexpr int kRankAttribute = 0;
constexpr int kRankSheet = 1;
constexpr int kRankStyle = 2;
constexpr int kRankSheetImportant = 3;
constexpr int kRankStyleImportant = 4;

// Invalid sheet declarations listed, then one line saying more were dropped.
constexpr std::size_t kSheetInvalidShown = 100;

// What the root inherits from: every property at its initial value.
const ComputedStyle kInitialStyle{};

// The attribute defaults of the document's type, if it declares any.
AttributeDefaults ReadDefaults(const SvgDocument& document, Warnings& warnings) {
  const pugi::xml_node top = document.Root().parent();
  for (pugi::xml_node node : top.children()) {
    if (node.type() != pugi::node_doctype) continue;
    const std::string_view text = node.value();
    if (text.find("<!ATTLIST") == std::string_view::npos) break;
    try {
      const DeclaredEntities entities = DeclaredEntities::Read(text);
      const Limits& limits = document.limits();
      EntityExpander expander(entities, limits.maxEntityDepth, limits.EntityTextLimit(text.size()));
      return AttributeDefaults::Read(text, expander);
    } catch (const SvgError& e) {
      warnings.push_back(std::string("document type: its attribute defaults are not used: ") + e.what());
    }
    break;
  }
  return {};
}

}  // namespace

WideKeyword WideKeywordOf(std::string_view value) {
  const std::string lower = AsciiLower(TrimCss(value));
  if (lower == "inherit") return WideKeyword::Inherit;
  if (lower == "initial") return WideKeyword::Initial;
  // Author style sheets are the last origin: reverting leaves what the
  // browser's own sheet gives, which sets none of these properties on SVG
  // content, so revert is unset.
  if (lower == "unset" || lower == "revert" || lower == "revert-layer") return WideKeyword::Unset;
  return WideKeyword::None;
}

bool IsValidValue(Property property, std::string_view value) {
  if (WideKeywordOf(value) != WideKeyword::None) return true;
  switch (property) {
    case Property::Fill:
    case Property::Stroke: return ParsePaint(value).has_value();
    case Property::Color:
    case Property::StopColor: return IsKeyword(value, "currentcolor") || ParseSvgColor(value).has_value();
    case Property::StopOpacity: {
      const auto number = ParseNumberOrPercent(value);
      return number && !std::isnan(*number);
    }
  }
  return false;
}

bool Cascade::CheckSheetValue(std::string_view property, std::string_view value) {
  const auto p = PropertyNamed(property);
  if (!p || IsValidValue(*p, value)) return true;
  if (sheetInvalid_ < kSheetInvalidShown)
    warnings_.push_back("style sheet: " + std::string(InfoOf(*p).name) + " '" + std::string(value) + "' is not " +
                        std::string(InfoOf(*p).expected) + "; the declaration is ignored");
  else if (sheetInvalid_ == kSheetInvalidShown)
    warnings_.push_back("style sheet: more invalid declarations ignored, not listed");
  if (sheetInvalid_ <= kSheetInvalidShown) ++sheetInvalid_;
  return false;
}

Cascade::Cascade(const SvgDocument& document, Warnings& warnings)
    : warnings_(warnings),
      sheet_(kPropertyNames, {},
             [this](std::string_view property, std::string_view value) { return CheckSheetValue(property, value); }),
      defaults_(ReadDefaults(document, warnings)) {
  // Style sheets apply to the whole document wherever they stand.
  pugi::xml_node node = document.Root();
  const pugi::xml_node root = node;
  while (node) {
    if (node.type() == pugi::node_element && IsStyleSheet(node)) {
      const pugi::xml_attribute media = node.attribute("media");
      const std::optional<bool> applies = media ? css::MediaApplies(media.value()) : std::optional<bool>(true);
      if (!applies)
        warnings_.push_back("style sheet with media '" + std::string(TrimCss(media.value())) +
                            "' skipped: media query not evaluated");
      if (applies.value_or(false)) sheet_.Add(SheetText(node), warnings_);
    }
    if (pugi::xml_node child = node.first_child(); child && node.type() == pugi::node_element) {
      node = child;
      continue;
    }
    while (node && node != root && !node.next_sibling()) node = node.parent();
    if (!node || node == root) break;
    node = node.next_sibling();
  }
}

ComputedStyle Cascade::Compute(pugi::xml_node element) {
  // An element with children is asked for again by each of them: remembered.
  for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element) return Ancestor(element);
  const pugi::xml_node parent = element.parent();
  if (parent && parent.type() == pugi::node_element) return ComputeFrom(element, Ancestor(parent));
  return ComputeFrom(element, ComputedStyle{});
}

ComputedStyle Cascade::ComputeInstance(pugi::xml_node element, const ComputedStyle& parent, pugi::xml_node top) {
  return ComputeFrom(element, parent, false, top);
}

const ComputedStyle& Cascade::Ancestor(pugi::xml_node element) {
  // The ancestors not computed yet, nearest first; then computed from the
  // outermost down, without recursion.
  std::vector<pugi::xml_node> pending;
  const ComputedStyle* above = nullptr;
  for (pugi::xml_node e = element; e && e.type() == pugi::node_element; e = e.parent()) {
    const auto found = remembered_.find(e.internal_object());
    if (found != remembered_.end()) {
      above = &found->second;
      break;
    }
    pending.push_back(e);
  }
  for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
    ComputedStyle style = ComputeFrom(*it, above ? *above : kInitialStyle);
    above = &remembered_.emplace(it->internal_object(), std::move(style)).first->second;
  }
  return *above;
}

ComputedStyle Cascade::ComputeFrom(pugi::xml_node element, const ComputedStyle& parent, bool warn,
                                   pugi::xml_node top) {
  std::array<Candidate, kPropertyCount> winners;
  const auto offer = [&](Property p, std::string_view value, int rank, css::Specificity specificity,
                         std::uint32_t order, const Declared& declared) {
    Candidate& winner = winners[static_cast<std::size_t>(p)];
    if (winner.BeatenBy(rank, specificity, order)) winner = Candidate{rank, specificity, order, value, declared};
  };
  const auto invalid = [&](Property p, std::string_view value, std::string_view where) {
    if (!warn) return;
    warnings_.push_back(DescribeElement(element) + ": " + std::string(InfoOf(p).name) + " '" + std::string(value) +
                        "' " + std::string(where) + " is not " + std::string(InfoOf(p).expected) +
                        "; the declaration is ignored");
  };

  // The presentation attributes in one pass, the first of each name (as element.attribute(name) finds it).
  std::array<pugi::xml_attribute, kPropertyCount> presented;
  for (const pugi::xml_attribute a : element.attributes()) {
    const std::string_view name = a.name();
    for (const PropertyInfo& info : kProperties)
      if (name == info.name) {
        pugi::xml_attribute& slot = presented[static_cast<std::size_t>(info.property)];
        if (!slot) slot = a;
        break;
      }
  }
  for (const PropertyInfo& info : kProperties) {
    std::string_view value;
    Declared declared{Origin::Attribute};
    if (const pugi::xml_attribute a = presented[static_cast<std::size_t>(info.property)]) {
      value = TrimCss(a.value());
    } else if (const std::string* fallback = defaults_.empty() ? nullptr : defaults_.Find(element.name(), info.name)) {
      value = TrimCss(*fallback);
      declared.defaulted = true;
    } else {
      continue;
    }
    if (IsValidValue(info.property, value)) offer(info.property, value, kRankAttribute, {}, 0, declared);
    else invalid(info.property, value, declared.defaulted ? "(attribute default)" : "(attribute)");
  }
  if (!sheet_.empty()) {
    // The sheet keeps valid declarations only.
    sheet_.ForEachMatch(element, [&](const css::StyleSheet::Match& m) {
      const auto p = PropertyNamed(m.declaration->property);
      if (!p) return;
      const bool important = m.declaration->important;
      offer(*p, m.declaration->value, important ? kRankSheetImportant : kRankSheet, m.specificity, m.order,
            Declared{Origin::Sheet, important});
    }, top);
  }
  // The winners point into these until the end.
  std::vector<css::Declaration> declarations;
  if (const pugi::xml_attribute style = element.attribute("style")) {
    declarations = css::ParseDeclarations(
        style.value(), kPropertyNames, [&](std::string_view property, std::string_view value) {
          const auto p = PropertyNamed(property);
          if (!p || IsValidValue(*p, value)) return true;
          invalid(*p, value, "(style)");
          return false;
        });
    std::uint32_t order = 0;
    for (const css::Declaration& d : declarations) {
      if (const auto p = PropertyNamed(d.property))
        offer(*p, d.value, d.important ? kRankStyleImportant : kRankStyle, {}, order,
              Declared{Origin::Style, d.important, false, d.begin, d.end});
      ++order;
    }
  }

  ComputedStyle out;
  for (const PropertyInfo& info : kProperties) {
    const Candidate& winner = winners[static_cast<std::size_t>(info.property)];
    ComputedValue& value = out[info.property];
    const ComputedValue& inherited = parent[info.property];
    const WideKeyword keyword = winner.rank < 0 ? WideKeyword::Unset : WideKeywordOf(winner.value);
    const bool inherit = keyword == WideKeyword::Inherit || (keyword == WideKeyword::Unset && info.inherited) ||
                         (info.property == Property::Color && IsKeyword(winner.value, "currentcolor"));
    if (winner.rank >= 0) value.own = winner.declared;
    if (inherit) {
      value.value = inherited.value.empty() ? std::string(info.initial) : inherited.value;
      value.origin = inherited.origin == Origin::Initial ? Origin::Initial : Origin::Inherited;
      value.source = inherited.source;
      value.declared = inherited.declared;
    } else if (keyword != WideKeyword::None) {
      value.value = std::string(info.initial);
      value.origin = Origin::Initial;
    } else {
      value.value = std::string(winner.value);
      value.origin = winner.declared.origin;
      value.important = winner.declared.important;
      value.source = element;
      value.declared = winner.declared;
    }
  }
  return out;
}

}  // namespace evenhue::svg
