// The POSIX half of installing the Inkscape effect: where Inkscape looks for
// extensions, files written with their modes, and the new install swapped
// for the old one in one step.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "cli/inkscape.hpp"
#include "engine/errors.hpp"

namespace evenhue::cli {

namespace {
constexpr mode_t kProgramMode = 0755;
constexpr mode_t kDataMode = 0644;
constexpr mode_t kFolderMode = 0755;
}  // namespace

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

void WriteInstalledFile(const std::string& path, const std::string& data, bool program) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) throw InputError("cannot write " + path + ": " + std::strerror(errno));
  bool ok = ::fchmod(fd, program ? kProgramMode : kDataMode) == 0;
  for (std::string_view rest = data; ok && !rest.empty();) {
    const ssize_t n = ::write(fd, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) rest.remove_prefix(static_cast<std::size_t>(n));
  }
  if (ok) ok = ::fsync(fd) == 0;
  const int error = errno;
  if (::close(fd) != 0 && ok) ok = false;
  if (!ok) throw InputError("cannot write " + path + ": " + std::strerror(error != 0 ? error : errno));
}

void PutInstallInPlace(svg::TemporaryFolder& made, const std::string& target) {
  if (::chmod(made.path().c_str(), kFolderMode) != 0)
    throw InputError("cannot write " + made.path() + ": " + std::strerror(errno));
  // An existing install is swapped for the new one (and then goes with `made`).
  if (::renameat2(AT_FDCWD, made.path().c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) return;
  const bool installed = errno != ENOENT;
  const std::string old = made.path() + "-old";
  // A file system that cannot swap: the old install steps aside first.
  if (installed && ::rename(target.c_str(), old.c_str()) != 0)
    throw InputError("cannot replace " + target + ": " + std::strerror(errno));
  if (::rename(made.path().c_str(), target.c_str()) != 0) {
    const int error = errno;
    if (installed) ::rename(old.c_str(), target.c_str());
    throw InputError("cannot install into " + target + ": " + std::strerror(error));
  }
  made.Release();
  std::error_code ignored;
  if (installed) std::filesystem::remove_all(old, ignored);
}

}  // namespace evenhue::cli
