// Previews of re-spaced gradients: the ramps as a renderer draws them, the
// ideal CIELAB ramp they aim at, and the CIEDE2000 distance between them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "color/color.hpp"

namespace evenhue::cli {

// One stop as far as drawing is concerned: position 0–1, sRGB colour 0–1 and
// the midpoint in percent (used only by the ideal ramp).
struct DrawStop {
  double offset = 0.0;
  ColorTriple rgb{0.0, 0.0, 0.0};
  double midpoint = 50.0;
};

// The colour an SVG renderer paints at position p: straight interpolation in
// sRGB between the stops around p, midpoints ignored, end colours beyond the
// ends. `stops` must be non-empty with non-decreasing offsets.
ColorTriple RendererColorAt(const std::vector<DrawStop>& stops, double p);

// The ideal ramp at p: the stops around p blended in CIELAB (D65) with
// MidpointLerp and the first stop's midpoint (kept to 13–87 percent, as the
// plug-in keeps it). Returns CIELAB.
ColorTriple IdealLabAt(const std::vector<DrawStop>& stops, double p);

// CIEDE2000 between two D65 CIELAB colours (Little CMS).
double DeltaE2000(const ColorTriple& lab1, const ColorTriple& lab2);

// An 8-bit sRGB pixel and its CIELAB value.
using Pixel = std::array<std::uint8_t, 3>;
Pixel ToPixel(const ColorTriple& rgb);
ColorTriple PixelToLab(const Pixel& pixel);

struct DeltaStats {
  double max = 0.0;
  double mean = 0.0;
};

// The three strips of one gradient, `width` pixels each, sampled at pixel
// centres ((x + 0.5) / width).
struct StripSet {
  std::vector<Pixel> source;  // the source stops, drawn as a renderer does
  std::vector<Pixel> result;  // the new stops, drawn the same way
  std::vector<Pixel> ideal;   // the ideal CIELAB ramp of the source stops
  DeltaStats before;          // source strip against the ideal
  DeltaStats after;           // result strip against the ideal
};
StripSet ComputeStrips(const std::vector<DrawStop>& source, const std::vector<DrawStop>& result, int width);

// ΔE2000 of drawn pixels against the ideal ramp of `ideal` at the same centres.
DeltaStats CompareWithIdeal(const std::vector<Pixel>& drawn, const std::vector<DrawStop>& ideal);

// The preview image: per gradient its three strips one above the other.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3
};
Image LayoutPreview(const std::vector<StripSet>& strips, int width);

// PNG bytes of the image (libpng). Throws std::runtime_error on failure.
std::string EncodePng(const Image& image);

}  // namespace evenhue::cli
