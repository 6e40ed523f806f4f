// Applying the Live Effect to an SVG document through the plug-in, and what
// comes out of it: the new document, a preview and a report.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/preview.hpp"
#include "cli/progress.hpp"
#include "host/cmyk.hpp"

namespace evenhue::cli {

// One rewritten fill or stroke.
struct GradientResult {
  std::string document;   // the input's name, as shown to the user
  std::string element;    // id of the painted element (may be empty)
  std::string property;   // "fill" or "stroke"
  std::string sourceId;
  std::string newId;
  std::size_t stopsBefore = 0;
  std::size_t stopsAfter = 0;
  std::vector<DrawStop> sourceStops;
  std::vector<DrawStop> newStops;
};

struct ApplyResult {
  std::string output;  // the new document's text
  std::vector<GradientResult> gradients;
  std::size_t artCount = 0;
  std::size_t gradientPaints = 0;     // fills and strokes painted with a gradient
  std::vector<std::string> warnings;  // what was left alone, one line each
};

struct ApplyRequest {
  std::string name;                     // for messages
  std::string text;                     // the SVG document
  std::string pluginPath;
  std::vector<std::string> selectIds;   // empty: the whole document
};

// Parses, builds the host document, runs Go Live once per input art (the root
// or each selected element), writes the results back and serialises.
// Throws InputError with a message naming `request.name`.
ApplyResult ApplyDocument(ApplyRequest request, Progress& progress);

// The CMYK-to-RGB conversion the host uses, for drawing source stops.
host::CmykConverter& PreviewCmykConverter();

// Strips of every result (the preview's content and the report's figures).
std::vector<StripSet> MakeStrips(const std::vector<GradientResult>& results, int width);

// report.json: per gradient its ids, stop counts and ΔE2000 figures, and the
// warnings of the run.
std::string ReportJson(const std::vector<GradientResult>& results, const std::vector<StripSet>& strips,
                       const std::vector<std::string>& warnings = {});

// Tells on standard error what a document's run left alone: its warnings
// (the first few, then how many more), and a notice when nothing was
// re-spaced, so that "nothing changed" is never taken for success.
void TellLeftAlone(const std::string& name, const ApplyResult& result);

inline constexpr int kPreviewWidth = 512;

}  // namespace evenhue::cli
