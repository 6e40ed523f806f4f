// The Windows half of installing the Inkscape effect: Inkscape's folder in the
// user's roaming profile, files written whole, and the new install moved in
// place of the old one (a folder cannot be swapped in one step on Windows:
// the old one steps aside first and comes back should the move fail).
#include <windows.h>

#include <filesystem>
#include <string_view>

#include "cli/inkscape.hpp"
#include "engine/errors.hpp"
#include "windows/native_path.hpp"

namespace evenhue::cli {

namespace {

std::string Variable(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size <= 1) return {};
  std::wstring value(size, L'\0');
  const DWORD n = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(n < size ? n : 0);
  return winres::ToUtf8(value);
}

[[noreturn]] void Fail(const std::string& what, DWORD error) {
  throw InputError(what + ": " + winres::SystemMessage(error));
}

}  // namespace

std::string InkscapeExtensionsFolder() {
  if (const std::string profile = Variable(L"INKSCAPE_PROFILE_DIR"); !profile.empty()) return profile + "\\extensions";
  if (const std::string roaming = Variable(L"APPDATA"); !roaming.empty()) return roaming + "\\inkscape\\extensions";
  throw UsageError("install-inkscape: APPDATA is not set; give --dir FOLDER");
}

void WriteInstalledFile(const std::string& path, const std::string& data, bool) {
  HANDLE file = CreateFileW(winres::ToNativePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot write " + path, GetLastError());
  DWORD error = ERROR_SUCCESS;
  for (std::string_view rest = data; error == ERROR_SUCCESS && !rest.empty();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 30));
    if (!WriteFile(file, rest.data(), chunk, &written, nullptr)) error = GetLastError();
    rest.remove_prefix(written);
  }
  if (error == ERROR_SUCCESS && !FlushFileBuffers(file)) error = GetLastError();
  if (!CloseHandle(file) && error == ERROR_SUCCESS) error = GetLastError();
  if (error != ERROR_SUCCESS) Fail("cannot write " + path, error);
}

void PutInstallInPlace(svg::TemporaryFolder& made, const std::string& target) {
  const std::wstring from = winres::ToNativePath(made.path());
  const std::wstring to = winres::ToNativePath(target);
  const std::wstring old = winres::ToNativePath(made.path() + "-old");
  const bool installed = GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (installed && !MoveFileExW(to.c_str(), old.c_str(), 0)) Fail("cannot replace " + target, GetLastError());
  if (!MoveFileExW(from.c_str(), to.c_str(), 0)) {
    const DWORD error = GetLastError();
    if (installed) MoveFileExW(old.c_str(), to.c_str(), 0);
    Fail("cannot install into " + target, error);
  }
  made.Release();
  std::error_code ignored;
  if (installed) std::filesystem::remove_all(std::filesystem::path(old), ignored);
}

}  // namespace evenhue::cli
