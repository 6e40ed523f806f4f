// The Windows build has no librsvg yet, so neither the preview nor the report
// (whose figures come with the preview's strips) is made there.
#include "engine/apply.hpp"
#include "engine/errors.hpp"

namespace evenhue::cli {

Extras MakeExtras(const std::vector<GradientResult>&, const std::string& previewPath, const std::string& reportPath,
                  Progress&, const std::vector<std::string>&) {
  if (!previewPath.empty()) throw UsageError("--preview is not available in the Windows build yet");
  if (!reportPath.empty()) throw UsageError("--report is not available in the Windows build yet");
  return {};
}

}  // namespace evenhue::cli
