// The comparison strips of re-spaced gradients: the source and the new stops
// as a renderer draws them, one pixel high, and their CIEDE2000 distance from
// the ideal CIELAB ramp. The strips are SVG documents so that any renderer
// can draw them: librsvg in the command, the browser in the page.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/results.hpp"
#include "color/color.hpp"

namespace evenhue::cli {

// The ideal ramp at p: the stops around p blended in CIELAB (D65) with the
// first stop's midpoint (kept to 13–87 percent), the blend half way at the
// midpoint. Computed with Little CMS and none of the plug-in's colour or
// gradient code. Returns CIELAB. `stops` must be non-empty with
// non-decreasing offsets.
LabTriple IdealLabAt(const std::vector<DrawStop>& stops, double p);

// CIEDE2000 between two D65 CIELAB colours (Little CMS).
double DeltaE2000(const LabTriple& lab1, const LabTriple& lab2);

// An 8-bit sRGB pixel and its CIELAB value (D65, Little CMS, as the ideal ramp).
using Pixel = std::array<std::uint8_t, 3>;
Pixel ToPixel(const RgbTriple& rgb);
LabTriple PixelToLab(const Pixel& pixel);

struct DeltaStats {
  double max = 0.0;
  double mean = 0.0;
};

// The figures of one gradient's strips, `width` pixels each (pixel x shows the
// ramp at (x + 0.5) / width): the source stops and the new stops as the
// renderer draws them, against the ideal CIELAB ramp of the source stops.
struct StripSet {
  DeltaStats before;  // source strip against the ideal
  DeltaStats after;   // result strip against the ideal
};

// ΔE2000 of drawn pixels against the ideal ramp at the same centres, one
// CIELAB value a pixel (IdealRamp).
DeltaStats CompareWithIdeal(const std::vector<Pixel>& drawn, const std::vector<LabTriple>& ideal);
// The ideal ramp of `stops` at the centres of `width` pixels.
std::vector<LabTriple> IdealRamp(const std::vector<DrawStop>& stops, std::size_t width);
// The same ramp as 8-bit sRGB pixels, as a picture shows it.
std::vector<Pixel> IdealPixels(const std::vector<DrawStop>& stops, std::size_t width);

// One document that draws the strips of distinct gradients: row 2k is the
// source stops of paints[k].front(), row 2k + 1 its new stops, each a
// horizontal gradient `width` pixels wide. Every result listed in paints[k]
// has the same source and new stops, so its figures are those of row pair k.
// Results without source stops are in no document.
struct StripDocument {
  std::string svg;
  int width = 0;
  int height = 0;
  std::vector<std::vector<std::size_t>> paints;
};

// The documents that draw every result's strips, each gradient once, each
// document bounded in stops so that a renderer takes it.
std::vector<StripDocument> StripDocuments(const std::vector<GradientResult>& results, int width);

// A strip document as a renderer drew it: document.height rows of
// document.width pixels of four bytes, `stride` bytes from one row to the
// next; red, green and blue at bytes channels[0], [1], [2] of a pixel.
struct DrawnImage {
  const std::uint8_t* data = nullptr;
  std::size_t stride = 0;
  std::array<int, 3> channels{0, 1, 2};
};

// Fills the figures of `document`'s results from what a renderer drew of it.
void ReadStrips(const StripDocument& document, const std::vector<GradientResult>& results, const DrawnImage& drawn,
                std::vector<StripSet>& strips);
// The same for the document's gradients [first, last) only: calls over ranges
// that do not overlap write different figures and may run on threads of
// their own at once.
void ReadStrips(const StripDocument& document, const std::vector<GradientResult>& results, const DrawnImage& drawn,
                std::vector<StripSet>& strips, std::size_t first, std::size_t last);

// The pixel a renderer drew at (x, y) of a strip document.
using DrawnPixel = std::function<Pixel(int x, int y)>;
// The same, the drawing read a pixel at a time.
void ReadStrips(const StripDocument& document, const std::vector<GradientResult>& results, const DrawnPixel& drawn,
                std::vector<StripSet>& strips);

// The strips as SVG renderers draw them, computed rather than rendered, for a
// build with no renderer: pixel x of a row is the straight per-channel sRGB
// interpolation of the stops around (x + 0.5) / width, the stops as the
// strip document writes them (8-bit colours, opaque, offsets clamped to 0–1
// and to the offset before them, the end stops' colours padding the ends),
// rounded to 8 bits as a renderer stores a pixel.
std::vector<Pixel> DrawRow(const std::vector<DrawStop>& stops, std::size_t width);
// The figures of every result (as MakeStrips), from DrawRow's pixels of each strip document.
std::vector<StripSet> ComputeStrips(const std::vector<GradientResult>& results, int width);
// What a report whose figures come from ComputeStrips says of its strips.
inline constexpr char kComputedStrips[] = "computed as SVG renderers interpolate stops";

// A horizontal gradient across its element's box with these stops, as a renderer receives them.
void AppendGradient(std::string& svg, const std::string& id, const std::vector<DrawStop>& stops);
// The stops drawn for a result's new gradient: its source stops when it has none.
const std::vector<DrawStop>& DrawnNewStops(const GradientResult& r);
// An element id: a prefix and a number.
std::string NumberedId(const char* prefix, std::size_t number);
std::string SvgRect(int x, int y, int width, int height, const std::string& fill);

}  // namespace evenhue::cli
