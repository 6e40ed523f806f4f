#include "cli/inkscape.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "cli/apply.hpp"
#include "cli/errors.hpp"
#include "cli/files.hpp"
#include "cli/session.hpp"
#include "svg/file_io.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::cli {

namespace {

constexpr std::string_view kIdOption = "--id=";
// Inkscape also tells which nodes the node tool has selected; the effect works on whole objects.
constexpr std::string_view kSelectedNodesOption = "--selected-nodes=";
constexpr mode_t kProgramMode = 0755;
constexpr mode_t kDataMode = 0644;

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

std::string Folder(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Copies `from` to `to` whole: written beside it first, then renamed into place.
void InstallFile(const std::string& from, const std::string& to, mode_t mode) {
  std::string data;
  try {
    data = svg::ReadInput(from, std::uint64_t{1} << 30);
  } catch (const svg::FileError& e) {
    throw InputError(std::string(e.what()) + " (build the command first: cmake --build --preset release)");
  }
  std::string temp = to + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw InputError("cannot write " + to + ": " + std::strerror(errno));
  bool ok = ::fchmod(fd, mode) == 0;
  for (std::string_view rest = data; ok && !rest.empty();) {
    const ssize_t n = ::write(fd, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) rest.remove_prefix(static_cast<std::size_t>(n));
  }
  const int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) ok = false;
  if (ok && ::rename(temp.c_str(), to.c_str()) == 0) return;
  const int why = error != 0 ? error : errno;
  ::unlink(temp.c_str());
  throw InputError("cannot write " + to + ": " + std::strerror(why));
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
    request.text = svg::ReadInput(path, svg::Limits{}.maxBytes);
  } catch (const svg::FileError& e) {
    throw InputError(e.what());
  }
  const std::string name = DocumentName(request.text);
  request.name = name.empty() ? "the drawing" : name;
  request.pluginPath = pluginPath;
  request.selectIds = std::move(ids);
  request.smoothEdges = smoothEdges;
  Progress quiet(false);  // anything on standard error would open a dialog
  const ApplyResult result = ApplyDocument(std::move(request), quiet);
  try {
    svg::WriteOutput("-", result.output);
  } catch (const svg::FileError& e) {
    throw InputError(e.what());
  }
  return kExitOk;
}

std::string InkscapeExtensionsFolder() {
  const auto set = [](const char* name) -> std::string {
    const char* value = std::getenv(name);
    return value && *value ? value : "";
  };
  if (const std::string profile = set("INKSCAPE_PROFILE_DIR"); !profile.empty()) return profile + "/extensions";
  if (const std::string config = set("XDG_CONFIG_HOME"); !config.empty()) return config + "/inkscape/extensions";
  if (const std::string home = set("HOME"); !home.empty()) return home + "/.config/inkscape/extensions";
  throw UsageError("install-inkscape: neither HOME nor XDG_CONFIG_HOME is set; give --dir FOLDER");
}

void InstallInkscape(const std::string& folder, const std::string& pluginPath, std::FILE* out) {
  const std::string self = ExecutablePath();
  if (self.empty()) throw InputError("install-inkscape: cannot tell where this command is");
  const std::string source = Folder(self);
  const std::string target = folder + "/" + kInkscapeFolder;
  MakeDirectories(target);
  // The script and the .inx last: Inkscape sees the effect only once what it runs is there.
  InstallFile(self, target + "/evenhue", kProgramMode);
  InstallFile(pluginPath, target + "/" + kPluginFileName, kDataMode);
  for (const InkscapeFile& file : kInkscapeFiles)
    InstallFile(source + "/" + file.name, target + "/" + file.name, file.program ? kProgramMode : kDataMode);
  std::fprintf(out,
               "installed the Evenhue effect in %s\n"
               "restart Inkscape, then use Extensions \xe2\x80\xba Color \xe2\x80\xba Evenhue "
               "(remove the folder to uninstall)\n",
               target.c_str());
}

}  // namespace evenhue::cli
