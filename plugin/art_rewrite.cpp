// The walk over the effect's input art and the rewrite of every gradient fill
// and stroke into a denser RGB gradient.
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "plugin/evenhue_plugin.hpp"
#include "gradient/resample.hpp"
#include "gradient/stops.hpp"
#include "framework/suite_slots.hpp"

using hostapi::ResultCode;

namespace {

constexpr std::int16_t kMinSourceStops = 2;
constexpr std::int16_t kMaxSourceStops = 8192;
constexpr std::int32_t kFineSamples = 256;
constexpr double kPercent = 0.01;
constexpr double kToPercent = 100.0;

bool IsPathLike(std::int16_t type) { return type == hostapi::kArtPath || type == hostapi::kArtCompoundPath; }

bool Finite(double value) { return std::isfinite(value); }

// The stop's colour as the re-spacing sees it, or nothing when the stop cannot
// be taken (a value that is not a number, or a failed conversion).
std::optional<evenhue::StopColor> ReadStopColor(const hostapi::HostGradientStop& stop) {
  evenhue::StopColor color{0.0, 0.0, 0.0, 1.0};
  color.opacity = stop.opacity;
  if (stop.color.kind == hostapi::kColorProcess) {
    const auto& cmyk = stop.color.body.process;
    if (!Finite(cmyk.cyan) || !Finite(cmyk.magenta) || !Finite(cmyk.yellow) || !Finite(cmyk.black)) return {};
    const float source[4] = {static_cast<float>(cmyk.cyan), static_cast<float>(cmyk.magenta),
                             static_cast<float>(cmyk.yellow), static_cast<float>(cmyk.black)};
    float rgb[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const hostapi::ColorConversionOptions options = 0;
    hostapi::HostBoolean inGamut = 0;
    if (slots::Slot<hostapi::ColorConversionSuite>()->ConvertSampleColor(
            hostapi::kSpaceCmyk, source, hostapi::kSpaceRgb, rgb, &options, &inGamut) != 0) {
      return {};
    }
    color.red = static_cast<double>(rgb[0]);
    color.green = static_cast<double>(rgb[1]);
    color.blue = static_cast<double>(rgb[2]);
    if (!Finite(color.red) || !Finite(color.green) || !Finite(color.blue)) return {};
  } else if (stop.color.kind == hostapi::kColorThree) {
    const auto& rgb = stop.color.body.rgb;
    if (!Finite(rgb.red) || !Finite(rgb.green) || !Finite(rgb.blue)) return {};
    color.red = rgb.red;
    color.green = rgb.green;
    color.blue = rgb.blue;
  }
  return color;
}

}  // namespace

ResultCode EvenhuePlugin::WalkArt(hostapi::ArtHandle art) {
  // Each open group keeps its current child here, so nesting depth costs heap,
  // not machine stack. The order of host calls is that of a recursive walk.
  std::vector<hostapi::ArtHandle> openGroups;

  // The start of a walk over `start`: a path is rewritten; anything else has
  // its first child queried, and a walk over its children is opened.
  const auto begin = [&](hostapi::ArtHandle start, ResultCode& result) -> bool {
    std::int16_t type = 0;
    result = slots::Slot<hostapi::ArtSuite>()->GetArtType(start, &type);
    if (IsPathLike(type)) {
      RewritePathStyle(start);
      return false;
    }
    hostapi::ArtHandle child = nullptr;
    result = slots::Slot<hostapi::ArtSuite>()->GetArtFirstChild(start, &child);
    if (result != 0 || child == nullptr) return false;
    openGroups.push_back(child);
    return true;
  };

  // Moves to the next sibling, closing every walk whose children are done.
  const auto advance = [&] {
    while (!openGroups.empty()) {
      hostapi::ArtHandle next = nullptr;
      slots::Slot<hostapi::ArtSuite>()->GetArtSibling(openGroups.back(), &next);
      if (next != nullptr) {
        openGroups.back() = next;
        return;
      }
      openGroups.pop_back();
    }
  };

  ResultCode result = 0;
  if (!begin(art, result)) return result;
  while (!openGroups.empty()) {
    const hostapi::ArtHandle child = openGroups.back();
    std::int16_t type = 0;
    result = slots::Slot<hostapi::ArtSuite>()->GetArtType(child, &type);
    if (result != 0) return result;
    if (IsPathLike(type)) {
      result = RewritePathStyle(child);
      if (result != 0) return result;
    } else if (type == hostapi::kArtGroup) {
      if (begin(child, result)) continue;
      if (result != 0) return result;
    }
    advance();
  }
  return 0;
}

ResultCode EvenhuePlugin::RewritePathStyle(hostapi::ArtHandle art) {
  hostapi::HostPathStyle style;
  std::memset(&style, 0, sizeof style);
  hostapi::HostBoolean advancedFill = 0;
  // A style that could not be read is never written back: that would wipe the
  // art's fill and stroke.
  if (slots::Slot<hostapi::PathStyleSuite>()->GetPathStyle(art, &style, &advancedFill) != 0) return 0;

  if (style.fillPaint != 0 && style.fillColor.kind == hostapi::kColorGradient) {
    const hostapi::HostColor source = style.fillColor;
    style.fillColor.body.gradient.gradient = RewriteGradient(source);
  }
  if (style.strokePaint != 0 && style.strokeColor.kind == hostapi::kColorGradient) {
    const hostapi::HostColor source = style.strokeColor;
    style.strokeColor.body.gradient.gradient = RewriteGradient(source);
  }
  slots::Slot<hostapi::PathStyleSuite>()->SetPathStyle(art, &style);
  return 0;
}

hostapi::GradientHandle EvenhuePlugin::RewriteGradient(const hostapi::HostColor& color) {
  const hostapi::GradientHandle source = color.body.gradient.gradient;
  const hostapi::GradientSuite& gradients = *slots::Slot<hostapi::GradientSuite>().get();

  // Read, check and convert every source stop before anything is created, so a
  // refused source leaves nothing behind: the art then keeps `source`.
  std::int16_t n = 0;
  if (gradients.GetGradientStopCount(source, &n) != 0) return source;
  if (n < kMinSourceStops || n > kMaxSourceStops) return source;

  evenhue::RampStopList stops;
  stops.reserve(static_cast<std::size_t>(n));
  double previousRamp = -std::numeric_limits<double>::infinity();
  for (std::int16_t i = 0; i < n; ++i) {
    hostapi::HostGradientStop stop;
    std::memset(&stop, 0, sizeof stop);
    if (gradients.GetNthGradientStop(source, i, &stop) != 0) return source;
    if (!Finite(stop.rampPoint) || !Finite(stop.midPoint) || !Finite(stop.opacity)) return source;
    if (stop.rampPoint < previousRamp) return source;
    previousRamp = stop.rampPoint;
    const std::optional<evenhue::StopColor> stopColor = ReadStopColor(stop);
    if (!stopColor) return source;
    stops.push_back(evenhue::MakeRampStop(stop.rampPoint * kPercent, *stopColor, stop.midPoint * kPercent));
  }

  const auto m = static_cast<std::int16_t>(4 * n - 3);
  const evenhue::RampStopList fine = evenhue::ResampleInLab(stops, kFineSamples);
  const evenhue::RampStopList spaced = evenhue::ResampleInRgb(fine, m);
  if (spaced.size() != static_cast<std::size_t>(m)) return source;

  std::int16_t type = 0;
  if (gradients.GetGradientType(source, &type) != 0) return source;

  hostapi::GradientHandle result = nullptr;
  if (gradients.NewGradient(&result) != 0 || result == nullptr) return source;
  if (gradients.SetGradientType(result, type) != 0) return source;

  // A new gradient holds two stops; grow it to m.
  for (std::int16_t j = 2; j < m; ++j) {
    hostapi::HostGradientStop filler;
    std::memset(&filler, 0, sizeof filler);
    if (gradients.GetNthGradientStop(source, 0, &filler) != 0) return source;
    if (gradients.InsertGradientStop(result, 1, &filler) != 0) return source;
  }

  for (std::int16_t k = static_cast<std::int16_t>(m - 1); k >= 0; --k) {
    hostapi::HostGradientStop stop;
    std::memset(&stop, 0, sizeof stop);
    if (gradients.GetNthGradientStop(result, k, &stop) != 0) return source;
    const evenhue::RampStop& target = spaced[static_cast<std::size_t>(k)];
    stop.color.kind = hostapi::kColorThree;
    stop.rampPoint = target.position * kToPercent;
    stop.color.body.rgb.red = target.color.red;
    stop.color.body.rgb.green = target.color.green;
    stop.color.body.rgb.blue = target.color.blue;
    stop.opacity = target.color.opacity;
    stop.midPoint = target.midpoint * kToPercent;
    if (gradients.SetNthGradientStop(result, k, &stop) != 0) return source;
  }
  return result;
}
