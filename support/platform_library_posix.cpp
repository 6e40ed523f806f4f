#include <dlfcn.h>

#include <string>

#include "support/platform_library.hpp"
#include "support/utf8.hpp"

namespace platform {
namespace {

// UTF-16 to the UTF-8 that file names are on this system. Unpaired
// surrogates cannot name a file and give an empty result.
bool ToUtf8(const char16_t* text, std::string& out) {
  out.clear();
  const std::u16string_view units(text);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char32_t c = unicode::ReadUtf16(units, i);
    if (c == unicode::kLoneSurrogate) return false;
    unicode::AppendUtf8(out, c);
  }
  return true;
}

}  // namespace

LibraryHandle OpenLibrary(const char16_t* path) noexcept {
  if (path == nullptr) return nullptr;
  try {
    std::string utf8;
    if (!ToUtf8(path, utf8) || utf8.empty()) return nullptr;
    return dlopen(utf8.c_str(), RTLD_NOW | RTLD_LOCAL);
  } catch (...) {  // out of memory while converting
    return nullptr;
  }
}

LibraryEntry FindEntry(LibraryHandle library, const char* name) noexcept {
  if (library == nullptr || name == nullptr) return nullptr;
  void* address = dlsym(library, name);
  return reinterpret_cast<LibraryEntry>(address);
}

bool CloseLibrary(LibraryHandle library) noexcept { return library != nullptr && dlclose(library) == 0; }

}  // namespace platform
