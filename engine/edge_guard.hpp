// Whether a re-spaced gradient would be worse than its source. The plug-in
// spreads its 4n − 3 stops evenly over the whole ramp, whatever the source's
// stop positions: a hard edge or a transition narrower than the new spacing is
// smeared over one or two new intervals. This module compares, over plain stop
// lists, the new ramp and the source as renderers draw them (plain RGB
// interpolation of the stops; renderers ignore midpoints) with the source's
// own midpoint-aware CIELAB (D65) blend, the ramp the re-spacing aims at.
//
// The reference blend, the colour conversions and the comparison are written
// here afresh (CIEDE2000 from Little CMS) rather than taken from the plug-in,
// so that a fault of the plug-in shows as a difference.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/results.hpp"

namespace evenhue::cli {


// The new ramp may stray this much further (CIEDE2000) from the blend than
// the source does, each at its worst point, before it counts as worse.
inline constexpr double kWorseBy = 1.0;

// CIEDE2000 of the source's and of the new ramp's colour at p from the
// blend's colour there, approached from below (fromBelow) or from above, so
// that both sides of an edge can be seen. Where a stop is translucent, each
// ramp is laid over black and over white and the larger distance counts.
// Both lists must be non-empty with non-decreasing offsets.
struct Distances {
  double before = 0.0;  // the source as drawn
  double after = 0.0;   // the new stops as drawn
};
Distances DistancesAt(const std::vector<DrawStop>& source, const std::vector<DrawStop>& respaced, double p,
                      bool fromBelow);

// What the new ramp would do to the source, where it is worse.
struct Damage {
  enum class Kind {
    Edge,        // two stops at one position: a step, from == to
    Transition,  // a segment narrower than the new spacing, from–to
    Stop,        // the turn of the ramp at a stop, from == to
  };
  Kind kind = Kind::Edge;
  double from = 0.0, to = 0.0;              // where the source has it, 0–1
  double spreadFrom = 0.0, spreadTo = 0.0;  // the new stops it would be spread between, 0–1
  double before = 0.0, after = 0.0;         // each ramp's worst CIEDE2000 from the blend
};

// Nothing when the new stops are no worse than the source (by kWorseBy at
// the worst point), else where the new ramp strays furthest. Looks where a
// re-spacing can do harm, cheaply enough for every paint: at each inner stop
// position (both sides of a step) and inside segments narrower than the new
// spacing; elsewhere the new ramp is a finer piecewise-linear cut of the same
// smooth blend the source draws in one piece. The source's own distance is
// only worked out when the new ramp is off by more than kWorseBy somewhere.
// Both lists need non-decreasing offsets; one of fewer than two stops has no
// ramp to judge (nothing comes back).
std::optional<Damage> FindDamage(const std::vector<DrawStop>& source, const std::vector<DrawStop>& respaced);

// "its edge at 50 % would be smoothed over 25–75 %" and the like.
std::string DescribeDamage(const Damage& damage);

}  // namespace evenhue::cli
