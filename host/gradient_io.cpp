#include "host/gradient_io.hpp"

namespace host {

hostapi::GradientHandle NewGradient(Document& document, std::int16_t type, std::span<const Stop> stops) {
  std::vector<hostapi::HostGradientStop> hostStops;
  hostStops.reserve(stops.size());
  for (const Stop& s : stops) {
    const auto& c = s.channels;
    const hostapi::HostColor color = s.cmyk ? CmykColor(c[0], c[1], c[2], c[3]) : RgbColor(c[0], c[1], c[2]);
    hostStops.push_back(MakeStop(s.position, color, s.midpoint, s.opacity));
  }
  return document.newGradient(type, hostStops);
}

hostapi::GradientHandle Replacement(const Document& document, bool painted, const hostapi::HostColor& color,
                                    hostapi::GradientHandle source) {
  if (!painted || color.kind != hostapi::kColorGradient) return nullptr;
  const hostapi::GradientHandle now = color.body.gradient.gradient;
  return now != source && document.isGradient(now) ? now : nullptr;
}

void ReadRamp(const Document& document, hostapi::GradientHandle gradient, Ramp& into) {
  into.type = document.gradientType(gradient).value_or(kGradientLinear) == kGradientRadial ? kGradientRadial
                                                                                            : kGradientLinear;
  into.stops.clear();
  const std::size_t count = document.stopCount(gradient).value_or(0);
  into.stops.reserve(count);
  for (std::size_t k = 0; k < count; ++k) {
    const hostapi::HostGradientStop s = *document.stop(gradient, k);
    Stop& stop = into.stops.emplace_back();
    stop.position = s.rampPoint;
    stop.midpoint = s.midPoint;
    stop.opacity = s.opacity;
    if (s.color.kind == hostapi::kColorThree)
      stop.channels = {s.color.body.rgb.red, s.color.body.rgb.green, s.color.body.rgb.blue, 0.0};
  }
}

}  // namespace host
