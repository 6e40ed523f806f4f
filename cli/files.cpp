// What stopping means for the command on every platform; files_posix.cpp and
// files_win.cpp take the signals or console events and hand them over here.
#include "cli/files.hpp"

#include <mutex>
#include <utility>

namespace evenhue::cli {

namespace {

struct Stopping {
  std::mutex mutex;
  std::function<void(int)> handler;  // empty: a stop signal ends the process
  bool called = false;
};
// Never destroyed: the thread taking signals or console events may run while
// the process exits.
Stopping* const gStopping = new Stopping;

}  // namespace

bool HandOverStop(int signal) {
  std::lock_guard<std::mutex> lock(gStopping->mutex);
  if (!gStopping->handler || gStopping->called) return false;
  gStopping->called = true;
  gStopping->handler(signal);
  return true;
}

StopHandler::StopHandler(std::function<void(int)> onStop) {
  std::lock_guard<std::mutex> lock(gStopping->mutex);
  gStopping->handler = std::move(onStop);
  gStopping->called = false;
}

StopHandler::~StopHandler() {
  std::lock_guard<std::mutex> lock(gStopping->mutex);
  gStopping->handler = nullptr;
}

}  // namespace evenhue::cli
