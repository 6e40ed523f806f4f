// Reading inputs and writing outputs whole or not at all.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace evenhue::svg {

// An input or output that could not be read or written; the message names the
// file and the reason.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the whole file ("-" is standard input). Refuses more than `maxBytes`.
std::string ReadInput(const std::string& path, std::uint64_t maxBytes);

// Writes `data` to `path` ("-" is standard output). A regular file (or a path
// that does not exist yet) is written to a temporary file in the same folder
// and renamed into place, so that it is never left half-written and keeps its
// permissions; a symbolic link is followed to its target. Anything else
// (pipes, terminals, devices) is written directly. Every failure throws.
void WriteOutput(const std::string& path, std::string_view data);

// Whether two paths name the same existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace evenhue::svg
