#include "support/extension_bridge.hpp"

#include <cstring>

#include "framework/error.hpp"
#include "framework/suite_slots.hpp"
#include "support/host_string.hpp"
#include "support/platform_library.hpp"

HostFilePath::~HostFilePath() {
  if (handle_ == nullptr || !slots::Slot<hostapi::FilePathSuite>()) return;
  try {
    slots::Slot<hostapi::FilePathSuite>()->Release(&handle_);
  } catch (...) {
  }
}

namespace {

constexpr std::int32_t kFolderKind = 0;
constexpr std::int32_t kNullEntryExtensionResult = 0;
constexpr std::int32_t kNullEntryEventResult = 1;

// Resolves `name` into `field`; false (field untouched) when it is missing.
template <class Entry>
bool Resolve(platform::LibraryHandle module, const char* name, Entry& field) {
  const platform::LibraryEntry address = platform::FindEntry(module, name);
  if (address == nullptr) return false;
  field = reinterpret_cast<Entry>(address);
  return true;
}

}  // namespace

ExtensionBridge::ExtensionBridge() noexcept { std::memset(static_cast<void*>(this), 0, sizeof(*this)); }

std::int32_t ExtensionBridge::LoadExtension(std::uintptr_t extension) const {
  return loadExtension != nullptr ? loadExtension(extension) : kNullEntryExtensionResult;
}

std::int32_t ExtensionBridge::UnloadExtension(std::uintptr_t extension) const {
  return unloadExtension != nullptr ? unloadExtension(extension) : kNullEntryExtensionResult;
}

std::int32_t ExtensionBridge::AddEventListener(std::uintptr_t type, std::uintptr_t listener,
                                               std::uintptr_t context) const {
  return addEventListener != nullptr ? addEventListener(type, listener, context) : kNullEntryEventResult;
}

std::int32_t ExtensionBridge::RemoveEventListener(std::uintptr_t type, std::uintptr_t listener,
                                                  std::uintptr_t context) const {
  return removeEventListener != nullptr ? removeEventListener(type, listener, context) : kNullEntryEventResult;
}

std::int32_t ExtensionBridge::DispatchEvent(std::uintptr_t event) const {
  return dispatchEvent != nullptr ? dispatchEvent(event) : kNullEntryEventResult;
}

hostapi::ResultCode LoadExtensionBridge(ExtensionBridge& bridge, const hostapi::FoldersSuite* folders) {
  // Without the two host services there is no folder to look in.
  if (folders == nullptr || folders->FindFolder == nullptr || !slots::Slot<hostapi::FilePathSuite>())
    return hostapi::kCantHappen;
  const hostapi::FilePathSuite& paths = *slots::Slot<hostapi::FilePathSuite>().get();

  ai::HostString fileName(kExtensionBridgeFileName, 0);
  HostFilePath path;

  if (const hostapi::ResultCode found = folders->FindFolder(kFolderKind, false, path.ref()); found != 0) {
    return found;
  }
  ai::ThrowIfError(paths.AddComponent(fileName.ref(), path.ref()));
  hostapi::HostBoolean isFile = 0;
  if (!paths.Exists(path.ref(), false, 0, &isFile)) return hostapi::kCantHappen;

  ai::HostString fullPath;
  ai::ThrowIfError(paths.GetFullPath(path.ref(), false, fullPath.ref()));
  const ai::WCHARStr wide(fullPath);
  bridge.module = platform::OpenLibrary(wide.as_UTF16());
  if (bridge.module == nullptr) return hostapi::kCantHappen;

  const auto& names = kExtensionBridgeEntryNames;
  const bool complete = Resolve(bridge.module, names[0], bridge.loadExtension) &&
                        Resolve(bridge.module, names[1], bridge.unloadExtension) &&
                        Resolve(bridge.module, names[2], bridge.addEventListener) &&
                        Resolve(bridge.module, names[3], bridge.removeEventListener) &&
                        Resolve(bridge.module, names[4], bridge.dispatchEvent);
  return complete ? hostapi::kNoError : hostapi::kCantHappen;
}

hostapi::ResultCode UnloadExtensionBridge(ExtensionBridge& bridge) {
  if (bridge.module == nullptr) return hostapi::kNoError;
  const bool freed = platform::CloseLibrary(bridge.module);
  bridge.module = nullptr;
  return freed ? hostapi::kNoError : hostapi::kCantHappen;
}
