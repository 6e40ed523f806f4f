// A stand-in host around the built plug-in library, and helpers to look at
// what the plug-in asked of the host.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
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

using Suite = std::pair<std::string, std::int32_t>;  // name, version

// Every suite the plug-in must take, with its version, in the order it must
// take them: the 7 basic suites, then the 86 main ones. Written out here on
// purpose, apart from the tables the plug-in and the stand-in host are built
// from, so that a wrong row there shows here instead of only in Illustrator.
inline const std::vector<Suite> kCatalogue = {
    {"SP Access Suite", 3}, {"SP Plug-ins Suite", 6}, {"AI Notifier Suite", 4}, {"AI Context Suite", 10},
    {"AI User Suite", 21}, {"AI File Path Suite", 8}, {"AI Folders Suite", 5}, {"AI Action Manager Suite", 5},
    {"AI Annotator Suite", 6}, {"AI Annotator Drawer Suite", 9}, {"AI Artboard Suite", 6}, {"AI Assertion Suite", 1},
    {"AI Control Bar Suite", 2}, {"AI File Format Suite", 16}, {"AI Filter Suite", 4}, {"AI Font Suite", 6},
    {"AI Live Edit Suite", 2}, {"AI Live Effect Suite", 7}, {"AI Menu Suite", 11}, {"AI Panel Suite", 4},
    {"AI Panel Flyout Menu Suite", 2}, {"AI Plugin Group Suite", 6}, {"AI Preference Suite", 7},
    {"AI Runtime Suite", 14}, {"AI String Format Utils Suite", 3}, {"AI Timer Suite", 5}, {"AI Tool Suite", 19},
    {"AI User Interface Theme Suite", 2}, {"AI Unicode String Suite", 9}, {"SP Blocks Suite", 2},
    {"AI Array Suite", 6}, {"AI Art Suite", 21}, {"AI Art Set Suite", 9}, {"AI Art Style Suite", 8},
    {"AI Art Style Parser Suite", 9}, {"AI Artboard Range Suite", 4}, {"AI ATE Current Text Features Suite", 4},
    {"AIATE Paint Suite", 3}, {"AI ATE Text Util Suite", 4}, {"AI Beautiful Strokes Suite", 3},
    {"AI Blend Style Suite", 5}, {"AI Color Conversion Suite", 10}, {"AI Command Manager Suite", 5},
    {"AI CSXS Extension Suite", 4}, {"AI Cursor Snap Suite", 16}, {"AI Curve Fitting Suite", 11},
    {"AI Custom Color Suite", 8}, {"AI DeviceInfo Suite", 1}, {"AI Document Suite", 21},
    {"AI Document List Suite", 11}, {"AI Document View Suite", 16}, {"AI Dictionary Suite", 10},
    {"AI Dictionary Iterator Suite", 5}, {"AI Entry Suite", 7}, {"AI Envelope Suite", 4}, {"AI Expand Suite", 4},
    {"AI Gradient Suite", 9}, {"AI Group Suite", 5}, {"AI Hit Test Suite", 7}, {"AI Intertwine Suite", 1},
    {"AI Isolation Mode", 6}, {"AI Layer Suite", 13}, {"AI Layer List", 4}, {"AI Mask Suite", 5},
    {"AI Matching Art Suite", 7}, {"AI MdMemory Suite", 3}, {"AI Mesh Suite", 6}, {"AI Mesh Hit Suite", 3},
    {"AI Mesh Selection Suite", 3}, {"AI Mesh Patch Suite", 3}, {"AI Mesh Segment Suite", 3},
    {"AI Mesh Vertex Suite", 4}, {"AI Paint Style Suite", 10}, {"AI Path Suite", 13},
    {"AI PathConstruction Suite", 5}, {"AI Path Style Suite", 14}, {"AI Pattern Suite", 10},
    {"AI Perspective Grid Suite", 3}, {"AI Placed Suite", 11}, {"AI Random Suite", 5}, {"AI Raster Suite", 10},
    {"AI Rasterize Suite", 12}, {"AI Real Bezier Suite", 4}, {"AI Real Math Suite", 5},
    {"AI Shape Construction Suite", 8}, {"AI Slicing Suite", 4}, {"AI Symbol Suite", 8}, {"AI TabletData Suite", 3},
    {"AI Text Frame Suite", 4}, {"AI Transform Again Suite", 4}, {"AI Transform Art Suite", 3}, {"AI Undo Suite", 12},
    {"AI URL Suite", 3},
};

inline std::vector<std::string> CatalogueNames() {
  std::vector<std::string> out;
  for (const auto& [name, version] : kCatalogue) out.push_back(name);
  return out;
}

// Every acquisition (entry 0) or release (entry 1) the plug-in asked for, in order.
inline std::vector<Suite> SuiteRequests(const host::Host& h, std::int32_t entry) {
  std::vector<Suite> out;
  for (const auto& c : h.recorder().callsTo(host::kBasicSuiteName, entry)) {
    out.emplace_back(c.args.at(0), std::stoi(c.args.at(1)));
  }
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
