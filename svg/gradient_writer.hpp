// Writing re-spaced gradients back into an SVG document.
#pragma once

#include <string>
#include <vector>

#include "svg/gradient_def.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg {

// A stop the plug-in wrote, as the binding reads it back: the offset as a
// fraction, as documents write it; the midpoint in percent, as the host gave
// it and data-midpoint writes it.
struct RgbStop {
  double offset = 0.0;    // 0–1
  double red = 0.0, green = 0.0, blue = 0.0;  // 0–1
  double opacity = 1.0;   // 0–1
  double midpoint = 50.0; // percent 0–100
};

// The shortest decimal text that reads back as exactly `value`.
std::string ShortestText(double value);
// The same text appended to `out`.
void AppendShortestText(std::string& out, double value);
// The same text made with printf and strtod alone, for standard libraries
// without the floating-point std::to_chars (the page's WebAssembly build,
// where the digits are JavaScript's instead, printf and strtod being slow).
std::string ShortestTextByPrintf(double value);

// Adds a new gradient element right after `source.element`, with a fresh
// unique id, every geometric attribute of the source (resolved through its
// href chain) and `stops`, each carrying its midpoint as data-midpoint.
// When the source stands on a line of its own, so does the new gradient,
// indented as the source, and each of its children on a line of its own,
// indented as the source's children (or a step deeper than the source).
// The source element is left as it was. Returns the new id.
std::string AddGradient(SvgDocument& document, const GradientDef& source, GradientType type,
                        const std::vector<RgbStop>& stops);

// What AddGradient writes for these arguments, but for the id and the
// white space: two calls with equal keys add equal gradients made from the
// same source element, so that one can stand for both.
std::string NewGradientKey(const GradientDef& source, GradientType type, const std::vector<RgbStop>& stops);

}  // namespace evenhue::svg
