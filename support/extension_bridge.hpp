// Loading the host's extension-bridge library, "PlugPlugOwl.dll", from a host
// folder and calling its five entry points through guarded calls. Nothing in
// the plug-in's own message paths uses it.
#pragma once

#include <cstdint>
#include <type_traits>

#include "interface/host_api.hpp"

// Owning handle to a path object of the host's file path service. Host calls
// receive the wrapper's address and read or write the handle through it.
class HostFilePath {
 public:
  HostFilePath() noexcept : handle_(nullptr) {}
  // Releases the host path, if any; never throws.
  ~HostFilePath();

  HostFilePath(const HostFilePath&) = delete;
  HostFilePath& operator=(const HostFilePath&) = delete;

  hostapi::FilePathRef* ref() noexcept { return &handle_; }
  const hostapi::FilePathRef* ref() const noexcept { return &handle_; }
  hostapi::FilePathRef handle() const noexcept { return handle_; }
  bool empty() const noexcept { return handle_ == nullptr; }

 private:
  hostapi::FilePathRef handle_;
};

static_assert(sizeof(HostFilePath) == sizeof(hostapi::FilePathRef));
static_assert(std::is_standard_layout_v<HostFilePath>);

// The bridge library's entry points. Arguments and results belong to the
// library; they are passed through unchanged.
using BridgeEntry1 = std::int32_t (*)(std::uintptr_t);
using BridgeEntry3 = std::int32_t (*)(std::uintptr_t, std::uintptr_t, std::uintptr_t);

inline constexpr const char kExtensionBridgeFileName[] = "PlugPlugOwl.dll";
// The entry names, in the order they are resolved.
inline constexpr const char* const kExtensionBridgeEntryNames[] = {
    "PlugPlugLoadExtension",       "PlugPlugUnloadExtension", "PlugPlugAddEventListener",
    "PlugPlugRemoveEventListener", "PlugPlugDispatchEvent",
};

// The loaded library and its entries; all null until loaded.
struct ExtensionBridge {
  void* module;                        // the library, null when not loaded
  BridgeEntry1 loadExtension;          // "PlugPlugLoadExtension"
  BridgeEntry1 unloadExtension;        // "PlugPlugUnloadExtension"
  BridgeEntry3 addEventListener;       // "PlugPlugAddEventListener"
  BridgeEntry3 removeEventListener;    // "PlugPlugRemoveEventListener"
  BridgeEntry1 dispatchEvent;          // "PlugPlugDispatchEvent"

  ExtensionBridge() noexcept;

  // Each calls its entry and returns the entry's result; with the entry null
  // nothing is called and the default is returned (0 for the two extension
  // calls, 1 for the three event calls). Not to be used after
  // UnloadExtensionBridge: the entries then point into the freed library.
  std::int32_t LoadExtension(std::uintptr_t extension) const;
  std::int32_t UnloadExtension(std::uintptr_t extension) const;
  std::int32_t AddEventListener(std::uintptr_t type, std::uintptr_t listener, std::uintptr_t context) const;
  std::int32_t RemoveEventListener(std::uintptr_t type, std::uintptr_t listener, std::uintptr_t context) const;
  std::int32_t DispatchEvent(std::uintptr_t event) const;
};

static_assert(sizeof(ExtensionBridge) == 6 * sizeof(void*));
static_assert(std::is_standard_layout_v<ExtensionBridge>);

// Finds "PlugPlugOwl.dll" in the host folder of kind 0, loads it and resolves
// the five entries in order. Returns the folder lookup's code when it fails,
// 'CANT' when the file is missing, will not load or lacks an entry (the
// library then stays loaded with the entries resolved so far), 0 when all five
// are there. Throws ai::Error when the host cannot extend the path or give its
// text. The host string and path it makes are released in every case.
hostapi::ResultCode LoadExtensionBridge(ExtensionBridge& bridge, const hostapi::FoldersSuite* folders);

// Frees the library, if loaded, and forgets it; the entries are left as they
// are. 'CANT' when the system refused to free it.
hostapi::ResultCode UnloadExtensionBridge(ExtensionBridge& bridge);
