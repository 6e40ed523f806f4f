// What the plug-in asks of the host, in order: the gradient rewrite against
// values computed apart from the core, the walk, the apply notifier, the
// About entry and start-up.
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e_plugin/story_helpers.hpp"
#include "tests/gradient/pinned.hpp"

namespace story {
namespace {

using host::MakeStop;
using host::RgbColor;

// The log from the first call of `first` on, as the operation and its first
// `args` arguments, keeping the calls of the named operations only.
std::vector<std::string> Calls(const host::Host& h, const std::string& first, const std::set<std::string>& kept,
                               std::size_t args = 0) {
  std::vector<std::string> out;
  for (const auto& c : h.recorder().calls()) {
    if (!kept.count(c.operation) || (out.empty() && c.operation != first)) continue;
    std::string line = c.operation;
    for (std::size_t i = 0; i < c.args.size() && i < args; ++i) line += " " + c.args[i];
    out.push_back(line);
  }
  return out;
}

// A source stop whose bytes outside the fields the rewrite reads carry a pattern.
hostapi::HostGradientStop Marked(const reference::Stop& s, std::uint8_t seed) {
  hostapi::HostGradientStop stop = MakeStop(s.position, RgbColor(s.red, s.green, s.blue), s.midpoint, s.opacity);
  stop.color.unused = 0xA5A5A500u | seed;
  auto* body = reinterpret_cast<unsigned char*>(&stop.color.body);
  for (std::size_t i = sizeof stop.color.body.rgb; i < sizeof stop.color.body; ++i) body[i] = static_cast<unsigned char>(seed + i);
  return stop;
}

class PinnedRewrite : public Story, public ::testing::WithParamInterface<reference::Gradient> {};

TEST_P(PinnedRewrite, WritesThePinnedStopsAndKeepsEveryOtherByteAsRead) {
  const reference::Gradient& g = GetParam();
  std::vector<hostapi::HostGradientStop> given;
  for (const reference::Stop& s : g.in) given.push_back(Marked(s, static_cast<std::uint8_t>(given.size() * 64 + 1)));
  const auto source = Gradient(h, given, host::kGradientRadial);
  const auto path = Path(h, nullptr, host::GradientColor(source), std::nullopt);
  h.recorder().clear();
  ASSERT_EQ(h.goLive(effect, path), 0);
  const auto made = fillGradient(path);
  const std::size_t m = g.out.size();

  // One new gradient, given the source's type, grown by copies of the source's
  // stop 0 (read afresh each time) inserted at 1, then read and written from
  // the last stop to the first.
  ASSERT_EQ(h.recorder().callsTo(hostapi::GradientSuite::kName, 0).size(), 1u);
  EXPECT_EQ(h.recorder().callsTo(hostapi::GradientSuite::kName, 0)[0].args.at(0), Ptr(made));
  std::vector<std::string> protocol = {"SetGradientType " + Ptr(made) + " 1"};
  for (std::size_t j = 2; j < m; ++j) {
    protocol.push_back("GetNthGradientStop " + Ptr(source) + " 0");
    protocol.push_back("InsertGradientStop " + Ptr(made) + " 1");
  }
  for (std::size_t k = m; k-- > 0;) {
    protocol.push_back("GetNthGradientStop " + Ptr(made) + " " + std::to_string(k));
    protocol.push_back("SetNthGradientStop " + Ptr(made) + " " + std::to_string(k));
  }
  EXPECT_EQ(Calls(h, "SetGradientType",
                  {"NewGradient", "SetGradientType", "GetGradientStopCount", "GetNthGradientStop", "InsertGradientStop",
                   "SetNthGradientStop"},
                  2),
            protocol);

  // Each stop is what was read (one of the new gradient's own two stops or a
  // copy of the source's stop 0) with only the rewrite's fields replaced.
  const auto fresh = h.document().stops(h.document().newDefaultGradient());
  const auto read = h.document().stops(source)[0];
  const auto written = h.document().stops(made);
  ASSERT_EQ(written.size(), m);
  for (std::size_t k = 0; k < m; ++k) {
    const hostapi::HostGradientStop& w = written[k];
    const reference::Stop actual{w.rampPoint, w.midPoint, w.color.body.rgb.red, w.color.body.rgb.green,
                                 w.color.body.rgb.blue, w.opacity};
    EXPECT_TRUE(reference::Matches(reference::Fields(actual), reference::Fields(g.out[k]))) << "stop " << k;
    EXPECT_EQ(w.color.kind, hostapi::kColorThree) << "stop " << k;
    hostapi::HostGradientStop expected = k == 0 ? fresh[0] : k + 1 == m ? fresh[1] : read;
    expected.color.kind = w.color.kind;
    expected.rampPoint = w.rampPoint;
    expected.midPoint = w.midPoint;
    expected.color.body.rgb = w.color.body.rgb;
    expected.opacity = w.opacity;
    EXPECT_TRUE(SameBytes(&w, &expected, sizeof w)) << "bytes not the rewrite's changed in stop " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Host, PinnedRewrite, ::testing::ValuesIn(reference::kHostGradients),
                         [](const auto& info) { return std::string(info.param.label); });

const std::vector<hostapi::HostGradientStop> kRedToBlue = {MakeStop(0, RgbColor(1, 0, 0)), MakeStop(100, RgbColor(0, 0, 1))};

TEST_F(Story, TheTopLevelArtHasItsChildrenVisitedWhateverItsType) {
  host::Document& doc = h.document();
  const auto top = doc.newOtherArt();
  const auto path = Path(h, top, host::GradientColor(Gradient(h, kRedToBlue)), std::nullopt);
  const auto inGroup = Path(h, doc.newGroup(top), host::GradientColor(Gradient(h, kRedToBlue)), std::nullopt);
  const auto inOther = Path(h, doc.newOtherArt(top), host::GradientColor(Gradient(h, kRedToBlue)), std::nullopt);
  EXPECT_EQ(h.goLive(effect, top), 0);
  EXPECT_EQ(doc.styleWrites(path), 1u);
  EXPECT_EQ(doc.styleWrites(inGroup), 1u);
  EXPECT_EQ(doc.styleWrites(inOther), 0u) << "below the top, only groups are descended into";
}

TEST_F(Story, TheApplyNotificationGoesThroughGoLiveAndSoRewritesNothing) {
  // A notification whose record goes on where a Go Live record would hold its
  // art: forwarded to the Go Live handler, the notifier handle is not the
  // effect, so the art stays as it is.
  const auto path = Path(h, nullptr, host::GradientColor(Gradient(h, kRedToBlue)), std::nullopt);
  hostapi::LiveEffectGoMessage record{};
  record.effect = reinterpret_cast<hostapi::LiveEffectHandle>(h.notifiers().at(2).handle);
  record.art = path;
  h.recorder().clear();
  EXPECT_EQ(h.send(hostapi::callers::kNotifier, hostapi::selectors::kNotify, record), 0);
  EXPECT_EQ(h.document().styleWrites(path), 0u);
  EXPECT_TRUE(h.recorder().callsTo(hostapi::ArtSuite::kName).empty());
}

TEST_F(Story, TheAboutEntryShowsTheAlertBeforeItOpensThePage) {
  h.recorder().clear();
  EXPECT_EQ(h.chooseMenuItem(h.findMenuItem("Evenhue...")->handle), 0);
  EXPECT_EQ(Calls(h, "MessageAlert", {"MessageAlert", "IsBrowserAvailable", "OpenUrl"}),
            (std::vector<std::string>{"MessageAlert", "IsBrowserAvailable", "OpenUrl"}));
}

TEST_F(Story, StartupRegistersInOrderTheShellThenAboutThenTheEffectThenTheNotifier) {
  const std::vector<std::string> registrations = {
      "SetPluginName", "AddNotifier", "AddNotifier", "AcquirePlugin", "AddMenuItem", "AddMenuGroupAsSubMenu",
      "AddMenuItem", "AddLiveEffect", "AddLiveEffectMenuItem", "UpdateMenuItemAutomatically", "AddNotifier"};
  EXPECT_EQ(Calls(h, "SetPluginName", std::set<std::string>(registrations.begin(), registrations.end())),
            registrations);
}

}  // namespace
}  // namespace story
