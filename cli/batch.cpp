#include "cli/batch.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "cli/batch_document.hpp"
#include "cli/batch_wire.hpp"
#include "engine/apply.hpp"
#include "engine/errors.hpp"
#include "cli/files.hpp"
#include "engine/session.hpp"
#include "cli/workers.hpp"
#include "svg/compressed.hpp"
#include "svg/file_io.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::cli {

namespace {

constexpr int kPollMilliseconds = 200;

// --- Shared between the parent and its workers -------------------------------------------

struct Shared {
  std::atomic<std::uint64_t> next{0};  // the next document to take
  std::atomic<bool> halt{false};       // take no more, write nothing more
  std::atomic<int> signal{0};          // the first signal that asked to stop
};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

Shared* gShared = nullptr;  // for a worker's signal handler

// Async-signal-safe: the batch takes no more documents and writes nothing more.
void AskToStop(Shared& shared, int signal) {
  int none = 0;
  shared.signal.compare_exchange_strong(none, signal);
  shared.halt.store(true);
}

// A worker stops at once on an ending signal (the terminal's Ctrl-C reaches
// it as well as the parent; the parent passes on the others): its temporary
// file goes, and it ends by the signal, in the middle of a document or not.
extern "C" void OnWorkerStop(int signal) {
  if (gShared) AskToStop(*gShared, signal);
  svg::RemoveTemporaryFiles(true);
  ::raise(signal);  // the action is the default again (SA_RESETHAND): delivered once this returns
}

sigset_t EndingSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : EndingSignals()) sigaddset(&set, s);
  return set;
}

// A worker's ending signals wait while it exists: from the decision to put a
// result in place until the parent has been told.
class DeferStops {
 public:
  DeferStops() {
    const sigset_t set = EndingSet();
    ::sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~DeferStops() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }
  DeferStops(const DeferStops&) = delete;
  DeferStops& operator=(const DeferStops&) = delete;

 private:
  sigset_t old_{};
};

// --- A worker ----------------------------------------------------------------------------

Outcome ApplyOne(const BatchOptions& options, std::size_t index, const std::string& target,
                 std::unique_ptr<PluginSession>& session, bool details, std::optional<DeferStops>& deferred) {
  return ApplyBatchDocument(options, index, target, session, details, [&] {
    deferred.emplace();  // put in place and told, or neither
    return !gShared->halt.load();
  });
}

// Runs in a worker StartWorker made (SIGPIPE ignored, SIGTERM when the parent
// ends: delivered once the ending signals are unblocked here, so that it ends
// like an interrupted batch).
[[noreturn]] void Work(const BatchOptions& options, const std::vector<std::string>& targets, bool details, int fd) {
  // The ending signals, blocked in the parent's threads, are this worker's own.
  struct sigaction action {};
  action.sa_handler = &OnWorkerStop;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int s : EndingSignals()) ::sigaction(s, &action, nullptr);
  const sigset_t ending = EndingSet();
  ::sigprocmask(SIG_UNBLOCK, &ending, nullptr);
  std::unique_ptr<PluginSession> session;
  while (!gShared->halt.load()) {
    if (!session) {
      try {
        session = std::make_unique<PluginSession>(options.pluginPath);
      } catch (const std::exception& e) {
        Send(fd, Kind::Fatal, 0, e.what());
        ::_exit(kExitBadInput);
      }
    }
    const std::uint64_t index = gShared->next.fetch_add(1);
    if (index >= options.inputs.size()) break;
    if (!Send(fd, Kind::Started, index, {})) break;
    std::optional<DeferStops> deferred;
    const Outcome outcome = ApplyOne(options, index, targets[index], session, details, deferred);
    if (!Send(fd, Kind::Finished, index, Encode(outcome))) break;
    deferred.reset();
    if (session && session->document().artCount() > kSessionArtLimit) session.reset();
  }
  try {
    session.reset();
  } catch (...) {
  }
  ::_exit(kExitOk);
}

// --- The parent --------------------------------------------------------------------------

struct WorkerState {
  std::optional<std::uint64_t> current;  // the document it is working on
};
using Worker = WorkerPool<WorkerState>::Member;

class Batch {
 public:
  // `wake` becomes readable when a stop signal comes.
  Batch(const BatchOptions& options, Shared& shared, int wake)
      : options_(options), shared_(shared), wake_(wake), outcomes_(options.inputs.size()),
        finished_(options.inputs.size()), workers_({wake}) {
    details_ = !options.preview.empty() || !options.report.empty();
  }

  void Run(unsigned workers) {
    progress_.Stage("applying the effect", outcomes_.size());
    for (unsigned k = 0; k < workers; ++k) Spawn();
    const WorkerPool<WorkerState>::Events events{[this](Worker& w) { return Parse(w); },
                                                 [this](const Worker& w, int status) { Ended(w, status); }};
    while (!workers_.empty()) {
      if (shared_.signal.load() != 0) StopWorkers();
      pollfd wake{wake_, POLLIN, 0};
      const bool ready = workers_.Wait({&wake, 1}, kPollMilliseconds);
      progress_.Step(done_);
      if (ready && wake.revents != 0) {
        char bytes[64];
        while (::read(wake_, bytes, sizeof bytes) > 0) {
        }
      }
      workers_.Serve(events);
    }
    Flush(true);
    progress_.Finish();
  }

  int Finish(std::FILE* summary) {
    return FinishBatch(options_, outcomes_, shared_.signal.load(), !fatal_.empty(), progress_, summary);
  }

 private:
  // Interrupted: the workers stop now, in the middle of their documents
  // (each drops its temporary file), rather than after them.
  void StopWorkers() {
    if (stopped_) return;
    stopped_ = true;
    workers_.Signal(shared_.signal.load());
  }

  void Spawn() {
    const auto work = [this](int fd) -> int { Work(options_, options_.targets, details_, fd); };
    if (workers_.Start(work) || !workers_.empty()) return;  // without a new one, the others carry on
    throw InputError(std::string("cannot start a worker: ") + std::strerror(errno));
  }

  // Worker `w` ended and has been waited for.
  void Ended(const Worker& w, int status) {
    const std::optional<std::uint64_t> lost = w.current;
    const bool abnormal = !WIFEXITED(status) || WEXITSTATUS(status) != kExitOk;
    // Interrupted, workers end by the signal: what they were working on stays as it was.
    const bool interrupted = shared_.signal.load() != 0;
    if (!lost && abnormal && fatal_.empty() && !interrupted) {
      // Between documents: nothing to blame it on, and nothing to retry.
      Fail(std::string("a worker applying the effect ended with ") + EndText(status) + " between documents");
    }
    if (lost) {
      // The worker ended in the middle of a document: that one is refused,
      // and a new worker takes over the rest.
      Outcome o;
      if (!interrupted) {
        o.status = Status::Refused;
        o.lines.push_back(options_.inputs[*lost] + ": the worker ended with " + EndText(status) + " while working on it");
      }
      Record(*lost, std::move(o));
      if (!shared_.halt.load() && shared_.next.load() < outcomes_.size()) Spawn();
    }
  }

  bool Parse(Worker& w) {
    return TakeMessages(w.received, kHeaderBytes, [&](std::string_view head, std::string_view payload) {
      Reader header(head);
      const auto kind = static_cast<Kind>(header.Byte());
      const std::uint64_t index = header.U64();
      if (kind == Kind::Fatal) {
        Fail(std::string(payload));
        return true;
      }
      if (index >= outcomes_.size()) return true;
      if (kind == Kind::Started) {
        w.current = index;
      } else if (kind == Kind::Finished) {
        w.current.reset();
        std::optional<Outcome> o = Decode(payload);
        if (!o) {
          o.emplace();
          o->status = Status::Refused;
          o->lines.push_back(options_.inputs[index] + ": the worker's answer could not be read");
        }
        Record(index, std::move(*o));
      }
      return true;
    });
  }

  // The batch cannot go on: the line is printed once, and no worker takes another document.
  void Fail(const std::string& what) {
    if (fatal_.empty()) {
      fatal_ = what;
      progress_.Print("evenhue: " + fatal_);
    }
    shared_.halt.store(true);
  }

  void Record(std::uint64_t index, Outcome outcome) {
    if (finished_[index]) return;
    finished_[index] = true;
    outcomes_[index] = std::move(outcome);
    ++done_;
    progress_.Step(done_);
    Flush(false);
  }

  // Prints the lines of finished documents in input order: up to the first
  // one still under way, or all of them at the end.
  void Flush(bool all) {
    for (; printed_ < outcomes_.size(); ++printed_) {
      if (!finished_[printed_]) {
        if (!all) return;
        continue;
      }
      for (const std::string& line : outcomes_[printed_].lines) progress_.Print("evenhue: " + line);
    }
  }

  const BatchOptions& options_;
  Shared& shared_;
  const int wake_;
  bool stopped_ = false;
  bool details_ = false;
  std::vector<Outcome> outcomes_;
  std::vector<bool> finished_;
  std::size_t done_ = 0;
  std::size_t printed_ = 0;
  WorkerPool<WorkerState> workers_;
  std::string fatal_;
  Progress progress_;
};

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* summary) {
  if (!options.outDir.empty()) MakeDirectories(options.outDir);
  const unsigned jobs = std::min(options.jobs != 0 ? options.jobs : CoresAvailable(), kMaxWorkers);
  const auto workers = static_cast<unsigned>(std::min<std::size_t>(jobs, options.inputs.size()));

  void* memory = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw InputError(std::string("cannot start the workers: ") + std::strerror(errno));
  Shared* shared = new (memory) Shared;
  gShared = shared;
  int status = kExitBadInput;
  int wake[2] = {-1, -1};
  const auto release = [&] {
    gShared = nullptr;
    shared->~Shared();
    ::munmap(memory, sizeof(Shared));
    for (int fd : wake)
      if (fd >= 0) ::close(fd);
  };
  try {
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
      throw InputError(std::string("cannot start the workers: ") + std::strerror(errno));
    Batch batch(options, *shared, wake[0]);
    {
      // The first stop signal stops the workers and lets the batch say what
      // became of it; a second one ends the command at once, as does one
      // while the preview and report are made.
      const StopHandler stop([shared, fd = wake[1]](int signal) {
        AskToStop(*shared, signal);
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
      });
      batch.Run(workers);
    }
    status = batch.Finish(summary);
  } catch (...) {
    release();
    throw;
  }
  release();
  return status;
}

}  // namespace evenhue::cli
