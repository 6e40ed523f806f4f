// What the two ways of running `evenhue respace` share (in this process, or
// on worker processes): lines handed out together, and a plug-in session that
// answers them.
#pragma once

#include <cstddef>
#include <cstdint>
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

 private:
  struct Line;
  std::string path_;
  std::unique_ptr<PluginSession> session_;
  std::size_t stopsHeld_ = 0;  // by the host, in the gradients made and written so far
  std::vector<Line> lines_;
};

// Writes all of `bytes` to `fd`; throws InputError naming standard output.
void WriteAnswers(int fd, std::string_view bytes);

// Answers the rest of the stream `in` on up to `jobs` worker processes, each
// started from this process (with its copy of `respacer`'s session) when the
// lines at hand need it: `pending` first (lines read, not yet answered), then
// every line `reader` (reading `in`) gives. The answers go to `out` in input order as soon
// as each is there. Returns false when a line could not be read; throws
// InputError when the plug-in fails or a worker cannot be started.
bool RespaceOnWorkers(LineReader& reader, LineChunk& pending, int in, int out, Respacer& respacer, unsigned jobs,
                      Progress& progress);

}  // namespace evenhue::cli
