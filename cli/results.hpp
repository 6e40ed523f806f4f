// What applying the effect to a document tells about each rewritten paint:
// enough to name it, count its stops and draw it before and after.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "color/color.hpp"

namespace evenhue::cli {

// One stop as far as drawing is concerned: position 0–1, sRGB colour 0–1 and
// the midpoint in percent (used only by the ideal ramp).
struct DrawStop {
  double offset = 0.0;
  RgbTriple rgb{0.0, 0.0, 0.0};
  double midpoint = 50.0;
};

// One rewritten fill or stroke.
struct GradientResult {
  std::string document;   // the input's name, as shown to the user
  std::string element;    // id of the painted element (may be empty)
  std::string property;   // "fill" or "stroke"
  std::string sourceId;
  std::string newId;
  std::size_t stopsBefore = 0;
  std::size_t stopsAfter = 0;
  std::vector<DrawStop> sourceStops;
  std::vector<DrawStop> newStops;
};

}  // namespace evenhue::cli
