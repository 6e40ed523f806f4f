// Worker processes of the command. The stand-in host's suites are plain
// function tables without a user pointer and the plug-in keeps its suite
// pointers in its own globals, so one host is active per process: work that
// runs on every core runs in child processes, each with a host of its own.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace evenhue::cli {

// The most worker processes a command starts, whatever --jobs asks.
inline constexpr unsigned kMaxWorkers = 256;

// The cores this process may run on (at least 1).
unsigned CoresAvailable();

// A child process and this process's end of the socket pair between them.
struct WorkerProcess {
  pid_t pid = -1;
  int fd = -1;
};

// Forks a worker that runs work(fd) on its end of a new socket pair and exits
// with what it returns, without returning here (nor running destructors). In
// the child, SIGPIPE is ignored, `closeInChild` are closed, and the child is
// sent SIGTERM should this process end first. Returns nothing when the
// socket pair or the process cannot be had (errno tells why).
std::optional<WorkerProcess> StartWorker(const std::function<int(int)>& work, const std::vector<int>& closeInChild);

// Writes all of `data` to `fd` (a socket: no SIGPIPE), waiting as needed;
// false on an error.
bool SendAll(int fd, std::string_view data);
// Reads exactly `size` bytes; false at the end of the stream or on an error.
bool ReceiveAll(int fd, char* data, std::size_t size);

// How a waited-for process ended: "exit status N" or "signal N (Name)".
std::string EndText(int status);

}  // namespace evenhue::cli
