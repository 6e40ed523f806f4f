// The shell's tests against the stand-in host in process: for as long as a
// ShellOnHost lives, the shell's process-wide state starts and ends empty and
// the host's basic suite is in its slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "framework/suite_slots.hpp"
#include "tests/framework/probe.hpp"

namespace probe {

struct ShellOnHost {
  ShellOnHost() {
    ResetShellState();
    slots::gBasicSuite = host.basicSuite();
  }
  ~ShellOnHost() {
    ResetShellState();
    slots::gBasicSuite = nullptr;
  }
  ShellOnHost(const ShellOnHost&) = delete;
  ShellOnHost& operator=(const ShellOnHost&) = delete;

  static constexpr std::int32_t kAcquireEntry = hostapi::EntryAt(offsetof(hostapi::BasicSuite, AcquireSuite));
  static constexpr std::int32_t kReleaseEntry = hostapi::EntryAt(offsetof(hostapi::BasicSuite, ReleaseSuite));

  // The suites named in the successful calls of a basic table entry, in order.
  std::vector<std::string> suitesBy(std::int32_t entry) const {
    std::vector<std::string> names;
    for (const host::CallRecord& call : host.recorder().callsTo(host::kBasicSuiteName, entry)) {
      if (call.result == 0) names.push_back(call.args.front());
    }
    return names;
  }
  std::vector<std::string> acquisitions() const { return suitesBy(kAcquireEntry); }
  std::vector<std::string> releases() const { return suitesBy(kReleaseEntry); }

  host::Host host;
};

}  // namespace probe
