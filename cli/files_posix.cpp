#include "cli/files.hpp"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <mutex>

#include "engine/errors.hpp"
#include "svg/file_io.hpp"

namespace evenhue::cli {

std::vector<std::string> CommandArguments(int argc, char** argv) { return {argv + std::min(argc, 1), argv + argc}; }

void BinaryStream(int) {}

bool InputWaiting(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

void MakeDirectories(const std::string& path) {
  std::string prefix;
  std::size_t start = 0;
  while (start <= path.size()) {
    const auto slash = path.find('/', start);
    prefix = path.substr(0, slash == std::string::npos ? path.size() : slash);
    start = slash == std::string::npos ? path.size() + 1 : slash + 1;
    if (prefix.empty()) continue;
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
      throw InputError("cannot create " + prefix + ": " + std::strerror(errno));
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) throw InputError(path + " is not a folder");
}

namespace {

sigset_t EndingSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : EndingSignals()) sigaddset(&set, s);
  return set;
}

std::vector<int> NotIgnored(std::initializer_list<int> signals) {
  std::vector<int> out;
  for (int s : signals) {
    struct sigaction old {};
    if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) out.push_back(s);
  }
  return out;
}

[[noreturn]] void EndBy(int signal) {
  svg::RemoveTemporaryFiles(false);
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  ::raise(signal);
  ::_exit(128 + signal);  // should the signal not end it
}

void* TakeSignals(void*) {
  const sigset_t set = EndingSet();
  const auto& stops = StopSignals();
  for (;;) {
    int signal = 0;
    if (::sigwait(&set, &signal) != 0) continue;
    if (std::find(stops.begin(), stops.end(), signal) != stops.end() && HandOverStop(signal)) continue;
    EndBy(signal);
  }
}

}  // namespace

// Never destroyed, like the stop handler's state (files.cpp): the signals' thread reads them while the
// process may be running its exit handlers.
const std::vector<int>& StopSignals() {
  static const std::vector<int>* const signals = new std::vector<int>(NotIgnored({SIGINT, SIGTERM, SIGHUP}));
  return *signals;
}

const std::vector<int>& EndingSignals() {
  static const std::vector<int>* const signals =
      new std::vector<int>(NotIgnored({SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2}));
  return *signals;
}

void ReceiveStopSignals() {
  ::signal(SIGXFSZ, SIG_IGN);
  StopSignals();  // told before any handler is set
  EndingSignals();
  const sigset_t set = EndingSet();
  sigset_t old;
  ::pthread_sigmask(SIG_BLOCK, &set, &old);
  pthread_t thread;
  if (::pthread_create(&thread, nullptr, TakeSignals, nullptr) == 0) {
    ::pthread_detach(thread);
  } else {
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);  // no thread to take them: they act as they would
  }
}

}  // namespace evenhue::cli
