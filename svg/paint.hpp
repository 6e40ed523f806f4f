// Fill and stroke paints: where an element declares them and what they say.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "svg/css_color.hpp"

namespace evenhue::svg {

// A colour as SVG properties write it: a CSS colour, optionally followed by
// an SVG 1.1 icc-color(...), which is accepted and not used.
std::optional<CssColor> ParseSvgColor(std::string_view text);

struct Paint {
  enum class Kind {
    None,          // "none"
    Color,         // a solid colour
    CurrentColor,  // "currentColor": the element's color property
    Url,           // url(#id), possibly with a fallback
    Context,       // context-fill / context-stroke: left to the renderer
  };
  Kind kind = Kind::None;
  CssColor color;             // Kind::Color
  std::string id;             // Kind::Url: the referenced id, without '#'; empty when it is no element
                              // of this document (another file's, or "#" alone)
  std::string fallback;       // Kind::Url: the text after the url(), may be empty
};

// Parses a fill or stroke value; nothing when it is not a valid paint.
std::optional<Paint> ParsePaint(std::string_view text);

// One declaration of a property on one element, as the cascade found it: the
// one to replace so that a new value wins exactly where the old one won.
struct PaintSource {
  enum class Where : std::uint8_t {
    None,       // the element declares nothing (its value is inherited or initial)
    Attribute,  // its presentation attribute (or a default the document type gives it)
    Sheet,      // a style sheet rule matching it
    Style,      // its style attribute
  };
  Where where = Where::None;
  bool important = false;
  // Style: where the value stands in the style attribute's text, from its
  // first token to its last before "!important".
  std::uint32_t begin = 0, end = 0;
};

// Points `property` of `element` at `#newId` (the fallback text after the
// url() kept) by a declaration that wins exactly where `replaced`, the
// element's own winning declaration, won: a presentation attribute stays
// one; the winning declaration of a style attribute has its value replaced
// in place (its "!important" and every comment around it kept); a sheet
// rule's value goes into the style attribute, "!important" when the rule's
// was, replacing the style attribute's own declaration of the property if
// there is one, else put first; where the element declares nothing, a
// presentation attribute is set.
void SetPaintUrl(pugi::xml_node element, std::string_view property, std::string_view newId,
                 std::string_view fallback, const PaintSource& replaced);

}  // namespace evenhue::svg
