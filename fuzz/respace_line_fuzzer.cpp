// Lines for `evenhue respace`: any text is either read into a gradient that
// keeps every documented bound, or refused with a reason.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/respace.hpp"

namespace {

[[noreturn]] void Violated(const char* what) {
  std::fprintf(stderr, "fuzz: invariant violated: %s\n", what);
  std::abort();
}

bool Within(double value, double low, double high) { return std::isfinite(value) && value >= low && value <= high; }

void ExpectReadsBack(double value) {
  const std::string text = evenhue::cli::NumberText(value);
  if (std::strtod(text.c_str(), nullptr) != value) Violated("a number does not read back as the same double");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto gradient = evenhue::cli::ParseGradientLine(line, error);
  if (!gradient) {
    if (error.empty()) Violated("a line was refused without a reason");
    (void)evenhue::cli::FormatErrorLine(1, error);
    return 0;
  }
  if (gradient->type != 0 && gradient->type != 1) Violated("a gradient type other than linear or radial");
  if (gradient->stops.size() > host::kMaxGradientStops) Violated("more stops than a gradient holds");
  double previous = 0.0;
  for (const auto& stop : gradient->stops) {
    if (!Within(stop.position, 0, 100) || !Within(stop.midpoint, 0, 100) || !Within(stop.opacity, 0, 1))
      Violated("a position, midpoint or opacity outside its range");
    if (stop.position < previous) Violated("positions out of order");
    previous = stop.position;
    for (int c = 0; c < (stop.cmyk ? 4 : 3); ++c) {
      if (!Within(stop.channels[static_cast<std::size_t>(c)], 0, 1)) Violated("a colour component outside 0-1");
      ExpectReadsBack(stop.channels[static_cast<std::size_t>(c)]);
    }
    ExpectReadsBack(stop.position);
    ExpectReadsBack(stop.opacity);
  }
  const std::string out = evenhue::cli::FormatGradientLine(*gradient, true);
  if (out.find('\n') != std::string::npos) Violated("an output line holds a line break");
  return 0;
}
