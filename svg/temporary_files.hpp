// The temporary files and folders of this process, shared by file_io.cpp and
// its platform halves (file_io_posix.cpp, file_io_win.cpp): each is
// registered until it is renamed or removed, so that none is left behind on
// an error or on a signal that ends the process.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace evenhue::svg::temporary {

struct Registered {
  std::string path;
  bool folder = false;
};

struct Registry {
  std::mutex mutex;
  std::vector<Registered> entries;
};

// Never destroyed: a thread ending the process on a signal or a console event
// may use it while the process exits.
extern Registry* const gRegistry;

// The registry held by this thread; on POSIX with the signals that may arrive
// at any time blocked, so that a handler never finds it half-changed (nor a
// temporary file made and not yet in it). Not copied: its lock cannot be.
class Hold {
 public:
  Hold();
  ~Hold();

 private:
  std::lock_guard<std::mutex> lock_;
  alignas(8) unsigned char saved_[128];  // the platform's saved state (POSIX: the signal mask)
};

// With the registry held: `path` is no longer a temporary file.
void Forget(const std::string& path);

// Removes the temporary file `path` and forgets it.
void RemoveFile(const std::string& path);

}  // namespace evenhue::svg::temporary
