// What the Windows build of the command does not do yet: the demo needs what
// is not built for Windows. It says so in one line.
#include "cli/demo.hpp"
#include "engine/errors.hpp"

namespace evenhue::cli {

namespace {
[[noreturn]] void NotYet(const std::string& what) {
  throw UsageError(what + " is not available in the Windows build yet");
}
}  // namespace

void RunDemo(const std::string&, const std::string&, std::FILE*, Progress&) { NotYet("demo"); }

}  // namespace evenhue::cli
