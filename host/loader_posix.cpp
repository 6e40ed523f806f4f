// The POSIX loader: dlopen, dlsym, dlclose.
#include <dlfcn.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/loader.hpp"
#include "host/loader_dlfcn.hpp"

namespace host {

namespace {

struct PosixModule {
  void* library = nullptr;
  std::uintptr_t begin = 0;  // the pages the library's segments occupy
  std::uintptr_t end = 0;
};

struct RangeQuery {
  std::uintptr_t base;
  std::uintptr_t begin;
  std::uintptr_t end;
  bool found;
};

int FindSegments(dl_phdr_info* info, std::size_t, void* data) {
  auto* q = static_cast<RangeQuery*>(data);
  if (info->dlpi_addr != q->base) return 0;
  std::uintptr_t lo = UINTPTR_MAX;
  std::uintptr_t hi = 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const auto& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    lo = std::min<std::uintptr_t>(lo, info->dlpi_addr + ph.p_vaddr);
    hi = std::max<std::uintptr_t>(hi, info->dlpi_addr + ph.p_vaddr + ph.p_memsz);
  }
  if (hi == 0) return 0;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  q->begin = lo & ~(page - 1);
  q->end = (hi + page - 1) & ~(page - 1);
  q->found = true;
  return 1;
}

std::string CanonicalPath(const std::string& path) {
  std::error_code ec;
  auto canonical = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : canonical.string();
}

class PosixLoader final : public Loader {
 public:
  ~PosixLoader() override {
    for (const auto& [begin, length] : guards_) munmap(reinterpret_cast<void*>(begin), length);
  }

  bool open(const std::string& path, LoadedModule& module, std::string& error) override {
    module = {};
    void* library = nullptr;
    hostapi::PluginMainFunction entry = nullptr;
    if (!OpenWithDlopen(path, library, entry, error)) return false;
    auto* native = new PosixModule{library, 0, 0};
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) {
      RangeQuery q{static_cast<std::uintptr_t>(map->l_addr), 0, 0, false};
      dl_iterate_phdr(&FindSegments, &q);
      if (q.found) {
        native->begin = q.begin;
        native->end = q.end;
      }
    }
    module.native = native;
    module.entry = entry;
    module.path = path;
    return true;
  }

  bool close(LoadedModule& module, std::string& error) override {
    auto* native = static_cast<PosixModule*>(module.native);
    const std::string path = module.path;
    module = {};
    if (native == nullptr) {
      error = "no library loaded";
      return false;
    }
    const PosixModule closed = *native;
    delete native;
    if (dlclose(closed.library) != 0) {
      const char* why = dlerror();
      error = "cannot unload " + path + ": " + (why ? why : "unknown error");
      return false;
    }
    if (closed.end <= closed.begin) {  // range unknown: nothing to keep
      if (!isResident(path)) return true;
      error = path + " is still mapped after unloading (a unique symbol or a nodelete flag keeps it resident)";
      return false;
    }
    // Keep the old addresses occupied and inaccessible: a stale pointer into
    // the unloaded copy then faults instead of reaching a new load there. The
    // range is taken at once, before anything here allocates: the hole the
    // library left is where the next mapping of the process would go.
    const std::size_t length = closed.end - closed.begin;
    if (reserve(closed.begin, length)) return true;
    if (isResident(path)) {
      error = path + " is still mapped after unloading (a unique symbol or a nodelete flag keeps it resident)";
      return false;
    }
    // Another thread's mapping took part of the hole first. Its pages are in
    // use, so no new load can land there either; keep the rest page by page.
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (std::uintptr_t at = closed.begin; at < closed.end; at += page) reserve(at, page);
    return true;
  }

  bool isResident(const std::string& path) const override {
    const std::string wanted = CanonicalPath(path);
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
      const auto slash = line.find('/');
      if (slash == std::string::npos) continue;
      std::string mapped = line.substr(slash);
      const std::string deleted = " (deleted)";
      if (mapped.size() > deleted.size() && mapped.ends_with(deleted)) mapped.resize(mapped.size() - deleted.size());
      if (mapped == wanted || mapped == path) return true;
    }
    return false;
  }

 private:
  // Maps [begin, begin + length) inaccessible if none of it is in use.
  bool reserve(std::uintptr_t begin, std::size_t length) {
    void* guard = mmap(reinterpret_cast<void*>(begin), length, PROT_NONE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
    if (guard == MAP_FAILED) return false;
    if (reinterpret_cast<std::uintptr_t>(guard) != begin) {  // kernels without MAP_FIXED_NOREPLACE
      munmap(guard, length);
      return false;
    }
    guards_.emplace_back(begin, length);
    return true;
  }

  std::vector<std::pair<std::uintptr_t, std::size_t>> guards_;
};

}  // namespace

std::unique_ptr<Loader> MakeNativeLoader() { return std::make_unique<PosixLoader>(); }

}  // namespace host
