// The internal form of a gradient: an ordered list of stops, and the placing
// of a ramp position between two of them.
//
// Positions and midpoints are fractions (0.0 at the start of the ramp, 1.0 at
// the end); percentages belong to the host boundary, not here.
#pragma once

#include <cstddef>
#include <vector>

namespace evenhue {

// A stop's colour: sRGB red, green, blue and opacity, nominally 0.0-1.0 each.
// A default-constructed colour is opaque black (0, 0, 0, 1).
struct StopColor {
  double red = 0.0;
  double green = 0.0;
  double blue = 0.0;
  double opacity = 1.0;
};

// One stop of a ramp. `midpoint` is the fraction of the way from this stop to
// the next at which the two colours mix half and half; it governs the segment
// that begins at this stop (the last stop's midpoint governs nothing but is
// carried along). Build stops with MakeRampStop so that the midpoint stays
// inside 0.13-0.87.
struct RampStop {
  double position = 0.0;
  StopColor color;
  double midpoint = 0.5;
};

// Stops in the order they were appended; positions are expected to be
// non-decreasing (equal positions make a hard colour edge). Never sorted here.
using RampStopList = std::vector<RampStop>;

// Smallest and largest midpoint a stop can hold.
inline constexpr double kMinMidpoint = 0.13;
inline constexpr double kMaxMidpoint = 0.87;

// Stores position and all four colour channels unchanged and the midpoint
// clamped to kMinMidpoint-kMaxMidpoint by std::clamp (so a NaN midpoint is
// stored as NaN).
RampStop MakeRampStop(double position, const StopColor& color, double midpoint);

// Upper bound: index of the first stop whose position is strictly greater
// than p, or list.size() if there is none. Bisection comparing with `<` only.
std::size_t FindFirstAfter(const RampStopList& list, double p);

// Lower bound: index of the first stop whose position is not less than p, or
// list.size() if there is none. Bisection comparing with `<` only.
std::size_t FindFirstAtOrAfter(const RampStopList& list, double p);

// One of the two searches above.
using StopBound = std::size_t (*)(const RampStopList& list, double p);

enum class SegmentPlace {
  kBeforeFirst,  // p lies before the stops: the answer is stop 0
  kPastLast,     // p lies past the stops: the answer is the last stop
  kInside,       // p lies in the segment (prev, next), at fraction t
  kEmpty,        // the list has no stops at all (outside the contract)
};

// Where a position falls.
//   kBeforeFirst: prev = next = 0.
//   kPastLast:    prev = next = size - 1.
//   kInside:      next = prev + 1, t = (p - pos[prev]) / (pos[next] - pos[prev]),
//                 m = midpoint[prev].
//   kEmpty:       prev = next = 0 and must not be used as indices.
// t and m are 0 except for kInside.
struct SegmentLocation {
  SegmentPlace place = SegmentPlace::kEmpty;
  std::size_t prev = 0;
  std::size_t next = 0;
  double t = 0.0;
  double m = 0.0;
};

// Places p with bound (FindFirstAfter or FindFirstAtOrAfter):
// k = bound(list, p); k == 0 -> kBeforeFirst; k == size -> kPastLast;
// otherwise kInside with prev = k - 1, next = k.
//
// On a list with non-decreasing positions the segment width is always
// positive and t lies in 0-1. Outside that contract the result is still
// defined and never reads out of bounds: an empty list gives kEmpty, and
// where the width is not positive (decreasing or NaN positions) t is 0
// instead of a division by zero or a negative width. A null bound is treated
// like an empty list.
SegmentLocation LocateSegment(const RampStopList& list, double p, StopBound bound);

}  // namespace evenhue
