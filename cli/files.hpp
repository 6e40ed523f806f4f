// Folders and file identities for the command's outputs.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace evenhue::cli {

// Creates `path` and the folders above it as needed; throws InputError when
// that fails or `path` is not a folder afterwards.
void MakeDirectories(const std::string& path);

// The device and inode of an existing file, so that two names of one file are known as one.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
  auto operator<=>(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The last component of a path ("a/b.svg" -> "b.svg").
std::string BaseName(const std::string& path);

// The absolute, lexically normal form of a path, for comparing names of files that need not exist.
std::string NormalPath(const std::string& path);

}  // namespace evenhue::cli
