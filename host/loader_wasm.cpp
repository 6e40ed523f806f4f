// The WebAssembly loader: emscripten's dynamic linker, through dlopen and
// dlsym, loads the plug-in's side module into the page's main module.
//
// A WebAssembly instance cannot be taken out of a running page: dlclose
// forgets the handle but the module's code and memory stay, and its function
// pointers (table slots) stay callable. So this loader never claims an
// unload: close reports the library as still resident, which the host treats
// as a failed unload, and isResident is true for every file it has loaded.
#include <dlfcn.h>

#include <set>

#include "host/loader.hpp"

namespace host {

namespace {

class WasmLoader final : public Loader {
 public:
  bool open(const std::string& path, LoadedModule& module, std::string& error) override {
    module = {};
    dlerror();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* why = dlerror();
      error = "cannot load " + path + ": " + (why ? why : "unknown error");
      return false;
    }
    loaded_.insert(path);
    void* entry = dlsym(library, hostapi::kPluginMainName);
    if (entry == nullptr) {
      error = path + " has no entry point " + hostapi::kPluginMainName;
      return false;
    }
    module.native = library;
    // Converting an object pointer to a function pointer is what dlsym is for.
    module.entry = reinterpret_cast<hostapi::PluginMainFunction>(entry);
    module.path = path;
    return true;
  }

  bool close(LoadedModule& module, std::string& error) override {
    const std::string path = module.path;
    void* library = module.native;
    module = {};
    if (library == nullptr) {
      error = "no library loaded";
      return false;
    }
    dlclose(library);
    error = path + " is still resident after unloading (a WebAssembly module cannot be unloaded from a page)";
    return false;
  }

  bool isResident(const std::string& path) const override { return loaded_.count(path) != 0; }

 private:
  std::set<std::string> loaded_;
};

}  // namespace

std::unique_ptr<Loader> MakeNativeLoader() { return std::make_unique<WasmLoader>(); }

}  // namespace host
