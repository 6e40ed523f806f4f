// Fill and stroke paints: where an element declares them and what they say.
#pragma once

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
  std::string id;             // Kind::Url: the referenced id, without '#'
  std::string fallback;       // Kind::Url: the text after the url(), may be empty
};

// Parses a fill or stroke value; nothing when it is not a valid paint.
std::optional<Paint> ParsePaint(std::string_view text);

// Where the paint being replaced was declared.
struct PaintSource {
  bool fromSheet = false;  // a style sheet rule
  bool important = false;  // with !important
};

// Points `property` of `element` at `#newId`, where the element's own
// declaration would be read: in its style attribute when it declares the
// property there; else, for a paint a style sheet gave, a new declaration in
// the style attribute (!important when the sheet's was); else its
// presentation attribute. The fallback text after the url() is kept.
void SetPaintUrl(pugi::xml_node element, std::string_view property, std::string_view newId,
                 std::string_view fallback, PaintSource source = {});

}  // namespace evenhue::svg
