// The preview and report files of a run, in every build of the command: the
// strips come from the build's MakeStrips (engine/preview.hpp).
#include <cctype>
#include <string_view>

#include "engine/apply.hpp"
#include "engine/errors.hpp"

namespace evenhue::cli {

namespace {

// Whether a file name asks for SVG: it ends in ".svg", in any case.
bool IsSvgName(const std::string& path) {
  constexpr std::string_view kSuffix = ".svg";
  if (path.size() < kSuffix.size()) return false;
  for (std::size_t i = 0; i < kSuffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(path[path.size() - kSuffix.size() + i])) != kSuffix[i]) return false;
  return true;
}

}  // namespace

void CheckPreviewName(const std::string& previewPath) {
  if (!previewPath.empty() && !IsSvgName(previewPath)) CheckPngPreview(previewPath);
}

Extras MakeExtras(const std::vector<GradientResult>& results, const std::string& previewPath,
                  const std::string& reportPath, Progress& progress, const std::vector<std::string>& warnings) {
  Extras extras;
  if (previewPath.empty() && reportPath.empty()) return extras;
  CheckPreviewName(previewPath);
  progress.Stage("drawing previews");
  try {
    const auto strips = MakeStrips(results, kPreviewWidth);
    if (!previewPath.empty()) {
      const SvgPicture picture = PreviewSvg(results, strips, kPreviewWidth);
      extras.preview = IsSvgName(previewPath) ? picture.text : RenderPng(picture);
    }
    if (!reportPath.empty()) extras.report = ReportJson(results, strips, warnings, StripsDrawnNote());
  } catch (const std::runtime_error& e) {
    throw InputError(std::string("preview: ") + e.what());
  }
  return extras;
}

}  // namespace evenhue::cli
