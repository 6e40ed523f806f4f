#include "cli/line_reader.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace evenhue::cli {

namespace {
constexpr std::size_t kBlockBytes = 1 << 18;
}

LineReader::LineReader(int fd, std::size_t maxBytes) : fd_(fd), maxBytes_(maxBytes), buffer_(kBlockBytes) {}

bool LineReader::Take(std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  const void* nl = pos_ < end_ ? std::memchr(buffer_.data() + pos_, '\n', end_ - pos_) : nullptr;
  const std::size_t stop = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_.data()) : end_;
  // What the block holds of the line is added to its start, within the limit.
  if (stop > pos_) {
    inLine_ = true;
    if (!partialLong_) {
      if (partial_.size() + (stop - pos_) > maxBytes_) {
        partialLong_ = true;
        std::string().swap(partial_);
      } else {
        partial_.append(buffer_.data() + pos_, stop - pos_);
      }
    }
  }
  pos_ = nl ? stop + 1 : end_;
  if (!nl && !(ended_ && inLine_)) return false;
  tooLong = partialLong_;
  if (partial_.size() > kBlockBytes) line.swap(partial_);  // a long line keeps its room, not the reader
  else line.assign(partial_);
  partial_.clear();
  partialLong_ = false;
  inLine_ = false;
  return true;
}

bool LineReader::Fill() {
  if (ended_) return false;
  if (pos_ == end_) pos_ = end_ = 0;
  if (end_ == buffer_.size()) return true;  // Take has not looked at what is held yet
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) error_ = errno;
      ended_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(n);
    return true;
  }
}

bool LineReader::Next(std::string& line, bool& tooLong) {
  for (;;) {
    if (Take(line, tooLong)) return true;
    if (!Fill()) return Take(line, tooLong);
  }
}

}  // namespace evenhue::cli
