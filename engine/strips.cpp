#include "engine/strips.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <numbers>
#include <unordered_map>

#include <lcms2.h>

#include "engine/text.hpp"

namespace evenhue::cli {

namespace {

// A strip document draws gradients up to this many stops in all (librsvg
// bounds the elements of one document), and at most this many gradients
// (browsers bound the height of an image).
constexpr std::size_t kStopsPerDocument = 200'000;
constexpr std::size_t kGradientsPerDocument = 4'096;

// The segment around p as renderers and the plug-in's first pass pick it: the
// last stop at or before p and the one after it.
struct Segment {
  std::size_t first = 0;
  std::size_t second = 0;
  double t = 0.0;
};

Segment Locate(const std::vector<DrawStop>& stops, double p) {
  if (stops.size() == 1 || p <= stops.front().offset) return {0, 0, 0.0};
  if (p >= stops.back().offset) return {stops.size() - 1, stops.size() - 1, 0.0};
  const auto after = std::upper_bound(stops.begin(), stops.end(), p,
                                      [](double value, const DrawStop& s) { return value < s.offset; });
  const auto second = static_cast<std::size_t>(after - stops.begin());
  const std::size_t first = second - 1;
  const double span = stops[second].offset - stops[first].offset;
  return {first, second, span > 0.0 ? (p - stops[first].offset) / span : 0.0};
}

std::string Hex(const Pixel& p) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", p[0], p[1], p[2]);
  return buffer;
}

// The ideal ramp is a yardstick for the plug-in's blend, so it is computed
// apart from the plug-in's colour and gradient code: Little CMS converts, and
// the midpoint blend is written out here. A fault in the plug-in's blend then
// shows in the figures instead of moving the yardstick with it.

// The first stop's midpoint as the ideal ramp uses it, kept to 13–87 percent
// as Illustrator keeps it.
double Midpoint(const DrawStop& s) { return std::clamp(s.midpoint, 0.13, 0.87); }

// Component-wise blend of a and b at t (0–1) with midpoint m: t is eased
// piecewise linearly so that the blend is half way at t = m.
LabTriple Blend(const LabTriple& a, const LabTriple& b, double t, double m) {
  const double eased = t < m ? 0.5 * t / m : 0.5 + 0.5 * (t - m) / (1.0 - m);
  return {a[0] + eased * (b[0] - a[0]), a[1] + eased * (b[1] - a[1]), a[2] + eased * (b[2] - a[2])};
}

// sRGB <-> CIELAB with the D65 white (X 0.95047, Y 1, Z 1.08883) by Little
// CMS. Its sRGB profile maps to XYZ adapted to D50 (Bradford); the XYZ is
// adapted back to D65 before CIELAB is taken, and the other way round.
class LabConversion {
 public:
  LabConversion() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE xyz = cmsCreateXYZProfile();
    constexpr cmsUInt32Number kFlags = cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE;
    toXyz_ = cmsCreateTransform(srgb, TYPE_RGB_DBL, xyz, TYPE_XYZ_DBL, INTENT_RELATIVE_COLORIMETRIC, kFlags);
    fromXyz_ = cmsCreateTransform(xyz, TYPE_XYZ_DBL, srgb, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, kFlags);
    cmsCloseProfile(srgb);
    cmsCloseProfile(xyz);
    // The adaptations are linear: their matrices, column by column.
    for (int column = 0; column < 3; ++column) {
      cmsCIEXYZ unit{column == 0 ? 1.0 : 0.0, column == 1 ? 1.0 : 0.0, column == 2 ? 1.0 : 0.0}, d65{}, d50{};
      cmsAdaptToIlluminant(&d65, cmsD50_XYZ(), &kD65, &unit);
      cmsAdaptToIlluminant(&d50, &kD65, cmsD50_XYZ(), &unit);
      const double to65[3] = {d65.X, d65.Y, d65.Z}, to50[3] = {d50.X, d50.Y, d50.Z};
      for (int row = 0; row < 3; ++row) {
        toD65_[row][column] = to65[row];
        toD50_[row][column] = to50[row];
      }
    }
    // The profile is a curve per channel and a matrix, so the XYZ of a pixel
    // is the sum of its channels' XYZ each alone.
    for (int channel = 0; channel < 3; ++channel)
      for (int v = 0; v < 256; ++v) {
        double alone[3] = {0.0, 0.0, 0.0};
        alone[channel] = v / 255.0;
        cmsCIEXYZ d50{};
        cmsDoTransform(toXyz_, alone, &d50, 1);
        channels_[channel][v] = Apply(toD65_, d50);
      }
  }
  ~LabConversion() {
    for (cmsHTRANSFORM t : {toXyz_, fromXyz_})
      if (t) cmsDeleteTransform(t);
  }
  LabConversion(const LabConversion&) = delete;
  LabConversion& operator=(const LabConversion&) = delete;

  LabTriple FromRgb(const RgbTriple& rgb) const {
    cmsCIEXYZ xyz{};
    cmsDoTransform(toXyz_, rgb.begin(), &xyz, 1);
    return FromD50(xyz);
  }
  LabTriple FromPixel(const Pixel& pixel) const {
    const cmsCIEXYZ& r = channels_[0][pixel[0]];
    const cmsCIEXYZ& g = channels_[1][pixel[1]];
    const cmsCIEXYZ& b = channels_[2][pixel[2]];
    const cmsCIEXYZ d65{r.X + g.X + b.X, r.Y + g.Y + b.Y, r.Z + g.Z + b.Z};
    cmsCIELab lab{};
    cmsXYZ2Lab(&kD65, &lab, &d65);
    return {lab.L, lab.a, lab.b};
  }
  RgbTriple ToRgb(const LabTriple& lab) const {
    const cmsCIELab in{lab[0], lab[1], lab[2]};
    cmsCIEXYZ d65{};
    cmsLab2XYZ(&kD65, &d65, &in);
    const cmsCIEXYZ d50 = Apply(toD50_, d65);
    RgbTriple rgb{};
    cmsDoTransform(fromXyz_, &d50, rgb.begin(), 1);
    return rgb;
  }

 private:
  using Matrix = double[3][3];
  static cmsCIEXYZ Apply(const Matrix& m, const cmsCIEXYZ& v) {
    return {m[0][0] * v.X + m[0][1] * v.Y + m[0][2] * v.Z, m[1][0] * v.X + m[1][1] * v.Y + m[1][2] * v.Z,
            m[2][0] * v.X + m[2][1] * v.Y + m[2][2] * v.Z};
  }
  LabTriple FromD50(const cmsCIEXYZ& d50) const {
    const cmsCIEXYZ d65 = Apply(toD65_, d50);
    cmsCIELab lab{};
    cmsXYZ2Lab(&kD65, &lab, &d65);
    return {lab.L, lab.a, lab.b};
  }
  static constexpr cmsCIEXYZ kD65{0.95047, 1.0, 1.08883};
  cmsHTRANSFORM toXyz_ = nullptr;
  cmsHTRANSFORM fromXyz_ = nullptr;
  Matrix toD65_{};  // Bradford, D50 to D65
  Matrix toD50_{};  // and back
  cmsCIEXYZ channels_[3][256]{};  // D65 XYZ of each channel's byte values, the others 0
};

// One conversion for all threads: the transforms keep no cache, the tables are read only.
const LabConversion& Lab() {
  static const LabConversion conversion;
  return conversion;
}

// Hue angle in degrees in [0, 360], as Little CMS takes it.
double HueDegrees(double b, double a) {
  double h = (a == 0 && b == 0) ? 0.0 : std::atan2(b, a);
  h *= 180.0 / std::numbers::pi;
  while (h > 360.0) h -= 360.0;
  while (h < 0) h += 360.0;
  return h;
}

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }
double Square(double v) { return v * v; }

// CIEDE2000 between two D65 CIELAB colours, weights 1, with the numbers of
// cmsCIE2000DeltaE to the last bit: its operations in its order, each power
// it takes twice of the same value taken once.
double DeltaE(const cmsCIELab& lab1, const cmsCIELab& lab2) {
  const double L1 = lab1.L, a1 = lab1.a, b1 = lab1.b;
  const double C = std::sqrt(Square(a1) + Square(b1));
  const double Ls = lab2.L, as = lab2.a, bs = lab2.b;
  const double Cs = std::sqrt(Square(as) + Square(bs));
  const double pow25 = std::pow(25.0, 7.0);
  const double meanC7 = std::pow((C + Cs) / 2, 7.0);
  const double G = 0.5 * (1 - std::sqrt(meanC7 / (meanC7 + pow25)));
  const double a_p = (1 + G) * a1, b_p = b1;
  const double C_p = std::sqrt(Square(a_p) + Square(b_p));
  const double h_p = HueDegrees(b_p, a_p);
  const double a_ps = (1 + G) * as, b_ps = bs;
  const double C_ps = std::sqrt(Square(a_ps) + Square(b_ps));
  const double h_ps = HueDegrees(b_ps, a_ps);
  const double meanC_p = (C_p + C_ps) / 2;
  const double hps_plus_hp = h_ps + h_p;
  const double hps_minus_hp = h_ps - h_p;
  const double meanh_p = std::fabs(hps_minus_hp) <= 180.000001 ? hps_plus_hp / 2
                         : hps_plus_hp < 360                  ? (hps_plus_hp + 360) / 2
                                                              : (hps_plus_hp - 360) / 2;
  const double delta_h = hps_minus_hp <= -180.000001 ? hps_minus_hp + 360
                         : hps_minus_hp > 180        ? hps_minus_hp - 360
                                                     : hps_minus_hp;
  const double delta_L = Ls - L1;
  const double delta_C = C_ps - C_p;
  const double delta_H = 2 * std::sqrt(C_ps * C_p) * std::sin(Radians(delta_h) / 2);
  const double T = 1 - 0.17 * std::cos(Radians(meanh_p - 30)) + 0.24 * std::cos(Radians(2 * meanh_p)) +
                   0.32 * std::cos(Radians(3 * meanh_p + 6)) - 0.2 * std::cos(Radians(4 * meanh_p - 63));
  const double Sl = 1 + (0.015 * Square((Ls + L1) / 2 - 50)) / std::sqrt(20 + Square((Ls + L1) / 2 - 50));
  const double Sc = 1 + 0.045 * (C_p + C_ps) / 2;
  const double Sh = 1 + 0.015 * ((C_ps + C_p) / 2) * T;
  const double delta_ro = 30 * std::exp(-Square((meanh_p - 275) / 25));
  const double meanCp7 = std::pow(meanC_p, 7.0);
  const double Rc = 2 * std::sqrt(meanCp7 / (meanCp7 + pow25));
  const double Rt = -std::sin(2 * Radians(delta_ro)) * Rc;
  return std::sqrt(Square(delta_L / Sl) + Square(delta_C / Sc) + Square(delta_H / Sh) +
                   Rt * (delta_C / Sc) * (delta_H / Sh));
}

bool SameLab(const cmsCIELab& a, const cmsCIELab& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The ΔE2000 of each of `width` drawn pixels from the ideal ramp at the same
// centres, into `distances`. Where a pixel is its left neighbour's colour over
// the same ideal, or the colour of the same pixel of another row already
// measured against the same ideal (`other`, `otherDistances`, optional), its
// distance is taken from there: the same numbers give the same distance.
void MeasureRow(const Pixel* drawn, const cmsCIELab* ideal, std::size_t width, const Pixel* other,
                const double* otherDistances, double* distances) {
  Pixel converted{};  // the last pixel converted to CIELAB, and its value
  cmsCIELab lab{};
  bool any = false;
  for (std::size_t x = 0; x < width; ++x) {
    if (other && drawn[x] == other[x]) {
      distances[x] = otherDistances[x];
    } else if (x > 0 && drawn[x] == drawn[x - 1] && SameLab(ideal[x], ideal[x - 1])) {
      distances[x] = distances[x - 1];
    } else {
      if (!any || drawn[x] != converted) {
        const LabTriple value = PixelToLab(drawn[x]);
        lab = {value[0], value[1], value[2]};
        converted = drawn[x];
        any = true;
      }
      distances[x] = DeltaE(lab, ideal[x]);
    }
  }
}

// The largest and mean of `n` distances, summed left to right.
DeltaStats Stats(const double* distances, std::size_t n) {
  DeltaStats stats;
  if (n == 0) return stats;
  double sum = 0.0;
  for (std::size_t x = 0; x < n; ++x) {
    stats.max = std::max(stats.max, distances[x]);
    sum += distances[x];
  }
  stats.mean = sum / static_cast<double>(n);
  return stats;
}

// Row y of a drawn strip document.
void CopyRow(const DrawnImage& drawn, std::size_t y, std::vector<Pixel>& row) {
  const std::uint8_t* at = drawn.data + y * drawn.stride;
  for (Pixel& p : row) {
    p = {at[drawn.channels[0]], at[drawn.channels[1]], at[drawn.channels[2]]};
    at += 4;
  }
}

// The bytes of a stop list, for gradients to be told apart by.
void AppendKey(std::string& key, const std::vector<DrawStop>& stops) {
  const std::size_t n = stops.size();
  key.append(reinterpret_cast<const char*>(&n), sizeof n);
  for (const DrawStop& s : stops) {
    const double values[5] = {s.offset, s.rgb[0], s.rgb[1], s.rgb[2], s.midpoint};
    key.append(reinterpret_cast<const char*>(values), sizeof values);
  }
}

}  // namespace

LabTriple IdealLabAt(const std::vector<DrawStop>& stops, double p) {
  const Segment s = Locate(stops, p);
  const LabTriple a = Lab().FromRgb(stops[s.first].rgb);
  if (s.first == s.second) return a;
  const LabTriple b = Lab().FromRgb(stops[s.second].rgb);
  return Blend(a, b, s.t, Midpoint(stops[s.first]));
}

double DeltaE2000(const LabTriple& lab1, const LabTriple& lab2) {
  const cmsCIELab a{lab1[0], lab1[1], lab1[2]};
  const cmsCIELab b{lab2[0], lab2[1], lab2[2]};
  return DeltaE(a, b);
}

Pixel ToPixel(const RgbTriple& rgb) {
  Pixel out{};
  for (int i = 0; i < 3; ++i) {
    const double v = std::isnan(rgb[i]) ? 0.0 : std::clamp(rgb[i], 0.0, 1.0);
    out[i] = static_cast<std::uint8_t>(std::lround(v * 255.0));
  }
  return out;
}

LabTriple PixelToLab(const Pixel& pixel) { return Lab().FromPixel(pixel); }

DeltaStats CompareWithIdeal(const std::vector<Pixel>& drawn, const std::vector<LabTriple>& ideal) {
  if (drawn.empty() || ideal.size() != drawn.size()) return {};
  std::vector<cmsCIELab> target(ideal.size());
  for (std::size_t x = 0; x < ideal.size(); ++x) target[x] = {ideal[x][0], ideal[x][1], ideal[x][2]};
  std::vector<double> distances(drawn.size());
  MeasureRow(drawn.data(), target.data(), drawn.size(), nullptr, nullptr, distances.data());
  return Stats(distances.data(), distances.size());
}

std::vector<LabTriple> IdealRamp(const std::vector<DrawStop>& stops, std::size_t width) {
  std::vector<LabTriple> ramp;
  ramp.reserve(width);
  std::vector<LabTriple> labs;
  labs.reserve(stops.size());
  for (const DrawStop& s : stops) labs.push_back(Lab().FromRgb(s.rgb));
  // IdealLabAt at each centre, the stops' CIELAB values computed once.
  for (std::size_t x = 0; x < width; ++x) {
    const Segment s = Locate(stops, (static_cast<double>(x) + 0.5) / static_cast<double>(width));
    ramp.push_back(s.first == s.second ? labs[s.first]
                                       : Blend(labs[s.first], labs[s.second], s.t, Midpoint(stops[s.first])));
  }
  return ramp;
}

std::vector<Pixel> IdealPixels(const std::vector<DrawStop>& stops, std::size_t width) {
  std::vector<Pixel> pixels;
  pixels.reserve(width);
  for (const LabTriple& lab : IdealRamp(stops, width)) pixels.push_back(ToPixel(Lab().ToRgb(lab)));
  return pixels;
}

std::vector<StripDocument> StripDocuments(const std::vector<GradientResult>& results, int width) {
  std::vector<StripDocument> documents;
  if (width <= 0) return documents;
  // The distinct gradients in order of their first paint, each with every
  // paint that has its source and new stops.
  std::vector<std::vector<std::size_t>> gradients;
  std::unordered_map<std::string, std::size_t> known;
  std::string key;
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].sourceStops.empty()) continue;
    key.clear();
    AppendKey(key, results[i].sourceStops);
    AppendKey(key, DrawnNewStops(results[i]));
    const auto [at, added] = known.try_emplace(key, gradients.size());
    if (added) gradients.emplace_back();
    gradients[at->second].push_back(i);
  }
  for (std::size_t begin = 0; begin < gradients.size();) {
    std::size_t end = begin, stops = 0;
    while (end < gradients.size() &&
           (end == begin || (stops < kStopsPerDocument && end - begin < kGradientsPerDocument))) {
      const GradientResult& r = results[gradients[end].front()];
      stops += r.sourceStops.size() + DrawnNewStops(r).size();
      ++end;
    }
    StripDocument document;
    document.width = width;
    document.height = static_cast<int>(2 * (end - begin));
    document.paints.assign(std::make_move_iterator(gradients.begin() + static_cast<std::ptrdiff_t>(begin)),
                           std::make_move_iterator(gradients.begin() + static_cast<std::ptrdiff_t>(end)));
    std::string& svg = document.svg;
    svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
          std::to_string(document.height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
          std::to_string(document.height) + "\">\n<defs>\n";
    for (std::size_t k = 0; k < document.paints.size(); ++k) {
      const GradientResult& r = results[document.paints[k].front()];
      AppendGradient(svg, NumberedId("s", k), r.sourceStops);
      AppendGradient(svg, NumberedId("r", k), DrawnNewStops(r));
    }
    svg += "</defs>\n";
    for (std::size_t k = 0; k < document.paints.size(); ++k) {
      const int row = static_cast<int>(2 * k);
      svg += SvgRect(0, row, width, 1, "url(#" + NumberedId("s", k) + ")");
      svg += SvgRect(0, row + 1, width, 1, "url(#" + NumberedId("r", k) + ")");
    }
    svg += "</svg>\n";
    documents.push_back(std::move(document));
    begin = end;
  }
  return documents;
}

void ReadStrips(const StripDocument& document, const std::vector<GradientResult>& results, const DrawnImage& drawn,
                std::vector<StripSet>& strips) {
  ReadStrips(document, results, drawn, strips, 0, document.paints.size());
}

void ReadStrips(const StripDocument& document, const std::vector<GradientResult>& results, const DrawnImage& drawn,
                std::vector<StripSet>& strips, std::size_t first, std::size_t last) {
  const auto width = static_cast<std::size_t>(std::max(document.width, 0));
  std::vector<Pixel> source(width), result(width);
  std::vector<cmsCIELab> ideal(width);
  std::vector<double> before(width), after(width);
  for (std::size_t k = first; k < std::min(last, document.paints.size()); ++k) {
    const std::vector<std::size_t>& paints = document.paints[k];
    if (paints.empty() || width == 0) continue;
    const std::vector<LabTriple> ramp = IdealRamp(results[paints.front()].sourceStops, width);
    for (std::size_t x = 0; x < width; ++x) ideal[x] = {ramp[x][0], ramp[x][1], ramp[x][2]};
    CopyRow(drawn, 2 * k, source);
    CopyRow(drawn, 2 * k + 1, result);
    MeasureRow(source.data(), ideal.data(), width, nullptr, nullptr, before.data());
    MeasureRow(result.data(), ideal.data(), width, source.data(), before.data(), after.data());
    const StripSet set{Stats(before.data(), width), Stats(after.data(), width)};
    for (const std::size_t i : paints) strips[i] = set;
  }
}

void ReadStrips(const StripDocument& document, const std::vector<GradientResult>& results, const DrawnPixel& drawn,
                std::vector<StripSet>& strips) {
  const auto width = static_cast<std::size_t>(std::max(document.width, 0));
  const auto height = static_cast<std::size_t>(std::max(document.height, 0));
  std::vector<std::uint8_t> image(4 * width * height);
  for (std::size_t y = 0; y < height; ++y)
    for (std::size_t x = 0; x < width; ++x) {
      const Pixel p = drawn(static_cast<int>(x), static_cast<int>(y));
      std::copy(p.begin(), p.end(), image.begin() + static_cast<std::ptrdiff_t>(4 * (y * width + x)));
    }
  ReadStrips(document, results, DrawnImage{image.data(), 4 * width, {0, 1, 2}}, strips);
}

std::vector<Pixel> DrawRow(const std::vector<DrawStop>& stops, std::size_t width) {
  if (stops.empty()) return std::vector<Pixel>(width, Pixel{255, 255, 255});  // nothing painted on the white
  // The stops as the document hands them to a renderer, and as it takes them.
  std::vector<double> offsets;
  std::vector<Pixel> colours;
  offsets.reserve(stops.size());
  colours.reserve(stops.size());
  double last = 0.0;
  for (const DrawStop& s : stops) {
    last = std::isnan(s.offset) ? last : std::clamp(s.offset, last, 1.0);
    offsets.push_back(last);
    colours.push_back(ToPixel(s.rgb));
  }
  std::vector<Pixel> row(width);
  for (std::size_t x = 0; x < width; ++x) {
    const double p = (static_cast<double>(x) + 0.5) / static_cast<double>(width);
    const auto after = std::upper_bound(offsets.begin(), offsets.end(), p);
    if (after == offsets.begin() || after == offsets.end()) {
      row[x] = colours[after == offsets.begin() ? 0 : colours.size() - 1];
      continue;
    }
    const auto second = static_cast<std::size_t>(after - offsets.begin());
    const double t = (p - offsets[second - 1]) / (offsets[second] - offsets[second - 1]);
    const Pixel& a = colours[second - 1];
    const Pixel& b = colours[second];
    for (int i = 0; i < 3; ++i)
      row[x][i] = static_cast<std::uint8_t>(std::floor(a[i] + (b[i] - a[i]) * t + 0.5));
  }
  return row;
}

std::vector<StripSet> ComputeStrips(const std::vector<GradientResult>& results, int width) {
  std::vector<StripSet> strips(results.size());
  const auto w = static_cast<std::size_t>(std::max(width, 0));
  for (const StripDocument& document : StripDocuments(results, width)) {
    std::vector<std::vector<Pixel>> rows;
    rows.reserve(2 * document.paints.size());
    for (const std::vector<std::size_t>& paints : document.paints) {
      const GradientResult& r = results[paints.front()];
      rows.push_back(DrawRow(r.sourceStops, w));
      rows.push_back(DrawRow(DrawnNewStops(r), w));
    }
    const DrawnPixel drawn = [&](int x, int y) {
      return rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
    };
    ReadStrips(document, results, drawn, strips);
  }
  return strips;
}

void AppendGradient(std::string& svg, const std::string& id, const std::vector<DrawStop>& stops) {
  svg += "<linearGradient id=\"" + id + "\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\">";
  for (const DrawStop& s : stops)
    svg += "<stop offset=\"" + FormatNumber(s.offset, "%.9g") + "\" stop-color=\"" + Hex(ToPixel(s.rgb)) + "\"/>";
  svg += "</linearGradient>\n";
}

const std::vector<DrawStop>& DrawnNewStops(const GradientResult& r) {
  return r.newStops.empty() ? r.sourceStops : r.newStops;
}

std::string NumberedId(const char* prefix, std::size_t number) {
  // Appended: GCC 12 warns wrongly about "..." + std::string.
  std::string id = prefix;
  id += std::to_string(number);
  return id;
}

std::string SvgRect(int x, int y, int width, int height, const std::string& fill) {
  return "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" + std::to_string(width) +
         "\" height=\"" + std::to_string(height) + "\" fill=\"" + fill + "\"/>\n";
}

}  // namespace evenhue::cli
