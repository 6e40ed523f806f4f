#include "cli/files.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "cli/errors.hpp"

namespace evenhue::cli {

void MakeDirectories(const std::string& path) {
  std::string prefix;
  std::size_t start = 0;
  while (start <= path.size()) {
    const auto slash = path.find('/', start);
    prefix = path.substr(0, slash == std::string::npos ? path.size() : slash);
    start = slash == std::string::npos ? path.size() + 1 : slash + 1;
    if (prefix.empty()) continue;
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
      throw InputError("cannot create " + prefix + ": " + std::strerror(errno));
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) throw InputError(path + " is not a folder");
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (path == "-" || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

std::string BaseName(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const auto slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string NormalPath(const std::string& path) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

}  // namespace evenhue::cli
