// The stand-in host's inner state, shared by host.cpp (messages, lifecycle) and
// the suite files (suites.cpp and suites_*.cpp, the function tables). Not part
// of the host's public interface.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/host.hpp"

namespace host {

using SuiteRow = std::array<hostapi::UnusedEntry, kEntriesPerSuite>;

// Handle kinds, in the top bits of the handles the host makes up.
enum class HandleKind : std::uint64_t {
  Notifier = 1,
  LiveEffect,
  MenuItem,
  MenuGroup,
  String,
  Access,
  Context,
  FilePath,
};

template <class Handle>
Handle MakeHandle(HandleKind kind, std::uint64_t number) {
  return reinterpret_cast<Handle>(static_cast<std::uintptr_t>((static_cast<std::uint64_t>(kind) << 40) | number));
}

// The number of a made-up handle of `kind`, or 0 when it is not one.
template <class Handle>
std::uint64_t HandleNumber(HandleKind kind, Handle handle) {
  const auto raw = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
  if ((raw >> 40) != static_cast<std::uint64_t>(kind)) return 0;
  return raw & ((std::uint64_t{1} << 40) - 1);
}

struct Host::State {
  HostOptions options;
  std::unique_ptr<Loader> loader;
  LoadedModule module;
  std::unique_ptr<CmykConverter> cmyk;
  Document document;
  Recorder recorder;

  void* objectSlot = nullptr;
  unsigned char pluginTag = 0;  // its address is this host's plug-in reference

  // Suites.
  std::array<SuiteRow, kSuiteCount> tables{};
  hostapi::BasicSuite basic{};
  std::array<std::optional<hostapi::ResultCode>, kSuiteCount> withheld{};
  std::array<std::uint32_t, kSuiteCount> acquired{};
  std::array<std::uint32_t, kSuiteCount> released{};

  std::string pluginName;

  std::uint64_t nextHandle = 1;
  std::set<std::uint64_t> liveAccess;
  std::uint32_t accessAcquired = 0;
  std::uint32_t accessReleased = 0;

  std::vector<std::uint64_t> contextStack;
  std::uint32_t contextsOpened = 0;

  bool cancel = false;
  std::vector<std::string> alerts;
  bool browserAvailable = true;
  std::vector<std::string> openedUrls;

  std::vector<NotifierRecord> notifiers;
  std::vector<LiveEffectRecord> liveEffects;
  std::vector<LiveEffectMenuRecord> liveEffectMenus;
  std::vector<hostapi::LiveEffectEditContext> updatedParameters;

  std::vector<MenuItemRecord> menuItems;
  std::vector<MenuGroupRecord> menuGroups;
  std::deque<std::string> menuGroupNames;  // stable C strings, one per group
  std::int32_t updateFlags[3] = {0, 0, 0};

  std::unordered_map<std::uint64_t, std::u16string> strings;
  std::unordered_map<void*, std::size_t> blocks;
  std::map<std::int32_t, std::string> folders;
  std::unordered_map<std::uint64_t, std::string> filePaths;  // UTF-8 text of each path object

  std::vector<std::string> misuses;

  std::filesystem::path scratch;
  bool ownsScratch = false;
  std::uint32_t reloads = 0;
  std::vector<std::filesystem::path> copies;

  hostapi::PluginRef pluginRef() { return reinterpret_cast<hostapi::PluginRef>(&pluginTag); }
  std::uint64_t newNumber() { return nextHandle++; }
  void misuse(std::string what) { misuses.push_back(std::move(what)); }
};

// The state of the active host; null when none is active.
extern Host::State* gActiveState;

// Fills the function tables of `state` (suites.cpp).
void InstallSuites(Host::State& state);

}  // namespace host
