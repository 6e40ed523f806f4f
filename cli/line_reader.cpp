#include "cli/line_reader.hpp"

#include <cstring>

namespace evenhue::cli {

bool LineReader::Next(std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  bool any = false;
  for (;;) {
    if (pos_ == end_) {
      end_ = std::fread(buffer_, 1, sizeof buffer_, in_);
      pos_ = 0;
      if (end_ == 0) return any;
    }
    any = true;
    const void* nl = std::memchr(buffer_ + pos_, '\n', end_ - pos_);
    const std::size_t stop = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_) : end_;
    if (!tooLong) {
      if (line.size() + (stop - pos_) > maxBytes_) {
        tooLong = true;
        line.clear();
        line.shrink_to_fit();
      } else {
        line.append(buffer_ + pos_, stop - pos_);
      }
    }
    pos_ = nl ? stop + 1 : end_;
    if (nl) return true;
  }
}

}  // namespace evenhue::cli
