// The properties the binding needs, computed once per element as CSS does:
// internal style sheets, the style attribute, presentation attributes and
// inheritance. Nothing else reads these properties from the tree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include <pugixml.hpp>

#include "svg/css_sheet.hpp"
#include "svg/diagnostics.hpp"
#include "svg/svg_document.hpp"
#include "svg/xml_entities.hpp"

namespace evenhue::svg {

enum class Property : std::uint8_t { Fill, Stroke, Color, StopColor, StopOpacity };

struct PropertyInfo {
  Property property;
  std::string_view name;     // as written in CSS and as a presentation attribute
  bool inherited;
  std::string_view initial;  // the initial value
  std::string_view expected; // what a valid value is, for warnings
};

inline constexpr std::array<PropertyInfo, 5> kProperties = {{
    {Property::Fill, "fill", true, "black", "a paint"},
    {Property::Stroke, "stroke", true, "none", "a paint"},
    {Property::Color, "color", true, "black", "a colour"},
    {Property::StopColor, "stop-color", false, "black", "a colour"},
    {Property::StopOpacity, "stop-opacity", false, "1", "a number"},
}};
inline constexpr std::size_t kPropertyCount = kProperties.size();

// The names alone, for reading only these properties from style text.
inline constexpr std::array<std::string_view, kPropertyCount> kPropertyNames = [] {
  std::array<std::string_view, kPropertyCount> names{};
  for (std::size_t i = 0; i < kPropertyCount; ++i) names[i] = kProperties[i].name;
  return names;
}();

// The CSS-wide keywords, as the cascade resolves them.
enum class WideKeyword : std::uint8_t { None, Inherit, Initial, Unset };
WideKeyword WideKeywordOf(std::string_view value);

constexpr const PropertyInfo& InfoOf(Property p) { return kProperties[static_cast<std::size_t>(p)]; }

// Where an element's value of a property comes from.
enum class Origin : std::uint8_t {
  Initial,       // nothing declared here or above
  Inherited,     // declared on an ancestor (or "inherit")
  Attribute,     // the element's presentation attribute
  Sheet,         // a style sheet rule matching the element
  Style,         // the element's style attribute
};

// The declaration of a property that won the cascade of one element.
struct Declared {
  Origin origin = Origin::Initial;  // Attribute, Sheet or Style; Initial when the element declares nothing
  bool important = false;
  bool defaulted = false;            // Attribute: a default of the document type, not written on the element
  // Style: where the value stands in the style attribute's text, from its
  // first token to its last before "!important".
  std::uint32_t begin = 0, end = 0;
};

struct ComputedValue {
  std::string value;          // valid for the property; "currentColor" is kept as written
  Origin origin = Origin::Initial;
  bool important = false;     // the winning declaration was !important
  Declared own;               // what the element itself declares (a CSS-wide keyword, say)
  pugi::xml_node source;      // the element whose declaration gives the value; empty for the initial value
  Declared declared;          // that declaration (the same as `own` when `source` is the element)
};

struct ComputedStyle {
  std::array<ComputedValue, kPropertyCount> values;
  const ComputedValue& operator[](Property p) const { return values[static_cast<std::size_t>(p)]; }
  ComputedValue& operator[](Property p) { return values[static_cast<std::size_t>(p)]; }
};

class Cascade {
 public:
  // Reads the document's <style> elements (no type, or text/css) whose media
  // apply to a screen, and the attribute defaults of its document type.
  // Rules and sheets that cannot be used are skipped with a warning.
  Cascade(const SvgDocument& document, Warnings& warnings);
  Cascade(const Cascade&) = delete;
  Cascade& operator=(const Cascade&) = delete;

  // The computed values of `element`. A declaration whose value is not valid
  // for its property is dropped with a warning, as renderers drop it; an
  // earlier valid one then counts. The CSS-wide keywords inherit, initial,
  // unset and revert (as unset) are valid everywhere. Elements with children
  // are remembered, so that a walk from the root down computes each one once.
  ComputedStyle Compute(pugi::xml_node element);

  // The computed values of `element` as part of what a <use> draws: it
  // inherits from `parent` (the <use> for `top`, the element referenced),
  // and rules match it within the copy, seeing no ancestor above `top`. Not
  // remembered; invalid declarations are not reported again.
  ComputedStyle ComputeInstance(pugi::xml_node element, const ComputedStyle& parent, pugi::xml_node top);

  bool HasSheet() const { return !sheet_.empty(); }

 private:
  // `warn`: whether invalid declarations are reported (once, where the element stands).
  ComputedStyle ComputeFrom(pugi::xml_node element, const ComputedStyle& parent, bool warn = true,
                            pugi::xml_node top = {});
  const ComputedStyle& Ancestor(pugi::xml_node element);
  bool CheckSheetValue(std::string_view property, std::string_view value);

  Warnings& warnings_;
  css::StyleSheet sheet_;
  AttributeDefaults defaults_;
  std::size_t sheetInvalid_ = 0;  // invalid sheet declarations reported
  std::unordered_map<const void*, ComputedStyle> remembered_;
};

// Whether `value` is valid for `property` (the CSS-wide keywords are valid everywhere).
bool IsValidValue(Property property, std::string_view value);

}  // namespace evenhue::svg
