// The WebAssembly loader: emscripten's dynamic linker, through dlopen and
// dlsym, loads the plug-in's side module into the page's main module.
//
// A WebAssembly instance cannot be taken out of a running page: dlclose
// forgets the handle but the module's code and memory stay, and its function
// pointers (table slots) stay callable. So this loader never claims an
// unload: close reports the library as still resident, which the host treats
// as a failed unload, and isResident is true for every plug-in it has loaded.
#include <dlfcn.h>

#include <set>

#include "host/loader.hpp"
#include "host/loader_dlfcn.hpp"

namespace host {

namespace {

class WasmLoader final : public Loader {
 public:
  bool open(const std::string& path, LoadedModule& module, std::string& error) override {
    module = {};
    void* library = nullptr;
    hostapi::PluginMainFunction entry = nullptr;
    if (!OpenWithDlopen(path, library, entry, error)) return false;
    loaded_.insert(path);
    module.native = library;
    module.entry = entry;
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
