#include "svg/file_io.hpp"
#include "svg/temporary_files.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace evenhue::svg {

const std::string_view kPathSeparators = "/";

namespace {

std::string Shown(const std::string& path) { return path == "-" ? "standard input" : path; }

[[noreturn]] void Fail(const std::string& what, int error) {
  throw FileError(what + ": " + std::strerror(error));
}

bool WriteAll(int fd, std::string_view data, int& error) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// --- The temporary files and folders of this process -------------------------------------

using namespace temporary;

}  // namespace

namespace temporary {

static_assert(sizeof(sigset_t) <= sizeof(unsigned char[128]) && alignof(sigset_t) <= 8);

Hold::Hold() : lock_(gRegistry->mutex), saved_{} {
  sigset_t asynchronous;
  sigfillset(&asynchronous);
  for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS}) sigdelset(&asynchronous, s);
  ::pthread_sigmask(SIG_BLOCK, &asynchronous, reinterpret_cast<sigset_t*>(saved_));
}

Hold::~Hold() { ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(saved_), nullptr); }

void RemoveFile(const std::string& path) {
  Hold hold;
  ::unlink(path.c_str());
  Forget(path);
}

}  // namespace temporary

void RemoveTemporaryFiles(bool inHandler) noexcept {
  // Held for good: the process is about to end.
  if (!inHandler) gRegistry->mutex.lock();
  for (const Registered& r : gRegistry->entries) {
    if (!r.folder) {
      ::unlink(r.path.c_str());
    } else if (!inHandler) {
      std::error_code ignored;
      std::filesystem::remove_all(r.path, ignored);
    }
  }
}

TemporaryFolder::TemporaryFolder(std::string pattern) {
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  Hold hold;
  if (!::mkdtemp(name.data())) {
    const auto slash = pattern.rfind('/');
    Fail("cannot create a temporary folder in " + (slash == std::string::npos ? "." : pattern.substr(0, slash)), errno);
  }
  path_.assign(name.data());
  try {
    gRegistry->entries.push_back({path_, true});
  } catch (...) {
    ::rmdir(path_.c_str());
    throw;
  }
}

TemporaryFolder::~TemporaryFolder() {
  if (released_) return;
  Hold hold;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  Forget(path_);
}

InputFile::InputFile(const std::string& path, std::uint64_t maxBytes) : shown_(Shown(path)), maxBytes_(maxBytes) {
  owned_ = path != "-";
  fd_ = owned_ ? ::open(path.c_str(), O_RDONLY | O_CLOEXEC) : STDIN_FILENO;
  if (fd_ < 0) Fail("cannot open " + shown_, errno);
  Fd closing(owned_ ? fd_ : -1);  // until the file is known to be readable
  struct stat st {};
  if (::fstat(fd_, &st) != 0) Fail("cannot read " + shown_, errno);
  if (S_ISDIR(st.st_mode)) throw FileError("cannot read " + shown_ + ": it is a directory");
  if (S_ISREG(st.st_mode)) size_ = static_cast<std::uint64_t>(st.st_size);
  if (size_ > maxBytes) throw FileError(TooLargeMessage(shown_, maxBytes));
  closing.release();
}

InputFile::~InputFile() {
  if (owned_) ::close(fd_);
}

std::size_t InputFile::ReadSome(char* into, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, into, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) Fail("cannot read " + shown_, errno);
  }
}

PendingOutput::PendingOutput(const std::string& path, std::string_view data) : path_(path), target_(path), data_(data) {
  if (path == "-") return;

  // Follow a symbolic link so that the file it points to is replaced, not the link.
  struct stat st {};
  bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) target_ = resolved;
  } else if (errno != ENOENT) {
    Fail("cannot write " + path, errno);
  }

  if (exists && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) throw FileError("cannot write " + path + ": it is a directory");
    return;  // a device, pipe or socket: written by Commit()
  }

  const auto slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target_.substr(0, slash));
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string temp = folder + "/." + name + ".evenhue-XXXXXX";
  std::vector<char> pattern(temp.begin(), temp.end());
  pattern.push_back('\0');
  int made = -1;
  {
    Hold hold;
    made = ::mkstemp(pattern.data());
    if (made >= 0) {
      temp.assign(pattern.data());
      try {
        gRegistry->entries.push_back({temp, false});
      } catch (...) {
        ::unlink(temp.c_str());
        ::close(made);
        throw;
      }
    }
  }
  Fd fd(made);
  if (fd.get() < 0) Fail("cannot write " + path + " (temporary file in " + folder + ")", errno);

  auto abandon = [&](const std::string& what, int error) {
    RemoveFile(temp);
    Fail(what, error);
  };
  // The new file gets the old one's permissions, or the usual ones for a new file.
  mode_t mode = 0666;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  if (::fchmod(fd.get(), mode) != 0) abandon("cannot write " + path, errno);
  int error = 0;
  if (!WriteAll(fd.get(), data, error)) abandon("cannot write " + path, error);
  if (::fsync(fd.get()) != 0) abandon("cannot write " + path, errno);
  if (::close(fd.release()) != 0) abandon("cannot write " + path, errno);
  temp_ = temp;
}

void PendingOutput::Commit() {
  if (done_) return;
  done_ = true;
  int error = 0;
  if (path_ == "-") {
    if (!WriteAll(STDOUT_FILENO, data_, error)) Fail("cannot write standard output", error);
    return;
  }
  if (temp_.empty()) {
    Fd fd(::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (fd.get() < 0) Fail("cannot write " + path_, errno);
    if (!WriteAll(fd.get(), data_, error)) Fail("cannot write " + path_, error);
    if (::close(fd.release()) != 0) Fail("cannot write " + path_, errno);
    return;
  }
  Hold hold;
  Rename();
}

void PendingOutput::Rename() {
  done_ = true;
  const bool renamed = ::rename(temp_.c_str(), target_.c_str()) == 0;
  const int error = errno;
  if (!renamed) ::unlink(temp_.c_str());
  Forget(temp_);
  if (!renamed) Fail("cannot write " + path_, error);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (path == "-" || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

std::string NormalPath(const std::string& path) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

}  // namespace evenhue::svg
