// Previews of re-spaced gradients: the source and the new stops as librsvg
// draws them, the ideal CIELAB ramp they aim at, the CIEDE2000 distance
// between them, and the labelled picture that shows all of it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/results.hpp"
#include "color/color.hpp"

namespace evenhue::cli {

// The ideal ramp at p: the stops around p blended in CIELAB (D65) with
// MidpointLerp and the first stop's midpoint (kept to 13–87 percent, as the
// plug-in keeps it). Returns CIELAB. `stops` must be non-empty with
// non-decreasing offsets.
LabTriple IdealLabAt(const std::vector<DrawStop>& stops, double p);

// CIEDE2000 between two D65 CIELAB colours (Little CMS).
double DeltaE2000(const LabTriple& lab1, const LabTriple& lab2);

// An 8-bit sRGB pixel and its CIELAB value.
using Pixel = std::array<std::uint8_t, 3>;
Pixel ToPixel(const RgbTriple& rgb);
LabTriple PixelToLab(const Pixel& pixel);

struct DeltaStats {
  double max = 0.0;
  double mean = 0.0;
};

// The three strips of one gradient, `width` pixels each; pixel x shows the
// ramp at (x + 0.5) / width.
struct StripSet {
  std::vector<Pixel> source;  // the source stops as librsvg draws them
  std::vector<Pixel> result;  // the new stops, drawn the same way
  std::vector<Pixel> ideal;   // the ideal CIELAB ramp of the source stops
  DeltaStats before;          // source strip against the ideal
  DeltaStats after;           // result strip against the ideal
};

// ΔE2000 of drawn pixels against the ideal ramp of `ideal` at the same centres.
DeltaStats CompareWithIdeal(const std::vector<Pixel>& drawn, const std::vector<DrawStop>& ideal);

// The strips of every result: the source and new stops become SVG gradients
// that librsvg renders, the ideal strip is computed. Throws std::runtime_error
// when librsvg fails.
std::vector<StripSet> MakeStrips(const std::vector<GradientResult>& results, int width);

// At most this many gradients appear in the picture; a line under the last
// one counts the others (the report holds them all).
inline constexpr std::size_t kMaxPreviewRows = 300;

// An SVG document and the size in pixels it declares.
struct SvgPicture {
  std::string text;
  int width = 0;
  int height = 0;
};

// The preview as an SVG document: a title and a legend, then per gradient a
// heading naming its document, element, paint and gradient, and three strips,
// each labelled with what it is and (but the ideal) its ΔE2000 figures.
SvgPicture PreviewSvg(const std::vector<GradientResult>& results, const std::vector<StripSet>& strips, int width);

// Renders the picture with librsvg and cairo onto white; PNG bytes. Throws
// std::runtime_error.
std::string RenderPng(const SvgPicture& picture);

}  // namespace evenhue::cli
