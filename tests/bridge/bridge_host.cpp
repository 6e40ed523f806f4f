#include "tests/bridge/bridge_host.hpp"

#include <cstddef>
#include <limits>
#include <vector>

#include "framework/suite_slots.hpp"

namespace bridgetest {
namespace {

using hostapi::EntryAt;

constexpr std::int32_t kFindFolder = EntryAt(offsetof(hostapi::FoldersSuite, FindFolder));
constexpr std::int32_t kAddComponent = EntryAt(offsetof(hostapi::FilePathSuite, AddComponent));
constexpr std::int32_t kExists = EntryAt(offsetof(hostapi::FilePathSuite, Exists));
constexpr std::int32_t kGetFullPath = EntryAt(offsetof(hostapi::FilePathSuite, GetFullPath));
constexpr std::uint32_t kEveryCall = std::numeric_limits<std::uint32_t>::max();

// The first argument of the last logged call, or nothing.
std::string LastArgument(const host::Recorder& recorder, const char* suite, std::int32_t entry) {
  const std::vector<host::CallRecord> calls = recorder.callsTo(suite, entry);
  return calls.empty() || calls.back().args.empty() ? std::string() : calls.back().args.front();
}

}  // namespace

BridgeHost::BridgeHost() {
  slots::Slot<hostapi::UnicodeStringSuite>().table = host_.suiteTable(hostapi::UnicodeStringSuite::kName);
  slots::Slot<hostapi::FilePathSuite>().table = host_.suiteTable(hostapi::FilePathSuite::kName);
  slots::Slot<hostapi::FoldersSuite>().table = host_.suiteTable(hostapi::FoldersSuite::kName);
}

BridgeHost::~BridgeHost() {
  slots::Slot<hostapi::UnicodeStringSuite>().table = nullptr;
  slots::Slot<hostapi::FilePathSuite>().table = nullptr;
  slots::Slot<hostapi::FoldersSuite>().table = nullptr;
}

void BridgeHost::setFolder(const std::filesystem::path& folder) {
  const std::u8string utf8 = folder.u8string();
  host_.setFolder(0, std::string(utf8.begin(), utf8.end()));
}

void BridgeHost::failFindFolder(hostapi::ResultCode code) {
  host_.recorder().failOn(hostapi::FoldersSuite::kName, kFindFolder, 1, code, kEveryCall);
}
void BridgeHost::failAddComponent(hostapi::ResultCode code) {
  host_.recorder().failOn(hostapi::FilePathSuite::kName, kAddComponent, 1, code, kEveryCall);
}
void BridgeHost::failGetFullPath(hostapi::ResultCode code) {
  host_.recorder().failOn(hostapi::FilePathSuite::kName, kGetFullPath, 1, code, kEveryCall);
}
void BridgeHost::denyExists() { host_.recorder().failOn(hostapi::FilePathSuite::kName, kExists, 1, 1, kEveryCall); }

int BridgeHost::addComponentCalls() const {
  return static_cast<int>(host_.recorder().callCount(hostapi::FilePathSuite::kName, kAddComponent));
}
int BridgeHost::existsCalls() const {
  return static_cast<int>(host_.recorder().callCount(hostapi::FilePathSuite::kName, kExists));
}
int BridgeHost::fullPathCalls() const {
  return static_cast<int>(host_.recorder().callCount(hostapi::FilePathSuite::kName, kGetFullPath));
}

std::int32_t BridgeHost::lastFolderKind() const {
  const std::string kind = LastArgument(host_.recorder(), hostapi::FoldersSuite::kName, kFindFolder);
  return kind.empty() ? -1 : static_cast<std::int32_t>(std::stol(kind));
}
std::u16string BridgeHost::lastComponent() const {
  return host::Utf8ToUtf16(LastArgument(host_.recorder(), hostapi::FilePathSuite::kName, kAddComponent));
}
std::u16string BridgeHost::lastFullPath() const {
  return host::Utf8ToUtf16(LastArgument(host_.recorder(), hostapi::FilePathSuite::kName, kGetFullPath));
}

const hostapi::FoldersSuite* BridgeHost::folders() const {
  return static_cast<const hostapi::FoldersSuite*>(host_.suiteTable(hostapi::FoldersSuite::kName));
}
int BridgeHost::liveStrings() const { return static_cast<int>(host_.liveStrings()); }
int BridgeHost::livePaths() const { return static_cast<int>(host_.liveFilePaths()); }

std::u16string Utf16(const std::filesystem::path& path) { return path.u16string(); }

}  // namespace bridgetest
