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
#include <cstddef>
#include <type_traits>

namespace evenhue {

// --- The constants of the conversions, each named once ---------------------------------

// The sRGB transfer function. An sRGB component x above kSrgbEncodedThreshold
// is ((x + kSrgbOffset) / kSrgbScale)^kSrgbGamma in linear light, anything
// else x / kSrgbLinearSlope; the inverse takes the curve above
// kSrgbLinearThreshold.
inline constexpr double kSrgbEncodedThreshold = 0.04045;
inline constexpr double kSrgbLinearThreshold = 0.0031308;
inline constexpr double kSrgbLinearSlope = 12.92;
inline constexpr double kSrgbOffset = 0.055;
inline constexpr double kSrgbScale = 1.055;
inline constexpr double kSrgbGamma = 2.4;
inline constexpr double kSrgbInverseGamma = 1.0 / kSrgbGamma;

// Row-major 3 x 3 matrices: row i gives output component i.
using ColorMatrix = std::array<std::array<double, 3>, 3>;

// Linear sRGB -> XYZ and back (sRGB primaries, D65), at seven decimals.
inline constexpr ColorMatrix kLinearRgbToXyz{{
    {0.4124564, 0.3575761, 0.1804375},
    {0.2126729, 0.7151522, 0.072175},
    {0.0193339, 0.119192, 0.9503041},
}};
inline constexpr ColorMatrix kXyzToLinearRgb{{
    {3.2404542, -1.5371385, -0.4985314},
    {-0.969266, 1.8760108, 0.041556},
    {0.0556434, -0.2040259, 1.0572252},
}};

// The reference white used by both Lab directions.
struct WhitePoint {
  double x;
  double y;
  double z;
};
inline constexpr WhitePoint D65White{0.95047, 1.0, 1.08883};

// CIELAB: L* = kLabLightnessScale * f(Y / Yn) - kLabLightnessOffset,
// a* = kLabAScale * (f(X / Xn) - f(Y / Yn)), b* = kLabBScale * (f(Y / Yn) - f(Z / Zn)).
inline constexpr double kLabLightnessScale = 116.0;
inline constexpr double kLabLightnessOffset = 16.0;
inline constexpr double kLabAScale = 500.0;
inline constexpr double kLabBScale = 200.0;
// The companding f: cube root above kLabEpsilon, else kLabSlope * t + kLabOffset;
// its inverse takes the cube above kLabInverseThreshold.
inline constexpr double kLabEpsilon = 0.008856;
inline constexpr double kLabSlope = 7.787;
inline constexpr double kLabOffset = kLabLightnessOffset / kLabLightnessScale;
inline constexpr double kLabInverseThreshold = 0.206893;

// --- Triples, one type per space ---------------------------------------------------------

// Three doubles in one colour space. The tag only keeps the spaces apart, so
// that an XYZ triple cannot be passed where sRGB is expected; the layout is
// that of three doubles.
template <class Space>
struct ColorTriple {
  std::array<double, 3> values;

  constexpr double& operator[](std::size_t i) { return values[i]; }
  constexpr const double& operator[](std::size_t i) const { return values[i]; }
  constexpr double* begin() { return values.data(); }
  constexpr double* end() { return values.data() + values.size(); }
  constexpr const double* begin() const { return values.data(); }
  constexpr const double* end() const { return values.data() + values.size(); }
  friend constexpr bool operator==(const ColorTriple&, const ColorTriple&) = default;
};

struct SrgbSpace;
struct XyzSpace;
struct LabSpace;

// sRGB: [0] red, [1] green, [2] blue, nominally 0.0-1.0.
using RgbTriple = ColorTriple<SrgbSpace>;
// CIE XYZ as [0] X, [1] Y, [2] Z, scaled so that the reference white has Y = 1.0.
using XyzTriple = ColorTriple<XyzSpace>;
// CIELAB: [0] L* (0-100 inside the sRGB gamut), [1] a*, [2] b* (unbounded).
using LabTriple = ColorTriple<LabSpace>;

static_assert(sizeof(RgbTriple) == 3 * sizeof(double) && std::is_trivially_copyable_v<RgbTriple>);
static_assert(std::is_aggregate_v<RgbTriple> && std::is_standard_layout_v<RgbTriple>);

// --- The conversions -----------------------------------------------------------------------

// sRGB component -> linear light, by the transfer function above (the
// threshold itself and negatives take the linear branch).
double SrgbToLinear(double x);

// Linear light -> sRGB component, not clamped: above kSrgbLinearThreshold
// kSrgbScale * x^kSrgbInverseGamma - kSrgbOffset, everything else
// kSrgbLinearSlope * x.
double LinearToSrgb(double x);

// CIELAB companding of a tristimulus ratio (the threshold takes the linear branch).
double LabF(double t);

// Inverse companding: t^3 above kLabInverseThreshold, otherwise
// (t - kLabOffset) / kLabSlope.
double LabFInverse(double t);

// sRGB (not clamped) -> XYZ: SrgbToLinear on each channel, then kLinearRgbToXyz.
XyzTriple RgbToXyz(const RgbTriple& rgb);

// XYZ -> (L*, a*, b*) against D65White.
LabTriple XyzToLab(const XyzTriple& xyz);

// (L*, a*, b*) -> XYZ against D65White.
XyzTriple LabToXyz(const LabTriple& lab);

// XYZ -> sRGB: kXyzToLinearRgb, then each channel, red first, goes through
// LinearToSrgb and is clamped to 0.0-1.0 (as std::clamp does it, so a NaN
// stays NaN).
RgbTriple XyzToRgb(const XyzTriple& xyz);

// sRGB -> CIELAB: XyzToLab of RgbToXyz. Nothing is clamped.
LabTriple RgbToLab(const RgbTriple& rgb);

// CIELAB -> sRGB, clamped: XyzToRgb of LabToXyz.
RgbTriple LabToRgb(const LabTriple& lab);

}  // namespace evenhue
