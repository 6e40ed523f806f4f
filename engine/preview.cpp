#include "engine/preview.hpp"

#include <algorithm>
#include <string_view>

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

}  // namespace evenhue::cli
