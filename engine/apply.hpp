// Applying the Live Effect to an SVG document through the plug-in, and what
// comes out of it: the new document, a preview and a report.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/preview.hpp"
#include "engine/progress.hpp"
#include "engine/results.hpp"
#include "host/cmyk.hpp"

namespace evenhue::cli {

class PluginSession;

struct ApplyResult {
  std::string output;  // the new document's text
  std::vector<GradientResult> gradients;  // every paint the plug-in re-spaced, in document order
  std::size_t rewritten = 0;               // of those, the ones written (the others left alone)
  std::size_t artCount = 0;
  std::size_t gradientPaints = 0;     // fills and strokes painted with a gradient
  std::vector<std::string> warnings;  // what was left alone, one line each
};

struct ApplyRequest {
  std::string name;                     // for messages
  std::string text;                     // the SVG document
  std::string pluginPath;
  std::vector<std::string> selectIds;   // empty: the whole document
  bool smoothEdges = false;             // write every re-spaced paint, even one that would be worse (FindDamage)
};

// Parses, builds the document in the session's host, runs Go Live once per
// input art (the root or each selected element), writes the results back and
// serialises. A re-spaced paint whose new ramp would be worse than its source
// (FindDamage) keeps its source, with a warning naming the gradient and what
// would be smoothed, unless `request.smoothEdges`. An empty `session` is started from `request.pluginPath` once the
// document has parsed; a session serves one document after another. Throws
// InputError with a message naming `request.name`.
ApplyResult ApplyDocument(ApplyRequest request, std::unique_ptr<PluginSession>& session, Progress& progress);
// The same in a session of its own, started from `request.pluginPath` and shut down afterwards.
ApplyResult ApplyDocument(ApplyRequest request, Progress& progress);

// The CMYK-to-RGB conversion the host uses, for drawing source stops.
host::CmykConverter& PreviewCmykConverter();

// report.json: per gradient its ids, stop counts and ΔE2000 figures, and the
// warnings of the run; first, when `stripsDrawn` is given, how the strips
// behind the figures were drawn (StripsDrawnNote).
std::string ReportJson(const std::vector<GradientResult>& results, const std::vector<StripSet>& strips,
                       const std::vector<std::string>& warnings = {}, const char* stripsDrawn = nullptr);

// Tells on standard error what a document's run left alone: its warnings
// (the first few, then how many more), and a notice when nothing was
// re-spaced, so that "nothing changed" is never taken for success.
void TellLeftAlone(const std::string& name, const ApplyResult& result);
// The same lines, without the leading "evenhue: "; the notice only when asked.
std::vector<std::string> LeftAloneLines(const std::string& name, const ApplyResult& result, bool notice);

// The preview and report files of a run (a preview path ending in .svg gets
// the picture as SVG, any other a PNG), empty when not asked for.
struct Extras {
  std::string preview;
  std::string report;
};
Extras MakeExtras(const std::vector<GradientResult>& results, const std::string& previewPath,
                  const std::string& reportPath, Progress& progress, const std::vector<std::string>& warnings = {});
// Throws UsageError when this build cannot write a preview of that name (a
// PNG preview where there is no SVG renderer), before anything is applied.
void CheckPreviewName(const std::string& previewPath);

inline constexpr int kPreviewWidth = 512;

}  // namespace evenhue::cli
