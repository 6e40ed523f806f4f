// Worker processes of the command. The stand-in host's suites are plain
// function tables without a user pointer and the plug-in keeps its suite
// pointers in its own globals, so one host is active per process: work that
// runs on every core runs in child processes, each with a host of its own.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/cores.hpp"
#include "cli/workers_common.hpp"

namespace evenhue::cli {


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

// Waits for the process `pid` to end (through interruptions) and returns its
// status as waitpid has it.
int WaitFor(pid_t pid);

// Sends `signal` to each of `pids`.
void SignalAll(const std::vector<pid_t>& pids, int signal);

// poll(2) over `fds` for up to `timeoutMs` (-1: no limit). False when a signal
// cut the wait short (every `revents` is cleared then); any other failure
// throws InputError.
bool PollFor(std::vector<pollfd>& fds, int timeoutMs);

// The worker processes of one command, each with what this process keeps
// about it (`State`): started, fed, read, stopped and waited for in one place.
// Every worker is started by StartWorker with the sockets of the others (and
// `closeInChild`) closed in it; what is left when the pool goes is closed and
// waited for, so that no worker outlives it unwaited.
//
// A round is Wait, then Serve: Serve sends what is queued for each worker as
// far as its socket takes it, reads what each wrote and ends the workers whose
// socket ended, telling `Events` about both. What a worker is given, and what
// becomes of its answers and of its work when it dies, is the caller's.
template <class State>
class WorkerPool {
 public:
  // A worker: its process, this process's end of its socket, the bytes
  // between them, and `State`.
  struct Member : State {
    pid_t pid = -1;
    int fd = -1;
    std::string received;  // bytes from it, not yet taken (TakeMessages)
    std::string outgoing;  // bytes for it, from `sent` on (SendQueued)
    std::size_t sent = 0;
  };

  struct Events {
    // Bytes from `m` were added to m.received; false when they are not this
    // program's worker's: it is then ended as though its socket had.
    std::function<bool(Member& m)> received;
    // `m` ended (its socket did) and has been waited for and forgotten;
    // `status` is how it ended, as waitpid has it.
    std::function<void(const Member& m, int status)> ended;
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

  // Waits up to `timeoutMs` (-1: no limit) for a worker to write or end, for
  // room in the socket of one with bytes queued, or for an event of `others`
  // (their `revents` are filled in). False when a signal cut the wait short:
  // nothing is ready then. Serve follows, with no worker started in between.
  bool Wait(std::span<pollfd> others, int timeoutMs) {
    polled_.assign(others.begin(), others.end());
    for (const Member& m : members_)
      polled_.push_back({m.fd, static_cast<short>(POLLIN | (m.sent < m.outgoing.size() ? POLLOUT : 0)), 0});
    const bool ready = PollFor(polled_, timeoutMs);
    for (std::size_t i = 0; i < others.size(); ++i) others[i].revents = polled_[i].revents;
    others_ = others.size();
    return ready;
  }

  // What the last Wait found ready: the queued bytes go out, what came in is
  // told to `events.received` (one read a worker), and the workers that ended
  // are waited for and told to `events.ended`, which may start others.
  void Serve(const Events& events) {
    std::vector<pid_t> ended;
    for (std::size_t i = 0; i < members_.size() && others_ + i < polled_.size(); ++i) {
      Member& m = members_[i];
      const short revents = polled_[others_ + i].revents;
      if (revents & POLLOUT) SendQueued(m);
      if ((revents & ~POLLOUT) != 0 && !Receive(m, events)) ended.push_back(m.pid);
    }
    polled_.clear();
    for (const pid_t pid : ended) {
      const auto at = std::find_if(members_.begin(), members_.end(), [&](const Member& m) { return m.pid == pid; });
      const Member m = std::move(*at);
      members_.erase(at);
      ::close(m.fd);
      events.ended(m, WaitFor(m.pid));
    }
  }

  // Sends what the socket of `m` takes of its queued bytes without waiting;
  // the rest goes when Wait finds room.
  void SendQueued(Member& m) {
    while (m.sent < m.outgoing.size()) {
      const ssize_t n =
          ::send(m.fd, m.outgoing.data() + m.sent, m.outgoing.size() - m.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // full for now, or the worker is gone (its end shows when read)
      m.sent += static_cast<std::size_t>(n);
    }
    m.outgoing.clear();
    m.sent = 0;
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
  // Reads what `m` wrote; false at its end.
  bool Receive(Member& m, const Events& events) {
    char block[1 << 16];
    const ssize_t n = ::read(m.fd, block, sizeof block);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    if (n == 0) return false;
    m.received.append(block, static_cast<std::size_t>(n));
    return events.received(m);
  }

  std::vector<int> closeInChild_;
  std::vector<Member> members_;
  std::vector<pollfd> polled_;  // what the last Wait polled: `others_` of the caller's, then the members'
  std::size_t others_ = 0;
};

}  // namespace evenhue::cli
