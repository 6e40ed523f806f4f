// `evenhue respace` on worker processes: this process reads the lines, hands
// them out in chunks and writes the answers in input order; each worker
// answers the chunks it is given with its own copy of the plug-in session.
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <span>

#include "engine/errors.hpp"
#include "cli/respace_chunk.hpp"
#include "cli/workers.hpp"

namespace evenhue::cli {

namespace {

class Pool {
 public:
  Pool(LineReader& reader, int out, Respacer& respacer, unsigned jobs, Progress& progress)
      : reader_(reader), in_(-1), out_(out), respacer_(respacer), jobs_(jobs), progress_(progress) {}
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  bool Run(int in, LineChunk& pending) {
    in_ = in;
    std::string line;
    bool tooLong = false;
    const WorkerPool<WorkerState>::Events events{
        [this](Worker& w) { return handed_.Take(static_cast<std::uint64_t>(w.pid), w.received, w.queued); },
        [this](const Worker& w, int status) { handed_.Lost(static_cast<std::uint64_t>(w.pid), EndText(status)); }};
    for (;;) {
      while (!pending.full() && reader_.Take(line, tooLong)) pending.Add(line, tooLong);
      // Answers written first: they make room for the chunks handed out next,
      // which nothing else would wake this loop to hand out once the workers
      // are idle.
      handed_.WriteAnswered(out_, progress_);
      HandOut(pending);
      if (reader_.ended() && pending.size() == 0 && handed_.empty()) break;
      pollfd input{in_, POLLIN, 0};
      const bool wantInput = !reader_.ended() && !pending.full();
      if (!workers_.Wait(wantInput ? std::span<pollfd>(&input, 1) : std::span<pollfd>(), -1)) continue;
      if (wantInput && input.revents != 0) reader_.Fill();
      workers_.Serve(events);
    }
    // Every line answered: the workers are told by the end of their sockets.
    for (const int status : workers_.CloseAndWait())
      if (!EndedCleanly(status))
        throw InputError("a process re-spacing gradients ended with " + EndText(status));
    return handed_.allRead();
  }

 private:
  struct WorkerState {
    std::size_t queued = 0;  // chunks handed to it, not yet answered
  };
  using Worker = WorkerPool<WorkerState>::Member;

  // The pending lines go to the least busy worker (PickWorker).
  void HandOut(LineChunk& pending) {
    while (pending.size() > 0 && handed_.Room(jobs_)) {
      Worker* w = PickWorker(workers_.members(), jobs_, [this] { return Start(); });
      if (!w) return;
      AppendChunkMessage(w->outgoing, pending);
      ++w->queued;
      handed_.Hand(pending, static_cast<std::uint64_t>(w->pid));
      pending.Next();
      workers_.SendQueued(*w);
    }
  }

  Worker* Start() {
    Respacer& respacer = respacer_;
    Worker* started = workers_.Start([&respacer](int fd) { return AnswerChunks(fd, fd, respacer); });
    if (!started && workers_.empty())
      throw InputError(std::string("cannot start a worker process: ") + std::strerror(errno));
    return started;  // nothing: the others carry on
  }

  LineReader& reader_;
  int in_;
  int out_;
  Respacer& respacer_;
  unsigned jobs_;
  Progress& progress_;
  WorkerPool<WorkerState> workers_;
  HandedChunks handed_;
};

}  // namespace

bool RespaceOnWorkers(LineReader& reader, LineChunk& pending, int in, int out, Respacer& respacer, unsigned jobs,
                      Progress& progress) {
  Pool pool(reader, out, respacer, jobs, progress);
  return pool.Run(in, pending);
}

}  // namespace evenhue::cli
