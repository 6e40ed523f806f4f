// How the stand-in host brings a plug-in file into the process and takes it
// out again. The operating system's loader sits behind this small interface so
// that the rest of the host stays portable: loader_posix.cpp answers it with
// dlopen/dlsym/dlclose, a Windows implementation with LoadLibraryW,
// GetProcAddress and FreeLibrary.
#pragma once

#include <memory>
#include <string>

#include "interface/host_api.hpp"

namespace host {

// One library loaded by a Loader. Only the loader that made it interprets
// `native`.
struct LoadedModule {
  void* native = nullptr;                          // the loader's own handle; null when not loaded
  hostapi::PluginMainFunction entry = nullptr;     // the plug-in's message entry point
  std::string path;                                // the file that was loaded
};

class Loader {
 public:
  virtual ~Loader() = default;

  // Loads the file at `path` and resolves the entry point "PluginMain".
  // On failure returns false, leaves `module` empty and explains in `error`.
  virtual bool open(const std::string& path, LoadedModule& module, std::string& error) = 0;

  // Unloads the library. Afterwards `module` is empty whatever the outcome.
  // Returns false (and explains in `error`) when the system loader refused, or
  // when the library's code is still mapped into the process afterwards.
  // On success the address range the library occupied is kept reserved and
  // inaccessible until the Loader is destroyed (but for pages another mapping
  // of the process took first, which are in use), so that a later load cannot
  // land on the same addresses and a stale code pointer into the old copy
  // faults instead of silently working.
  virtual bool close(LoadedModule& module, std::string& error) = 0;

  // Whether a library loaded from `path` is currently mapped into the process.
  virtual bool isResident(const std::string& path) const = 0;
};

// The loader of the platform this host was built for.
std::unique_ptr<Loader> MakeNativeLoader();

}  // namespace host
