#include "cli/preview.hpp"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <lcms2.h>

#include "gradient/resample.hpp"

namespace evenhue::cli {

namespace {

constexpr double kMinMidpoint = 0.13;
constexpr double kMaxMidpoint = 0.87;

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

}  // namespace

ColorTriple RendererColorAt(const std::vector<DrawStop>& stops, double p) {
  const Segment s = Locate(stops, p);
  const ColorTriple& a = stops[s.first].rgb;
  const ColorTriple& b = stops[s.second].rgb;
  return {a[0] + (b[0] - a[0]) * s.t, a[1] + (b[1] - a[1]) * s.t, a[2] + (b[2] - a[2]) * s.t};
}

ColorTriple IdealLabAt(const std::vector<DrawStop>& stops, double p) {
  const Segment s = Locate(stops, p);
  const ColorTriple a = RgbToLab(stops[s.first].rgb);
  if (s.first == s.second) return a;
  const ColorTriple b = RgbToLab(stops[s.second].rgb);
  const double m = std::clamp(stops[s.first].midpoint / 100.0, kMinMidpoint, kMaxMidpoint);
  return LerpTriple(a, b, s.t, m);
}

double DeltaE2000(const ColorTriple& lab1, const ColorTriple& lab2) {
  // Little CMS takes the Lab numbers as they are; both sides here are D65.
  const cmsCIELab a{lab1[0], lab1[1], lab1[2]};
  const cmsCIELab b{lab2[0], lab2[1], lab2[2]};
  return cmsCIE2000DeltaE(&a, &b, 1.0, 1.0, 1.0);
}

Pixel ToPixel(const ColorTriple& rgb) {
  Pixel out{};
  for (int i = 0; i < 3; ++i) {
    const double v = std::isnan(rgb[i]) ? 0.0 : std::clamp(rgb[i], 0.0, 1.0);
    out[i] = static_cast<std::uint8_t>(std::lround(v * 255.0));
  }
  return out;
}

ColorTriple PixelToLab(const Pixel& pixel) {
  return RgbToLab({pixel[0] / 255.0, pixel[1] / 255.0, pixel[2] / 255.0});
}

DeltaStats CompareWithIdeal(const std::vector<Pixel>& drawn, const std::vector<DrawStop>& ideal) {
  DeltaStats stats;
  if (drawn.empty() || ideal.empty()) return stats;
  const double width = static_cast<double>(drawn.size());
  double sum = 0.0;
  for (std::size_t x = 0; x < drawn.size(); ++x) {
    const double p = (static_cast<double>(x) + 0.5) / width;
    const double d = DeltaE2000(PixelToLab(drawn[x]), IdealLabAt(ideal, p));
    stats.max = std::max(stats.max, d);
    sum += d;
  }
  stats.mean = sum / width;
  return stats;
}

StripSet ComputeStrips(const std::vector<DrawStop>& source, const std::vector<DrawStop>& result, int width) {
  StripSet set;
  if (source.empty() || width <= 0) return set;
  for (int x = 0; x < width; ++x) {
    const double p = (x + 0.5) / width;
    set.source.push_back(ToPixel(RendererColorAt(source, p)));
    set.result.push_back(ToPixel(result.empty() ? RendererColorAt(source, p) : RendererColorAt(result, p)));
    set.ideal.push_back(ToPixel(LabToRgb(IdealLabAt(source, p))));
  }
  set.before = CompareWithIdeal(set.source, source);
  set.after = CompareWithIdeal(set.result, source);
  return set;
}

Image LayoutPreview(const std::vector<StripSet>& strips, int width) {
  constexpr int kStrip = 18, kGap = 2, kBlockGap = 12, kMargin = 8;
  Image image;
  image.width = width + 2 * kMargin;
  const int block = 3 * kStrip + 2 * kGap;
  const int count = static_cast<int>(strips.size());
  image.height = 2 * kMargin + std::max(0, count * block + (count - 1) * kBlockGap);
  if (count == 0) image.height = 2 * kMargin;
  image.rgb.assign(static_cast<std::size_t>(image.width) * image.height * 3, 255);
  auto paint = [&](int top, const std::vector<Pixel>& row) {
    for (int y = top; y < top + kStrip; ++y)
      for (int x = 0; x < width && x < static_cast<int>(row.size()); ++x) {
        auto* px = &image.rgb[(static_cast<std::size_t>(y) * image.width + kMargin + x) * 3];
        px[0] = row[x][0];
        px[1] = row[x][1];
        px[2] = row[x][2];
      }
  };
  for (int i = 0; i < count; ++i) {
    const int top = kMargin + i * (block + kBlockGap);
    paint(top, strips[i].source);
    paint(top + kStrip + kGap, strips[i].result);
    paint(top + 2 * (kStrip + kGap), strips[i].ideal);
  }
  return image;
}

namespace {

void AppendToString(png_structp png, png_bytep data, png_size_t size) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}

// The encoder's work between its setjmp and its end. It keeps no object with
// a destructor in its frame, so that the encoder's longjmp skips nothing.
bool WritePng(png_structp png, png_infop info, const Image& image, png_bytepp rows, std::string* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, &AppendToString, [](png_structp) {});
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  png_write_info(png, info);
  png_write_rows(png, rows, static_cast<png_uint_32>(image.height));
  png_write_end(png, info);
  return true;
}

}  // namespace

std::string EncodePng(const Image& image) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) throw std::runtime_error("cannot start the PNG encoder");
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw std::runtime_error("cannot start the PNG encoder");
  }
  std::string out;
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y)
    rows[y] = const_cast<png_bytep>(&image.rgb[static_cast<std::size_t>(y) * image.width * 3]);
  const bool written = WritePng(png, info, image, rows.data(), &out);
  png_destroy_write_struct(&png, &info);
  if (!written) throw std::runtime_error("the PNG encoder failed");
  return out;
}

}  // namespace evenhue::cli
