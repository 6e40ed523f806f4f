// The two resampling passes on arbitrary stop lists and counts: each gives
// exactly `count` evenly spaced stops when the input is workable and an empty
// list exactly when it is not.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gradient/resample.hpp"
#include "gradient/stops.hpp"

namespace {

[[noreturn]] void Violated(const char* what) {
  std::fprintf(stderr, "fuzz: invariant violated: %s\n", what);
  std::abort();
}

// Reads the input front to back; past its end every value is zero.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  double real() {
    // Mostly tame numbers, sometimes any bit pattern (NaN, infinities, denormals).
    const std::uint8_t how = byte();
    if (how < 200) return static_cast<double>(byte()) / 255.0;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | byte();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// The largest count this target asks for of a workable input, so that one
// input stays quick.
constexpr std::int32_t kLargestCount = 40'000;

void Check(const evenhue::RampStopList& stops, std::int32_t count, const evenhue::RampStopList& result) {
  const bool workable = evenhue::CanResample(stops, count);
  if (workable != !result.empty()) Violated("an empty result does not match CanResample");
  if (!workable) return;
  if (result.size() != static_cast<std::size_t>(count)) Violated("the result does not hold `count` stops");
  for (std::int32_t i = 0; i < count; ++i) {
    const double expected = static_cast<double>(i) / static_cast<double>(count - 1);
    if (std::fabs(result[static_cast<std::size_t>(i)].position - expected) > 1e-12)
      Violated("the stops are not evenly spaced");
    const double m = result[static_cast<std::size_t>(i)].midpoint;
    if (!(m >= evenhue::kMinMidpoint && m <= evenhue::kMaxMidpoint)) Violated("a midpoint outside 0.13-0.87");
  }
}

std::int32_t CountFrom(Bytes& in) {
  const std::uint8_t how = in.byte();
  if (how < 16) {  // any 32-bit value: negative, zero, one, huge
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits = (bits << 8) | in.byte();
    return static_cast<std::int32_t>(bits);
  }
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(in.byte()) << 8 | in.byte()) % 2048);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  const std::int32_t firstCount = CountFrom(in);
  const std::int32_t secondCount = CountFrom(in);
  const bool raw = in.byte() & 1;  // stops as given, or through MakeRampStop
  const bool ordered = in.byte() & 1;

  evenhue::RampStopList stops;
  double position = 0.0;
  while (!in.done() && stops.size() < 9000) {
    evenhue::RampStop stop;
    const double p = in.real();
    position = ordered ? std::fmax(position, p) : p;
    const evenhue::StopColor color{in.real(), in.real(), in.real(), in.real()};
    const double midpoint = in.real();
    stop = raw ? evenhue::RampStop{position, color, midpoint} : evenhue::MakeRampStop(position, color, midpoint);
    stops.push_back(stop);
  }

  const auto usable = [](const evenhue::RampStopList& list, std::int32_t count) {
    return !evenhue::CanResample(list, count) || count <= kLargestCount;
  };
  if (usable(stops, firstCount)) {
    const auto fine = evenhue::ResampleInLab(stops, firstCount);
    Check(stops, firstCount, fine);
    if (usable(fine, secondCount)) Check(fine, secondCount, evenhue::ResampleInRgb(fine, secondCount));
  }
  if (usable(stops, secondCount)) Check(stops, secondCount, evenhue::ResampleInRgb(stops, secondCount));
  return 0;
}
