#include "cli/preview.hpp"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <lcms2.h>

#include "cli/text.hpp"
#include "gradient/resample.hpp"
#include "gradient/stops.hpp"

namespace evenhue::cli {

namespace {

// Text the pictures show, UTF-8.
constexpr char kArrow[] = "\xe2\x86\x92";     // →
constexpr char kDot[] = "\xc2\xb7";           // ·
constexpr char kEllipsis[] = "\xe2\x80\xa6";  // …
constexpr char kDeltaE[] = "\xce\x94" "E2000";

// What each strip of a row is, top to bottom.
constexpr const char* kStripLabels[3] = {"source as drawn", "Evenhue", "ideal CIELAB blend"};

// The picture's layout, in pixels.
constexpr int kMargin = 16;
constexpr int kLabelColumn = 136;  // strip labels, left of the strips
constexpr int kFigureGap = 12;     // between a strip and its figures
constexpr int kFigureColumn = 224;
constexpr int kTitleHeight = 72;   // title and legend
constexpr int kHeadingHeight = 22;
constexpr int kStripHeight = 20;
constexpr int kStripGap = 4;
constexpr int kRowGap = 16;
constexpr int kFooterHeight = 22;
constexpr int kRowPitch = kHeadingHeight + 3 * kStripHeight + 2 * kStripGap + kRowGap;
// Characters of a heading that fit beside the margins (13 px DejaVu Sans).
constexpr double kHeadingCharWidth = 7.4;
constexpr std::size_t kMinDocumentChars = 24;

// A render covers gradients up to this many stops in all (librsvg bounds the
// elements of one document).
constexpr std::size_t kStopsPerRender = 200'000;

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

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

Surface NewSurface(int width, int height) {
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cannot make a " + std::to_string(width) + " x " + std::to_string(height) + " image");
  return surface;
}

// `svg` rendered by librsvg onto a white `width` × `height` image.
Surface Render(const std::string& svg, int width, int height) {
  GError* error = nullptr;
  RsvgHandle* handle = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error);
  const auto fail = [&](const char* what) {
    std::string message = std::string("librsvg ") + what;
    if (error) {
      message += std::string(": ") + error->message;
      g_error_free(error);
    }
    if (handle) g_object_unref(handle);
    throw std::runtime_error(message);
  };
  if (!handle) fail("cannot read the preview");
  Surface surface = NewSurface(width, height);
  cairo_t* cr = cairo_create(surface.get());
  cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
  cairo_paint(cr);
  const RsvgRectangle viewport{0.0, 0.0, static_cast<double>(width), static_cast<double>(height)};
  const bool drawn = rsvg_handle_render_document(handle, cr, &viewport, &error);
  cairo_destroy(cr);
  if (!drawn) fail("cannot draw the preview");
  g_object_unref(handle);
  cairo_surface_flush(surface.get());
  return surface;
}

Pixel PixelAt(cairo_surface_t* surface, int x, int y) {
  const unsigned char* row = cairo_image_surface_get_data(surface) + static_cast<std::ptrdiff_t>(y) *
                                                                          cairo_image_surface_get_stride(surface);
  std::uint32_t argb = 0;
  std::memcpy(&argb, row + 4 * x, 4);  // opaque, so not premultiplied in effect
  return {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8), static_cast<std::uint8_t>(argb)};
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

std::string EncodePng(cairo_surface_t* surface) {
  std::string png;
  if (cairo_surface_write_to_png_stream(surface, &AppendToString, &png) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cannot encode the preview as PNG");
  return png;
}

// A strip of pixels `height` rows high, as PNG bytes.
std::string StripPng(const std::vector<Pixel>& strip, int height) {
  const int width = static_cast<int>(strip.size());
  Surface surface = NewSurface(width, height);
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Pixel& p = strip[static_cast<std::size_t>(x)];
      const std::uint32_t argb = 0xff000000u | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
      std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride + 4 * x, &argb, 4);
    }
  cairo_surface_mark_dirty(surface.get());
  return EncodePng(surface.get());
}

std::string Hex(const Pixel& p) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", p[0], p[1], p[2]);
  return buffer;
}

std::string Number(double value, const char* format) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// A horizontal gradient across its element's box with these stops, as a renderer receives them.
void AppendGradient(std::string& svg, const std::string& id, const std::vector<DrawStop>& stops) {
  svg += "<linearGradient id=\"" + id + "\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\">";
  for (const DrawStop& s : stops)
    svg += "<stop offset=\"" + Number(s.offset, "%.9g") + "\" stop-color=\"" + Hex(ToPixel(s.rgb)) + "\"/>";
  svg += "</linearGradient>\n";
}

// An element id: a prefix and a number (appended: GCC 12 warns wrongly about "..." + std::string).
std::string Id(const char* prefix, std::size_t number) {
  std::string id = prefix;
  id += std::to_string(number);
  return id;
}

const std::vector<DrawStop>& DrawnNewStops(const GradientResult& r) {
  return r.newStops.empty() ? r.sourceStops : r.newStops;
}

std::string Rect(int x, int y, int width, int height, const std::string& fill) {
  return "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" + std::to_string(width) +
         "\" height=\"" + std::to_string(height) + "\" fill=\"" + fill + "\"/>\n";
}

std::string Text(int x, int y, const std::string& attributes, const std::string& content) {
  return "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\"" + attributes + ">" + content +
         "</text>\n";
}

// Where each code point of UTF-8 text starts (a stray byte counts as one).
std::vector<std::size_t> CodePointStarts(std::string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); i += std::max<std::size_t>(1, Utf8SequenceLength(text.substr(i))))
    starts.push_back(i);
  return starts;
}

std::size_t CodePoints(std::string_view text) { return CodePointStarts(text).size(); }

// At most `limit` code points of `text`, an ellipsis standing for what is cut:
// its end kept (keepEnd) or its start.
std::string Shorten(const std::string& text, std::size_t limit, bool keepEnd) {
  const std::vector<std::size_t> starts = CodePointStarts(text);
  if (starts.size() <= limit) return text;
  const std::size_t keep = limit > 0 ? limit - 1 : 0;
  if (keep == 0) return kEllipsis;
  if (keepEnd) return kEllipsis + text.substr(starts[starts.size() - keep]);
  return text.substr(0, starts[keep]) + kEllipsis;
}

// The heading of a row: its document (bold) and which paint of which element
// went from which gradient to which, with the stop counts.
std::string Heading(const GradientResult& r, std::size_t budget) {
  std::string paint = r.property + (r.element.empty() ? " of an element without id" : " of #" + r.element);
  std::string rest = "   " + paint + "  " + kDot + "  gradient #" + r.sourceId + " " + kArrow + " #" + r.newId + "  " +
                     kDot + "  " + std::to_string(r.stopsBefore) + " " + kArrow + " " + std::to_string(r.stopsAfter) +
                     " stops";
  const std::size_t restChars = CodePoints(rest);
  const std::size_t documentBudget = budget > restChars ? std::max(kMinDocumentChars, budget - restChars) : kMinDocumentChars;
  const std::string document = Shorten(r.document, documentBudget, true);
  const std::size_t left = budget > CodePoints(document) ? budget - CodePoints(document) : 0;
  return "<tspan font-weight=\"bold\">" + XmlText(document) + "</tspan>" + XmlText(Shorten(rest, left, false));
}

std::string Figures(const DeltaStats& stats) {
  return std::string(kDeltaE) + " max " + Number(stats.max, "%5.2f") + "  mean " + Number(stats.mean, "%5.2f");
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

std::vector<StripSet> MakeStrips(const std::vector<GradientResult>& results, int width) {
  std::vector<StripSet> strips(results.size());
  if (width <= 0) return strips;
  // Each render draws a run of gradients, two rows of one pixel each: the
  // source stops, then the new ones.
  for (std::size_t begin = 0; begin < results.size();) {
    std::size_t end = begin, stops = 0;
    while (end < results.size() && (end == begin || stops < kStopsPerRender)) {
      stops += results[end].sourceStops.size() + DrawnNewStops(results[end]).size();
      ++end;
    }
    const int height = static_cast<int>(2 * (end - begin));
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
                      std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
                      std::to_string(height) + "\">\n<defs>\n";
    for (std::size_t i = begin; i < end; ++i) {
      if (results[i].sourceStops.empty()) continue;
      AppendGradient(svg, Id("s", i), results[i].sourceStops);
      AppendGradient(svg, Id("r", i), DrawnNewStops(results[i]));
    }
    svg += "</defs>\n";
    for (std::size_t i = begin; i < end; ++i) {
      if (results[i].sourceStops.empty()) continue;
      const int row = static_cast<int>(2 * (i - begin));
      svg += Rect(0, row, width, 1, "url(#" + Id("s", i) + ")");
      svg += Rect(0, row + 1, width, 1, "url(#" + Id("r", i) + ")");
    }
    svg += "</svg>\n";
    const Surface surface = Render(svg, width, height);
    for (std::size_t i = begin; i < end; ++i) {
      const std::vector<DrawStop>& source = results[i].sourceStops;
      if (source.empty()) continue;
      StripSet& set = strips[i];
      const int row = static_cast<int>(2 * (i - begin));
      for (int x = 0; x < width; ++x) {
        set.source.push_back(PixelAt(surface.get(), x, row));
        set.result.push_back(PixelAt(surface.get(), x, row + 1));
        set.ideal.push_back(ToPixel(LabToRgb(IdealLabAt(source, (x + 0.5) / width))));
      }
      set.before = CompareWithIdeal(set.source, source);
      set.after = CompareWithIdeal(set.result, source);
    }
    begin = end;
  }
  return strips;
}

SvgPicture PreviewSvg(const std::vector<GradientResult>& results, const std::vector<StripSet>& strips, int width) {
  const std::size_t rows = std::min({results.size(), strips.size(), kMaxPreviewRows});
  const bool cut = rows < results.size();
  SvgPicture picture;
  picture.width = kMargin + kLabelColumn + width + kFigureGap + kFigureColumn + kMargin;
  picture.height = kTitleHeight + static_cast<int>(rows) * kRowPitch + (cut ? kFooterHeight : 0) + kMargin;
  const std::size_t headingBudget =
      static_cast<std::size_t>((picture.width - 2 * kMargin) / kHeadingCharWidth);
  const std::string w = std::to_string(picture.width), h = std::to_string(picture.height);

  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"" + w +
         "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
         "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"12\" fill=\"#222222\">\n";
  svg += "<defs>\n";
  for (std::size_t i = 0; i < rows; ++i) {
    if (results[i].sourceStops.empty()) continue;
    AppendGradient(svg, Id("source-", i), results[i].sourceStops);
    AppendGradient(svg, Id("evenhue-", i), DrawnNewStops(results[i]));
  }
  svg += "</defs>\n";
  svg += Rect(0, 0, picture.width, picture.height, "#ffffff");
  svg += Text(kMargin, 24, " font-size=\"15\" font-weight=\"bold\"", "Evenhue: gradients before and after");
  svg += Text(kMargin, 42, " fill=\"#555555\"",
              XmlText(std::string("Per gradient: the source stops as librsvg draws them, Evenhue") + "\xe2\x80\x99" +
                      "s stops drawn the same way, the ideal CIELAB blend of the source stops."));
  svg += Text(kMargin, 57, " fill=\"#555555\"",
              XmlText(std::string("Beside each drawn strip: its CIEDE2000 distance from the ideal blend (") + kDeltaE +
                      "), largest and mean over the strip."));

  const int stripX = kMargin + kLabelColumn;
  const int figureX = stripX + width + kFigureGap;
  for (std::size_t i = 0; i < rows; ++i) {
    const GradientResult& r = results[i];
    const int top = kTitleHeight + static_cast<int>(i) * kRowPitch;
    svg += Text(kMargin, top + 15, " font-size=\"13\"", Heading(r, headingBudget));
    if (r.sourceStops.empty()) continue;
    for (int strip = 0; strip < 3; ++strip) {
      const int y = top + kHeadingHeight + strip * (kStripHeight + kStripGap);
      const int baseline = y + kStripHeight / 2 + 4;
      svg += Text(kMargin, baseline, strip == 1 ? " font-weight=\"bold\"" : "", kStripLabels[strip]);
      if (strip == 2) {
        svg += "<image x=\"" + std::to_string(stripX) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
               std::to_string(width) + "\" height=\"" + std::to_string(kStripHeight) +
               "\" preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64," +
               Base64(StripPng(strips[i].ideal, kStripHeight)) + "\"/>\n";
        svg += Text(figureX, baseline, " fill=\"#777777\" font-style=\"italic\"", "the target");
      } else {
        const std::string id = Id(strip == 0 ? "source-" : "evenhue-", i);
        svg += Rect(stripX, y, width, kStripHeight, "url(#" + id + ")");
        svg += Text(figureX, baseline, " xml:space=\"preserve\" font-family=\"DejaVu Sans Mono, monospace\"" +
                                           std::string(strip == 1 ? " font-weight=\"bold\"" : ""),
                    XmlText(Figures(strip == 0 ? strips[i].before : strips[i].after)));
      }
    }
  }
  if (cut) {
    const int y = kTitleHeight + static_cast<int>(rows) * kRowPitch + 14;
    svg += Text(kMargin, y, " fill=\"#555555\"",
                XmlText(std::string(kEllipsis) + " and " + std::to_string(results.size() - rows) +
                        " more gradients, not drawn (the report lists every one)"));
  }
  svg += "</svg>\n";
  picture.text = std::move(svg);
  return picture;
}

std::string RenderPng(const SvgPicture& picture) {
  const Surface surface = Render(picture.text, picture.width, picture.height);
  return EncodePng(surface.get());
}

}  // namespace evenhue::cli
