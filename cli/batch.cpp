#include "cli/batch.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "cli/batch_ledger.hpp"
#include "engine/errors.hpp"
#include "cli/files.hpp"
#include "cli/workers.hpp"
#include "svg/file_io.hpp"

namespace evenhue::cli {

namespace {

constexpr int kPollMilliseconds = 200;

BatchShared* gShared = nullptr;  // for a worker's signal handler

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

// --- A worker ----------------------------------------------------------------------------

// Runs in a worker StartWorker made (SIGPIPE ignored, SIGTERM when the parent
// ends: delivered once the ending signals are unblocked here, so that it ends
// like an interrupted batch).
[[noreturn]] void Work(const BatchOptions& options, bool details, int fd) {
  // The ending signals, blocked in the parent's threads, are this worker's own.
  struct sigaction action {};
  action.sa_handler = &OnWorkerStop;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int s : EndingSignals()) ::sigaction(s, &action, nullptr);
  const sigset_t ending = EndingSet();
  ::sigprocmask(SIG_UNBLOCK, &ending, nullptr);
  // The ending signals wait from the decision to put a result in place until
  // the parent has been told.
  sigset_t old{};
  const int status = ServeBatch(
      options, details, *gShared, fd, [&] { ::sigprocmask(SIG_BLOCK, &ending, &old); },
      [&] { ::sigprocmask(SIG_SETMASK, &old, nullptr); });
  ::_exit(status);
}

// --- The parent --------------------------------------------------------------------------

struct WorkerState {
  std::optional<std::uint64_t> current;  // the document it is working on
};
using Worker = WorkerPool<WorkerState>::Member;

class Batch {
 public:
  // `wake` becomes readable when a stop signal comes.
  Batch(const BatchOptions& options, BatchShared& shared, int wake)
      : options_(options), shared_(shared), wake_(wake), ledger_(options, shared), workers_({wake}) {}

  void Run(unsigned workers) {
    ledger_.Begin();
    for (unsigned k = 0; k < workers; ++k) Spawn();
    const WorkerPool<WorkerState>::Events events{[this](Worker& w) { return ledger_.Take(w.received, w.current), true; },
                                                 [this](const Worker& w, int status) { Ended(w, status); }};
    while (!workers_.empty()) {
      if (shared_.signal.load() != 0) StopWorkers();
      pollfd wake{wake_, POLLIN, 0};
      const bool ready = workers_.Wait({&wake, 1}, kPollMilliseconds);
      ledger_.Step();
      if (ready && wake.revents != 0) {
        char bytes[64];
        while (::read(wake_, bytes, sizeof bytes) > 0) {
        }
      }
      workers_.Serve(events);
    }
    ledger_.End();
  }

  int Finish(std::FILE* summary) { return ledger_.Finish(summary); }

 private:
  // Interrupted: the workers stop now, in the middle of their documents
  // (each drops its temporary file), rather than after them.
  void StopWorkers() {
    if (stopped_) return;
    stopped_ = true;
    workers_.Signal(shared_.signal.load());
  }

  void Spawn() {
    const auto work = [this](int fd) -> int { Work(options_, ledger_.details(), fd); };
    if (workers_.Start(work) || !workers_.empty()) return;  // without a new one, the others carry on
    throw InputError(std::string("cannot start a worker: ") + std::strerror(errno));
  }

  // Worker `w` ended and has been waited for.
  void Ended(const Worker& w, int status) {
    if (ledger_.Ended(w.current, EndedCleanly(status), EndText(status))) Spawn();
  }

  const BatchOptions& options_;
  BatchShared& shared_;
  const int wake_;
  bool stopped_ = false;
  BatchLedger ledger_;
  WorkerPool<WorkerState> workers_;
};

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* summary) {
  if (!options.outDir.empty()) MakeDirectories(options.outDir);
  const unsigned jobs = std::min(options.jobs != 0 ? options.jobs : CoresAvailable(), kMaxWorkers);
  const auto workers = static_cast<unsigned>(std::min<std::size_t>(jobs, options.inputs.size()));

  void* memory = ::mmap(nullptr, sizeof(BatchShared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw InputError(std::string("cannot start the workers: ") + std::strerror(errno));
  BatchShared* shared = new (memory) BatchShared;
  gShared = shared;
  int status = kExitBadInput;
  int wake[2] = {-1, -1};
  const auto release = [&] {
    gShared = nullptr;
    shared->~BatchShared();
    ::munmap(memory, sizeof(BatchShared));
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
