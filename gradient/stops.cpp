#include "gradient/stops.hpp"

#include <algorithm>

namespace evenhue {

RampStop MakeRampStop(double position, const StopColor& color, double midpoint) {
  return RampStop{position, color, std::clamp(midpoint, kMinMidpoint, kMaxMidpoint)};
}

std::size_t FindFirstAfter(const RampStopList& list, double p) {
  const auto at = std::upper_bound(list.begin(), list.end(), p,
                                   [](double value, const RampStop& s) { return value < s.position; });
  return static_cast<std::size_t>(at - list.begin());
}

std::size_t FindFirstAtOrAfter(const RampStopList& list, double p) {
  const auto at = std::lower_bound(list.begin(), list.end(), p,
                                   [](const RampStop& s, double value) { return s.position < value; });
  return static_cast<std::size_t>(at - list.begin());
}

SegmentLocation LocateSegment(const RampStopList& list, double p, StopBound bound) {
  SegmentLocation where;
  if (list.empty() || bound == nullptr) return where;
  const std::size_t k = bound(list, p);
  if (k == 0) {
    where.place = SegmentPlace::kBeforeFirst;
    return where;
  }
  if (k >= list.size()) {
    where.place = SegmentPlace::kPastLast;
    where.prev = where.next = list.size() - 1;
    return where;
  }
  where.place = SegmentPlace::kInside;
  where.prev = k - 1;
  where.next = k;
  const double start = list[where.prev].position;
  const double width = list[where.next].position - start;
  where.t = width > 0.0 ? (p - start) / width : 0.0;
  where.m = list[where.prev].midpoint;
  return where;
}

}  // namespace evenhue
