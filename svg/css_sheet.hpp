// Style sheets and style attributes as SVG documents carry them. The text is
// tokenised the way browsers tokenise CSS (comments, strings, escapes, blocks,
// url(), <!-- -->), and a subset of selectors is matched against elements:
// type, universal, class, id and attribute selectors, their compounds, the
// descendant and child combinators, and selector lists.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace evenhue::svg::css {

struct Declaration {
  std::string property;  // lower-case; a custom property ("--name") as written
  std::string value;     // source text, trimmed, comments removed, escapes as written, no "!important"
  bool important = false;
  // Where the value stands in the text read: from its first token to its
  // last one before "!important" (comments around it outside).
  std::uint32_t begin = 0, end = 0;

  // The same declaration, wherever it stands.
  bool operator==(const Declaration& o) const {
    return property == o.property && value == o.value && important == o.important;
  }
};

// Lower-case names of the properties a reader keeps; an empty set keeps all of
// them. Readers of untrusted text should name what they need: what is kept is
// then bounded by the number of names, not by the length of the text.
using PropertySet = std::span<const std::string_view>;

// Whether a value is valid for its property; a declaration it refuses is
// dropped on its own, as CSS drops it, so that an earlier valid declaration
// of the same property still counts. No check keeps every value.
using ValueCheck = std::function<bool(std::string_view property, std::string_view value)>;

// The declarations of a style attribute or a rule body, in order. Invalid ones
// (no colon, an empty value, a string broken by a line end, a malformed url(),
// a value `check` refuses) are dropped. Each property appears once, as the
// valid declaration that wins within the block (the last "!important" one,
// else the last one), at its place.
std::vector<Declaration> ParseDeclarations(std::string_view text, PropertySet wanted = {},
                                           const ValueCheck& check = {});

// Whether a media query list applies to a screen renderer: "all" and
// "screen" do, "print" and every other media type do not, "not" and "only"
// as CSS reads them, an empty list does. Nothing when the answer depends on
// media features (width, colour, ...), which are not evaluated.
std::optional<bool> MediaApplies(std::string_view queries);

// Ordered as the cascade orders selectors: ids, then classes (with attributes
// and pseudo-classes), then types.
struct Specificity {
  std::uint32_t ids = 0, classes = 0, types = 0;

  auto operator<=>(const Specificity&) const = default;
};

// Bounds on what a set of style sheets keeps, so that a hostile sheet costs
// at most a bounded amount of memory and warning text.
struct SheetLimits {
  std::size_t maxRules = 200'000;            // rules kept over all sheets
  std::size_t maxDeclarations = 1'000'000;   // declarations kept over all rules
  std::size_t maxSelectorBytes = 1u << 20;   // source text of one rule's selector list
  std::size_t maxWarnings = 100;             // warning lines, then one line saying more were skipped
};

// The rules of the <style> elements of one document.
class StyleSheet {
 public:
  explicit StyleSheet(PropertySet wanted = {}, const SheetLimits& limits = {}, ValueCheck check = {});
  StyleSheet(StyleSheet&&) noexcept;
  StyleSheet& operator=(StyleSheet&&) noexcept;
  ~StyleSheet();

  // Reads the text of one <style> element; call once per element, in document
  // order. The rules of an @media block are read when its query applies (see
  // MediaApplies) and skipped when it does not. Rules with a selector beyond
  // the supported set, other at-rules (@import, @font-face, ...), @media
  // blocks whose query is not evaluated and broken rules are skipped, each
  // with one line "style sheet: rule 'SELECTOR' skipped: REASON" appended to
  // `warnings`.
  void Add(std::string_view text, std::vector<std::string>& warnings);

  bool empty() const;  // no rule kept

  struct Match {
    const Declaration* declaration;
    Specificity specificity;  // the highest of the rule's selectors that match
    std::uint32_t order;      // the rule's place among all rules kept
  };
  // Calls back for every declaration of every rule with a selector matching
  // `element`: rules in source order, each rule's declarations in order.
  // When `top` is given, combinators see no ancestor above it: the content a
  // <use> draws is matched within the copy it draws, whose top is the
  // referenced element.
  void ForEachMatch(pugi::xml_node element, const std::function<void(const Match&)>& callback,
                    pugi::xml_node top = {}) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace evenhue::svg::css
