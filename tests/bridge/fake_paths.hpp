// Just enough of the host for the extension-bridge loader: its Unicode
// strings, file paths and folders, with counters and chosen failures. The
// tables are installed into the plug-in's suite slots for the time of a test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "plugin/host_api.hpp"

namespace bridgetest {

struct FakeHostState {
  std::filesystem::path folder;                  // what folder kind 0 answers
  hostapi::ResultCode folderFailure = 0;         // non-zero: FindFolder answers it
  hostapi::ResultCode addComponentFailure = 0;   // non-zero: AddComponent answers it
  hostapi::ResultCode fullPathFailure = 0;       // non-zero: GetFullPath answers it
  std::optional<bool> existsAnswer;              // set: Exists answers it, whatever the disk says

  int findFolderCalls = 0;
  std::int32_t lastFolderKind = -1;
  int addComponentCalls = 0;
  int existsCalls = 0;
  int fullPathCalls = 0;
  std::u16string lastComponent;
  std::u16string lastFullPath;
};

// Installs the fake tables into the slots on construction and empties the
// slots again on destruction. One at a time.
class FakeHost {
 public:
  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  FakeHostState& state();
  const hostapi::FoldersSuite* folders() const;
  // Host strings and paths not yet released.
  int liveStrings() const;
  int livePaths() const;
};

std::u16string Utf16(const std::filesystem::path& path);

}  // namespace bridgetest
