// Gradient elements resolved as a renderer sees them: stops and geometry
// gathered through href chains, offsets clamped and made non-decreasing.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "svg/css_color.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg {

enum class GradientType : std::int16_t { Linear = 0, Radial = 1 };

struct GradientStop {
  double offset = 0.0;      // 0–1, after clamping and ordering
  CssColor color;           // alpha already folded into `opacity`
  double opacity = 1.0;     // stop-opacity times the colour's alpha, 0–1
  double midpoint = 50.0;   // data-midpoint, percent 0–100 (50 when absent)
};

struct GradientDef {
  pugi::xml_node element;   // the gradient element a paint refers to
  std::string id;
  GradientType type = GradientType::Linear;
  std::vector<GradientStop> stops;
  // Geometric attributes (name, value), each taken from the first element of
  // the href chain that carries it.
  std::vector<std::pair<std::string, std::string>> geometry;
};

// Whether the element is a linearGradient or radialGradient.
bool IsGradientElement(pugi::xml_node element);

// The offset of a stop as renderers read it: a number or percentage; text that
// is not a number (including "NaN" and "inf") counts as 0; the value is then
// clamped to 0–1.
double ParseStopOffset(std::string_view text);

// Resolves the gradient element `element`. Throws SvgError (naming the
// gradient) for href cycles, references to missing or non-gradient elements,
// stop colours that do not parse, bad data-midpoint values and more stops
// than the limits allow.
GradientDef ResolveGradient(const SvgDocument& document, pugi::xml_node element);

// The geometric attributes a gradient of this type carries.
const std::vector<std::string>& GeometryAttributes(GradientType type);

}  // namespace evenhue::svg
