// Routing as the host sees it: which messages reach the host's suites, which
// answer 0, and which codes come back.
#include <string>

#include "tests/e2e_framework/shell_fixture.hpp"

namespace {

using e2e::Call;
using e2e::Shell;
using hostapi::FourCC;

const Call kContextOpen{"AI Context Suite", 1};
const Call kContextClose{"AI Context Suite", 2};
const Call kUpdateFlags{"AI Menu Suite", 25};

struct Row {
  std::string name;
  const char* caller;
  const char* selector;
  std::vector<Call> calls;  // what the plug-in asks of the host for a zeroed message
};

void PrintTo(const Row& value, std::ostream* out) { *out << value.name; }

class Routing : public testing::TestWithParam<Row> {};

// Every row of the router with a message that names no handle of the plug-in:
// the answer is 0 ('!MSG' included), and only the rows whose handler talks to
// the host regardless show up in the log.
TEST_P(Routing, ZeroedMessageAnswersZero) {
  host::Host h(e2e::PluginOptions());
  ASSERT_EQ(h.startup(), 0);
  h.recorder().clear();
  Shell::AnyMessage m{};
  EXPECT_EQ(h.send(GetParam().caller, GetParam().selector, m), 0);
  EXPECT_EQ(e2e::CallsOf(h), GetParam().calls);
  EXPECT_TRUE(h.alerts().empty());
  EXPECT_TRUE(h.openedUrls().empty());
  EXPECT_TRUE(h.updatedParameters().empty());
  e2e::ExpectEverySuiteHeld(h, 1);
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.totalHeld(), 0);
}

std::vector<Row> Rows() {
  using V = std::vector<Call>;
  return {
      {"AccessReload", "SP Access", "Reload", V{}},
      {"InterfaceAbout", "SP Interface", "About", V{}},
      {"CachePurge", "SP Cache", "Plug-in Purge", V{}},
      {"PropertiesAcquire", "SP Properties", "Acquire", V{}},
      {"PropertiesRelease", "SP Properties", "Release", V{}},
      {"NotifierNotify", "AI Notifier", "AI Notify", V{kContextOpen, kContextClose}},
      {"NotifierOtherSelector", "AI Notifier", "Anything", V{kContextOpen, kContextClose}},
      {"ActionManager", "Action Manager", "Do Action", V{}},
      {"MenuGo", "AI Menu", "AI Go", V{}},
      {"MenuUpdate", "AI Menu", "AI Update", V{kUpdateFlags}},
      {"FilterGetParameters", "AI Filter", "AI Get Parameters", V{}},
      {"FilterGo", "AI Filter", "AI Go", V{}},
      {"PluginGroupNotifyEdits", "AI Plugin Group", "AI Notify Edits", V{}},
      {"PluginGroupUpdate", "AI Plugin Group", "AI Update", V{}},
      {"FileFormatGetParameters", "AI File Format", "AI Get Parameters", V{}},
      {"FileFormatGo", "AI File Format", "AI Go", V{}},
      {"FileFormatCheck", "AI File Format", "AI Check", V{}},
      {"FileFormatUpdate", "AI File Format", "AI Update AI140", V{}},
      {"FileFormatDoAction", "AI File Format", "Do Action", V{}},
      {"ToolEditOptions", "AI Tool", "AI Edit Options", V{}},
      {"ToolTrackCursor", "AI Tool", "AI Track Cursor", V{}},
      {"ToolMouseDown", "AI Tool", "AI Mouse Down", V{}},
      {"ToolMouseDrag", "AI Tool", "AI Mouse Drag", V{}},
      {"ToolMouseUp", "AI Tool", "AI Mouse Up", V{}},
      {"ToolSelect", "AI Tool", "AI Select", V{}},
      {"ToolDeselect", "AI Tool", "AI Deselect", V{}},
      {"ToolReselect", "AI Tool", "AI Reselect", V{}},
      {"ToolDecreaseDiameter", "AI Tool", "AI Decrease Diameter", V{}},
      {"ToolIncreaseDiameter", "AI Tool", "AI Increase Diameter", V{}},
      {"LiveEffectEditParameters", "AI Live Effect", "AI Live Effect Edit Parameters", V{}},
      {"LiveEffectGoLive", "AI Live Effect", "AI Live Effect Go Live", V{}},
      {"LiveEffectInterpolate", "AI Live Effect", "AI Live Effect Interpolate Parameters", V{}},
      {"LiveEffectInputType", "AI Live Effect", "AI Live Effect Input Type", V{}},
      {"LiveEffectScale", "AI Live Effect", "AI Live Effect Scale Parameters", V{}},
      {"LiveEffectConvertColorSpace", "AI Live Effect", "AI Live Effect Convert Color Space", V{}},
      {"LiveEffectAdjustColors", "AI Live Effect", "AI Live Effect Adjust Colors", V{}},
      {"LiveEffectHandleMerge", "AI Live Effect", "AI Live Effect Handle Merge", V{}},
      {"TimerGo", "AI Timer", "AI Go", V{}},
      {"ClipboardGo", "AI Clipboard", "AI Go", V{}},
      {"ClipboardCanCopy", "AI Clipboard", "AI Can Copy", V{}},
      {"ClipboardClone", "AI Clipboard", "AI Clone", V{}},
      {"ClipboardDispose", "AI Clipboard", "AI Dispose", V{}},
      {"WorkspaceWrite", "Workspace Manager", "Write Workspace", V{}},
      {"WorkspaceRestore", "Workspace Manager", "Restore Workspace", V{}},
      {"WorkspaceDefault", "Workspace Manager", "Default Workspace", V{}},
      // Not in the table.
      {"UnknownCaller", "AI Bogus", "AI Go", V{}},
      {"UnknownSelectorOfAKnownCaller", "AI Menu", "AI Bogus", V{}},
      {"CallerInOtherCase", "ai menu", "AI Update", V{}},
      {"SelectorWithTrailingSpace", "AI Menu", "AI Update ", V{}},
      {"SelectorOfAnotherCaller", "AI Tool", "AI Update", V{}},
      {"EmptyStrings", "", "", V{}},
  };
}

INSTANTIATE_TEST_SUITE_P(Shell, Routing, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info) { return info.param.name; });

TEST_F(Shell, CallerAndSelectorAreComparedByText) {
  Start();
  h.recorder().clear();
  const std::string caller = std::string("AI ") + "Menu";
  const std::string selector = std::string("AI ") + "Update";
  AnyMessage m{};
  EXPECT_EQ(h.send(caller.c_str(), selector.c_str(), m), 0);
  EXPECT_EQ(h.recorder().callCount("AI Menu Suite", 25), 1u);
}

TEST_F(Shell, HostCodesComeBackFromTheHandler) {
  Start();
  for (hostapi::ResultCode code : {FourCC("BOOM"), FourCC("STOP"), hostapi::ResultCode{361}, hostapi::kOutOfMemory}) {
    h.recorder().failOn("AI Menu Suite", 25, 1, code);
    EXPECT_EQ(h.updateMenuItem(nullptr), code);
  }
  EXPECT_TRUE(h.alerts().empty()) << "the shell never shows an alert for a code";
  EXPECT_EQ(h.held("AI User Suite"), 1) << "reporting acquires nothing while the suites are held";
}

TEST_F(Shell, NotifierHandlingClosesTheContextItOpened) {
  Start();
  for (const auto& n : h.notifiers()) {
    h.recorder().clear();
    EXPECT_EQ(h.sendNotification(n.handle), 0) << n.name;
    EXPECT_EQ(h.contextsOpened() > 0, true);
    EXPECT_EQ(h.openContexts(), 0u) << n.name;
    EXPECT_EQ(h.recorder().callCount("AI Context Suite", 1), 1u) << n.name;
    EXPECT_EQ(h.recorder().callCount("AI Context Suite", 2), 1u) << n.name;
  }
}

TEST_F(Shell, PurgeAnswersZero) {
  Start();
  h.recorder().clear();
  EXPECT_EQ(h.purge(), 0);
  EXPECT_TRUE(h.recorder().calls().empty());
}

// The entry point stores the basic function table of every message, so the
// newest one is the one the plug-in uses for its next acquisitions.
namespace forwarding {
std::uint32_t gAcquired = 0;
const hostapi::BasicSuite* gHost = nullptr;
hostapi::ResultCode Acquire(const char* name, std::int32_t version, const void** suite) {
  ++gAcquired;
  return gHost->AcquireSuite(name, version, suite);
}
hostapi::ResultCode Release(const char* name, std::int32_t version) { return gHost->ReleaseSuite(name, version); }
const hostapi::BasicSuite kTable{&Acquire, &Release};
}  // namespace forwarding

TEST_F(Shell, TheNewestMessagesBasicTableIsUsed) {
  Start();
  ASSERT_EQ(Send("SP Access", "Unload"), 0);
  forwarding::gHost = h.basicSuite();
  forwarding::gAcquired = 0;
  AnyMessage m{};
  m.d = h.header();
  m.d.basicSuite = &forwarding::kTable;
  ASSERT_EQ(h.sendRaw("SP Access", "Reload", &m), 0);
  EXPECT_EQ(forwarding::gAcquired, 93u);
  e2e::ExpectEverySuiteHeld(h, 1);
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.totalHeld(), 0);
}

}  // namespace
