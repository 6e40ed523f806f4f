// The page's entry points: the command's way of applying the effect to one
// document, behind a small C interface that the page's engine worker calls
// (evenhue-worker.js). The stand-in host loads the plug-in's side module and
// keeps it running from one document to the next.
//
// A document goes through in steps, so that the page shows the result before
// the figures: evenhue_apply (the new document), evenhue_summary (what was
// re-spaced and what was left alone), evenhue_pictures and evenhue_strip (the
// comparison strips to draw, a hundred-odd gradients a picture, as the stops
// of each row: the worker draws them on a canvas of its own),
// evenhue_figures once per drawn picture (its gradients' CIEDE2000 figures)
// and evenhue_report at the end.
//
// Every call leaves its text result in one buffer (evenhue_text, with its
// length in evenhue_text_size), valid until the next call: the new document,
// the summary, a strip picture, figures, the report or the error line.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/apply.hpp"
#include "engine/errors.hpp"
#include "engine/session.hpp"
#include "engine/strips.hpp"
#include "svg/file_io.hpp"
#include "svg/svg_document.hpp"

namespace {

using namespace evenhue::cli;
using Json = nlohmann::ordered_json;

// Gradients a strip picture draws (512 × 2·N pixels): the page's figures come
// a picture at a time.
constexpr std::size_t kGradientsPerPicture = 128;

struct Page {
  std::string pluginPath;
  std::unique_ptr<PluginSession> session;
  std::string text;
  // The last document's results, kept for its figures and report.
  ApplyResult last;
  std::vector<StripDocument> pictures;
  std::vector<StripSet> strips;
};

Page& ThePage() {
  static Page page;
  return page;
}

int Fail(const std::string& line) {
  ThePage().text = line;
  return 1;
}

std::string Dump(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::uint64_t MaxBytes() { return evenhue::svg::Limits{}.maxBytes; }

// The strip pictures of every result, each covering at most
// kGradientsPerPicture of them, their results numbered in the whole list.
std::vector<StripDocument> StripPictures(const std::vector<GradientResult>& results) {
  std::vector<StripDocument> pictures;
  for (std::size_t begin = 0; begin < results.size(); begin += kGradientsPerPicture) {
    const std::size_t end = std::min(results.size(), begin + kGradientsPerPicture);
    const std::vector<GradientResult> part(results.begin() + static_cast<std::ptrdiff_t>(begin),
                                           results.begin() + static_cast<std::ptrdiff_t>(end));
    for (StripDocument& d : StripDocuments(part, kPreviewWidth)) {
      // The page draws the rows from their stops (evenhue_strip), never the document.
      d.svg = std::string();
      for (std::vector<std::size_t>& alike : d.paints)
        for (std::size_t& result : alike) result += begin;
      pictures.push_back(std::move(d));
    }
  }
  return pictures;
}

// A strip row's stops as the worker hands them to the canvas: [offset, red,
// green, blue], the colour as the strip document writes it.
Json RowStops(const std::vector<DrawStop>& stops) {
  Json row = Json::array();
  for (const DrawStop& s : stops) {
    const Pixel p = ToPixel(s.rgb);
    row.push_back(Json::array({s.offset, p[0], p[1], p[2]}));
  }
  return row;
}

// In the order the report has them.
Json Stats(const DeltaStats& s) { return {{"max", s.max}, {"mean", s.mean}}; }

}  // namespace

extern "C" {

// Starts the plug-in from its file; 0, or 1 with the error line as the text.
EMSCRIPTEN_KEEPALIVE int evenhue_start(const char* pluginPath) {
  Page& page = ThePage();
  page.pluginPath = pluginPath;
  try {
    page.session = std::make_unique<PluginSession>(page.pluginPath);
  } catch (const std::exception& e) {
    page.session.reset();
    return Fail(e.what());
  }
  return 0;
}

// Whether a file of `size` bytes (`decompressed`: a compressed one inflated
// so far) is refused: 0, or 1 with the command's error line for it, naming it `name`.
EMSCRIPTEN_KEEPALIVE int evenhue_check_size(const char* name, double size, int decompressed) {
  if (!(size <= static_cast<double>(MaxBytes())))
    return Fail(evenhue::svg::TooLargeMessage(name, MaxBytes(), decompressed != 0));
  return 0;
}

// Applies the effect to the document `bytes` [length], naming it `name` in
// messages only (it is never opened as a file). On success (0) the text is
// the new document; on failure (1) it is the one error line the command would
// print, without its "evenhue: ".
EMSCRIPTEN_KEEPALIVE int evenhue_apply(const char* name, const char* bytes, std::size_t length) {
  Page& page = ThePage();
  page.last = {};
  page.pictures.clear();
  page.strips.clear();
  if (evenhue_check_size(name, static_cast<double>(length), 0) != 0) return 1;
  try {
    ApplyRequest request;
    request.name = name;
    request.pluginPath = page.pluginPath;
    request.text.assign(bytes, length);
    Progress quiet(false);
    page.last = UseSession(page.session, [&](std::unique_ptr<PluginSession>& session) {
      return ApplyDocument(std::move(request), session, quiet);
    });
  } catch (const std::bad_alloc&) {
    return Fail("out of memory");
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  page.text = std::move(page.last.output);
  page.last.output.clear();
  return 0;
}

// After evenhue_apply: JSON of what it did, for the page to show at once:
// {"gradients": [{element, paint, source, id, stopsBefore, stopsAfter}],
//  "lines": [the warning and notice lines the command prints, without "evenhue: "]}
EMSCRIPTEN_KEEPALIVE int evenhue_summary(const char* name) {
  Page& page = ThePage();
  Json gradients = Json::array();
  for (const GradientResult& r : page.last.gradients)
    gradients.push_back({{"element", r.element}, {"paint", r.property}, {"source", r.sourceId}, {"id", r.newId},
                         {"stopsBefore", r.stopsBefore}, {"stopsAfter", r.stopsAfter}});
  Json summary;
  summary["gradients"] = std::move(gradients);
  summary["lines"] = LeftAloneLines(name, page.last, true);
  page.text = Dump(summary);
  return 0;
}

// After evenhue_apply: makes the strip pictures of the last document and
// returns how many there are.
EMSCRIPTEN_KEEPALIVE std::size_t evenhue_pictures() {
  Page& page = ThePage();
  page.pictures = StripPictures(page.last.gradients);
  page.strips.assign(page.last.gradients.size(), StripSet{});
  return page.pictures.size();
}

// Strip picture `index` of the last document: JSON {width, height, rows},
// rows[2k] and rows[2k + 1] the source and new stops of the k-th distinct
// gradient it draws, each row a horizontal gradient across the picture.
EMSCRIPTEN_KEEPALIVE int evenhue_strip(std::size_t index) {
  Page& page = ThePage();
  if (index >= page.pictures.size()) return Fail("strip picture " + std::to_string(index) + " does not exist");
  const StripDocument& d = page.pictures[index];
  Json rows = Json::array();
  for (const std::vector<std::size_t>& alike : d.paints) {
    const GradientResult& r = page.last.gradients[alike.front()];
    rows.push_back(RowStops(r.sourceStops));
    rows.push_back(RowStops(DrawnNewStops(r)));
  }
  page.text = Dump({{"width", d.width}, {"height", d.height}, {"rows", std::move(rows)}});
  return 0;
}

// Strip picture `index` as the browser drew it (`rgba` [length]: rows top to
// bottom, four bytes a pixel): its gradients' figures, JSON {indices, figures:
// [{before: {max, mean}, after: {max, mean}}]}, figures[i] those of result
// indices[i] (results drawn alike share their figures).
EMSCRIPTEN_KEEPALIVE int evenhue_figures(std::size_t index, const std::uint8_t* rgba, std::size_t length) {
  Page& page = ThePage();
  if (index >= page.pictures.size()) return Fail("strip picture " + std::to_string(index) + " does not exist");
  const StripDocument& d = page.pictures[index];
  const std::size_t width = static_cast<std::size_t>(d.width);
  const std::size_t needed = 4 * width * static_cast<std::size_t>(d.height);
  if (length != needed)
    return Fail("figures: " + std::to_string(length) + " bytes of strip pixels, " + std::to_string(needed) + " expected");
  const auto pixel = [&](int x, int y) {
    const std::uint8_t* p = rgba + 4 * (static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x));
    return Pixel{p[0], p[1], p[2]};
  };
  ReadStrips(d, page.last.gradients, pixel, page.strips);
  Json indices = Json::array();
  Json figures = Json::array();
  for (const std::vector<std::size_t>& alike : d.paints)
    for (const std::size_t i : alike) {
      indices.push_back(i);
      figures.push_back({{"before", Stats(page.strips[i].before)}, {"after", Stats(page.strips[i].after)}});
    }
  page.text = Dump({{"indices", std::move(indices)}, {"figures", std::move(figures)}});
  return 0;
}

// After every picture's figures: the report of the last document, as `evenhue
// apply --report` writes it from the strips as the page drew them.
EMSCRIPTEN_KEEPALIVE int evenhue_report() {
  Page& page = ThePage();
  page.text = ReportJson(page.last.gradients, page.strips, page.last.warnings);
  return 0;
}

EMSCRIPTEN_KEEPALIVE const char* evenhue_text() { return ThePage().text.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t evenhue_text_size() { return ThePage().text.size(); }

}  // extern "C"
