#include "gradient/resample.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace evenhue {
namespace {

RgbTriple RgbOf(const StopColor& c) { return {c.red, c.green, c.blue}; }

double SamplePosition(std::int32_t i, std::int32_t count) {
  return static_cast<double>(i) / static_cast<double>(count - 1);
}

// The copy made for a sample outside the stops' range.
RampStop CopyOf(const RampStop& s, double p) { return MakeRampStop(p, s.color, s.midpoint); }

}  // namespace

double MidpointLerp(double a, double b, double t, double m) {
  const double mm = std::clamp(m, kMinMidpoint, kMaxMidpoint);
  if (t < mm) return a + ((b - a) * (t / mm)) * 0.5;
  return a + (b - a) * (0.5 + ((t - mm) / (1.0 - mm)) * 0.5);
}

LabTriple LerpTriple(const LabTriple& a, const LabTriple& b, double t, double m) {
  return {MidpointLerp(a[0], b[0], t, m), MidpointLerp(a[1], b[1], t, m),
          MidpointLerp(a[2], b[2], t, m)};
}

StopColor LerpStopColor(const StopColor& a, const StopColor& b, double t, double m) {
  return StopColor{MidpointLerp(a.red, b.red, t, m), MidpointLerp(a.green, b.green, t, m),
                   MidpointLerp(a.blue, b.blue, t, m), MidpointLerp(a.opacity, b.opacity, t, m)};
}

bool CanResample(const RampStopList& stops, std::int32_t count) {
  if (count < 2 || count > kMaxResampleCount || stops.empty()) return false;
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const RampStop& s = stops[i];
    if (!std::isfinite(s.position) || std::isnan(s.midpoint)) return false;
    if (i > 0 && s.position < stops[i - 1].position) return false;
  }
  return true;
}

namespace {

// Samples count evenly spaced positions over the stops, placed with bound: a
// sample inside a segment is inside(p, where), one before the first stop or
// past the last a copy of that stop.
template <class Inside>
RampStopList Sample(const RampStopList& stops, std::int32_t count, StopBound bound, Inside inside) {
  RampStopList result;
  if (!CanResample(stops, count)) return result;
  result.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    const double p = SamplePosition(i, count);
    const SegmentLocation where = LocateSegment(stops, p, bound);
    switch (where.place) {
      case SegmentPlace::kInside:
        result.push_back(inside(p, where));
        break;
      case SegmentPlace::kBeforeFirst:
        result.push_back(CopyOf(stops.front(), p));
        break;
      case SegmentPlace::kPastLast:
      case SegmentPlace::kEmpty:  // not reached: CanResample rejects empty lists
        result.push_back(CopyOf(stops.back(), p));
        break;
    }
  }
  return result;
}

}  // namespace

RampStopList ResampleInLab(const RampStopList& stops, std::int32_t count) {
  // Samples visit the segments in order, so the CIELAB form of the current
  // segment's two ends is kept and converted only when the segment changes.
  bool haveSegment = false;
  std::size_t segmentPrev = 0;
  LabTriple labPrev{};
  LabTriple labNext{};
  return Sample(stops, count, FindFirstAfter, [&](double p, const SegmentLocation& where) {
    const RampStop& prev = stops[where.prev];
    const RampStop& next = stops[where.next];
    if (!haveSegment || where.prev != segmentPrev) {
      labPrev = (haveSegment && where.prev == segmentPrev + 1) ? labNext : RgbToLab(RgbOf(prev.color));
      labNext = RgbToLab(RgbOf(next.color));
      segmentPrev = where.prev;
      haveSegment = true;
    }
    const RgbTriple rgb = LabToRgb(LerpTriple(labPrev, labNext, where.t, where.m));
    const double opacity = MidpointLerp(prev.color.opacity, next.color.opacity, where.t, where.m);
    return MakeRampStop(p, StopColor{rgb[0], rgb[1], rgb[2], opacity}, where.m);
  });
}

RampStopList ResampleInRgb(const RampStopList& stops, std::int32_t count) {
  return Sample(stops, count, FindFirstAtOrAfter, [&](double p, const SegmentLocation& where) {
    return MakeRampStop(p, LerpStopColor(stops[where.prev].color, stops[where.next].color, where.t, where.m),
                        where.m);
  });
}

}  // namespace evenhue
