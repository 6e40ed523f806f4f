// Files on Windows: UTF-8 names through the wide-character API, outputs
// written beside their target and moved over it in one step.
#include "svg/file_io.hpp"
#include "svg/temporary_files.hpp"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "windows/native_path.hpp"

namespace evenhue::svg {

const std::string_view kPathSeparators = "/\\";

namespace {

std::string Shown(const std::string& path) { return path == "-" ? "standard input" : path; }

[[noreturn]] void Fail(const std::string& what, int error) {
  throw FileError(what + ": " + std::strerror(error));
}

[[noreturn]] void FailWindows(const std::string& what, DWORD error) { throw FileError(what + ": " + winres::SystemMessage(error)); }

bool WriteAll(int fd, std::string_view data, int& error) {
  while (!data.empty()) {
    const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(data.size(), 1u << 30));
    const int n = ::_write(fd, data.data(), chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool WriteAll(HANDLE file, std::string_view data, DWORD& error) {
  while (!data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, data.data(), chunk, &written, nullptr)) {
      error = GetLastError();
      return false;
    }
    data.remove_prefix(written);
  }
  return true;
}

// A name no other file of this folder is likely to have: the process, the
// time and a counter, six letters as mkstemp's XXXXXX would give.
std::string UniqueLetters() {
  static std::atomic<unsigned long long> counter{0};
  unsigned long long seed = (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^ GetTickCount64() ^
                            (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string out;
  for (int i = 0; i < 6; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    out += kLetters[(seed >> 33) % (sizeof kLetters - 1)];
  }
  return out;
}

// --- The temporary files and folders of this process -------------------------------------

using namespace temporary;

}  // namespace

namespace temporary {

// Console events arrive on a thread of their own, which takes the same lock:
// nothing more to hold off.
Hold::Hold() : lock_(gRegistry->mutex), saved_{} {}
Hold::~Hold() = default;

void RemoveFile(const std::string& path) {
  Hold hold;
  DeleteFileW(winres::ToNativePath(path).c_str());
  Forget(path);
}

}  // namespace temporary

void RemoveTemporaryFiles(bool inHandler) noexcept {
  (void)inHandler;  // a console event runs on a thread of its own, which may wait
  gRegistry->mutex.lock();  // held for good: the process is about to end
  for (const Registered& r : gRegistry->entries) {
    if (!r.folder) {
      DeleteFileW(winres::ToNativePath(r.path).c_str());
    } else {
      std::error_code ignored;
      std::filesystem::remove_all(std::filesystem::path(winres::ToNativePath(r.path)), ignored);
    }
  }
}

TemporaryFolder::TemporaryFolder(std::string pattern) {
  const auto slash = pattern.find_last_of(kPathSeparators);
  const std::string stem = pattern.substr(0, pattern.size() - std::min<std::size_t>(6, pattern.size()));
  Hold hold;
  for (int attempt = 0;; ++attempt) {
    const std::string path = stem + UniqueLetters();
    if (CreateDirectoryW(winres::ToNativePath(path).c_str(), nullptr)) {
      path_ = path;
      break;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS || attempt > 100)
      FailWindows("cannot create a temporary folder in " + (slash == std::string::npos ? "." : pattern.substr(0, slash)),
                  error);
  }
  try {
    gRegistry->entries.push_back({path_, true});
  } catch (...) {
    RemoveDirectoryW(winres::ToNativePath(path_).c_str());
    throw;
  }
}

TemporaryFolder::~TemporaryFolder() {
  if (released_) return;
  Hold hold;
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(winres::ToNativePath(path_)), ignored);
  Forget(path_);
}

InputFile::InputFile(const std::string& path, std::uint64_t maxBytes) : shown_(Shown(path)), maxBytes_(maxBytes) {
  owned_ = path != "-";
  if (owned_) {
    const std::wstring native = winres::ToNativePath(path);
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      throw FileError("cannot read " + shown_ + ": it is a directory");
    fd_ = ::_wopen(native.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd_ < 0) Fail("cannot open " + shown_, errno);
  } else {
    fd_ = _fileno(stdin);
    ::_setmode(fd_, _O_BINARY);
  }
  struct _stat64 st {};
  if (::_fstat64(fd_, &st) != 0) {
    const int error = errno;
    if (owned_) ::_close(fd_);
    Fail("cannot read " + shown_, error);
  }
  if ((st.st_mode & _S_IFMT) == _S_IFREG) size_ = static_cast<std::uint64_t>(st.st_size);
  if (size_ > maxBytes) {
    if (owned_) ::_close(fd_);
    throw FileError(TooLargeMessage(shown_, maxBytes));
  }
}

InputFile::~InputFile() {
  if (owned_) ::_close(fd_);
}

std::size_t InputFile::ReadSome(char* into, std::size_t size) {
  for (;;) {
    const int n = ::_read(fd_, into, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) Fail("cannot read " + shown_, errno);
  }
}

PendingOutput::PendingOutput(const std::string& path, std::string_view data) : path_(path), target_(path), data_(data) {
  if (path == "-") return;

  const DWORD attributes = GetFileAttributesW(winres::ToNativePath(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw FileError("cannot write " + path + ": it is a directory");

  const auto slash = target_.find_last_of(kPathSeparators);
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target_.substr(0, slash));
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  {
    Hold hold;
    DWORD error = 0;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE; ++attempt) {
      temp = folder + "/." + name + ".evenhue-" + UniqueLetters();
      file = CreateFileW(winres::ToNativePath(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS || attempt > 100)
          FailWindows("cannot write " + path + " (temporary file in " + folder + ")", error);
      }
    }
    try {
      gRegistry->entries.push_back({temp, false});
    } catch (...) {
      CloseHandle(file);
      DeleteFileW(winres::ToNativePath(temp).c_str());
      throw;
    }
  }
  DWORD error = 0;
  const bool written = WriteAll(file, data, error) && (FlushFileBuffers(file) || ((error = GetLastError()), false));
  if (!CloseHandle(file) && written) error = GetLastError();
  if (!written || error != 0) {
    RemoveFile(temp);
    FailWindows("cannot write " + path, error);
  }
  temp_ = temp;
}

void PendingOutput::Commit() {
  if (done_) return;
  done_ = true;
  int error = 0;
  if (path_ == "-") {
    // The bytes as they are: no carriage return before each line feed.
    std::fflush(stdout);
    const int out = _fileno(stdout);
    ::_setmode(out, _O_BINARY);
    if (!WriteAll(out, data_, error)) Fail("cannot write standard output", error);
    return;
  }
  if (temp_.empty()) {
    const int fd = ::_wopen(winres::ToNativePath(path_).c_str(), _O_WRONLY | _O_TRUNC | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) Fail("cannot write " + path_, errno);
    const bool written = WriteAll(fd, data_, error);
    if (::_close(fd) != 0 && written) Fail("cannot write " + path_, errno);
    if (!written) Fail("cannot write " + path_, error);
    return;
  }
  Hold hold;
  Rename();
}

void PendingOutput::Rename() {
  done_ = true;
  const std::wstring temp = winres::ToNativePath(temp_);
  const bool renamed = MoveFileExW(temp.c_str(), winres::ToNativePath(target_).c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  const DWORD error = GetLastError();
  if (!renamed) DeleteFileW(temp.c_str());
  Forget(temp_);
  if (!renamed) FailWindows("cannot write " + path_, error);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  if (path == "-") return std::nullopt;
  HANDLE file = CreateFileW(winres::ToNativePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  if (!known) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::string NormalPath(const std::string& path) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(std::filesystem::path(winres::ToNativePath(path)), error);
  if (error) return path;
  // Through the wide form: the narrow one would pass the ANSI code page,
  // which has no room for most names. Windows compares file names without
  // regard to case, so these are compared upper-cased.
  std::wstring wide = absolute.lexically_normal().wstring();
  CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return winres::ToUtf8(wide);
}

}  // namespace evenhue::svg
