// Gradient elements resolved as a renderer sees them: stops and geometry
// gathered through href chains, offsets clamped and made non-decreasing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "svg/cascade.hpp"
#include "svg/css_color.hpp"
#include "svg/diagnostics.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg {

enum class GradientType : std::int16_t { Linear = 0, Radial = 1 };

// Positions along a gradient: documents write fractions of its length
// (`offset`); midpoints, the host's stops and respace's lines are in percent.
// These two are the one conversion between them.
inline double PercentOf(double fraction) { return fraction * 100.0; }
inline double FractionOf(double percent) { return percent / 100.0; }

struct GradientStop {
  double offset = 0.0;      // 0–1, after clamping and ordering
  CssColor color;           // alpha already folded into `opacity`
  double opacity = 1.0;     // stop-opacity times the colour's alpha, 0–1
  double midpoint = 50.0;   // percent 0–100, as data-midpoint and the host hold it (50 when absent); a
                            // fraction read from a midpoint record is converted once, by PercentOf
};

struct GradientDef {
  pugi::xml_node element;   // the gradient element a paint refers to
  std::string id;
  GradientType type = GradientType::Linear;
  std::vector<GradientStop> stops;
  // Geometric attributes (name, value), each taken from the first element of
  // the href chain that carries it.
  std::vector<std::pair<std::string, std::string>> geometry;
  // The stops came from a midpoint record (the true stops a design tool
  // keeps beside its approximating <stop>s); the prefix its elements were
  // written with, so that a new gradient carries one in the same form.
  bool fromRecord = false;
  std::string recordPrefix;
};

// The namespace of the elements that record a gradient's true stops and
// midpoints beside the <stop>s that approximate them.
inline constexpr std::string_view kMidpointRecordNamespace = "http://ns.adobe.com/AdobeSVGViewerExtensions/3.0/";
inline constexpr std::string_view kMidpointRecordElement = "midPointStop";

// The namespace URI an element's prefix (or its default namespace) is bound
// to, from the nearest declaration on it or an ancestor; empty when none.
std::string_view NamespaceOf(pugi::xml_node element);

// Whether the element is a linearGradient or radialGradient.
bool IsGradientElement(pugi::xml_node element);

// The offset of a stop as renderers read it: a number or percentage; text that
// is not a number (including "NaN" and "inf") counts as 0; the value is then
// clamped to 0–1.
double ParseStopOffset(std::string_view text);

// Resolves the gradient element `element` as renderers do. An href to a
// missing element, to a non-gradient or back into its own chain ends the
// chain there; a bad data-midpoint counts as 50; a malformed midpoint record
// is not used; each with a warning. Throws SvgError only for more stops than
// the limits allow.
GradientDef ResolveGradient(const SvgDocument& document, Cascade& cascade, pugi::xml_node element,
                            Warnings& warnings);

// The same for many gradients of one document: what each element's href
// chain gives (the first value of each geometric attribute, the element
// whose stops are used, the link that ends the chain with a warning) is
// remembered for every element of the chain, so that resolving all the
// gradients of a chain reads each link once however long it is. The tree's
// gradients must not change while a resolver is in use.
class GradientResolver {
 public:
  GradientResolver(const SvgDocument& document, Cascade& cascade, Warnings& warnings);
  ~GradientResolver();
  GradientResolver(const GradientResolver&) = delete;
  GradientResolver& operator=(const GradientResolver&) = delete;

  GradientDef Resolve(pugi::xml_node element);

 private:
  struct Chain;
  // Valid until the next call.
  const Chain& ChainOf(pugi::xml_node element);

  const SvgDocument& document_;
  Cascade& cascade_;
  Warnings& warnings_;
  std::unordered_map<const void*, Chain> chains_;
  std::unique_ptr<Chain> unlinked_;  // the chain of an element without href not yet in chains_
};
// The same with a cascade of its own, warnings dropped.
GradientDef ResolveGradient(const SvgDocument& document, pugi::xml_node element);

// The geometric attributes a gradient of this type carries.
const std::vector<std::string>& GeometryAttributes(GradientType type);

}  // namespace evenhue::svg
