// Lines of a stream, read in large blocks straight from its file descriptor,
// so that a caller can tell a line already at hand from one still to come.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace evenhue::cli {

// Lines of `fd` without their line feed; a line longer than `maxBytes` is not
// kept but reported as too long (its bytes are read and dropped as they come).
class LineReader {
 public:
  LineReader(int fd, std::size_t maxBytes);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line already read into `line` (emptied first), without reading
  // more; false when no whole line is at hand. After the end of the stream, a
  // last line without a line feed counts. `tooLong` is set for a line that
  // passed the limit (`line` is then empty).
  bool Take(std::string& line, bool& tooLong);
  // One read(2) from the stream (it waits when nothing is there yet); false at
  // the end of the stream or on an error.
  bool Fill();
  // Take, reading as long as it takes; false at the end of the stream.
  bool Next(std::string& line, bool& tooLong);

  bool ended() const { return ended_; }
  // The errno of a failed read, else 0.
  int error() const { return error_; }
  // Bytes read and not yet taken as lines.
  std::size_t held() const { return end_ - pos_ + partial_.size(); }

 private:
  int fd_;
  std::size_t maxBytes_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::string partial_;     // the start of a line whose line feed is still to come
  bool inLine_ = false;     // bytes of a line seen since the last line feed
  bool partialLong_ = false;
  bool ended_ = false;
  int error_ = 0;
};

}  // namespace evenhue::cli
