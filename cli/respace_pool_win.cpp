// `evenhue respace` on worker processes on Windows: this process reads the
// lines (on a thread of their own, so that the workers' answers are taken
// while it waits for more), hands them out in chunks and writes the answers
// in input order, as respace_pool.cpp does with forked workers. Each worker
// is a copy of evenhue.exe with a plug-in session of its own.
#include <windows.h>
#include <io.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "cli/files.hpp"
#include "cli/respace_chunk.hpp"
#include "cli/workers_win.hpp"
#include "engine/errors.hpp"
#include "windows/native_path.hpp"

namespace evenhue::cli {

// Arguments: none; the plug-in's path comes first on standard input (its
// length, eight bytes, then its bytes), then the chunks.
int RunRespaceWorker(const std::vector<std::string>& args) {
  if (!args.empty()) return kExitUsage;
  BinaryStream(0);
  BinaryStream(1);
  // Ctrl-C is the parent's to act on: it ends, and its job ends this worker.
  SetConsoleCtrlHandler(nullptr, TRUE);
  std::uint64_t length = 0;
  if (!ReceiveAll(0, reinterpret_cast<char*>(&length), sizeof length) || length > (1u << 20)) return kExitBadInput;
  std::string path(length, '\0');
  if (!ReceiveAll(0, path.data(), length)) return kExitBadInput;
  try {
    Respacer respacer(path);
    return AnswerChunks(0, 1, respacer);
  } catch (const std::exception& e) {
    const std::string_view what = e.what();
    std::string message;
    PutChunkHeader(message, ChunkKind::Fatal, what.size());
    message += what;
    SendAll(1, message);
    return kExitBadInput;
  }
}

namespace {

// Reads more of the input on a thread of its own when asked to; `done` is
// called once it has. The LineReader is the thread's alone while busy().
class InputThread {
 public:
  InputThread(LineReader& reader, int fd, std::function<void()> done)
      : reader_(reader), fd_(fd), done_(std::move(done)), thread_([this] { Loop(); }) {}
  ~InputThread() {
    std::unique_lock<std::mutex> lock(mutex_);
    quit_ = true;
    changed_.notify_all();
    if (busy_) {
      // Only when the stream failed otherwise: the read under way is called off.
      CancelIoEx(reinterpret_cast<HANDLE>(::_get_osfhandle(fd_)), nullptr);
      if (!changed_.wait_for(lock, std::chrono::seconds(1), [this] { return !busy_; })) {
        lock.unlock();
        thread_.detach();  // still waiting for its user: the command is ending with its error
        return;
      }
    }
    lock.unlock();
    thread_.join();
  }
  InputThread(const InputThread&) = delete;
  InputThread& operator=(const InputThread&) = delete;

  void Fill() {
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = wanted_ = true;
    changed_.notify_all();
  }
  bool busy() {
    std::lock_guard<std::mutex> lock(mutex_);
    return busy_;
  }

 private:
  void Loop() {
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return wanted_ || quit_; });
        if (quit_) return;
        wanted_ = false;
      }
      reader_.Fill();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = false;
        changed_.notify_all();
      }
      done_();
    }
  }

  LineReader& reader_;
  const int fd_;
  const std::function<void()> done_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool wanted_ = false;
  bool busy_ = false;
  bool quit_ = false;
  std::thread thread_;
};

class Pool {
 public:
  Pool(LineReader& reader, int out, const std::string& pluginPath, unsigned jobs, Progress& progress)
      : reader_(reader), out_(out), jobs_(jobs), progress_(progress) {
    const std::uint64_t length = pluginPath.size();
    setup_.append(reinterpret_cast<const char*>(&length), sizeof length);
    setup_ += pluginPath;
  }
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  bool Run(int in, LineChunk& pending) {
    std::string line;
    bool tooLong = false;
    const Workers::Events events{[this](Worker& w) { return handed_.Take(w.key, w.received, w.queued); },
                                 [this](const Worker& w, int status) { handed_.Lost(w.key, EndText(status)); }};
    InputThread input(reader_, in, [this] { workers_.Wake(); });
    for (;;) {
      const bool reading = input.busy();
      if (!reading)
        while (!pending.full() && reader_.Take(line, tooLong)) pending.Add(line, tooLong);
      // Answers written first: they make room for the chunks handed out next.
      handed_.WriteAnswered(out_, progress_);
      HandOut(pending);
      if (!reading && reader_.ended() && pending.size() == 0 && handed_.empty()) break;
      if (!reading && !reader_.ended() && !pending.full()) input.Fill();
      workers_.Serve(-1, events);
    }
    // Every line answered: the workers are told by the end of their input.
    for (const int status : workers_.CloseAndWait())
      if (!EndedCleanly(status)) throw InputError("a process re-spacing gradients ended with " + EndText(status));
    return handed_.allRead();
  }

 private:
  struct WorkerState {
    std::size_t queued = 0;  // chunks handed to it, not yet answered
  };
  using Workers = ProcessPool<WorkerState>;
  using Worker = Workers::Member;

  // The pending lines go to the least busy worker (PickWorker).
  void HandOut(LineChunk& pending) {
    while (pending.size() > 0 && handed_.Room(jobs_)) {
      Worker* w = PickWorker(workers_.members(), jobs_, [this] { return Start(); });
      if (!w) return;
      message_.clear();
      AppendChunkMessage(message_, pending);
      ++w->queued;
      handed_.Hand(pending, w->key);
      pending.Next();
      workers_.Send(*w, message_);  // a worker gone shows when its output ends
    }
  }

  Worker* Start() {
    Worker* started = workers_.Start(L"respace", {});
    if (started) {
      workers_.Send(*started, setup_);  // a worker gone shows when its output ends
      return started;
    }
    if (workers_.empty()) throw InputError("cannot start a worker process: " + winres::SystemMessage(GetLastError()));
    return nullptr;  // the others carry on
  }

  LineReader& reader_;
  int out_;
  unsigned jobs_;
  Progress& progress_;
  std::string setup_;
  std::string message_;
  Workers workers_;
  HandedChunks handed_;
};

}  // namespace

bool RespaceOnWorkers(LineReader& reader, LineChunk& pending, int in, int out, Respacer& respacer, unsigned jobs,
                      Progress& progress) {
  Pool pool(reader, out, respacer.pluginPath(), jobs, progress);
  return pool.Run(in, pending);
}

}  // namespace evenhue::cli
