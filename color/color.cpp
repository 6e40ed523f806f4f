#include "color/color.hpp"

#include <algorithm>
#include <cmath>

namespace evenhue {
namespace {

// Row `row` of m times (a, b, c), summed left to right.
double Row(const ColorMatrix& m, std::size_t row, double a, double b, double c) {
  return m[row][0] * a + m[row][1] * b + m[row][2] * c;
}

}  // namespace

double SrgbToLinear(double x) {
  if (x > kSrgbEncodedThreshold) return std::pow((x + kSrgbOffset) / kSrgbScale, kSrgbGamma);
  return x / kSrgbLinearSlope;
}

double LinearToSrgb(double x) {
  if (x > kSrgbLinearThreshold) return kSrgbScale * std::pow(x, kSrgbInverseGamma) - kSrgbOffset;
  return kSrgbLinearSlope * x;
}

double LabF(double t) {
  if (t > kLabEpsilon) return std::cbrt(t);
  return kLabSlope * t + kLabOffset;
}

double LabFInverse(double t) {
  if (t > kLabInverseThreshold) return t * t * t;
  return (t - kLabOffset) / kLabSlope;
}

XyzTriple RgbToXyz(const RgbTriple& rgb) {
  const double lr = SrgbToLinear(rgb[0]);
  const double lg = SrgbToLinear(rgb[1]);
  const double lb = SrgbToLinear(rgb[2]);
  return {Row(kLinearRgbToXyz, 0, lr, lg, lb), Row(kLinearRgbToXyz, 1, lr, lg, lb),
          Row(kLinearRgbToXyz, 2, lr, lg, lb)};
}

LabTriple XyzToLab(const XyzTriple& xyz) {
  const double fx = LabF(xyz[0] / D65White.x);
  const double fy = LabF(xyz[1] / D65White.y);
  const double fz = LabF(xyz[2] / D65White.z);
  return {kLabLightnessScale * fy - kLabLightnessOffset, kLabAScale * (fx - fy), kLabBScale * (fy - fz)};
}

XyzTriple LabToXyz(const LabTriple& lab) {
  const double fy = (lab[0] + kLabLightnessOffset) / kLabLightnessScale;
  const double fx = lab[1] / kLabAScale + fy;
  const double fz = fy - lab[2] / kLabBScale;
  return {D65White.x * LabFInverse(fx), D65White.y * LabFInverse(fy), D65White.z * LabFInverse(fz)};
}

RgbTriple XyzToRgb(const XyzTriple& xyz) {
  const double lr = Row(kXyzToLinearRgb, 0, xyz[0], xyz[1], xyz[2]);
  const double lg = Row(kXyzToLinearRgb, 1, xyz[0], xyz[1], xyz[2]);
  const double lb = Row(kXyzToLinearRgb, 2, xyz[0], xyz[1], xyz[2]);
  const double r = std::clamp(LinearToSrgb(lr), 0.0, 1.0);
  const double g = std::clamp(LinearToSrgb(lg), 0.0, 1.0);
  const double b = std::clamp(LinearToSrgb(lb), 0.0, 1.0);
  return {r, g, b};
}

LabTriple RgbToLab(const RgbTriple& rgb) { return XyzToLab(RgbToXyz(rgb)); }

RgbTriple LabToRgb(const LabTriple& lab) { return XyzToRgb(LabToXyz(lab)); }

}  // namespace evenhue
