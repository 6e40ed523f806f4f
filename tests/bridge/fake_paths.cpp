#include "tests/bridge/fake_paths.hpp"

#include <map>
#include <memory>

#include "plugin/suite_slots.hpp"

namespace bridgetest {
namespace {

constexpr hostapi::ResultCode kBadParameter = hostapi::FourCC("PARM");

#if defined(_WIN32)
constexpr char16_t kSeparator = u'\\';
#else
constexpr char16_t kSeparator = u'/';
#endif

struct Objects {
  FakeHostState state;
  std::map<std::uintptr_t, std::u16string> strings;
  std::map<std::uintptr_t, std::u16string> paths;
  std::uintptr_t next = 0x1000;
};
Objects* gObjects = nullptr;

template <class Ref>
Ref NewHandle() {
  gObjects->next += 16;
  return reinterpret_cast<Ref>(gObjects->next);
}

template <class Ref>
std::uintptr_t Key(Ref ref) {
  return reinterpret_cast<std::uintptr_t>(ref);
}

// --- strings
hostapi::ResultCode StringInitialize(hostapi::UnicodeStringRef* string, const char* text, std::uint64_t bytes,
                                     std::int32_t) {
  if (string == nullptr || *string != nullptr || text == nullptr) return kBadParameter;
  std::u16string units;
  for (std::uint64_t i = 0; i < bytes; ++i) units.push_back(static_cast<unsigned char>(text[i]));
  *string = NewHandle<hostapi::UnicodeStringRef>();
  gObjects->strings[Key(*string)] = units;
  return 0;
}

hostapi::ResultCode StringDestroy(hostapi::UnicodeStringRef* string) {
  if (string == nullptr || gObjects->strings.erase(Key(*string)) == 0) return kBadParameter;
  *string = nullptr;
  return 0;
}

hostapi::ResultCode StringAppend(hostapi::UnicodeStringRef* target, const hostapi::UnicodeStringRef* appended) {
  auto t = gObjects->strings.find(Key(*target));
  auto a = gObjects->strings.find(Key(*appended));
  if (t == gObjects->strings.end() || a == gObjects->strings.end()) return kBadParameter;
  t->second += a->second;
  return 0;
}

std::uint64_t StringUtf16(const hostapi::UnicodeStringRef* string, const char16_t** units) {
  auto s = gObjects->strings.find(Key(*string));
  if (s == gObjects->strings.end()) {
    *units = nullptr;
    return 0;
  }
  *units = s->second.c_str();
  return s->second.size();
}

// --- paths
hostapi::ResultCode PathRelease(hostapi::FilePathRef* path) {
  if (path == nullptr || gObjects->paths.erase(Key(*path)) == 0) return kBadParameter;
  *path = nullptr;
  return 0;
}

hostapi::ResultCode PathAddComponent(const hostapi::UnicodeStringRef* component, hostapi::FilePathRef* path) {
  FakeHostState& s = gObjects->state;
  ++s.addComponentCalls;
  auto c = gObjects->strings.find(Key(*component));
  auto p = gObjects->paths.find(Key(*path));
  if (c == gObjects->strings.end() || p == gObjects->paths.end()) return kBadParameter;
  s.lastComponent = c->second;
  if (s.addComponentFailure != 0) return s.addComponentFailure;
  if (!p->second.empty() && p->second.back() != kSeparator) p->second.push_back(kSeparator);
  p->second += c->second;
  return 0;
}

hostapi::HostBoolean PathExists(const hostapi::FilePathRef* path, hostapi::HostBoolean, std::int32_t,
                                hostapi::HostBoolean* isFile) {
  FakeHostState& s = gObjects->state;
  ++s.existsCalls;
  auto p = gObjects->paths.find(Key(*path));
  if (p == gObjects->paths.end()) return 0;
  std::error_code error;
  const bool onDisk = std::filesystem::exists(std::filesystem::path(p->second), error);
  if (isFile != nullptr) *isFile = onDisk ? 1 : 0;
  return s.existsAnswer.value_or(onDisk) ? 1 : 0;
}

hostapi::ResultCode PathFullText(const hostapi::FilePathRef* path, hostapi::HostBoolean,
                                 hostapi::UnicodeStringRef* text) {
  FakeHostState& s = gObjects->state;
  ++s.fullPathCalls;
  auto p = gObjects->paths.find(Key(*path));
  if (p == gObjects->paths.end() || text == nullptr) return kBadParameter;
  if (s.fullPathFailure != 0) return s.fullPathFailure;
  if (*text != nullptr) gObjects->strings.erase(Key(*text));
  *text = NewHandle<hostapi::UnicodeStringRef>();
  gObjects->strings[Key(*text)] = p->second;
  s.lastFullPath = p->second;
  return 0;
}

// --- folders
hostapi::ResultCode FindFolder(std::int32_t kind, hostapi::HostBoolean, hostapi::FilePathRef* path) {
  FakeHostState& s = gObjects->state;
  ++s.findFolderCalls;
  s.lastFolderKind = kind;
  if (s.folderFailure != 0) return s.folderFailure;
  if (path == nullptr) return kBadParameter;
  if (*path != nullptr) gObjects->paths.erase(Key(*path));
  *path = NewHandle<hostapi::FilePathRef>();
  gObjects->paths[Key(*path)] = Utf16(s.folder);
  return 0;
}

hostapi::UnicodeStringSuite MakeStrings() {
  hostapi::UnicodeStringSuite suite{};
  suite.Initialize = StringInitialize;
  suite.Destroy = StringDestroy;
  suite.Append = StringAppend;
  suite.Utf16 = StringUtf16;
  return suite;
}

hostapi::FilePathSuite MakePaths() {
  hostapi::FilePathSuite suite{};
  suite.Release = PathRelease;
  suite.AddComponent = PathAddComponent;
  suite.Exists = PathExists;
  suite.GetFullPath = PathFullText;
  return suite;
}

const hostapi::UnicodeStringSuite kStrings = MakeStrings();
const hostapi::FilePathSuite kPaths = MakePaths();
const hostapi::FoldersSuite kFolders{FindFolder};

}  // namespace

FakeHost::FakeHost() {
  gObjects = new Objects;
  slots::Slot<hostapi::UnicodeStringSuite>().table = &kStrings;
  slots::Slot<hostapi::FilePathSuite>().table = &kPaths;
  slots::Slot<hostapi::FoldersSuite>().table = &kFolders;
}

FakeHost::~FakeHost() {
  slots::Slot<hostapi::UnicodeStringSuite>().table = nullptr;
  slots::Slot<hostapi::FilePathSuite>().table = nullptr;
  slots::Slot<hostapi::FoldersSuite>().table = nullptr;
  delete gObjects;
  gObjects = nullptr;
}

FakeHostState& FakeHost::state() { return gObjects->state; }
const hostapi::FoldersSuite* FakeHost::folders() const { return &kFolders; }
int FakeHost::liveStrings() const { return static_cast<int>(gObjects->strings.size()); }
int FakeHost::livePaths() const { return static_cast<int>(gObjects->paths.size()); }

std::u16string Utf16(const std::filesystem::path& path) { return path.u16string(); }

}  // namespace bridgetest
