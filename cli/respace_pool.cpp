// `evenhue respace` on worker processes: this process reads the lines, hands
// them out in chunks and writes the answers in input order; each worker
// answers the chunks it is given with its own copy of the plug-in session.
#include <poll.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <span>

#include "engine/errors.hpp"
#include "cli/respace_chunk.hpp"
#include "cli/workers.hpp"

namespace evenhue::cli {

namespace {

// A message is its kind (one byte), its payload's length (eight bytes, in
// this machine's order: both ends are the same program) and the payload:
// a chunk (AppendChunk); its answers (one byte, 1 when every line was read,
// then the answer lines); or why the worker cannot go on.
enum class Kind : std::uint8_t { Chunk = 1, Answers, Fatal };
constexpr std::size_t kHeaderBytes = 1 + 8;

// Chunks a worker is given before it has answered the first of them, so that
// it never waits for the next.
constexpr std::size_t kQueuePerWorker = 2;
// Chunks handed out or answered and not yet written, per worker: the bound of
// what is held while an early chunk takes long.
constexpr std::size_t kHeldPerWorker = 4;

void PutHeader(std::string& out, Kind kind, std::uint64_t length) {
  out += static_cast<char>(kind);
  out.append(reinterpret_cast<const char*>(&length), sizeof length);
}

bool GetHeader(std::string_view in, Kind& kind, std::uint64_t& length) {
  if (in.size() < kHeaderBytes) return false;
  kind = static_cast<Kind>(in[0]);
  std::memcpy(&length, in.data() + 1, sizeof length);
  return true;
}

// A worker: chunk after chunk until this process closes its end.
int Work(int fd, Respacer& respacer) {
  std::string answers;
  for (;;) {
    char header[kHeaderBytes];
    Kind kind{};
    std::uint64_t length = 0;
    if (!ReceiveAll(fd, header, kHeaderBytes)) break;
    GetHeader(std::string_view(header, kHeaderBytes), kind, length);
    std::string payload(length, '\0');
    if (kind != Kind::Chunk || !ReceiveAll(fd, payload.data(), length)) return kExitBadInput;
    std::optional<LineChunk> chunk = DecodeChunk(std::move(payload));
    if (!chunk) return kExitBadInput;
    answers.assign(kHeaderBytes + 1, '\0');
    try {
      answers[kHeaderBytes] = respacer.Answer(*chunk, answers) ? 1 : 0;
    } catch (const std::exception& e) {
      const std::string_view what = e.what();
      std::string message;
      PutHeader(message, Kind::Fatal, what.size());
      message += what;
      SendAll(fd, message);
      return kExitBadInput;
    }
    const std::uint64_t size = answers.size() - kHeaderBytes;
    answers[0] = static_cast<char>(Kind::Answers);
    std::memcpy(answers.data() + 1, &size, sizeof size);
    if (!SendAll(fd, answers)) return kExitBadInput;
  }
  try {
    respacer.Shutdown();
  } catch (const std::exception&) {
    return kExitBadInput;
  }
  return kExitOk;
}

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
    const WorkerPool<WorkerState>::Events events{[this](Worker& w) { return Receive(w); },
                                                 [this](const Worker& w, int status) { Ended(w, status); }};
    for (;;) {
      while (!pending.full() && reader_.Take(line, tooLong)) pending.Add(line, tooLong);
      // Answers written first: they make room for the chunks handed out next,
      // which nothing else would wake this loop to hand out once the workers
      // are idle.
      WriteAnswered();
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
      if (!WIFEXITED(status) || WEXITSTATUS(status) != kExitOk)
        throw InputError("a process re-spacing gradients ended with " + EndText(status));
    return allRead_;
  }

 private:
  struct WorkerState {
    std::size_t queued = 0;  // chunks handed to it, not yet answered
  };
  using Worker = WorkerPool<WorkerState>::Member;
  struct Handed {
    std::uint64_t first = 0;
    std::size_t count = 0;
    pid_t worker = -1;
    bool answered = false;
    bool allRead = true;
    std::string answers;
  };

  // The pending lines go to the least busy worker; a new one is started
  // rather than queue behind a busy one, up to `jobs_`.
  void HandOut(LineChunk& pending) {
    while (pending.size() > 0 && handed_.size() < kHeldPerWorker * jobs_) {
      Worker* w = nullptr;
      for (Worker& x : workers_.members())
        if (x.queued < kQueuePerWorker && (!w || x.queued < w->queued)) w = &x;
      if ((!w || w->queued > 0) && workers_.size() < jobs_)
        if (Worker* started = Start()) w = started;
      if (!w) return;
      PutHeader(w->outgoing, Kind::Chunk, 0);
      const std::size_t at = w->outgoing.size();
      AppendChunk(w->outgoing, pending);
      const std::uint64_t length = w->outgoing.size() - at;
      std::memcpy(w->outgoing.data() + at - 8, &length, sizeof length);
      ++w->queued;
      handed_.push_back({pending.first, pending.size(), w->pid, false, true, {}});
      pending.Next();
      workers_.SendQueued(*w);
    }
  }

  Worker* Start() {
    Respacer& respacer = respacer_;
    Worker* started = workers_.Start([&respacer](int fd) { return Work(fd, respacer); });
    if (!started && workers_.empty())
      throw InputError(std::string("cannot start a worker process: ") + std::strerror(errno));
    return started;  // nothing: the others carry on
  }

  // Takes the answers `w` wrote; false when they are not this program's worker's.
  bool Receive(Worker& w) {
    return TakeMessages(w.received, kHeaderBytes, [&](std::string_view header, std::string_view payload) {
      Kind kind{};
      std::uint64_t length = 0;
      GetHeader(header, kind, length);
      if (kind == Kind::Fatal) throw InputError(std::string(payload));
      const auto h = std::find_if(handed_.begin(), handed_.end(),
                                  [&](const Handed& x) { return x.worker == w.pid && !x.answered; });
      if (kind != Kind::Answers || payload.empty() || h == handed_.end()) return false;
      h->answered = true;
      h->allRead = payload[0] == 1;
      h->answers.assign(payload.substr(1));
      --w.queued;
      return true;
    });
  }

  // A worker that ended: its unanswered lines get error lines.
  void Ended(const Worker& w, int status) {
    const std::string how = EndText(status);
    for (Handed& h : handed_) {
      if (h.worker != w.pid || h.answered) continue;
      h.answered = true;
      h.allRead = false;
      for (std::size_t i = 0; i < h.count; ++i) {
        h.answers += FormatErrorLine(h.first + i, "the process re-spacing it ended with " + how);
        h.answers += '\n';
      }
    }
  }

  // The answers at the front, in input order.
  void WriteAnswered() {
    while (!handed_.empty() && handed_.front().answered) {
      const Handed& h = handed_.front();
      WriteAnswers(out_, h.answers);
      allRead_ = allRead_ && h.allRead;
      progress_.Update(h.first + h.count - 1);
      handed_.pop_front();
    }
  }

  LineReader& reader_;
  int in_;
  int out_;
  Respacer& respacer_;
  unsigned jobs_;
  Progress& progress_;
  WorkerPool<WorkerState> workers_;
  std::deque<Handed> handed_;
  bool allRead_ = true;
};

}  // namespace

bool RespaceOnWorkers(LineReader& reader, LineChunk& pending, int in, int out, Respacer& respacer, unsigned jobs,
                      Progress& progress) {
  Pool pool(reader, out, respacer, jobs, progress);
  return pool.Run(in, pending);
}

}  // namespace evenhue::cli
