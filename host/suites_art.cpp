// The stand-in host's art, path style, gradient and colour conversion suites,
// over its document and colour converter.
#include <cstring>
#include <optional>

#include "host/operation.hpp"

namespace host {

namespace {

using hostapi::ResultCode;

// --- AI Art Suite ---------------------------------------------------------------------------------
ResultCode GetArtType(hostapi::ArtHandle art, std::int16_t* type) {
  auto args = [&] { return Args{Ptr(art)}; };
  HOST_BEGIN(ArtSuite, GetArtType, args);
  const auto t = S().document.artType(art);
  if (!t || type == nullptr) return op.done(kBadParameter, args);
  *type = *t;
  return op.done(0, args);
}

// The art next to `art` in the tree, as `step` finds it; null out-value first.
template <class Step>
ResultCode ArtNeighbour(OperationId id, hostapi::ArtHandle art, hostapi::ArtHandle* neighbour, Step step) {
  auto args = [&] { return Args{Ptr(art)}; };
  if (neighbour != nullptr) *neighbour = nullptr;
  const Operation op(id);
  if (op.fault()) return op.done(*op.fault(), args);
  if (neighbour == nullptr || !S().document.isArt(art)) return op.done(kBadParameter, args);
  *neighbour = step(S().document, art);
  return op.done(0, args);
}

ResultCode GetArtFirstChild(hostapi::ArtHandle art, hostapi::ArtHandle* child) {
  return ArtNeighbour(HOST_OPERATION(ArtSuite, GetArtFirstChild), art, child,
                      [](const Document& document, hostapi::ArtHandle a) { return document.firstChild(a); });
}

ResultCode GetArtSibling(hostapi::ArtHandle art, hostapi::ArtHandle* sibling) {
  return ArtNeighbour(HOST_OPERATION(ArtSuite, GetArtSibling), art, sibling,
                      [](const Document& document, hostapi::ArtHandle a) { return document.nextSibling(a); });
}

// --- AI Path Style Suite --------------------------------------------------------------------------
ResultCode GetPathStyle(hostapi::ArtHandle art, hostapi::HostPathStyle* style, hostapi::HostBoolean* advanced) {
  auto args = [&] { return Args{Ptr(art)}; };
  HOST_BEGIN(PathStyleSuite, GetPathStyle, args);
  const auto stored = S().document.pathStyle(art);
  if (!stored || style == nullptr) return op.done(kBadParameter, args);
  std::memcpy(style, &*stored, sizeof *style);
  if (advanced != nullptr) *advanced = 0;
  return op.done(0, args);
}

ResultCode SetPathStyle(hostapi::ArtHandle art, const hostapi::HostPathStyle* style) {
  auto args = [&] {
    Args a{Ptr(art)};
    if (style != nullptr) {
      a.push_back(Num(style->fillPaint));
      a.push_back(Num(style->fillColor.kind));
      a.push_back(Num(style->strokePaint));
      a.push_back(Num(style->strokeColor.kind));
    }
    return a;
  };
  HOST_BEGIN(PathStyleSuite, SetPathStyle, args);
  if (style == nullptr || !S().document.isArt(art)) return op.done(kBadParameter, args);
  hostapi::HostPathStyle copy;
  std::memcpy(&copy, style, sizeof copy);
  S().document.setPathStyle(art, copy);
  S().document.noteStyleWrite(art);
  return op.done(0, args);
}

// --- AI Gradient Suite ------------------------------------------------------------------------------
ResultCode NewGradient(hostapi::GradientHandle* gradient) {
  if (gradient != nullptr) *gradient = nullptr;
  HOST_BEGIN(GradientSuite, NewGradient, NoArgs);
  if (gradient == nullptr) return op.done(kBadParameter);
  *gradient = S().document.newDefaultGradient();
  return op.done(0, [&] { return Args{Ptr(*gradient)}; });
}

ResultCode GetGradientType(hostapi::GradientHandle gradient, std::int16_t* type) {
  auto args = [&] { return Args{Ptr(gradient)}; };
  HOST_BEGIN(GradientSuite, GetGradientType, args);
  const auto t = S().document.gradientType(gradient);
  if (!t || type == nullptr) return op.done(kBadParameter, args);
  *type = *t;
  return op.done(0, args);
}

ResultCode SetGradientType(hostapi::GradientHandle gradient, std::int16_t type) {
  auto args = [&] { return Args{Ptr(gradient), Num(type)}; };
  HOST_BEGIN(GradientSuite, SetGradientType, args);
  if ((type != kGradientLinear && type != kGradientRadial) || !S().document.setGradientType(gradient, type)) {
    return op.done(kBadParameter, args);
  }
  return op.done(0, args);
}

ResultCode GetGradientStopCount(hostapi::GradientHandle gradient, std::int16_t* count) {
  auto args = [&] { return Args{Ptr(gradient)}; };
  HOST_BEGIN(GradientSuite, GetGradientStopCount, args);
  const auto n = S().document.stopCount(gradient);
  if (!n || count == nullptr) return op.done(kBadParameter, args);
  *count = static_cast<std::int16_t>(*n);  // never above kMaxGradientStops
  return op.done(0, args);
}

ResultCode GetNthGradientStop(hostapi::GradientHandle gradient, std::int16_t n, hostapi::HostGradientStop* stop) {
  auto args = [&] { return Args{Ptr(gradient), Num(n)}; };
  HOST_BEGIN(GradientSuite, GetNthGradientStop, args);
  const auto value = n >= 0 ? S().document.stop(gradient, static_cast<std::size_t>(n)) : std::nullopt;
  if (!value || stop == nullptr) return op.done(kBadParameter, args);
  std::memcpy(stop, &*value, sizeof *stop);
  return op.done(0, args);
}

Args StopArgs(hostapi::GradientHandle gradient, std::int16_t n, const hostapi::HostGradientStop* stop) {
  Args a{Ptr(gradient), Num(n)};
  if (stop != nullptr) {
    a.push_back(Real(stop->rampPoint));
    a.push_back(Real(stop->midPoint));
    a.push_back(Num(stop->color.kind));
    a.push_back(Real(stop->opacity));
  }
  return a;
}

ResultCode SetNthGradientStop(hostapi::GradientHandle gradient, std::int16_t n,
                              const hostapi::HostGradientStop* stop) {
  auto args = [&] { return StopArgs(gradient, n, stop); };
  HOST_BEGIN(GradientSuite, SetNthGradientStop, args);
  if (stop == nullptr || n < 0) return op.done(kBadParameter, args);
  hostapi::HostGradientStop copy;
  std::memcpy(&copy, stop, sizeof copy);
  if (!S().document.setStop(gradient, static_cast<std::size_t>(n), copy)) {
    return op.done(kBadParameter, args);
  }
  return op.done(0, args);
}

ResultCode InsertGradientStop(hostapi::GradientHandle gradient, std::int16_t n,
                              const hostapi::HostGradientStop* stop) {
  auto args = [&] { return StopArgs(gradient, n, stop); };
  HOST_BEGIN(GradientSuite, InsertGradientStop, args);
  const auto count = S().document.stopCount(gradient);
  if (!count || stop == nullptr || n < 0 || static_cast<std::size_t>(n) > *count) {
    return op.done(kBadParameter, args);
  }
  if (*count >= kMaxGradientStops) return op.done(kTooManyStops, args);
  hostapi::HostGradientStop copy;
  std::memcpy(&copy, stop, sizeof copy);
  S().document.insertStop(gradient, static_cast<std::size_t>(n), copy);
  return op.done(0, args);
}

// --- AI Color Conversion Suite ------------------------------------------------------------------------
ResultCode ConvertSampleColor(std::int32_t sourceSpace, const float* source, std::int32_t destinationSpace,
                              float* destination, const hostapi::ColorConversionOptions* options,
                              hostapi::HostBoolean* inGamut) {
  auto args = [&] {
    Args a{Num(sourceSpace), Num(destinationSpace)};
    const int n = sourceSpace == hostapi::kSpaceCmyk ? 4 : sourceSpace == hostapi::kSpaceRgb ? 3 : 0;
    for (int i = 0; source != nullptr && i < n; ++i) a.push_back(Real(source[i]));
    a.push_back(options ? Num(*options) : std::string("(null)"));
    return a;
  };
  HOST_BEGIN(ColorConversionSuite, ConvertSampleColor, args);
  if (source == nullptr || destination == nullptr || destinationSpace != hostapi::kSpaceRgb) {
    return op.done(kBadParameter, args);
  }
  if (sourceSpace == hostapi::kSpaceCmyk) {
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    if (!S().cmyk->convert(source, rgb)) return op.done(hostapi::kCantHappen, args);
    std::memcpy(destination, rgb, sizeof rgb);
  } else if (sourceSpace == hostapi::kSpaceRgb) {
    std::memmove(destination, source, 3 * sizeof(float));
  } else {
    return op.done(kBadParameter, args);
  }
  if (inGamut != nullptr) *inGamut = 1;
  return op.done(0, args);
}

}  // namespace

void InstallArtSuites(SuiteInstaller& installer) {
  installer.install(hostapi::ArtSuite{.GetArtType = &GetArtType, .GetArtFirstChild = &GetArtFirstChild,
      .GetArtSibling = &GetArtSibling});

  installer.install(hostapi::PathStyleSuite{.GetPathStyle = &GetPathStyle, .SetPathStyle = &SetPathStyle});

  installer.install(hostapi::GradientSuite{.NewGradient = &NewGradient, .GetGradientType = &GetGradientType,
      .SetGradientType = &SetGradientType, .GetGradientStopCount = &GetGradientStopCount,
      .GetNthGradientStop = &GetNthGradientStop, .SetNthGradientStop = &SetNthGradientStop,
      .InsertGradientStop = &InsertGradientStop});

  installer.install(hostapi::ColorConversionSuite{.ConvertSampleColor = &ConvertSampleColor});
}

}  // namespace host
