// What the two ways of running `evenhue respace` share (in this process, or
// on worker processes): lines handed out together, and a plug-in session that
// answers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/line_reader.hpp"
#include "engine/progress.hpp"
#include "cli/respace_lines.hpp"
#include "engine/session.hpp"

namespace evenhue::cli {

// A chunk is handed out once it holds this many lines or bytes of text.
inline constexpr std::size_t kChunkLines = 256;
inline constexpr std::size_t kChunkBytes = 256u << 10;

// Consecutive lines of the input.
struct LineChunk {
  std::uint64_t first = 1;  // the number of the first line, from 1
  std::string text;         // the lines one after another, without line feeds
  std::vector<std::uint64_t> ends;   // where each line ends in `text`
  std::vector<std::uint8_t> tooLong;  // a line longer than kMaxLineBytes (then empty)

  std::size_t size() const { return ends.size(); }
  bool full() const { return size() >= kChunkLines || text.size() >= kChunkBytes; }
  std::string_view line(std::size_t i) const {
    const std::size_t begin = i ? ends[i - 1] : 0;
    return std::string_view(text).substr(begin, ends[i] - begin);
  }
  // Adds `line`, taking its bytes (the first line is moved, not copied).
  void Add(std::string& line, bool longLine) {
    if (text.empty()) text.swap(line);
    else text.append(line);
    ends.push_back(text.size());
    tooLong.push_back(longLine);
  }
  // Empties the chunk (and lets go of the room a long line took); the next
  // one starts after it.
  void Next() {
    first += size();
    if (text.capacity() > 2 * kChunkBytes) std::string().swap(text);
    text.clear();
    ends.clear();
    tooLong.clear();
  }
};

// A chunk as bytes appended to `out`, and back (nothing when the bytes are
// not a chunk).
void AppendChunk(std::string& out, const LineChunk& chunk);
std::optional<LineChunk> DecodeChunk(std::string bytes);

// One plug-in session answering chunk after chunk. The host frees nothing, so
// a fresh session takes over once the host holds many stops.
class Respacer {
 public:
  // Loads and starts the plug-in; throws InputError when it cannot be used.
  explicit Respacer(std::string pluginPath);
  ~Respacer();
  Respacer(const Respacer&) = delete;
  Respacer& operator=(const Respacer&) = delete;

  // Appends one answer line per line of `chunk` to `out`; false when a line
  // could not be read. Throws InputError when the plug-in fails.
  bool Answer(const LineChunk& chunk, std::string& out);
  // Sends "Shutdown"; throws InputError when the plug-in fails it.
  void Shutdown();
  const std::string& pluginPath() const { return path_; }

 private:
  struct Line;
  std::string path_;
  std::unique_ptr<PluginSession> session_;
  std::size_t stopsHeld_ = 0;  // by the host, in the gradients made and written so far
  std::vector<Line> lines_;
};

// Writes all of `bytes` to `fd`; throws InputError naming standard output.
void WriteAnswers(int fd, std::string_view bytes);

// --- Between this process and its workers ------------------------------------------
//
// A message is its kind (one byte), its payload's length (eight bytes, in
// this machine's order: both ends are the same program) and the payload:
// a chunk (AppendChunk); its answers (one byte, 1 when every line was read,
// then the answer lines); or why the worker cannot go on.
enum class ChunkKind : std::uint8_t { Chunk = 1, Answers, Fatal };
inline constexpr std::size_t kChunkHeaderBytes = 1 + 8;

void PutChunkHeader(std::string& out, ChunkKind kind, std::uint64_t length);
bool GetChunkHeader(std::string_view in, ChunkKind& kind, std::uint64_t& length);

// The message that gives `chunk` to a worker, appended to `out`.
void AppendChunkMessage(std::string& out, const LineChunk& chunk);

// Chunks a worker is given before it has answered the first of them, so that
// it never waits for the next.
inline constexpr std::size_t kQueuePerWorker = 2;
// Chunks handed out or answered and not yet written, per worker: the bound of
// what is held while an early chunk takes long.
inline constexpr std::size_t kHeldPerWorker = 4;

// The worker the next chunk goes to, among `workers` (each with `queued`,
// the chunks it has not answered yet): the least busy one with room, or one
// start() makes (nothing when it cannot) rather than queue behind a busy
// one, while there are fewer than `jobs`. Nothing when every one is full.
template <class Workers, class Start>
auto* PickWorker(Workers& workers, unsigned jobs, Start&& start) {
  decltype(&*workers.begin()) w = nullptr;
  for (auto& x : workers)
    if (x.queued < kQueuePerWorker && (!w || x.queued < w->queued)) w = &x;
  if ((!w || w->queued > 0) && workers.size() < jobs)
    if (auto* started = start()) w = started;
  return w;
}

// The chunks handed out to workers, in input order, until their answers are written.
class HandedChunks {
 public:
  // Whether another chunk may be handed out to one of `jobs` workers.
  bool Room(unsigned jobs) const { return handed_.size() < kHeldPerWorker * jobs; }
  bool empty() const { return handed_.empty(); }
  // `chunk` went to `worker`.
  void Hand(const LineChunk& chunk, std::uint64_t worker);
  // Takes the whole messages `worker` wrote at the front of `received`; each
  // answers its first chunk not answered yet (`queued` counts down). False
  // when they are not this program's worker's; throws InputError for a
  // worker that cannot go on.
  bool Take(std::uint64_t worker, std::string& received, std::size_t& queued);
  // `worker` ended (`how`: as EndText says): its unanswered lines get error lines.
  void Lost(std::uint64_t worker, const std::string& how);
  // Writes the answers at the front to `out`, in input order.
  void WriteAnswered(int out, Progress& progress);
  // Whether every line of the answers written so far was read.
  bool allRead() const { return allRead_; }

 private:
  struct Handed {
    std::uint64_t first = 0;
    std::size_t count = 0;
    std::uint64_t worker = 0;
    bool answered = false;
    bool allRead = true;
    std::string answers;
  };
  std::deque<Handed> handed_;
  bool allRead_ = true;
};

// A worker's life: answers each chunk read from the stream `in` on `out`,
// until the other end closes `in`. Returns the worker's exit status.
int AnswerChunks(int in, int out, Respacer& respacer);

// Answers the rest of the stream `in` on up to `jobs` worker processes, each
// started from this process (with its copy of `respacer`'s session) when the
// lines at hand need it: `pending` first (lines read, not yet answered), then
// every line `reader` (reading `in`) gives. The answers go to `out` in input order as soon
// as each is there. Returns false when a line could not be read; throws
// InputError when the plug-in fails or a worker cannot be started.
bool RespaceOnWorkers(LineReader& reader, LineChunk& pending, int in, int out, Respacer& respacer, unsigned jobs,
                      Progress& progress);

}  // namespace evenhue::cli
