// What the Windows build of the command does not do yet: Inkscape's effect
// and the demo need what is not built for Windows. Each says so in one line.
#include "cli/demo.hpp"
#include "cli/inkscape.hpp"
#include "engine/errors.hpp"

namespace evenhue::cli {

namespace {
[[noreturn]] void NotYet(const std::string& what) {
  throw UsageError(what + " is not available in the Windows build yet");
}
}  // namespace

int RunInkscapeEffect(const std::vector<std::string>&, const std::string&) { NotYet("inkscape"); }
std::string InkscapeExtensionsFolder() { NotYet("install-inkscape"); }
void InstallInkscape(const std::string&, const std::string&, std::FILE*) { NotYet("install-inkscape"); }
void RunDemo(const std::string&, const std::string&, std::FILE*, Progress&) { NotYet("demo"); }

}  // namespace evenhue::cli
