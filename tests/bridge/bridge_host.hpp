// The extension-bridge loader's host: the stand-in host in process, its string,
// file path and folder tables installed into the plug-in's suite slots for the
// time of a test. Faults and counts are the stand-in host's recorder's; this
// adapter only names the operations the loader calls.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "host/host.hpp"
#include "interface/host_api.hpp"

namespace bridgetest {

// One at a time (the stand-in host is one per process).
class BridgeHost {
 public:
  BridgeHost();
  ~BridgeHost();
  BridgeHost(const BridgeHost&) = delete;
  BridgeHost& operator=(const BridgeHost&) = delete;

  // What folder kind 0 answers.
  void setFolder(const std::filesystem::path& folder);
  // Every later call of the operation answers `code`.
  void failFindFolder(hostapi::ResultCode code);
  void failAddComponent(hostapi::ResultCode code);
  void failGetFullPath(hostapi::ResultCode code);
  // Every later "exists" answers false, whatever the disk says.
  void denyExists();

  int addComponentCalls() const;
  int existsCalls() const;
  int fullPathCalls() const;
  // Arguments of the last call (-1 and empty before the first).
  std::int32_t lastFolderKind() const;
  std::u16string lastComponent() const;
  std::u16string lastFullPath() const;

  const hostapi::FoldersSuite* folders() const;
  // Host strings and paths not yet released.
  int liveStrings() const;
  int livePaths() const;

 private:
  host::Host host_;
};

std::u16string Utf16(const std::filesystem::path& path);

}  // namespace bridgetest
