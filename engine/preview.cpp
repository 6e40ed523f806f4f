#include "engine/preview.hpp"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

#include "engine/text.hpp"

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

// Where cairo keeps red, green and blue in an ARGB32 pixel: a native-endian
// 32-bit word, alpha in its top byte (opaque here, so not premultiplied in effect).
constexpr std::array<int, 3> kCairoChannels =
    std::endian::native == std::endian::little ? std::array<int, 3>{2, 1, 0} : std::array<int, 3>{1, 2, 3};

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
  return std::string(kDeltaE) + " max " + FormatNumber(stats.max, "%5.2f") + "  mean " + FormatNumber(stats.mean, "%5.2f");
}

}  // namespace

std::vector<StripSet> MakeStrips(const std::vector<GradientResult>& results, int width) {
  std::vector<StripSet> strips(results.size());
  for (const StripDocument& document : StripDocuments(results, width)) {
    const Surface surface = Render(document.svg, document.width, document.height);
    const DrawnImage drawn{cairo_image_surface_get_data(surface.get()),
                           static_cast<std::size_t>(cairo_image_surface_get_stride(surface.get())), kCairoChannels};
    // The document's gradients measured on two threads, half each: no
    // figure depends on another, and each thread writes its own.
    const std::size_t half = document.paints.size() / 2;
    std::thread other([&] { ReadStrips(document, results, drawn, strips, half, document.paints.size()); });
    ReadStrips(document, results, drawn, strips, 0, half);
    other.join();
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
    AppendGradient(svg, NumberedId("source-", i), results[i].sourceStops);
    AppendGradient(svg, NumberedId("evenhue-", i), DrawnNewStops(results[i]));
  }
  svg += "</defs>\n";
  svg += SvgRect(0, 0, picture.width, picture.height, "#ffffff");
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
               Base64(StripPng(IdealPixels(r.sourceStops, static_cast<std::size_t>(width)), kStripHeight)) + "\"/>\n";
        svg += Text(figureX, baseline, " fill=\"#777777\" font-style=\"italic\"", "the target");
      } else {
        const std::string id = NumberedId(strip == 0 ? "source-" : "evenhue-", i);
        svg += SvgRect(stripX, y, width, kStripHeight, "url(#" + id + ")");
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
