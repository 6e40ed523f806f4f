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
// The message ReadInput refuses a file with that is larger than `maxBytes`,
// naming it `shown`.
std::string TooLargeMessage(const std::string& shown, std::uint64_t maxBytes);

// Writes `data` to `path` ("-" is standard output). A regular file (or a path
// that does not exist yet) is written to a temporary file in the same folder
// and renamed into place, so that it is never left half-written and keeps its
// permissions; a symbolic link is followed to its target. Anything else
// (pipes, terminals, devices) is written directly. Every failure throws.
void WriteOutput(const std::string& path, std::string_view data);

// One output of a run written in two steps, so that the outputs of a run
// appear together or not at all. The constructor writes a regular-file target
// (or a path that does not exist yet) completely to a temporary file in the
// same folder; Commit() renames it into place. Other targets (standard output,
// pipes, devices) are written directly, by Commit(). An output destroyed
// without Commit() leaves nothing behind. `data` must outlive the commit.
class PendingOutput {
 public:
  PendingOutput(const std::string& path, std::string_view data);  // throws FileError
  ~PendingOutput();
  PendingOutput(PendingOutput&& other) noexcept;
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;
  PendingOutput& operator=(PendingOutput&&) = delete;

  // True for targets written only by Commit().
  bool direct() const { return temp_.empty(); }
  void Commit();  // throws FileError

 private:
  std::string path_;    // as given
  std::string target_;  // the file a symbolic link points to
  std::string temp_;    // the finished temporary file; empty for direct targets
  std::string_view data_;
  bool done_ = false;
};

// Whether two paths name the same existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace evenhue::svg
