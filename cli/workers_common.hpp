// What the command's worker processes need on every platform: how their
// messages are cut out of the bytes that came, and how a worker's end is
// told. Starting, feeding and waiting for them is the platform's
// (workers.hpp with fork and sockets, workers_win.hpp with started copies of
// the command and pipes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace evenhue::cli {

// Takes the whole messages at the front of `buffer` and erases them. A message
// is a header of `headerBytes` that ends in the length of the payload after it
// (eight bytes, in this machine's order: both ends are the same program), then
// the payload; take(header, payload) is called for each while it answers
// true. False when it answered false.
template <class Take>
bool TakeMessages(std::string& buffer, std::size_t headerBytes, Take&& take) {
  std::size_t at = 0;
  while (buffer.size() - at >= headerBytes) {
    std::uint64_t length = 0;
    std::memcpy(&length, buffer.data() + at + headerBytes - sizeof length, sizeof length);
    if (buffer.size() - at - headerBytes < length) break;
    const std::string_view header = std::string_view(buffer).substr(at, headerBytes);
    const std::string_view payload = std::string_view(buffer).substr(at + headerBytes, length);
    at += headerBytes + length;
    if (!take(header, payload)) return false;
  }
  buffer.erase(0, at);
  return true;
}

// Writes all of `data` to `fd` (a socket, without SIGPIPE, on POSIX; a pipe
// on Windows), waiting as needed; false on an error.
bool SendAll(int fd, std::string_view data);
// Reads exactly `size` bytes; false at the end of the stream or on an error.
bool ReceiveAll(int fd, char* data, std::size_t size);

// How a waited-for worker ended, as the platform has it: "exit status N" or
// "signal N (Name)" (POSIX), "exit status N" or "exception 0xC0000005" (Windows).
std::string EndText(int status);
// Whether it ended by itself with status 0.
bool EndedCleanly(int status);

// In main(), before the command's own arguments are read: when they make
// this process a worker another copy of the command started (only on
// Windows, where workers are not forked), runs it and returns its exit
// status; otherwise nothing.
std::optional<int> RunAsWorker(const std::vector<std::string>& args);

}  // namespace evenhue::cli
