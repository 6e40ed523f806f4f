// Shared pieces of the end-to-end story: the loaded plug-in in the stand-in
// host, documents to apply the effect to, and the gradient the effect should
// leave behind, computed from the source stops with the colour core.
#pragma once

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "gradient/resample.hpp"
#include "gradient/stops.hpp"
#include "host/host.hpp"
#include "interface/host_api.hpp"

namespace story {

inline host::HostOptions Options(bool record = true) {
  host::HostOptions options;
  options.pluginPath = EVENHUE_PLUGIN_FILE;
  options.recordCalls = record;
  return options;
}

inline std::string Ptr(const void* handle) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(handle));
  return buffer;
}

inline bool SameBytes(const void* a, const void* b, std::size_t size) { return std::memcmp(a, b, size) == 0; }

// The host's own CMYK conversion, called the way the plug-in calls it.
inline evenhue::StopColor HostCmykToRgb(host::Host& h, const hostapi::HostColor& cmyk, double opacity) {
  const auto* suite =
      static_cast<const hostapi::ColorConversionSuite*>(h.suiteTable(hostapi::ColorConversionSuite::kName));
  const float in[4] = {static_cast<float>(cmyk.body.process.cyan), static_cast<float>(cmyk.body.process.magenta),
                       static_cast<float>(cmyk.body.process.yellow), static_cast<float>(cmyk.body.process.black)};
  float out[4] = {0, 0, 0, 0};
  const hostapi::ColorConversionOptions options = 0;
  hostapi::HostBoolean inGamut = 0;
  EXPECT_EQ(suite->ConvertSampleColor(hostapi::kSpaceCmyk, in, hostapi::kSpaceRgb, out, &options, &inGamut), 0);
  return {out[0], out[1], out[2], opacity};
}

// What the effect makes of `source`: 4n - 3 stops re-spaced through CIELAB.
inline evenhue::RampStopList Expected(host::Host& h, const std::vector<hostapi::HostGradientStop>& source) {
  evenhue::RampStopList list;
  for (const auto& stop : source) {
    evenhue::StopColor color{0, 0, 0, stop.opacity};
    if (stop.color.kind == hostapi::kColorThree) {
      color = {stop.color.body.rgb.red, stop.color.body.rgb.green, stop.color.body.rgb.blue, stop.opacity};
    } else if (stop.color.kind == hostapi::kColorProcess) {
      color = HostCmykToRgb(h, stop.color, stop.opacity);
    }
    list.push_back(evenhue::MakeRampStop(stop.rampPoint * 0.01, color, stop.midPoint * 0.01));
  }
  const auto m = static_cast<std::int32_t>(4 * source.size() - 3);
  return evenhue::ResampleInRgb(evenhue::ResampleInLab(list, 256), m);
}

// Checks that `written` is exactly the re-spaced form of `source`, stop by stop.
inline void ExpectRespaced(host::Host& h, hostapi::GradientHandle written,
                           const std::vector<hostapi::HostGradientStop>& source) {
  const evenhue::RampStopList expected = Expected(h, source);
  const auto stops = h.document().stops(written);
  ASSERT_EQ(stops.size(), expected.size());
  for (std::size_t k = 0; k < stops.size(); ++k) {
    SCOPED_TRACE("stop " + std::to_string(k));
    EXPECT_EQ(stops[k].color.kind, hostapi::kColorThree);
    EXPECT_EQ(stops[k].rampPoint, expected[k].position * 100.0);
    EXPECT_EQ(stops[k].midPoint, expected[k].midpoint * 100.0);
    EXPECT_EQ(stops[k].color.body.rgb.red, expected[k].color.red);
    EXPECT_EQ(stops[k].color.body.rgb.green, expected[k].color.green);
    EXPECT_EQ(stops[k].color.body.rgb.blue, expected[k].color.blue);
    EXPECT_EQ(stops[k].opacity, expected[k].color.opacity);
    EXPECT_NEAR(stops[k].rampPoint, 100.0 * static_cast<double>(k) / static_cast<double>(stops.size() - 1), 1e-9);
  }
}

// A path whose fill and stroke are given.
inline hostapi::ArtHandle Path(host::Host& h, hostapi::ArtHandle parent, std::optional<hostapi::HostColor> fill,
                               std::optional<hostapi::HostColor> stroke, std::int16_t type = hostapi::kArtPath) {
  const hostapi::ArtHandle art = h.document().newArt(type, parent);
  h.document().setPathStyle(art, host::MakePathStyle(fill, stroke));
  return art;
}

inline hostapi::GradientHandle Gradient(host::Host& h, std::vector<hostapi::HostGradientStop> stops,
                                        std::int16_t type = host::kGradientLinear) {
  return h.document().newGradient(type, stops);
}

// A gradient colour whose further host fields carry a pattern, to see them kept.
inline hostapi::HostColor MarkedGradientColor(hostapi::GradientHandle gradient) {
  hostapi::HostColor color = host::GradientColor(gradient);
  for (std::size_t i = 0; i < sizeof color.body.gradient.hostFields; ++i) {
    color.body.gradient.hostFields[i] = static_cast<std::uint8_t>(i + 1);
  }
  color.unused = 0xA5A5A5A5u;
  return color;
}

class Story : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(h.startup(), 0);
    const auto found = h.findLiveEffect("BCBC_Evenhue");
    ASSERT_TRUE(found.has_value());
    effect = found->handle;
  }
  void TearDown() override {
    if (h.isLoaded() && h.objectSlot() != nullptr) {
      EXPECT_EQ(h.shutdown(), 0);
    }
    EXPECT_EQ(h.totalHeld(), 0);
    EXPECT_TRUE(h.misuses().empty()) << (h.misuses().empty() ? "" : h.misuses().front());
  }
  hostapi::HostPathStyle style(hostapi::ArtHandle art) { return *h.document().pathStyle(art); }
  hostapi::GradientHandle fillGradient(hostapi::ArtHandle art) { return style(art).fillColor.body.gradient.gradient; }
  hostapi::GradientHandle strokeGradient(hostapi::ArtHandle art) {
    return style(art).strokeColor.body.gradient.gradient;
  }

  host::Host h{Options()};
  hostapi::LiveEffectHandle effect = nullptr;
};

}  // namespace story
