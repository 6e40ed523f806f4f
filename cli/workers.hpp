// Worker processes of the command. The stand-in host's suites are plain
// function tables without a user pointer and the plug-in keeps its suite
// pointers in its own globals, so one host is active per process: work that
// runs on every core runs in child processes, each with a host of its own.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <utility>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace evenhue::cli {

// The most worker processes a command starts, whatever --jobs asks.
inline constexpr unsigned kMaxWorkers = 256;

// The cores this process may run on (at least 1).
unsigned CoresAvailable();

// A child process and this process's end of the socket pair between them.
struct WorkerProcess {
  pid_t pid = -1;
  int fd = -1;
};

// Forks a worker that runs work(fd) on its end of a new socket pair and exits
// with what it returns, without returning here (nor running destructors). In
// the child, SIGPIPE is ignored, `closeInChild` are closed, and the child is
// sent SIGTERM should this process end first. Returns nothing when the
// socket pair or the process cannot be had (errno tells why).
std::optional<WorkerProcess> StartWorker(const std::function<int(int)>& work, const std::vector<int>& closeInChild);

// Writes all of `data` to `fd` (a socket: no SIGPIPE), waiting as needed;
// false on an error.
bool SendAll(int fd, std::string_view data);
// Reads exactly `size` bytes; false at the end of the stream or on an error.
bool ReceiveAll(int fd, char* data, std::size_t size);

// Waits for the process `pid` to end (through interruptions) and returns its
// status as waitpid has it.
int WaitFor(pid_t pid);

// Sends `signal` to each of `pids`.
void SignalAll(const std::vector<pid_t>& pids, int signal);

// The worker processes of one command, each with what this process keeps
// about it (`State`): started, polled, stopped and waited for in one place.
// Every worker is started by StartWorker with the sockets of the others (and
// `closeInChild`) closed in it; what is left when the pool goes is closed and
// waited for, so that no worker outlives it unwaited.
template <class State>
class WorkerPool {
 public:
  // A worker: its process, this process's end of its socket, and `State`.
  struct Member : State {
    pid_t pid = -1;
    int fd = -1;
  };

  explicit WorkerPool(std::vector<int> closeInChild = {}) : closeInChild_(std::move(closeInChild)) {}
  ~WorkerPool() { CloseAndWait(); }
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Starts a worker running work(fd); nothing when it cannot be had (errno tells why).
  Member* Start(const std::function<int(int)>& work) {
    std::vector<int> close = closeInChild_;
    for (const Member& m : members_) close.push_back(m.fd);
    const std::optional<WorkerProcess> started = StartWorker(work, close);
    if (!started) return nullptr;
    Member m;
    m.pid = started->pid;
    m.fd = started->fd;
    members_.push_back(std::move(m));
    return &members_.back();
  }

  std::vector<Member>& members() { return members_; }
  bool empty() const { return members_.empty(); }
  std::size_t size() const { return members_.size(); }

  // The worker at `index` ended (its socket did): closes it, waits for it and
  // forgets it. Returns how it ended, as waitpid has it.
  int End(std::size_t index) {
    Member& m = members_[index];
    ::close(m.fd);
    const int status = WaitFor(m.pid);
    members_.erase(members_.begin() + static_cast<std::ptrdiff_t>(index));
    return status;
  }

  // Sends `signal` to every worker (they stop in the middle of their work).
  void Signal(int signal) const {
    std::vector<pid_t> pids;
    for (const Member& m : members_) pids.push_back(m.pid);
    SignalAll(pids, signal);
  }

  // Closes every worker's socket (which tells it to end), then waits for
  // each; returns how they ended, in the order they were started.
  std::vector<int> CloseAndWait() {
    std::vector<Member> members = std::move(members_);
    members_.clear();
    for (const Member& m : members) ::close(m.fd);
    std::vector<int> statuses;
    for (const Member& m : members) statuses.push_back(WaitFor(m.pid));
    return statuses;
  }

 private:
  std::vector<int> closeInChild_;
  std::vector<Member> members_;
};

// How a waited-for process ended: "exit status N" or "signal N (Name)".
std::string EndText(int status);

}  // namespace evenhue::cli
