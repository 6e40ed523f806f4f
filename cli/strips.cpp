#include "cli/strips.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <lcms2.h>

#include "cli/text.hpp"
#include "gradient/resample.hpp"
#include "gradient/stops.hpp"

namespace evenhue::cli {

namespace {

// A strip document covers gradients up to this many stops in all (librsvg
// bounds the elements of one document), and at most this many gradients
// (browsers bound the height of an image).
constexpr std::size_t kStopsPerDocument = 200'000;
constexpr std::size_t kResultsPerDocument = 4'096;

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

}  // namespace

LabTriple IdealLabAt(const std::vector<DrawStop>& stops, double p) {
  const Segment s = Locate(stops, p);
  const LabTriple a = RgbToLab(stops[s.first].rgb);
  if (s.first == s.second) return a;
  const LabTriple b = RgbToLab(stops[s.second].rgb);
  const double m = std::clamp(stops[s.first].midpoint / 100.0, kMinMidpoint, kMaxMidpoint);
  return LerpTriple(a, b, s.t, m);
}

double DeltaE2000(const LabTriple& lab1, const LabTriple& lab2) {
  // Little CMS takes the Lab numbers as they are; both sides here are D65.
  const cmsCIELab a{lab1[0], lab1[1], lab1[2]};
  const cmsCIELab b{lab2[0], lab2[1], lab2[2]};
  return cmsCIE2000DeltaE(&a, &b, 1.0, 1.0, 1.0);
}

Pixel ToPixel(const RgbTriple& rgb) {
  Pixel out{};
  for (int i = 0; i < 3; ++i) {
    const double v = std::isnan(rgb[i]) ? 0.0 : std::clamp(rgb[i], 0.0, 1.0);
    out[i] = static_cast<std::uint8_t>(std::lround(v * 255.0));
  }
  return out;
}

LabTriple PixelToLab(const Pixel& pixel) {
  return RgbToLab({pixel[0] / 255.0, pixel[1] / 255.0, pixel[2] / 255.0});
}

DeltaStats CompareWithIdeal(const std::vector<Pixel>& drawn, const std::vector<LabTriple>& ideal) {
  DeltaStats stats;
  if (drawn.empty() || ideal.size() != drawn.size()) return stats;
  double sum = 0.0;
  for (std::size_t x = 0; x < drawn.size(); ++x) {
    const double d = DeltaE2000(PixelToLab(drawn[x]), ideal[x]);
    stats.max = std::max(stats.max, d);
    sum += d;
  }
  stats.mean = sum / static_cast<double>(drawn.size());
  return stats;
}

std::vector<LabTriple> IdealRamp(const std::vector<DrawStop>& stops, std::size_t width) {
  std::vector<LabTriple> ramp;
  ramp.reserve(width);
  for (std::size_t x = 0; x < width; ++x)
    ramp.push_back(IdealLabAt(stops, (static_cast<double>(x) + 0.5) / static_cast<double>(width)));
  return ramp;
}

std::vector<StripDocument> StripDocuments(const std::vector<GradientResult>& results, int width) {
  std::vector<StripDocument> documents;
  if (width <= 0) return documents;
  for (std::size_t begin = 0; begin < results.size();) {
    std::size_t end = begin, stops = 0;
    while (end < results.size() &&
           (end == begin || (stops < kStopsPerDocument && end - begin < kResultsPerDocument))) {
      stops += results[end].sourceStops.size() + DrawnNewStops(results[end]).size();
      ++end;
    }
    StripDocument document;
    document.width = width;
    document.height = static_cast<int>(2 * (end - begin));
    document.begin = begin;
    document.end = end;
    std::string& svg = document.svg;
    svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
          std::to_string(document.height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
          std::to_string(document.height) + "\">\n<defs>\n";
    for (std::size_t i = begin; i < end; ++i) {
      if (results[i].sourceStops.empty()) continue;
      AppendGradient(svg, NumberedId("s", i), results[i].sourceStops);
      AppendGradient(svg, NumberedId("r", i), DrawnNewStops(results[i]));
    }
    svg += "</defs>\n";
    for (std::size_t i = begin; i < end; ++i) {
      if (results[i].sourceStops.empty()) continue;
      const int row = static_cast<int>(2 * (i - begin));
      svg += SvgRect(0, row, width, 1, "url(#" + NumberedId("s", i) + ")");
      svg += SvgRect(0, row + 1, width, 1, "url(#" + NumberedId("r", i) + ")");
    }
    svg += "</svg>\n";
    documents.push_back(std::move(document));
    begin = end;
  }
  return documents;
}

void ReadStrips(const StripDocument& document, const std::vector<GradientResult>& results, const DrawnPixel& drawn,
                std::vector<StripSet>& strips) {
  const int width = document.width;
  for (std::size_t i = document.begin; i < document.end; ++i) {
    const std::vector<DrawStop>& source = results[i].sourceStops;
    if (source.empty()) continue;
    StripSet& set = strips[i];
    const int row = static_cast<int>(2 * (i - document.begin));
    const std::vector<LabTriple> ideal = IdealRamp(source, static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
      set.source.push_back(drawn(x, row));
      set.result.push_back(drawn(x, row + 1));
      set.ideal.push_back(ToPixel(LabToRgb(ideal[static_cast<std::size_t>(x)])));
    }
    set.before = CompareWithIdeal(set.source, ideal);
    set.after = CompareWithIdeal(set.result, ideal);
  }
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
