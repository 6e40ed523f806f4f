#include "engine/edge_guard.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/strips.hpp"
#include "gradient/stops.hpp"  // the midpoint range Illustrator allows, which the blend keeps to as well

namespace evenhue::cli {

namespace {

using Triple = std::array<double, 3>;
using Matrix = std::array<Triple, 3>;

// sRGB (IEC 61966-2-1): linear light to CIE XYZ, and the D65 white.
constexpr Matrix kRgbToXyz{{{0.4124564, 0.3575761, 0.1804375},
                            {0.2126729, 0.7151522, 0.0721750},
                            {0.0193339, 0.1191920, 0.9503041}}};
constexpr Triple kWhite{0.95047, 1.0, 1.08883};

constexpr Matrix Inverse(const Matrix& m) {
  const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  Matrix out{};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      // The cofactor of m[c][r], by the cyclic rule.
      const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
      out[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
    }
  return out;
}
constexpr Matrix kXyzToRgb = Inverse(kRgbToXyz);

// CIELAB's companding: a cube root above (6/29)^3, a line below.
constexpr double kLabDelta = 6.0 / 29.0;

double Decode(double c) {
  c = std::clamp(c, 0.0, 1.0);  // as a renderer's 8-bit colour holds it
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Encode(double linear) {
  linear = std::clamp(linear, 0.0, 1.0);
  return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

double Compand(double t) {
  return t > kLabDelta * kLabDelta * kLabDelta ? std::cbrt(t) : t / (3.0 * kLabDelta * kLabDelta) + 4.0 / 29.0;
}

double Expand(double f) { return f > kLabDelta ? f * f * f : 3.0 * kLabDelta * kLabDelta * (f - 4.0 / 29.0); }

Triple ToLab(const Triple& rgb) {
  const Triple linear{Decode(rgb[0]), Decode(rgb[1]), Decode(rgb[2])};
  Triple f{};
  for (int i = 0; i < 3; ++i)
    f[i] = Compand((kRgbToXyz[i][0] * linear[0] + kRgbToXyz[i][1] * linear[1] + kRgbToXyz[i][2] * linear[2]) /
                   kWhite[i]);
  return {116.0 * f[1] - 16.0, 500.0 * (f[0] - f[1]), 200.0 * (f[1] - f[2])};
}

Triple ToRgb(const Triple& lab) {
  const double fy = (lab[0] + 16.0) / 116.0;
  const Triple xyz{kWhite[0] * Expand(fy + lab[1] / 500.0), kWhite[1] * Expand(fy), kWhite[2] * Expand(fy - lab[2] / 200.0)};
  Triple rgb{};
  for (int i = 0; i < 3; ++i)
    rgb[i] = Encode(kXyzToRgb[i][0] * xyz[0] + kXyzToRgb[i][1] * xyz[1] + kXyzToRgb[i][2] * xyz[2]);
  return rgb;
}

// Little CMS's CIEDE2000 (weights 1), to the bit.
double DeltaE(const Triple& a, const Triple& b) { return DeltaE2000(LabTriple{a}, LabTriple{b}); }

// The weight of the second colour at t when the two mix half and half at m.
double MidpointWeight(double t, double m) { return t < m ? 0.5 * t / m : 0.5 + 0.5 * (t - m) / (1.0 - m); }

// The stops that draw p: from below, first.offset < p <= second.offset; from
// above, first.offset <= p < second.offset. Before the first stop and after
// the last, both are that end stop.
struct Place {
  std::size_t first = 0;
  std::size_t second = 0;
  double t = 0.0;
};

Place Locate(const std::vector<DrawStop>& stops, double p, bool fromBelow) {
  const std::size_t last = stops.size() - 1;
  if (fromBelow ? p <= stops.front().offset : p < stops.front().offset) return {0, 0, 0.0};
  if (fromBelow ? p > stops.back().offset : p >= stops.back().offset) return {last, last, 0.0};
  const auto second =
      fromBelow ? std::lower_bound(stops.begin(), stops.end(), p,
                                   [](const DrawStop& s, double v) { return s.offset < v; })
                : std::upper_bound(stops.begin(), stops.end(), p,
                                   [](double v, const DrawStop& s) { return v < s.offset; });
  const auto i = static_cast<std::size_t>(second - stops.begin());
  return {i - 1, i, (p - stops[i - 1].offset) / (stops[i].offset - stops[i - 1].offset)};
}

struct Colour {
  Triple rgb;  // sRGB, for the drawn ramps
  Triple lab;  // CIELAB, for the blend
  double alpha;
};

// A ramp as renderers draw it: red, green, blue and opacity each straight from stop to stop.
Colour Drawn(const std::vector<DrawStop>& stops, double p, bool fromBelow) {
  const Place at = Locate(stops, p, fromBelow);
  const DrawStop& a = stops[at.first];
  const DrawStop& b = stops[at.second];
  Colour c{};
  for (int i = 0; i < 3; ++i) c.rgb[i] = a.rgb[i] + (b.rgb[i] - a.rgb[i]) * at.t;
  c.alpha = a.opacity + (b.opacity - a.opacity) * at.t;
  return c;
}

// The source's own blend: CIELAB (`labs`, one per stop) and opacity with the first stop's midpoint.
Colour Blend(const std::vector<DrawStop>& stops, const std::vector<Triple>& labs, double p, bool fromBelow) {
  const Place at = Locate(stops, p, fromBelow);
  const DrawStop& a = stops[at.first];
  Colour c{};
  c.lab = labs[at.first];
  c.alpha = a.opacity;
  if (at.first == at.second) return c;
  const DrawStop& b = stops[at.second];
  const double w = MidpointWeight(at.t, std::clamp(a.midpoint, kMinMidpoint, kMaxMidpoint));
  const Triple& lb = labs[at.second];
  for (int i = 0; i < 3; ++i) c.lab[i] += (lb[i] - c.lab[i]) * w;
  c.alpha += (b.opacity - a.opacity) * w;
  return c;
}

Triple Over(const Triple& rgb, double alpha, double ground) {
  alpha = std::clamp(alpha, 0.0, 1.0);
  Triple out{};
  for (int i = 0; i < 3; ++i) out[i] = std::clamp(rgb[i], 0.0, 1.0) * alpha + ground * (1.0 - alpha);
  return out;
}

bool Opaque(const std::vector<DrawStop>& stops) {
  return std::all_of(stops.begin(), stops.end(), [](const DrawStop& s) { return s.opacity >= 1.0; });
}

// CIEDE2000 never exceeds this many times the straight CIELAB distance: its
// lightness, chroma and hue terms are divided by weights of at least 1, a*
// is stretched by at most 1.5, and the rotation term adds at most the chroma
// and hue terms again, so ΔE00² ≤ ΔL² + 4.5 Δa² + 2 Δb².
const double kDeltaE2000PerLab = std::sqrt(4.5);

class Comparison {
 public:
  Comparison(const std::vector<DrawStop>& source, const std::vector<DrawStop>& respaced)
      : source_(source), respaced_(respaced), opaque_(Opaque(source) && Opaque(respaced)) {}

  double Before(double p, bool fromBelow, double atMost = 0.0) const {
    return Distance(Drawn(source_, p, fromBelow), Blend(source_, Labs(), p, fromBelow), atMost);
  }
  // `atMost`: the distance matters only above it; a distance sure to be at
  // most that may come back as any figure not above it.
  double After(double p, bool fromBelow, double atMost = 0.0) const {
    return Distance(Drawn(respaced_, p, fromBelow), Blend(source_, Labs(), p, fromBelow), atMost);
  }

 private:
  double Distance(const Colour& drawn, const Colour& blend, double atMost) const {
    if (opaque_) {
      const Triple lab = ToLab(drawn.rgb);
      const double dl = lab[0] - blend.lab[0], da = lab[1] - blend.lab[1], db = lab[2] - blend.lab[2];
      const double straight = std::sqrt(dl * dl + da * da + db * db);
      return straight * kDeltaE2000PerLab <= atMost ? straight : DeltaE(lab, blend.lab);
    }
    // Translucent: as the ramps look laid over black and over white.
    const Triple blendRgb = ToRgb(blend.lab);
    double worst = 0.0;
    for (const double ground : {0.0, 1.0})
      worst = std::max(worst, DeltaE(ToLab(Over(drawn.rgb, drawn.alpha, ground)),
                                     ToLab(Over(blendRgb, blend.alpha, ground))));
    return worst;
  }

  // The source stops in CIELAB, worked out when first needed (many paints need none).
  const std::vector<Triple>& Labs() const {
    if (labs_.empty())
      for (const DrawStop& s : source_) labs_.push_back(ToLab(s.rgb.values));
    return labs_;
  }

  const std::vector<DrawStop>& source_;
  const std::vector<DrawStop>& respaced_;
  bool opaque_;
  mutable std::vector<Triple> labs_;
};

// Where the source's own distance is sampled in each segment, as fractions of
// it: sixteenths, the middle first, so that a large distance is met early.
constexpr int kSegmentSamples[] = {8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15};
constexpr double kSegmentSampleUnit = 1.0 / 16.0;

bool SameLook(const DrawStop& a, const DrawStop& b) { return a.rgb == b.rgb && a.opacity == b.opacity; }

// A fraction as a percentage with at most one decimal: 0.5 -> "50", 5/12 -> "41.7".
std::string Percent(double fraction) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", fraction * 100.0);
  std::string out = text;
  if (out.size() > 2 && out.compare(out.size() - 2, 2, ".0") == 0) out.resize(out.size() - 2);
  return out == "-0" ? "0" : out;
}

}  // namespace

Distances DistancesAt(const std::vector<DrawStop>& source, const std::vector<DrawStop>& respaced, double p,
                      bool fromBelow) {
  const Comparison comparison(source, respaced);
  return {comparison.Before(p, fromBelow), comparison.After(p, fromBelow)};
}

std::optional<Damage> FindDamage(const std::vector<DrawStop>& source, const std::vector<DrawStop>& respaced) {
  if (source.size() < 2 || respaced.size() < 2) return std::nullopt;  // no ramp to judge
  const Comparison comparison(source, respaced);
  const std::size_t n = source.size();
  const double spacing =
      (respaced.back().offset - respaced.front().offset) / static_cast<double>(respaced.size() - 1);

  struct Point {
    double p = 0.0;
    bool fromBelow = false;
    double after = 0.0;
  } worst;
  // A point sure to be no further off than the worst so far (or than
  // kWorseBy) changes nothing: its exact distance is not needed.
  const auto look = [&](double p, bool fromBelow) {
    const Point point{p, fromBelow, comparison.After(p, fromBelow, std::max(kWorseBy, worst.after))};
    if (point.after > worst.after) worst = point;
  };
  // Each stop position once, [i, j) sharing it; both sides of a step.
  for (std::size_t i = 0, j = 0; i < n; i = j) {
    const double p = source[i].offset;
    for (j = i + 1; j < n && source[j].offset == p;) ++j;
    const bool step = j - i > 1;
    if (p > 0.0 && p < 1.0) {
      look(p, false);
      if (step) look(p, true);
    } else if (step) {
      look(p, p >= 1.0);  // at an end only the side inside the ramp
    }
    if (j < n && source[j].offset - p < spacing) look((p + source[j].offset) / 2.0, false);
  }
  if (worst.after <= kWorseBy) return std::nullopt;

  // The source's own distance (nil at its stops): every segment's middle
  // first, then its quarters, and so on.
  double before = 0.0;
  for (const int k : kSegmentSamples)
    for (std::size_t i = 0; i + 1 < n; ++i) {
      const double a = source[i].offset, width = source[i + 1].offset - a;
      if (width <= 0.0) continue;
      // Only a distance above the largest so far counts.
      before = std::max(before, comparison.Before(a + width * k * kSegmentSampleUnit, false, before));
      if (worst.after <= before + kWorseBy) return std::nullopt;
    }

  Damage damage;
  damage.before = before;
  damage.after = worst.after;
  const double p = worst.p;
  // The stops at p, [first, last]; the narrowest segment with p at or in it.
  const auto atOrAfter = std::lower_bound(source.begin(), source.end(), p,
                                          [](const DrawStop& s, double v) { return s.offset < v; });
  const auto pastP = std::upper_bound(source.begin(), source.end(), p,
                                      [](double v, const DrawStop& s) { return v < s.offset; });
  if (pastP - atOrAfter > 1 && !SameLook(*atOrAfter, *(pastP - 1))) {
    damage.kind = Damage::Kind::Edge;
    damage.from = damage.to = p;
  } else {
    double from = 0.0, to = 1.0;
    const auto consider = [&](std::size_t i) {  // the segment from stop i to i + 1
      if (i + 1 >= n) return;
      const double a = source[i].offset, b = source[i + 1].offset;
      if (b > a && a <= p && p <= b && b - a < to - from) from = a, to = b;
    };
    const auto first = static_cast<std::size_t>(atOrAfter - source.begin());
    const auto past = static_cast<std::size_t>(pastP - source.begin());
    if (first > 0) consider(first - 1);
    if (past > 0) consider(past - 1);
    if (to - from < spacing) {
      damage.kind = Damage::Kind::Transition;
      damage.from = from;
      damage.to = to;
    } else {
      damage.kind = Damage::Kind::Stop;
      damage.from = damage.to = p;
    }
  }
  damage.spreadFrom = respaced.front().offset;
  damage.spreadTo = respaced.back().offset;
  for (const DrawStop& s : respaced) {
    if (s.offset < damage.from) damage.spreadFrom = s.offset;
    if (s.offset > damage.to) {
      damage.spreadTo = s.offset;
      break;
    }
  }
  return damage;
}

std::string DescribeDamage(const Damage& d) {
  const std::string spread = Percent(d.spreadFrom) + "\u2013" + Percent(d.spreadTo) + " %";
  switch (d.kind) {
    case Damage::Kind::Edge: return "its edge at " + Percent(d.from) + " % would be smoothed over " + spread;
    case Damage::Kind::Transition:
      return "its transition over " + Percent(d.from) + "\u2013" + Percent(d.to) + " % would be spread over " + spread;
    case Damage::Kind::Stop: return "its turn at " + Percent(d.from) + " % would be rounded off over " + spread;
  }
  return {};
}

}  // namespace evenhue::cli
