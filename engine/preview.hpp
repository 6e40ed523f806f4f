// Previews of re-spaced gradients: the source and the new stops as a renderer
// draws them, the ideal CIELAB ramp they aim at, the CIEDE2000 distance
// between them, and the labelled picture that shows all of it. The picture's
// layout (preview.cpp) is every build's; the drawing is librsvg's and cairo's
// (preview_rsvg.cpp), or computed where there is no renderer (preview_win.cpp).
#pragma once

#include <string>
#include <vector>

#include "engine/results.hpp"
#include "engine/strips.hpp"

namespace evenhue::cli {

// The figures of every result: the source and new stops become SVG gradients
// (each distinct gradient once) that librsvg renders, or whose pixels are
// computed (ComputeStrips), measured against the ideal ramp. Throws
// std::runtime_error when librsvg fails.
std::vector<StripSet> MakeStrips(const std::vector<GradientResult>& results, int width);
// What the report says of how MakeStrips drew its strips: nothing (nullptr)
// when a renderer drew them.
const char* StripsDrawnNote();

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

// A strip of pixels `height` rows high, as PNG bytes (the picture shows the
// ideal ramp so).
std::string StripPng(const std::vector<Pixel>& strip, int height);

// Renders the picture with librsvg and cairo onto white; PNG bytes. Throws
// std::runtime_error.
std::string RenderPng(const SvgPicture& picture);
// Throws UsageError, naming `path`, when this build cannot render the picture
// (no SVG renderer): its preview has to be the SVG document.
void CheckPngPreview(const std::string& path);
// Whether this build renders the picture as PNG (RenderPng); where it cannot,
// the picture is the SVG document.
bool RendersPng();

}  // namespace evenhue::cli
