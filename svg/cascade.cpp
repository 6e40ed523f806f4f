#include "svg/cascade.hpp"

#include <cmath>
#include <optional>
#include <unordered_set>
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
  Origin origin = Origin::Initial;
  bool important = false;

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

// What the root inherits from: every property at its initial value.
const ComputedStyle kInitialStyle{};

}  // namespace

bool IsValidValue(Property property, std::string_view value) {
  if (IsKeyword(value, "inherit")) return true;
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

Cascade::Cascade(const SvgDocument& document, Warnings& warnings) : sheet_(kPropertyNames), warnings_(warnings) {
  // Style sheets apply to the whole document wherever they stand.
  pugi::xml_node node = document.Root();
  const pugi::xml_node root = node;
  while (node) {
    if (node.type() == pugi::node_element && IsStyleSheet(node)) sheet_.Add(SheetText(node), warnings_);
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

ComputedStyle Cascade::ComputeFrom(pugi::xml_node element, const ComputedStyle& parent) {
  std::array<Candidate, kPropertyCount> winners;
  const auto offer = [&](Property p, std::string_view value, int rank, css::Specificity specificity,
                         std::uint32_t order, Origin origin, bool important, std::string_view where) {
    Candidate& winner = winners[static_cast<std::size_t>(p)];
    if (!winner.BeatenBy(rank, specificity, order)) return;
    if (!IsValidValue(p, value)) {
      warnings_.push_back(DescribeElement(element) + ": " + std::string(InfoOf(p).name) + " '" + std::string(value) +
                          "' " + std::string(where) + " is not " + std::string(InfoOf(p).expected) +
                          "; the declaration is ignored");
      return;
    }
    winner = Candidate{rank, specificity, order, value, origin, important};
  };

  for (const PropertyInfo& info : kProperties) {
    const std::string name(info.name);
    if (const pugi::xml_attribute a = element.attribute(name.c_str()))
      offer(info.property, TrimCss(a.value()), kRankAttribute, {}, 0, Origin::Attribute, false, "(attribute)");
  }
  if (!sheet_.empty()) {
    sheet_.ForEachMatch(element, [&](const css::StyleSheet::Match& m) {
      const auto p = PropertyNamed(m.declaration->property);
      if (!p) return;
      // A rule's invalid declaration is reported once, not once per element.
      if (!IsValidValue(*p, m.declaration->value)) {
        if (sheetWarned_.insert(m.declaration).second)
          warnings_.push_back("style sheet: " + std::string(InfoOf(*p).name) + " '" + m.declaration->value +
                              "' is not " + std::string(InfoOf(*p).expected) + "; the declaration is ignored");
        return;
      }
      offer(*p, m.declaration->value, m.declaration->important ? kRankSheetImportant : kRankSheet, m.specificity,
            m.order, Origin::Sheet, m.declaration->important, "(style sheet)");
    });
  }
  // The winners point into these until the end.
  std::vector<css::Declaration> declarations;
  if (const pugi::xml_attribute style = element.attribute("style")) {
    declarations = css::ParseDeclarations(style.value(), kPropertyNames);
    std::uint32_t order = 0;
    for (const css::Declaration& d : declarations) {
      if (const auto p = PropertyNamed(d.property))
        offer(*p, d.value, d.important ? kRankStyleImportant : kRankStyle, {}, order, Origin::Style, d.important,
              "(style)");
      ++order;
    }
  }

  ComputedStyle out;
  for (const PropertyInfo& info : kProperties) {
    const Candidate& winner = winners[static_cast<std::size_t>(info.property)];
    ComputedValue& value = out[info.property];
    const ComputedValue& inherited = parent[info.property];
    const bool inherit = winner.rank < 0 ? info.inherited
                                         : IsKeyword(winner.value, "inherit") ||
                                               (info.property == Property::Color &&
                                                IsKeyword(winner.value, "currentcolor"));
    if (inherit) {
      value.value = inherited.value.empty() ? std::string(info.initial) : inherited.value;
      value.origin = inherited.origin == Origin::Initial ? Origin::Initial : Origin::Inherited;
    } else if (winner.rank < 0) {
      value.value = std::string(info.initial);
      value.origin = Origin::Initial;
    } else {
      value.value = std::string(winner.value);
      value.origin = winner.origin;
      value.important = winner.important;
    }
  }
  return out;
}

}  // namespace evenhue::svg
