#include "cli/inkscape.hpp"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "engine/apply.hpp"
#include "engine/errors.hpp"
#include "cli/files.hpp"
#include "engine/session.hpp"
#include "svg/compressed.hpp"
#include "svg/file_io.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::cli {

namespace {

constexpr std::string_view kIdOption = "--id=";
// Inkscape also tells which nodes the node tool has selected; the effect works on whole objects.
constexpr std::string_view kSelectedNodesOption = "--selected-nodes=";

// The five predefined entities of XML, for a name read from an attribute.
std::string Unescape(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& [entity, c] : kEntities)
      if (text.substr(i, entity.size()) == entity) {
        out += c;
        i += entity.size();
        replaced = true;
        break;
      }
    if (!replaced) out += text[i++];
  }
  return out;
}

// The name Inkscape keeps for the drawing (sodipodi:docname on the root, which
// it writes near the start), or nothing. The file it hands over is a
// temporary copy whose name means nothing to the user.
std::string DocumentName(std::string_view text) {
  constexpr std::size_t kLookAhead = 1 << 16;
  constexpr std::string_view kAttribute = ":docname=";
  const std::string_view head = text.substr(0, kLookAhead);
  const auto root = head.find("<svg");
  const auto at = head.find(kAttribute, root == std::string_view::npos ? 0 : root);
  const auto tagEnd = head.find('>', root == std::string_view::npos ? 0 : root);
  if (at == std::string_view::npos || at > tagEnd || at + kAttribute.size() >= head.size()) return {};
  const char quote = head[at + kAttribute.size()];
  if (quote != '"' && quote != '\'') return {};
  const auto end = head.find(quote, at + kAttribute.size() + 1);
  if (end == std::string_view::npos) return {};
  return Unescape(head.substr(at + kAttribute.size() + 1, end - at - kAttribute.size() - 1));
}

// One file of the installed effect.
struct Installed {
  std::string from;  // where it comes from
  std::string name;  // in the effect's folder
  bool program;
  std::string data;
};

void Told(std::FILE* out, const std::string& target) {
  std::fprintf(out,
               "installed the Evenhue effect in %s\n"
               "restart Inkscape, then use Extensions \xe2\x80\xba Color \xe2\x80\xba Evenhue "
               "(remove the folder to uninstall)\n",
               target.c_str());
}

// Throws, in Inkscape's words (its users never typed --select), when a
// selected id names no object of the drawing; returns otherwise.
void CheckSelection(const std::string& named, const std::string& text, const std::vector<std::string>& ids) {
  std::optional<svg::SvgDocument> document;
  try {
    document.emplace(svg::SvgDocument::Parse(text));
  } catch (const svg::SvgError&) {
    return;  // the run's own error says what is wrong
  }
  for (const std::string& id : ids)
    if (!document->FindById(id)) throw InputError(named + "the selected object '" + id + "' is not in the drawing");
}

// The one line (Inkscape shows it in a message box) for a run that re-spaced nothing.
std::string NothingDone(const ApplyResult& result, bool selection) {
  const std::string what = selection ? "the selection" : "the drawing";
  std::string line = "notice: nothing was re-spaced: ";
  if (result.gradientPaints == 0) return line + what + " has no fill or stroke painted with a gradient";
  line += "the " + std::to_string(result.gradientPaints) + (result.gradientPaints == 1 ? " gradient paint of " : " gradient paints of ") +
          what + (result.gradientPaints == 1 ? " was left alone" : " were left alone");
  if (!result.warnings.empty()) {
    line += " (" + result.warnings.front();
    if (result.warnings.size() > 1) line += "; " + std::to_string(result.warnings.size() - 1) + " more warnings";
    line += ")";
  }
  return line;
}

}  // namespace

int RunInkscapeEffect(const std::vector<std::string>& args, const std::string& pluginPath) {
  std::vector<std::string> ids;
  std::string path;
  bool smoothEdges = false;
  for (const std::string& a : args) {
    if (a == "--smooth-edges") {
      smoothEdges = true;
    } else if (a.rfind(kIdOption, 0) == 0) {
      if (a.size() == kIdOption.size()) throw UsageError("inkscape: --id= needs an id");
      ids.push_back(a.substr(kIdOption.size()));
    } else if (a.rfind(kSelectedNodesOption, 0) == 0) {
      continue;
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("inkscape: unknown option " + a);
    } else if (path.empty()) {
      path = a;
    } else {
      throw UsageError("inkscape: more than one document (" + path + ", " + a + ")");
    }
  }
  if (path.empty()) throw UsageError("inkscape: no document");

  ApplyRequest request;
  try {
    request.text = svg::ReadDocument(path, svg::Limits{}.maxBytes).text;
  } catch (const svg::FileError& e) {
    throw InputError(e.what());
  }
  const std::string name = DocumentName(request.text);
  request.name = name.empty() ? "the drawing" : name;
  request.pluginPath = pluginPath;
  // The notices of the effect name the drawing when Inkscape knows its name.
  const std::string named = name.empty() ? "" : name + ": ";
  const bool selection = !ids.empty();
  // Kept to tell, should the run fail, whether a selected object is missing.
  const std::string text = selection ? request.text : std::string();
  request.selectIds = ids;
  request.smoothEdges = smoothEdges;
  Progress quiet(false);  // anything on standard error opens a message box
  ApplyResult result;
  try {
    result = ApplyDocument(std::move(request), quiet);
  } catch (const InputError&) {
    if (selection) CheckSelection(named, text, ids);
    throw;
  }
  try {
    svg::WriteOutput("-", result.output);
  } catch (const svg::FileError& e) {
    throw InputError(e.what());
  }
  if (result.rewritten == 0) std::fprintf(stderr, "evenhue: %s%s\n", named.c_str(), NothingDone(result, selection).c_str());
  return kExitOk;
}

void InstallInkscape(const std::string& folder, const std::string& pluginPath, std::FILE* out) {
  const std::string self = ExecutablePath();
  if (self.empty()) throw InputError("install-inkscape: cannot tell where this command is");
  const std::string source = self.substr(0, self.size() - svg::BaseName(self).size());
  std::vector<Installed> files = {{self, kCommandFileName, true, {}}, {pluginPath, kPluginFileName, false, {}}};
  for (const InkscapeFile& file : kInkscapeFiles) files.push_back({source + file.name, file.name, file.program, {}});
  // Every file is read before anything is written: one missing, nothing is installed.
  for (Installed& file : files) {
    try {
      file.data = svg::ReadInput(file.from, std::uint64_t{1} << 30);
    } catch (const svg::FileError& e) {
      throw InputError(std::string(e.what()) + " (build the command first: cmake --build --preset release)");
    }
  }
  MakeDirectories(folder);
  // The new install is made whole in a folder beside its place, then put there in one step.
  const std::string target = svg::JoinPath(folder, kInkscapeFolder);
  try {
    svg::TemporaryFolder made(svg::JoinPath(folder, std::string(".") + kInkscapeFolder + "-install-XXXXXX"));
    for (const Installed& file : files) WriteInstalledFile(svg::JoinPath(made.path(), file.name), file.data, file.program);
    PutInstallInPlace(made, target);
  } catch (const svg::FileError& e) {
    throw InputError(e.what());
  }
  Told(out, target);
}

}  // namespace evenhue::cli
