// What applying the effect to a document tells about each rewritten paint:
// enough to name it, count its stops and draw it before and after.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "color/color.hpp"

namespace evenhue::cli {

// One stop as the report draws and judges it, every position a fraction of
// the gradient's length: the offset (non-decreasing along a list), the sRGB
// colour 0–1, the midpoint (where between this stop and the next their
// colours mix half and half) and the opacity 0–1.
struct DrawStop {
  double offset = 0.0;
  RgbTriple rgb{0.0, 0.0, 0.0};
  double midpoint = 0.5;
  double opacity = 1.0;
};

// One fill or stroke the plug-in re-spaced, rewritten or left alone.
struct GradientResult {
  std::string document;   // the input's name, as shown to the user
  std::string element;    // id of the painted element (may be empty)
  std::string property;   // "fill" or "stroke"
  std::string sourceId;
  std::string newId;
  std::size_t stopsBefore = 0;
  std::size_t stopsAfter = 0;
  std::vector<DrawStop> sourceStops;
  std::vector<DrawStop> newStops;  // empty when left alone: the source is what is drawn
  std::string leftAlone;           // why the paint kept its source (kWouldBeWorse), empty when rewritten
};

// Why a paint kept its source although the plug-in re-spaced it: the new ramp
// would stray further from the CIELAB blend than the source does.
inline constexpr const char* kWouldBeWorse = "would be worse";

}  // namespace evenhue::cli
