// Midpoint-aware blending and the two resampling passes that re-space a
// gradient: ResampleInLab samples the ramp finely, blending neighbouring stop
// colours in CIELAB; ResampleInRgb turns that fine ramp into evenly spaced
// stops by blending neighbouring samples directly. The plug-in chains them as
//   fine   = ResampleInLab(stops, 256);
//   result = ResampleInRgb(fine, 4 * n - 3);   // n = number of stops read
//
// Both passes are pure: they never modify their input and return a new list
// of exactly `count` stops at positions i / (count - 1), i = 0 .. count - 1.
// Results are reproducible to the last bit (see color/color.hpp).
#pragma once

#include <cstdint>

#include "color/color.hpp"
#include "gradient/stops.hpp"

namespace evenhue {

// Blends a (t = 0) into b (t = 1) so that the half-way value is reached at
// t = m: t < m gives a + ((b - a) * (t / m)) * 0.5, anything else (NaN t
// included) a + (b - a) * (0.5 + ((t - m) / (1 - m)) * 0.5).
// m is expected in 0.13-0.87, as MakeRampStop keeps it; an m outside that
// range is clamped to it first, so neither divisor can be zero (a NaN m gives
// a NaN result).
double MidpointLerp(double a, double b, double t, double m);

// MidpointLerp on each of the three components, with the same t and m (the
// passes blend in CIELAB).
LabTriple LerpTriple(const LabTriple& a, const LabTriple& b, double t, double m);

// MidpointLerp on red, green, blue and opacity, with the same t and m.
StopColor LerpStopColor(const StopColor& a, const StopColor& b, double t, double m);

// The largest count either pass produces: 32 times the 4 * 8192 - 3 = 32765
// stops of the densest gradient the plug-in writes, about 56 MiB of stops.
inline constexpr std::int32_t kMaxResampleCount = 1 << 20;

// True when the passes can work on this input; they return an empty list
// exactly when this is false. It is false when
//   - count < 2 (one position would be 0/0) or count > kMaxResampleCount;
//   - stops is empty;
//   - a position is NaN or infinite, or a position is smaller than the one
//     before it (equal positions are fine);
//   - a midpoint is NaN.
// Colour channels are not checked: out-of-range values are carried or blended
// as described below, and non-finite ones propagate as IEEE arithmetic does.
// A midpoint outside 0.13-0.87 (only possible in a stop not made by
// MakeRampStop) is used and stored clamped, as MakeRampStop would have it.
bool CanResample(const RampStopList& stops, std::int32_t count);

// The first pass. For each p = i / (count - 1), placed with FindFirstAfter:
//   before the first stop: a copy of stop 0 (colour unchanged, its midpoint);
//   past the last stop:    a copy of the last stop;
//   inside (prev, next, t, m): red, green and blue blended in CIELAB with
//     LerpTriple and converted back with LabToRgb (so clamped to 0-1), opacity
//     blended directly with MidpointLerp, midpoint m.
// A sample exactly on a stop other than the last falls inside the segment
// that begins there (t = 0) and so passes through CIELAB; a sample on the last
// stop is a plain copy.
// Each stop colour is converted to CIELAB once per segment rather than once
// per sample; the output is bit-for-bit what per-sample conversion gives.
// Returns an empty list when CanResample(stops, count) is false; lets
// std::bad_alloc through if the result cannot be allocated.
RampStopList ResampleInLab(const RampStopList& stops, std::int32_t count);

// The second pass: as ResampleInLab, except that p is placed with
// FindFirstAtOrAfter and the inside case is LerpStopColor(prev, next, t, m) on
// all four channels, with no conversion and no clamp. A sample exactly on a
// stop other than the first falls inside the segment that ends there (t = 1);
// a sample on the first stop is a plain copy.
// Same empty-result and allocation rules as ResampleInLab.
RampStopList ResampleInRgb(const RampStopList& stops, std::int32_t count);

}  // namespace evenhue
