// The page's entry points: the command's way of applying the effect to one
// document, behind a small C interface that the page's JavaScript calls
// (evenhue-api.js). The stand-in host loads the plug-in's side module and
// keeps it running from one document to the next.
//
// Every call leaves its text result in one buffer (evenhue_text, with its
// length in evenhue_text_size), valid until the next call: the new document,
// the summary, the report or the error line.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/apply.hpp"
#include "cli/errors.hpp"
#include "cli/session.hpp"
#include "cli/strips.hpp"
#include "svg/file_io.hpp"
#include "svg/svg_document.hpp"

namespace {

using namespace evenhue::cli;
using Json = nlohmann::ordered_json;

struct Page {
  std::string pluginPath;
  std::unique_ptr<PluginSession> session;
  std::string text;
  // The last document's results, kept for its report.
  ApplyResult last;
  std::vector<StripDocument> strips;
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

// Applies the effect to the file `name` in the working folder, read as the
// command reads its input. On success (0) the text is the new document; on
// failure (1) it is the one error line the command would print, without its
// "evenhue: ".
EMSCRIPTEN_KEEPALIVE int evenhue_apply(const char* name) {
  Page& page = ThePage();
  page.last = {};
  page.strips.clear();
  try {
    ApplyRequest request;
    request.name = name;
    request.pluginPath = page.pluginPath;
    try {
      request.text = evenhue::svg::ReadInput(request.name, evenhue::svg::Limits{}.maxBytes);
    } catch (const evenhue::svg::FileError& e) {
      return Fail(e.what());
    }
    Progress quiet(false);
    page.last = ApplyDocument(std::move(request), page.session, quiet);
  } catch (const std::bad_alloc&) {
    page.session.reset();  // a session that failed is not trusted with the next document
    return Fail("out of memory");
  } catch (const std::exception& e) {
    page.session.reset();
    return Fail(e.what());
  }
  page.strips = StripDocuments(page.last.gradients, kPreviewWidth);
  page.text = std::move(page.last.output);
  page.last.output.clear();
  return 0;
}

// After evenhue_apply: JSON of what it did, for the page to show and to draw:
// {"gradients": [{element, paint, source, id, stopsBefore, stopsAfter}],
//  "lines": [the warning and notice lines the command prints, without "evenhue: "],
//  "strips": [{svg, width, height}]}
EMSCRIPTEN_KEEPALIVE int evenhue_summary(const char* name) {
  Page& page = ThePage();
  Json gradients = Json::array();
  for (const GradientResult& r : page.last.gradients)
    gradients.push_back({{"element", r.element}, {"paint", r.property}, {"source", r.sourceId}, {"id", r.newId},
                         {"stopsBefore", r.stopsBefore}, {"stopsAfter", r.stopsAfter}});
  Json strips = Json::array();
  for (const StripDocument& d : page.strips)
    strips.push_back({{"svg", d.svg}, {"width", d.width}, {"height", d.height}});
  Json summary;
  summary["gradients"] = std::move(gradients);
  summary["lines"] = LeftAloneLines(name, page.last, true);
  summary["strips"] = std::move(strips);
  page.text = Dump(summary);
  return 0;
}

// After evenhue_summary: the report of the last document (as `evenhue apply
// --report` writes it), its strips as the page drew them: `rgba` holds every
// strip document's pixels in order, rows top to bottom, four bytes a pixel.
EMSCRIPTEN_KEEPALIVE int evenhue_report(const std::uint8_t* rgba, std::size_t length) {
  Page& page = ThePage();
  std::size_t needed = 0;
  for (const StripDocument& d : page.strips)
    needed += std::size_t{4} * static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.height);
  if (length != needed)
    return Fail("report: " + std::to_string(length) + " bytes of strip pixels, " + std::to_string(needed) + " expected");
  std::vector<StripSet> strips(page.last.gradients.size());
  const std::uint8_t* at = rgba;
  for (const StripDocument& d : page.strips) {
    const auto pixel = [&](int x, int y) {
      const std::uint8_t* p = at + 4 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(d.width) +
                                        static_cast<std::size_t>(x));
      return Pixel{p[0], p[1], p[2]};
    };
    ReadStrips(d, page.last.gradients, pixel, strips);
    at += std::size_t{4} * static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.height);
  }
  page.text = ReportJson(page.last.gradients, strips, page.last.warnings);
  return 0;
}

EMSCRIPTEN_KEEPALIVE const char* evenhue_text() { return ThePage().text.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t evenhue_text_size() { return ThePage().text.size(); }

}  // extern "C"
