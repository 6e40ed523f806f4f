#include "cli/workers.hpp"

#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/errors.hpp"

namespace evenhue::cli {

unsigned CoresAvailable() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return static_cast<unsigned>(CPU_COUNT(&set));
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<unsigned>(online) : 1u;
}

std::optional<WorkerProcess> StartWorker(const std::function<int(int)>& work, const std::vector<int>& closeInChild) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return std::nullopt;
  std::fflush(nullptr);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    const int error = errno;
    ::close(ends[0]);
    ::close(ends[1]);
    errno = error;
    return std::nullopt;
  }
  if (pid == 0) {
    ::signal(SIGPIPE, SIG_IGN);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(1);  // the parent is already gone
    ::close(ends[0]);
    for (const int fd : closeInChild) ::close(fd);
    int status = 1;
    try {
      status = work(ends[1]);
    } catch (...) {
    }
    ::_exit(status);
  }
  ::close(ends[1]);
  return WorkerProcess{pid, ends[0]};
}

bool SendAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool ReceiveAll(int fd, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

void SignalAll(const std::vector<pid_t>& pids, int signal) {
  for (const pid_t pid : pids) ::kill(pid, signal);
}

bool PollFor(std::vector<pollfd>& fds, int timeoutMs) {
  if (::poll(fds.data(), fds.size(), timeoutMs) >= 0) return true;
  if (errno != EINTR) throw InputError(std::string("cannot wait for the workers: ") + std::strerror(errno));
  for (pollfd& fd : fds) fd.revents = 0;
  return false;
}

bool EndedCleanly(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

std::optional<int> RunAsWorker(const std::vector<std::string>&) { return std::nullopt; }  // workers are forked here

std::string EndText(int status) {
  if (!WIFSIGNALED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  const int signal = WTERMSIG(status);
  const char* name = ::strsignal(signal);
  return "signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : std::string());
}

}  // namespace evenhue::cli
