// The function tables the stand-in host hands out. Every entry the plug-in is
// meant to call behaves as the host must (suites_*.cpp, one file per group of
// suites); every other entry of the 93 suites is a trap that records the call
// and answers kTrapCode.
//
// Every operation opens with an Operation (which counts it and may answer an
// injected fault), then does its work, then closes it, which logs its
// arguments when recording is on.
#include <stdexcept>
#include <utility>

#include "host/operation.hpp"

namespace host {

Host::State* gActiveState = nullptr;

namespace {

using hostapi::ResultCode;

constexpr bool EveryCalledSuiteIsCatalogued() {
  bool all = true;
  hostapi::CalledSuites::ForEach([&]<class Suite>() { all = all && kSuiteIndex<Suite> < kSuiteCount; });
  return all;
}
static_assert(EveryCalledSuiteIsCatalogued());

// --- Traps ---------------------------------------------------------------------------------------------
template <std::size_t Suite, std::size_t Entry>
ResultCode TrapEntry() {
  S().recorder.trap(Suite, Entry);
  return kTrapCode;
}

template <std::size_t Suite, std::size_t... Entry>
void FillTrapRow(SuiteRow& row, std::index_sequence<Entry...>) {
  ((row[Entry] = reinterpret_cast<hostapi::UnusedEntry>(&TrapEntry<Suite, Entry>)), ...);
}

template <std::size_t... Suite>
void FillAllTraps(std::array<SuiteRow, kSuiteCount>& tables, std::index_sequence<Suite...>) {
  (FillTrapRow<Suite>(tables[Suite], std::make_index_sequence<kEntriesPerSuite>{}), ...);
}

}  // namespace

void InstallSuites(Host::State& state) {
  FillAllTraps(state.tables, std::make_index_sequence<kSuiteCount>{});
  SuiteInstaller installer(state);
  InstallShellSuites(installer);
  InstallFileSuites(installer);
  InstallMenuSuites(installer);
  InstallStringSuites(installer);
  InstallArtSuites(installer);
  // Every suite the plug-in calls has its implementation laid over the traps.
  hostapi::CalledSuites::ForEach([&]<class Suite>() {
    if (!installer.installed(kSuiteIndex<Suite>)) {
      throw std::logic_error(std::string("the stand-in host does not implement ") + Suite::kName);
    }
  });
}

}  // namespace host
