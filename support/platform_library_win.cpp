#include "support/platform_library.hpp"

#include <windows.h>

namespace platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

LibraryHandle OpenLibrary(const char16_t* path) noexcept {
  if (path == nullptr) return nullptr;
  return static_cast<LibraryHandle>(LoadLibraryW(reinterpret_cast<const wchar_t*>(path)));
}

LibraryEntry FindEntry(LibraryHandle library, const char* name) noexcept {
  if (library == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<LibraryEntry>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool CloseLibrary(LibraryHandle library) noexcept {
  return library != nullptr && FreeLibrary(static_cast<HMODULE>(library)) != 0;
}

}  // namespace platform
