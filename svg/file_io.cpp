#include "svg/file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace evenhue::svg {

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

}  // namespace

std::string TooLargeMessage(const std::string& shown, std::uint64_t maxBytes) {
  return shown + ": file is larger than the limit of " + std::to_string(maxBytes >> 20) + " MiB";
}

std::string ReadInput(const std::string& path, std::uint64_t maxBytes) {
  const bool isStdin = path == "-";
  Fd owned(isStdin ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  const int fd = isStdin ? STDIN_FILENO : owned.get();
  if (fd < 0) Fail("cannot open " + Shown(path), errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) Fail("cannot read " + Shown(path), errno);
  if (S_ISDIR(st.st_mode)) throw FileError("cannot read " + Shown(path) + ": it is a directory");
  const std::string tooLarge = TooLargeMessage(Shown(path), maxBytes);
  if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > maxBytes) throw FileError(tooLarge);

  std::string data;
  if (S_ISREG(st.st_mode)) data.reserve(static_cast<std::size_t>(st.st_size));
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("cannot read " + Shown(path), errno);
    }
    if (n == 0) break;
    if (data.size() + static_cast<std::size_t>(n) > maxBytes) throw FileError(tooLarge);
    data.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return data;
}

void WriteOutput(const std::string& path, std::string_view data) {
  PendingOutput output(path, data);
  output.Commit();
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
  Fd fd(::mkstemp(pattern.data()));
  if (fd.get() < 0) Fail("cannot write " + path + " (temporary file in " + folder + ")", errno);
  temp.assign(pattern.data());

  auto abandon = [&](const std::string& what, int error) {
    ::unlink(temp.c_str());
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

PendingOutput::PendingOutput(PendingOutput&& other) noexcept
    : path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      data_(other.data_),
      done_(other.done_) {
  other.temp_.clear();
  other.done_ = true;
}

PendingOutput::~PendingOutput() {
  if (!done_ && !temp_.empty()) ::unlink(temp_.c_str());
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
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    error = errno;
    ::unlink(temp_.c_str());
    Fail("cannot write " + path_, error);
  }
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == "-" || b == "-") return false;
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace evenhue::svg
