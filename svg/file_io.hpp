// Reading inputs and writing outputs whole or not at all.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace evenhue::svg {

// An input or output that could not be read or written; the message names the
// file and the reason.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the whole file ("-" is standard input). Refuses more than `maxBytes`.
std::string ReadInput(const std::string& path, std::uint64_t maxBytes);
// The message a file larger than `maxBytes` (`decompressed`: once
// decompressed) is refused with, naming it `shown`.
std::string TooLargeMessage(const std::string& shown, std::uint64_t maxBytes, bool decompressed = false);

// An input file ("-" is standard input) read in pieces, of which it refuses
// more than `maxBytes` in all (a regular file larger than that at once).
// Every failure throws FileError naming the file.
class InputFile {
 public:
  InputFile(const std::string& path, std::uint64_t maxBytes);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& shown() const { return shown_; }  // its name in messages
  // Reads up to `size` bytes into `into`; 0 at the end.
  std::size_t Read(char* into, std::size_t size);
  // Appends the rest of the file to `data`.
  void ReadRest(std::string& data);

 private:
  // One read of the platform's (through interruptions); throws on an error.
  std::size_t ReadSome(char* into, std::size_t size);

  std::string shown_;
  int fd_ = -1;
  bool owned_ = false;
  std::uint64_t maxBytes_ = 0;
  std::uint64_t read_ = 0;
  std::uint64_t size_ = 0;  // of a regular file, else 0
};

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
  friend void CommitTogether(std::vector<PendingOutput>& outputs);
  void Rename();  // with the registry held

  std::string path_;    // as given
  std::string target_;  // the file a symbolic link points to
  std::string temp_;    // the finished temporary file; empty for direct targets
  std::string_view data_;
  bool done_ = false;
};

// Puts outputs in place together: first those written directly (standard
// output, devices), so that their failure replaces no file, then the renames,
// during which RemoveTemporaryFiles() waits (a signal that ends the process
// finds all of them in place or none).
void CommitTogether(std::vector<PendingOutput>& outputs);  // throws FileError

// --- Names and identities of files ------------------------------------------------------

// The device and inode of an existing file (on Windows its volume and file
// index), so that two names of one file are known as one.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
  auto operator<=>(const FileIdentity&) const = default;
};
// Nothing for "-" (a standard stream) and for a file that cannot be seen.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Whether two paths name the same existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);

// The absolute, lexically normal form of a path, for comparing names of files
// that need not exist (the path as given when it cannot be made absolute). On
// Windows it is upper-cased, as Windows compares file names regardless of case.
std::string NormalPath(const std::string& path);

// Whether two paths name the same file, existing or not, as far as their text tells.
bool SamePath(const std::string& a, const std::string& b);

// The characters that part the folders of a path: '/', and on Windows '\\' too.
extern const std::string_view kPathSeparators;

// The last component of a path ("a/b.svg" -> "b.svg").
std::string BaseName(const std::string& path);

// `name` in `folder` ("" is the current folder).
std::string JoinPath(const std::string& folder, const std::string& name);

// --- Temporary files and signals ------------------------------------------------------
//
// Every temporary file of a PendingOutput (and every folder registered with
// TemporaryFolder) is known from the moment it exists until it is renamed
// into place or removed, so that a signal that ends the process can remove
// what is left.

// Removes every temporary file and folder not yet in place. Meant for code
// about to end the process: in a process of several threads, it first waits
// until no temporary file is being made or renamed and keeps it so for good
// (no output is put in place afterwards). With `inHandler` (a signal handler
// of a process with one thread, which cannot wait) it neither waits nor
// removes folders, and is async-signal-safe.
void RemoveTemporaryFiles(bool inHandler) noexcept;

// A temporary folder, registered as above while the object lives; Release()
// once it has been renamed into place (or removed).
class TemporaryFolder {
 public:
  // Makes the folder from `pattern`, a path ending in XXXXXX (as mkdtemp); throws FileError.
  explicit TemporaryFolder(std::string pattern);
  ~TemporaryFolder();  // removes the folder and what it holds, unless released
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::string& path() const { return path_; }
  void Release();

 private:
  std::string path_;
  bool released_ = false;
};

}  // namespace evenhue::svg
