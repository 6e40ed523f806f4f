// The Windows loader. Like Illustrator, it first reads the file's PiPL
// resource without running any of its code, refuses a file that does not
// declare itself an Illustrator plug-in, and then loads it with LoadLibraryW
// and resolves the entry point that the PiPL names.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "host/loader.hpp"
#include "windows/native_path.hpp"
#include "windows/pipl.hpp"

namespace host {

namespace {

struct WinModule {
  HMODULE library = nullptr;
  std::uintptr_t base = 0;  // the image's address range
  std::size_t size = 0;
};

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
    message.pop_back();
  }
  return "error " + std::to_string(code) + (message.empty() ? "" : " (" + winres::ToUtf8(message) + ")");
}

// The PiPL's bytes, read from the file as data; nothing when it has none.
std::optional<std::vector<std::uint8_t>> ReadPipl(const std::wstring& path, std::string& error) {
  HMODULE file = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (file == nullptr) {
    error = "cannot read the resources: " + SystemMessage(GetLastError());
    return std::nullopt;
  }
  std::optional<std::vector<std::uint8_t>> bytes;
  HRSRC found = FindResourceW(file, MAKEINTRESOURCEW(winres::kPiplResourceId), L"PiPL");
  HGLOBAL loaded = found != nullptr ? LoadResource(file, found) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data != nullptr) {
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes.emplace(begin, begin + SizeofResource(file, found));
  } else {
    error = "it has no PiPL resource (type PiPL, id 16000)";
  }
  FreeLibrary(file);
  return bytes;
}

std::size_t ImageSize(HMODULE library) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(library);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(reinterpret_cast<const std::uint8_t*>(library) +
                                                               dos->e_lfanew);
  return nt->OptionalHeader.SizeOfImage;
}

class WinLoader final : public Loader {
 public:
  ~WinLoader() override {
    for (void* guard : guards_) VirtualFree(guard, 0, MEM_RELEASE);
  }

  bool open(const std::string& path, LoadedModule& module, std::string& error) override {
    module = {};
    const std::wstring wide = winres::ToNativePath(path);
    std::string why;
    const auto pipl = ReadPipl(wide, why);
    if (!pipl) {
      error = "refusing " + path + ": " + why;
      return false;
    }
    const winres::PiplVerdict verdict = winres::CheckIllustratorPipl(*pipl);
    if (!verdict.loadable) {
      error = "refusing " + path + ": " + verdict.problem;
      return false;
    }

    HMODULE library = LoadLibraryW(wide.c_str());
    if (library == nullptr) {
      error = "cannot load " + path + ": " + SystemMessage(GetLastError());
      return false;
    }
    FARPROC entry = GetProcAddress(library, verdict.entryPoint.c_str());
    if (entry == nullptr) {
      error = path + " has no entry point " + verdict.entryPoint + " (named by its PiPL)";
      FreeLibrary(library);
      return false;
    }
    module.native = new WinModule{library, reinterpret_cast<std::uintptr_t>(library), ImageSize(library)};
    module.entry = reinterpret_cast<hostapi::PluginMainFunction>(reinterpret_cast<void (*)()>(entry));
    module.path = path;
    return true;
  }

  bool close(LoadedModule& module, std::string& error) override {
    auto* native = static_cast<WinModule*>(module.native);
    const std::string path = module.path;
    module = {};
    if (native == nullptr) {
      error = "no library loaded";
      return false;
    }
    const WinModule closed = *native;
    delete native;
    if (FreeLibrary(closed.library) == 0) {
      error = "cannot unload " + path + ": " + SystemMessage(GetLastError());
      return false;
    }
    // Keep the old addresses reserved and inaccessible: a stale pointer into
    // the unloaded copy then faults instead of reaching a new load there. The
    // range is taken at once, before anything here allocates.
    void* guard = VirtualAlloc(reinterpret_cast<void*>(closed.base), closed.size, MEM_RESERVE, PAGE_NOACCESS);
    if (guard != nullptr && reinterpret_cast<std::uintptr_t>(guard) != closed.base) {
      VirtualFree(guard, 0, MEM_RELEASE);
      guard = nullptr;
    }
    if (guard != nullptr) {
      guards_.push_back(guard);
      return true;
    }
    if (isResident(path)) {
      error = path + " is still loaded after FreeLibrary";
      return false;
    }
    // Another thread's allocation took part of the range first: those pages
    // are in use, so no new load can land on them.
    return true;
  }

  bool isResident(const std::string& path) const override {
    return GetModuleHandleW(winres::ToNativePath(path).c_str()) != nullptr;
  }

 private:
  std::vector<void*> guards_;
};

}  // namespace

std::unique_ptr<Loader> MakeNativeLoader() { return std::make_unique<WinLoader>(); }

}  // namespace host
