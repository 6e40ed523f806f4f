// Lines of a stream, read in large blocks.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace evenhue::cli {

// Lines of `in` without their line feed; a line longer than `maxBytes` is not
// kept but reported as too long.
class LineReader {
 public:
  LineReader(std::FILE* in, std::size_t maxBytes) : in_(in), maxBytes_(maxBytes) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line into `line` (emptied first); false at the end of the
  // stream. `tooLong` is set for a line that passed the limit (`line` is
  // then empty).
  bool Next(std::string& line, bool& tooLong);

  // True when reading stopped on an error rather than at the end.
  bool failed() const { return std::ferror(in_) != 0; }

 private:
  std::FILE* in_;
  std::size_t maxBytes_;
  char buffer_[1 << 16];
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

}  // namespace evenhue::cli
