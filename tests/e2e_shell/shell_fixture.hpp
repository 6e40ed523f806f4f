// A stand-in host around the built plug-in library, and helpers to look at
// what the plug-in asked of the host.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/host.hpp"

namespace e2e {

using Call = std::pair<std::string, std::int32_t>;  // suite, entry

inline host::HostOptions PluginOptions() { return host::HostOptions::ForPlugin(EVENHUE_PLUGIN_FILE); }

// The suite calls in the log, the basic table's included.
inline std::vector<Call> CallsOf(const host::Host& h) {
  std::vector<Call> out;
  for (const auto& c : h.recorder().calls()) out.emplace_back(c.suite, c.entry);
  return out;
}

// The suites acquired or released, in order (entry 0 or 1 of the basic table).
inline std::vector<std::string> SuiteTraffic(const host::Host& h, std::int32_t entry) {
  std::vector<std::string> out;
  for (const auto& c : h.recorder().calls()) {
    if (c.suite == host::kBasicSuiteName && c.entry == entry && c.result == 0) out.push_back(c.args.at(0));
  }
  return out;
}

inline std::vector<std::string> CatalogueNames() {
  std::vector<std::string> out;
  for (const auto& s : hostapi::kBasicSuites) out.emplace_back(s.name);
  for (const auto& s : hostapi::kMainSuites) out.emplace_back(s.name);
  return out;
}

// Every suite held exactly `count` times.
inline void ExpectEverySuiteHeld(const host::Host& h, std::int64_t count) {
  for (const auto& name : CatalogueNames()) EXPECT_EQ(h.held(name), count) << name;
}

class Shell : public testing::Test {
 public:
  // A message record larger than any the plug-in reads, zeroed after the header.
  struct AnyMessage {
    hostapi::PluginMessage d;
    std::uint8_t body[256];
  };

 protected:
  host::Host h{PluginOptions()};

  void Start() { ASSERT_EQ(h.startup(), 0); }

  hostapi::ResultCode Send(const char* caller, const char* selector) {
    AnyMessage m{};
    return h.send(caller, selector, m);
  }
};

}  // namespace e2e
