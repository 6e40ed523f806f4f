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
  const Operation op(HOST_OPERATION(ArtSuite, GetArtType));
  if (op.fault()) return op.done(*op.fault(), args);
  const auto t = S().document.artType(art);
  if (!t || type == nullptr) return op.done(kBadParameter, args);
  *type = *t;
  return op.done(0, args);
}

ResultCode GetArtFirstChild(hostapi::ArtHandle art, hostapi::ArtHandle* child) {
  auto args = [&] { return Args{Ptr(art)}; };
  if (child != nullptr) *child = nullptr;
  const Operation op(HOST_OPERATION(ArtSuite, GetArtFirstChild));
  if (op.fault()) return op.done(*op.fault(), args);
  if (child == nullptr || !S().document.isArt(art)) return op.done(kBadParameter, args);
  *child = S().document.firstChild(art);
  return op.done(0, args);
}

ResultCode GetArtSibling(hostapi::ArtHandle art, hostapi::ArtHandle* sibling) {
  auto args = [&] { return Args{Ptr(art)}; };
  if (sibling != nullptr) *sibling = nullptr;
  const Operation op(HOST_OPERATION(ArtSuite, GetArtSibling));
  if (op.fault()) return op.done(*op.fault(), args);
  if (sibling == nullptr || !S().document.isArt(art)) return op.done(kBadParameter, args);
  *sibling = S().document.nextSibling(art);
  return op.done(0, args);
}

// --- AI Path Style Suite --------------------------------------------------------------------------
ResultCode GetPathStyle(hostapi::ArtHandle art, hostapi::HostPathStyle* style, hostapi::HostBoolean* advanced) {
  auto args = [&] { return Args{Ptr(art)}; };
  const Operation op(HOST_OPERATION(PathStyleSuite, GetPathStyle));
  if (op.fault()) return op.done(*op.fault(), args);
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
  const Operation op(HOST_OPERATION(PathStyleSuite, SetPathStyle));
  if (op.fault()) return op.done(*op.fault(), args);
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
  const Operation op(HOST_OPERATION(GradientSuite, NewGradient));
  if (op.fault()) return op.done(*op.fault());
  if (gradient == nullptr) return op.done(kBadParameter);
  *gradient = S().document.newDefaultGradient();
  return op.done(0, [&] { return Args{Ptr(*gradient)}; });
}

ResultCode GetGradientType(hostapi::GradientHandle gradient, std::int16_t* type) {
  auto args = [&] { return Args{Ptr(gradient)}; };
  const Operation op(HOST_OPERATION(GradientSuite, GetGradientType));
  if (op.fault()) return op.done(*op.fault(), args);
  const auto t = S().document.gradientType(gradient);
  if (!t || type == nullptr) return op.done(kBadParameter, args);
  *type = *t;
  return op.done(0, args);
}

ResultCode SetGradientType(hostapi::GradientHandle gradient, std::int16_t type) {
  auto args = [&] { return Args{Ptr(gradient), Num(type)}; };
  const Operation op(HOST_OPERATION(GradientSuite, SetGradientType));
  if (op.fault()) return op.done(*op.fault(), args);
  if ((type != kGradientLinear && type != kGradientRadial) || !S().document.setGradientType(gradient, type)) {
    return op.done(kBadParameter, args);
  }
  return op.done(0, args);
}

ResultCode GetGradientStopCount(hostapi::GradientHandle gradient, std::int16_t* count) {
  auto args = [&] { return Args{Ptr(gradient)}; };
  const Operation op(HOST_OPERATION(GradientSuite, GetGradientStopCount));
  if (op.fault()) return op.done(*op.fault(), args);
  const auto n = S().document.stopCount(gradient);
  if (!n || count == nullptr) return op.done(kBadParameter, args);
  *count = static_cast<std::int16_t>(*n);  // never above kMaxGradientStops
  return op.done(0, args);
}

ResultCode GetNthGradientStop(hostapi::GradientHandle gradient, std::int16_t n, hostapi::HostGradientStop* stop) {
  auto args = [&] { return Args{Ptr(gradient), Num(n)}; };
  const Operation op(HOST_OPERATION(GradientSuite, GetNthGradientStop));
  if (op.fault()) return op.done(*op.fault(), args);
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
  const Operation op(HOST_OPERATION(GradientSuite, SetNthGradientStop));
  if (op.fault()) return op.done(*op.fault(), args);
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
  const Operation op(HOST_OPERATION(GradientSuite, InsertGradientStop));
  if (op.fault()) return op.done(*op.fault(), args);
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
  const Operation op(HOST_OPERATION(ColorConversionSuite, ConvertSampleColor));
  if (op.fault()) return op.done(*op.fault(), args);
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
  hostapi::ArtSuite art{};
  art.GetArtType = &GetArtType;
  art.GetArtFirstChild = &GetArtFirstChild;
  art.GetArtSibling = &GetArtSibling;
  installer.install(art);

  hostapi::PathStyleSuite pathStyle{};
  pathStyle.GetPathStyle = &GetPathStyle;
  pathStyle.SetPathStyle = &SetPathStyle;
  installer.install(pathStyle);

  hostapi::GradientSuite gradient{};
  gradient.NewGradient = &NewGradient;
  gradient.GetGradientType = &GetGradientType;
  gradient.SetGradientType = &SetGradientType;
  gradient.GetGradientStopCount = &GetGradientStopCount;
  gradient.GetNthGradientStop = &GetNthGradientStop;
  gradient.SetNthGradientStop = &SetNthGradientStop;
  gradient.InsertGradientStop = &InsertGradientStop;
  installer.install(gradient);

  hostapi::ColorConversionSuite color{};
  color.ConvertSampleColor = &ConvertSampleColor;
  installer.install(color);
}

}  // namespace host
