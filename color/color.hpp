// Colour conversions between sRGB, linear RGB, CIE XYZ and CIELAB (D65 white).
//
// Every function here is a pure function of its arguments, works in double
// precision and validates nothing: out-of-range components flow through
// unchanged, except in the Lab-to-RGB direction where XyzToRgb clamps each
// channel to 0.0-1.0 after the transfer function. A NaN passes that clamp
// unchanged.
//
// The results are reproducible to the last bit: the library is compiled with
// floating-point contraction off, sums are evaluated left to right as written,
// and powers and cube roots come from std::pow and std::cbrt.
#pragma once

#include <array>

namespace evenhue {

// Three doubles whose meaning depends on the space:
//   sRGB:    [0] red, [1] green, [2] blue, nominally 0.0-1.0;
//   CIELAB:  [0] L* (0-100 inside the sRGB gamut), [1] a*, [2] b* (unbounded).
using ColorTriple = std::array<double, 3>;

// CIE XYZ as [0] X, [1] Y, [2] Z, scaled so that the reference white has Y = 1.0.
using XyzTriple = std::array<double, 3>;

// The reference white used by both Lab directions.
struct WhitePoint {
  double x;
  double y;
  double z;
};
inline constexpr WhitePoint D65White{0.95047, 1.0, 1.08883};

// sRGB component -> linear light. x > 0.04045 takes the power curve
// ((x + 0.055) / 1.055)^2.4; everything else (threshold, negatives) x / 12.92.
double SrgbToLinear(double x);

// Linear light -> sRGB component, not clamped. x > 0.0031308 takes
// 1.055 * x^(1/2.4) - 0.055; everything else 12.92 * x.
double LinearToSrgb(double x);

// CIELAB companding of a tristimulus ratio: cbrt(t) for t > 0.008856,
// otherwise 7.787 * t + 16/116.
double LabF(double t);

// Inverse companding: t^3 for t > 0.206893, otherwise (t - 16/116) / 7.787.
double LabFInverse(double t);

// sRGB (not clamped) -> XYZ through the sRGB/D65 matrix at seven decimals.
XyzTriple RgbToXyz(double r, double g, double b);

// XYZ -> (L*, a*, b*) against D65White.
ColorTriple XyzToLab(double x, double y, double z);

// (L*, a*, b*) -> XYZ against D65White.
XyzTriple LabToXyz(double l, double a, double b);

// XYZ -> sRGB; each channel, red first, goes through LinearToSrgb and is then
// clamped to 0.0-1.0 (above 1 -> 1, else below 0 -> 0, else unchanged, so a
// NaN stays NaN).
ColorTriple XyzToRgb(double x, double y, double z);

// sRGB -> CIELAB: XyzToLab of RgbToXyz. Nothing is clamped.
ColorTriple RgbToLab(const ColorTriple& rgb);

// CIELAB -> sRGB, clamped: XyzToRgb of LabToXyz.
ColorTriple LabToRgb(const ColorTriple& lab);

}  // namespace evenhue
