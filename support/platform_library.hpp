// The three operations of the operating system's dynamic loader that the
// extension-bridge loader needs. Windows: LoadLibraryW, GetProcAddress,
// FreeLibrary. Elsewhere the same operations over dlopen, dlsym and dlclose,
// so that the loader's code and tests are the same on both.
#pragma once

namespace platform {

// A loaded library; null means none.
using LibraryHandle = void*;
// Any exported function; cast to its real type before calling.
using LibraryEntry = void (*)();

// Loads the library at `path` (NUL-terminated UTF-16). Null on failure.
LibraryHandle OpenLibrary(const char16_t* path) noexcept;

// The address of the export named `name`, or null when there is none.
LibraryEntry FindEntry(LibraryHandle library, const char* name) noexcept;

// Gives the reference of OpenLibrary back. False when the system refused.
bool CloseLibrary(LibraryHandle library) noexcept;

}  // namespace platform
