// Gradients handed to the host and read back, as the SVG binding and
// `evenhue respace` both do: the one stop model of that boundary, the one
// place that builds host stops, tells whether the plug-in replaced a paint's
// gradient, and reads the stops it wrote.
//
// A `Stop` holds positions and midpoints in percent, the host's own unit;
// documents hold fractions of the gradient's length, and FromFraction and
// ToFraction are the one conversion between the two.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "host/document.hpp"

namespace host {

struct Stop {
  double position = 0.0;   // percent 0–100
  double midpoint = 50.0;  // percent 0–100 of the way to the next stop
  double opacity = 1.0;    // 0–1
  bool cmyk = false;
  std::array<double, 4> channels{0, 0, 0, 0};  // red, green, blue (and 0), or cyan, magenta, yellow, black; 0–1
};

struct Ramp {
  std::int16_t type = kGradientLinear;
  std::vector<Stop> stops;
};

// A fraction of the gradient's length in percent, and back.
inline double FromFraction(double fraction) { return fraction * 100.0; }
inline double ToFraction(double percent) { return percent / 100.0; }

// A new gradient of `type` holding `stops`; null when the host refuses them.
hostapi::GradientHandle NewGradient(Document& document, std::int16_t type, std::span<const Stop> stops);

// The gradient the plug-in put on a side of a style in place of `source`:
// null when the side is not painted with a gradient, still has `source`, or
// names no gradient of the document.
hostapi::GradientHandle Replacement(const Document& document, bool painted, const hostapi::HostColor& color,
                                    hostapi::GradientHandle source);

// Reads `gradient` into `into` (its stops replaced). The plug-in writes RGB
// stops; a stop of another kind reads as black.
void ReadRamp(const Document& document, hostapi::GradientHandle gradient, Ramp& into);

}  // namespace host
