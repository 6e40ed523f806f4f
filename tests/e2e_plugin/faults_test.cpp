// The faults the plug-in guards against, provoked with the host's fault injection.
#include <cmath>
#include <limits>
#include <ostream>

#include "tests/e2e_plugin/story_helpers.hpp"

namespace story {
namespace {

using hostapi::FourCC;
using host::MakeStop;
using host::RgbColor;

const std::vector<hostapi::HostGradientStop> kThreeStops = {
    MakeStop(0, RgbColor(1, 0, 0)), MakeStop(50, host::CmykColor(0, 1, 0, 0)), MakeStop(100, RgbColor(0, 0, 1))};

TEST_F(Story, AStyleThatCannotBeReadIsNotWrittenBack) {
  const auto path = Path(h, nullptr, host::GradientColor(Gradient(h, kThreeStops)), RgbColor(0.1, 0.2, 0.3));
  const auto was = style(path);
  h.recorder().failOn(hostapi::PathStyleSuite::kName, 0, 1, FourCC("READ"));
  EXPECT_EQ(h.goLive(effect, path), 0);
  EXPECT_EQ(h.document().styleWrites(path), 0u);
  const auto now = style(path);
  EXPECT_TRUE(SameBytes(&now, &was, sizeof now));
}

struct HostFault {
  const char* label;
  const char* suite;
  std::int32_t entry;
  std::uint32_t nthCall;  // counted from the start of Go Live
};
// Cases print as their label: the default printer would dump their bytes, padding included.
void PrintTo(const HostFault& c, std::ostream* os) { *os << c.label; }

class GradientHostFault : public Story, public ::testing::WithParamInterface<HostFault> {};

TEST_P(GradientHostFault, TheFillKeepsItsSourceGradient) {
  const auto source = Gradient(h, kThreeStops);
  const auto path = Path(h, nullptr, host::GradientColor(source), std::nullopt);
  const auto sourceStops = h.document().stops(source);
  h.recorder().failOn(GetParam().suite, GetParam().entry, GetParam().nthCall, FourCC("FALT"));
  EXPECT_EQ(h.goLive(effect, path), 0);
  EXPECT_EQ(fillGradient(path), source);
  const auto after = h.document().stops(source);
  ASSERT_EQ(after.size(), sourceStops.size());
  for (std::size_t i = 0; i < after.size(); ++i) EXPECT_TRUE(SameBytes(&after[i], &sourceStops[i], sizeof after[i]));

  // The next Go Live, without the fault, rewrites as usual.
  h.recorder().clearFaults();
  EXPECT_EQ(h.goLive(effect, path), 0);
  ExpectRespaced(h, fillGradient(path), kThreeStops);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, GradientHostFault,
    ::testing::Values(HostFault{"StopCount", hostapi::GradientSuite::kName, 9, 1},
                      HostFault{"FirstStopRead", hostapi::GradientSuite::kName, 10, 1},
                      HostFault{"LastStopRead", hostapi::GradientSuite::kName, 10, 3},
                      HostFault{"CmykConversion", hostapi::ColorConversionSuite::kName, 2, 1},
                      HostFault{"SourceType", hostapi::GradientSuite::kName, 7, 1},
                      HostFault{"NewGradient", hostapi::GradientSuite::kName, 0, 1},
                      HostFault{"SetType", hostapi::GradientSuite::kName, 8, 1},
                      HostFault{"GrowRead", hostapi::GradientSuite::kName, 10, 5},
                      HostFault{"Insert", hostapi::GradientSuite::kName, 12, 4},
                      HostFault{"WriteFirst", hostapi::GradientSuite::kName, 11, 1},
                      HostFault{"WriteLast", hostapi::GradientSuite::kName, 11, 9}),
    [](const auto& info) { return std::string(info.param.label); });

struct RefusedSource {
  const char* label;
  std::vector<hostapi::HostGradientStop> stops;
};
void PrintTo(const RefusedSource& c, std::ostream* os) { *os << c.label; }

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

hostapi::HostGradientStop WithOpacity(hostapi::HostGradientStop stop, double opacity) {
  stop.opacity = opacity;
  return stop;
}

std::vector<RefusedSource> RefusedSources() {
  std::vector<hostapi::HostGradientStop> tooMany;
  for (int i = 0; i < 8193; ++i) tooMany.push_back(MakeStop(100.0 * i / 8192.0, RgbColor(0.5, 0.5, 0.5)));
  return {
      {"OneStop", {MakeStop(0, RgbColor(1, 0, 0))}},
      {"NoStops", {}},
      {"DecreasingRamp", {MakeStop(60, RgbColor(1, 0, 0)), MakeStop(40, RgbColor(0, 0, 1))}},
      {"NaNRamp", {MakeStop(0, RgbColor(1, 0, 0)), MakeStop(kNaN, RgbColor(0, 0, 1))}},
      {"NaNMidpoint", {MakeStop(0, RgbColor(1, 0, 0), kNaN), MakeStop(100, RgbColor(0, 0, 1))}},
      {"InfiniteRed", {MakeStop(0, RgbColor(kInf, 0, 0)), MakeStop(100, RgbColor(0, 0, 1))}},
      {"NaNCyan", {MakeStop(0, host::CmykColor(kNaN, 0, 0, 0)), MakeStop(100, RgbColor(0, 0, 1))}},
      {"NaNOpacity", {MakeStop(0, RgbColor(1, 0, 0)), WithOpacity(MakeStop(100, RgbColor(0, 0, 1)), kNaN)}},
      {"TooManyStops", tooMany},
  };
}

class RefusedGradient : public Story, public ::testing::WithParamInterface<RefusedSource> {};

TEST_P(RefusedGradient, IsKeptAndLeavesNoOrphanGradient) {
  const auto source = Gradient(h, GetParam().stops);
  ASSERT_NE(source, nullptr);
  const auto path = Path(h, nullptr, host::GradientColor(source), host::GradientColor(source));
  const std::size_t gradients = h.document().gradientCount();
  EXPECT_EQ(h.goLive(effect, path), 0);
  EXPECT_EQ(fillGradient(path), source);
  EXPECT_EQ(strokeGradient(path), source);
  EXPECT_EQ(h.document().gradientCount(), gradients);
  EXPECT_EQ(h.recorder().callCount(hostapi::GradientSuite::kName, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sources, RefusedGradient, ::testing::ValuesIn(RefusedSources()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(Story, TheLargestGradientIsRewritten) {
  std::vector<hostapi::HostGradientStop> stops;
  for (int i = 0; i < 8192; ++i) {
    stops.push_back(MakeStop(100.0 * i / 8191.0, RgbColor((i % 7) / 6.0, (i % 5) / 4.0, (i % 3) / 2.0)));
  }
  const auto path = Path(h, nullptr, host::GradientColor(Gradient(h, stops)), std::nullopt);
  h.setRecording(false);
  EXPECT_EQ(h.goLive(effect, path), 0);
  EXPECT_EQ(h.document().stopCount(fillGradient(path)), std::optional<std::size_t>(32765));
}

TEST_F(Story, HundredThousandNestedGroupsAreWalkedWithoutRecursion) {
  h.setRecording(false);
  hostapi::ArtHandle parent = h.document().newGroup();
  const hostapi::ArtHandle top = parent;
  for (int depth = 0; depth < 100000; ++depth) parent = h.document().newGroup(parent);
  const std::vector<hostapi::HostGradientStop> stops = {MakeStop(0, RgbColor(0, 0, 0)), MakeStop(100, RgbColor(1, 1, 1))};
  const auto deepest = Path(h, parent, host::GradientColor(Gradient(h, stops)), std::nullopt);
  EXPECT_EQ(h.goLive(effect, top), 0);
  ExpectRespaced(h, fillGradient(deepest), stops);
}

TEST_F(Story, TheWalkVisitsInTreeOrderAndStopsAtAFailingChildQuery) {
  host::Document& doc = h.document();
  const auto top = doc.newGroup();
  const auto a = Path(h, top, RgbColor(0, 0, 0), std::nullopt);
  const auto g = doc.newGroup(top);
  const auto b = Path(h, g, RgbColor(0, 0, 0), std::nullopt);
  const auto g2 = doc.newGroup(g);
  const auto c = Path(h, g2, RgbColor(0, 0, 0), std::nullopt);
  const auto d = Path(h, g, RgbColor(0, 0, 0), std::nullopt);
  const auto e = Path(h, top, RgbColor(0, 0, 0), std::nullopt);
  EXPECT_EQ(h.goLive(effect, top), 0);
  std::vector<std::string> written;
  for (const auto& call : h.recorder().callsTo(hostapi::PathStyleSuite::kName, 1)) written.push_back(call.args.at(0));
  EXPECT_EQ(written, (std::vector<std::string>{Ptr(a), Ptr(b), Ptr(c), Ptr(d), Ptr(e)}));

  // A failing type query of a child ends the walk (Go Live itself does not
  // look at the walk's code). The type queries are: top (by Go Live), top,
  // a, g as a child, g in its own walk, b, g2 as a child, ...
  h.recorder().clear();
  h.recorder().failOn(hostapi::ArtSuite::kName, 6, 7, FourCC("DEEP"));
  EXPECT_EQ(h.goLive(effect, top), 0);
  written.clear();
  for (const auto& call : h.recorder().callsTo(hostapi::PathStyleSuite::kName, 1)) written.push_back(call.args.at(0));
  EXPECT_EQ(written, (std::vector<std::string>{Ptr(a), Ptr(b)}));
}

// ---------------------------------------------------------------------------
// Start-up registrations that fail

struct RegistrationFault {
  const char* label;
  const char* suite;
  std::int32_t entry;
  std::uint32_t nthCall;
  bool effectRegistered;
  bool aboutEntry;
};
void PrintTo(const RegistrationFault& c, std::ostream* os) { *os << c.label; }

class StartupRegistrationFault : public ::testing::TestWithParam<RegistrationFault> {};

TEST_P(StartupRegistrationFault, TheNextRegistrationsStillRun) {
  host::Host h(Options());
  ASSERT_NO_THROW(h.load());
  h.recorder().failOn(GetParam().suite, GetParam().entry, GetParam().nthCall, FourCC("REGF"));
  EXPECT_EQ(h.startup(), 0) << "only the notifier's result decides";
  EXPECT_NE(h.objectSlot(), nullptr);
  EXPECT_EQ(h.findLiveEffect("BCBC_Evenhue").has_value(), GetParam().effectRegistered);
  EXPECT_EQ(h.findMenuItem("Evenhue...").has_value(), GetParam().aboutEntry);
  ASSERT_EQ(h.notifiers().size(), 3u);
  EXPECT_EQ(h.notifiers()[2].name, "Evenhue Apply");
  EXPECT_EQ(h.liveStrings(), 0u);
  EXPECT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.totalHeld(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StartupRegistrationFault,
    ::testing::Values(RegistrationFault{"FirstLabelString", hostapi::UnicodeStringSuite::kName, 0, 1, true, false},
                      RegistrationFault{"EntryLabelString", hostapi::UnicodeStringSuite::kName, 0, 2, true, false},
                      RegistrationFault{"LiveEffect", hostapi::LiveEffectSuite::kName, 0, 1, false, true},
                      RegistrationFault{"GroupCount", hostapi::MenuSuite::kName, 19, 1, true, true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(StartupNotifierFault, AFailedApplyNotifierFailsStartupAndGivesTheSuitesBack) {
  host::Host h(Options());
  ASSERT_NO_THROW(h.load());
  h.recorder().failOn(hostapi::NotifierSuite::kName, 0, 3, FourCC("NOTF"));
  EXPECT_EQ(h.startup(), FourCC("NOTF"));
  EXPECT_EQ(h.objectSlot(), nullptr);
  EXPECT_EQ(h.totalHeld(), 0);
}

}  // namespace
}  // namespace story
