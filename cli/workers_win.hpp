// Worker processes of the command on Windows. As elsewhere, one host is
// active per process, so work that runs on every core runs in other
// processes: here copies of evenhue.exe itself, started with a reserved first
// argument, each reading its standard input from a pipe of this process and
// writing its standard output to another. They run in a job object that ends
// them should this process end first, and are waited for.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "cli/cores.hpp"
#include "cli/workers_common.hpp"

namespace evenhue::cli {

// The first argument of a worker process: never one of the command's own,
// and not in its usage text. The second one names what the worker does.
inline constexpr char kWorkerArgument[] = "--evenhue-worker-process";

// The entries of the workers (batch_win.cpp, respace_pool_win.cpp): their
// arguments after the worker's role; each returns the exit status.
int RunBatchWorker(const std::vector<std::string>& args);
int RunRespaceWorker(const std::vector<std::string>& args);

// The signal that a console event stands for (files_win.cpp): Ctrl-C SIGINT,
// Ctrl-Break SIGTERM, the console closing or the session ending SIGHUP's 1.
int SignalOfConsoleEvent(DWORD event);

// A handle as a worker's argument, and back.
std::wstring HandleArgument(HANDLE handle);
HANDLE HandleFromArgument(const std::string& text);

// A handle this process owns and closes once.
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE h) : h_(h) {}
  ~OwnedHandle() { Reset(); }
  OwnedHandle(OwnedHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  OwnedHandle& operator=(OwnedHandle&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h = nullptr) {
    if (*this) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

// A worker process as StartWorkerProcess made it: its process, and this
// process's ends of the pipes to its standard input and from its standard output.
struct StartedProcess {
  OwnedHandle process;
  OwnedHandle input;
  OwnedHandle output;
};

// A job object whose processes end when its last handle closes; nothing when
// none can be had (the workers are then still waited for, only not ended
// with this process).
OwnedHandle MakeWorkerJob();

// Starts this program as `kWorkerArgument role args...` in `job` (if any),
// its standard error this process's. It inherits the handles this process
// has made inheritable (the batch's shared block and stop event, named in
// `args`) and its own pipes' ends, which are inheritable only while it
// starts: no worker holds another's pipe. Nothing when it cannot be started
// (GetLastError tells why).
std::optional<StartedProcess> StartWorkerProcess(HANDLE job, const std::wstring& role,
                                                 const std::vector<std::wstring>& args);

// Writes all of `data` to `handle`, waiting as needed; false on an error.
bool WriteHandle(HANDLE handle, std::string_view data);

// The worker processes of one command, each with what this process keeps
// about it (`State`). A thread per worker reads what it writes into a queue;
// Serve waits for that queue (or Wake), hands each worker's bytes to
// `Events::received` and tells `Events::ended` of each worker whose output
// ended, once it has been waited for. What is left when the pool goes has
// its input closed and is waited for.
template <class State>
class ProcessPool {
 public:
  struct Member : State {
    std::uint64_t key = 0;
    OwnedHandle process;
    OwnedHandle input;     // to its standard input
    std::string received;  // bytes from it, not yet taken
    std::thread reader;
  };

  struct Events {
    // Bytes from `m` were added to m.received; false when they are not this
    // program's worker's: it is then ended.
    std::function<bool(Member& m)> received;
    // `m` ended and has been waited for and forgotten; `status` is its exit code.
    std::function<void(const Member& m, int status)> ended;
  };

  ProcessPool() : job_(MakeWorkerJob()) {}
  ~ProcessPool() { CloseAndWait(); }
  ProcessPool(const ProcessPool&) = delete;
  ProcessPool& operator=(const ProcessPool&) = delete;

  // Starts a worker with `role` and `args`; nothing when it cannot be had
  // (GetLastError tells why).
  Member* Start(const std::wstring& role, const std::vector<std::wstring>& args) {
    std::optional<StartedProcess> started = StartWorkerProcess(job_.get(), role, args);
    if (!started) return nullptr;
    Member& m = members_.emplace_back();
    m.key = ++keys_;
    m.process = std::move(started->process);
    m.input = std::move(started->input);
    m.reader = std::thread([this, key = m.key, from = std::make_shared<OwnedHandle>(std::move(started->output))] {
      std::string block(1 << 16, '\0');
      DWORD n = 0;
      while (ReadFile(from->get(), block.data(), static_cast<DWORD>(block.size()), &n, nullptr) && n > 0)
        Post(key, std::string(block.data(), n));
      Post(key, std::nullopt);
    });
    return &m;
  }

  std::list<Member>& members() { return members_; }
  bool empty() const { return members_.empty(); }
  std::size_t size() const { return members_.size(); }

  // Writes `bytes` to the standard input of `m` (waiting while its pipe is
  // full: the reader threads go on meanwhile); false when it is gone.
  bool Send(Member& m, std::string_view bytes) { return WriteHandle(m.input.get(), bytes); }

  // From any thread: the next Serve returns without waiting.
  void Wake() {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
    ready_.notify_one();
  }

  // Waits up to `timeoutMs` (-1: no limit) for something from a worker or a
  // Wake, then serves what came.
  void Serve(int timeoutMs, const Events& events) {
    std::vector<Message> messages;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const auto come = [this] { return !queue_.empty() || woken_; };
      if (timeoutMs < 0) ready_.wait(lock, come);
      else ready_.wait_for(lock, std::chrono::milliseconds(timeoutMs), come);
      messages.swap(queue_);
      woken_ = false;
    }
    for (Message& message : messages) {
      const auto at = Find(message.key);
      if (at == members_.end()) continue;
      if (message.bytes) {
        at->received += *message.bytes;
        if (events.received(*at)) continue;
        TerminateProcess(at->process.get(), 1);
      }
      End(at, events);
    }
  }

  // Closes every worker's input (which tells it to end), then waits for
  // each; returns their exit codes, in the order they were started.
  std::vector<int> CloseAndWait() {
    for (Member& m : members_) m.input.Reset();
    std::vector<int> statuses;
    while (!members_.empty()) {
      statuses.push_back(Reap(members_.begin()));
      members_.erase(members_.begin());
    }
    return statuses;
  }

 private:
  struct Message {
    std::uint64_t key;
    std::optional<std::string> bytes;  // nothing: its output ended
  };

  void Post(std::uint64_t key, std::optional<std::string> bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({key, std::move(bytes)});
    ready_.notify_one();
  }

  typename std::list<Member>::iterator Find(std::uint64_t key) {
    for (auto at = members_.begin(); at != members_.end(); ++at)
      if (at->key == key) return at;
    return members_.end();
  }

  // Closes the input of the worker at `at` and waits for it to end; its exit code.
  int Reap(typename std::list<Member>::iterator at) {
    at->input.Reset();
    WaitForSingleObject(at->process.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(at->process.get(), &code);
    if (at->reader.joinable()) at->reader.join();  // its output ends with it
    return static_cast<int>(code);
  }

  void End(typename std::list<Member>::iterator at, const Events& events) {
    const int status = Reap(at);
    const Member m = std::move(*at);
    members_.erase(at);
    events.ended(m, status);
  }

  OwnedHandle job_;
  std::list<Member> members_;
  std::uint64_t keys_ = 0;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<Message> queue_;
  bool woken_ = false;
};

}  // namespace evenhue::cli
