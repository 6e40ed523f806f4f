// Opening a plug-in file through dlopen and finding its entry point: the part
// the POSIX and the WebAssembly loaders share.
#pragma once

#include <dlfcn.h>

#include <string>

#include "interface/host_api.hpp"

namespace host {

// Loads `path` and resolves "PluginMain". On success sets `library` and
// `entry`; on failure explains in `error`, leaves nothing open and returns false.
inline bool OpenWithDlopen(const std::string& path, void*& library, hostapi::PluginMainFunction& entry,
                           std::string& error) {
  dlerror();
  library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    error = "cannot load " + path + ": " + (why ? why : "unknown error");
    return false;
  }
  void* symbol = dlsym(library, hostapi::kPluginMainName);
  if (symbol == nullptr) {
    error = path + " has no entry point " + hostapi::kPluginMainName;
    dlclose(library);
    library = nullptr;
    return false;
  }
  // Converting an object pointer to a function pointer is what dlsym is for.
  entry = reinterpret_cast<hostapi::PluginMainFunction>(symbol);
  return true;
}

}  // namespace host
