#include "color/color.hpp"

#include <cmath>

namespace evenhue {
namespace {

// The double nearest to 16/116.
constexpr double kLabOffset = 0.13793103448275862;

double ClampUnit(double v) {
  if (v > 1.0) return 1.0;
  if (v < 0.0) return 0.0;
  return v;
}

}  // namespace

double SrgbToLinear(double x) {
  if (x > 0.04045) return std::pow((x + 0.055) / 1.055, 2.4);
  return x / 12.92;
}

double LinearToSrgb(double x) {
  if (x > 0.0031308) return 1.055 * std::pow(x, 0.4166666666666667) - 0.055;
  return 12.92 * x;
}

double LabF(double t) {
  if (t > 0.008856) return std::cbrt(t);
  return 7.787 * t + kLabOffset;
}

double LabFInverse(double t) {
  if (t > 0.206893) return t * t * t;
  return (t - kLabOffset) / 7.787;
}

XyzTriple RgbToXyz(double r, double g, double b) {
  const double lr = SrgbToLinear(r);
  const double lg = SrgbToLinear(g);
  const double lb = SrgbToLinear(b);
  return {0.4124564 * lr + 0.3575761 * lg + 0.1804375 * lb,
          0.2126729 * lr + 0.7151522 * lg + 0.072175 * lb,
          0.0193339 * lr + 0.119192 * lg + 0.9503041 * lb};
}

ColorTriple XyzToLab(double x, double y, double z) {
  const double fx = LabF(x / D65White.x);
  const double fy = LabF(y / D65White.y);
  const double fz = LabF(z / D65White.z);
  return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

XyzTriple LabToXyz(double l, double a, double b) {
  const double fy = (l + 16.0) / 116.0;
  const double fx = a / 500.0 + fy;
  const double fz = fy - b / 200.0;
  return {D65White.x * LabFInverse(fx), D65White.y * LabFInverse(fy),
          D65White.z * LabFInverse(fz)};
}

ColorTriple XyzToRgb(double x, double y, double z) {
  const double lr = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z;
  const double lg = -0.969266 * x + 1.8760108 * y + 0.041556 * z;
  const double lb = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z;
  const double r = ClampUnit(LinearToSrgb(lr));
  const double g = ClampUnit(LinearToSrgb(lg));
  const double b = ClampUnit(LinearToSrgb(lb));
  return {r, g, b};
}

ColorTriple RgbToLab(const ColorTriple& rgb) {
  const XyzTriple xyz = RgbToXyz(rgb[0], rgb[1], rgb[2]);
  return XyzToLab(xyz[0], xyz[1], xyz[2]);
}

ColorTriple LabToRgb(const ColorTriple& lab) {
  const XyzTriple xyz = LabToXyz(lab[0], lab[1], lab[2]);
  return XyzToRgb(xyz[0], xyz[1], xyz[2]);
}

}  // namespace evenhue
