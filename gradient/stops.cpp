#include "gradient/stops.hpp"

#include <algorithm>

namespace evenhue {

RampStop MakeRampStop(double position, const StopColor& color, double midpoint) {
  return RampStop{position, color, std::clamp(midpoint, kMinMidpoint, kMaxMidpoint)};
}

std::size_t FindFirstAfter(const RampStopList& list, double p) {
  std::size_t first = 0;
  std::size_t count = list.size();
  while (count > 0) {
    const std::size_t half = count / 2;
    const std::size_t mid = first + half;
    if (p < list[mid].position) {
      count = half;
    } else {
      first = mid + 1;
      count = count - half - 1;
    }
  }
  return first;
}

std::size_t FindFirstAtOrAfter(const RampStopList& list, double p) {
  std::size_t first = 0;
  std::size_t count = list.size();
  while (count > 0) {
    const std::size_t half = count / 2;
    const std::size_t mid = first + half;
    if (list[mid].position < p) {
      first = mid + 1;
      count = count - half - 1;
    } else {
      count = half;
    }
  }
  return first;
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
