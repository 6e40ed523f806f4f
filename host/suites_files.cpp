// The stand-in host's file path and folders suites, over the real file system.
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "host/operation.hpp"
#include "text/utf8.hpp"

namespace host {

namespace {

using hostapi::ResultCode;

// --- AI File Path Suite and AI Folders Suite ----------------------------------------------
std::string* FindPath(hostapi::FilePathRef ref) {
  const std::uint64_t n = HandleNumber(HandleKind::FilePath, ref);
  if (n == 0) return nullptr;
  auto it = S().filePaths.find(n);
  return it == S().filePaths.end() ? nullptr : &it->second;
}

using unicode::PathFromUtf8;
using unicode::Utf8FromPath;

// Gives `*path` the text, reusing its object or making a new one.
void AssignPath(hostapi::FilePathRef* path, std::string text) {
  if (std::string* existing = FindPath(*path)) {
    *existing = std::move(text);
    return;
  }
  const std::uint64_t n = S().newNumber();
  S().filePaths.emplace(n, std::move(text));
  *path = MakeHandle<hostapi::FilePathRef>(HandleKind::FilePath, n);
}

ResultCode ReleasePath(hostapi::FilePathRef* path) {
  auto args = [&] { return Args{Ptr(path ? *path : nullptr)}; };
  HOST_BEGIN(FilePathSuite, Release, args);
  if (path == nullptr) return op.done(kBadParameter, args);
  if (*path == nullptr) return op.done(0, args);
  const std::uint64_t n = HandleNumber(HandleKind::FilePath, *path);
  if (n == 0 || S().filePaths.erase(n) == 0) {
    S().misuse("Release: unknown file path " + Ptr(*path));
    return op.done(kBadParameter, args);
  }
  *path = nullptr;
  return op.done(0, args);
}

ResultCode AddComponent(const hostapi::UnicodeStringRef* component, hostapi::FilePathRef* path) {
  const auto text = StringArgument(component);
  auto args = [&] { return Args{text ? *text : std::string("(bad string)"), Ptr(path ? *path : nullptr)}; };
  HOST_BEGIN(FilePathSuite, AddComponent, args);
  std::string* base = path ? FindPath(*path) : nullptr;
  if (!text || base == nullptr) return op.done(kBadParameter, args);
  *base = Utf8FromPath(PathFromUtf8(*base) / PathFromUtf8(*text));
  return op.done(0, args);
}

hostapi::HostBoolean Exists(const hostapi::FilePathRef* path, hostapi::HostBoolean resolveLinks, std::int32_t,
                            hostapi::HostBoolean* isFile) {
  const std::string* text = path ? FindPath(*path) : nullptr;
  auto args = [&] { return Args{text ? *text : std::string("(bad path)"), Num(resolveLinks)}; };
  const Operation op(HOST_OPERATION(FilePathSuite, Exists));
  if (op.fault()) return static_cast<hostapi::HostBoolean>(op.done(0, args));
  if (text == nullptr) return static_cast<hostapi::HostBoolean>(op.done(0, args));
  std::error_code ec;
  const auto fs = PathFromUtf8(*text);
  const bool exists = std::filesystem::exists(fs, ec);
  if (isFile != nullptr) *isFile = exists && std::filesystem::is_regular_file(fs, ec) ? 1 : 0;
  return static_cast<hostapi::HostBoolean>(op.done(exists ? 1 : 0, args));
}

ResultCode GetFullPath(const hostapi::FilePathRef* path, hostapi::HostBoolean displayName,
                       hostapi::UnicodeStringRef* text) {
  const std::string* value = path ? FindPath(*path) : nullptr;
  auto args = [&] { return Args{value ? *value : std::string("(bad path)"), Num(displayName)}; };
  HOST_BEGIN(FilePathSuite, GetFullPath, args);
  if (value == nullptr || text == nullptr) return op.done(kBadParameter, args);
  if (std::u16string* existing = FindString(*text)) {
    *existing = Utf8ToUtf16(*value);
  } else {
    if (*text != nullptr) S().misuse("GetFullPath: the target is not a string");
    *text = NewString(Utf8ToUtf16(*value));
  }
  return op.done(0, args);
}

ResultCode FindFolder(std::int32_t kind, hostapi::HostBoolean createFolder, hostapi::FilePathRef* path) {
  auto args = [&] { return Args{Num(kind), Num(createFolder)}; };
  HOST_BEGIN(FoldersSuite, FindFolder, args);
  auto it = S().folders.find(kind);
  if (path == nullptr || it == S().folders.end()) return op.done(kBadParameter, args);
  if (createFolder) {
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(it->second), ec);
  }
  AssignPath(path, it->second);
  return op.done(0, args);
}

}  // namespace

void InstallFileSuites(SuiteInstaller& installer) {
  installer.install(hostapi::FilePathSuite{.Release = &ReleasePath, .AddComponent = &AddComponent, .Exists = &Exists,
      .GetFullPath = &GetFullPath});

  installer.install(hostapi::FoldersSuite{.FindFolder = &FindFolder});
}

}  // namespace host
