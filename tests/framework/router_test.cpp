#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "framework/plugin.hpp"
#include "framework/router_table.hpp"
#include "framework/suite_slots.hpp"
#include "tests/framework/probe.hpp"
#include "tests/framework/shell_on_host.hpp"

namespace {

using hostapi::FourCC;
using hostapi::kUnhandledMessage;

struct RouteCase {
  const char* caller;
  const char* selector;
  const char* called;  // handler the probe records; "" when nothing is called
  hostapi::ResultCode result;  // with every probe handler answering 7
};

constexpr hostapi::ResultCode kAnswer = 7;

// Every row of the routing table in its order (the first 46 cases), written
// from the host's message list, then messages that are not routed at all.
constexpr std::size_t kRows = 46;
const RouteCase kRouteCases[] = {
    {"SP Access", "Unload", "unload", 0},
    {"SP Access", "Reload", "reload", 0},
    {"SP Interface", "About", "", 0},
    {"SP Interface", "Startup", "", 0},
    {"SP Cache", "Plug-in Purge", "purge", 0},
    {"SP Properties", "Acquire", "acquireProperty", kAnswer},
    {"SP Properties", "Release", "releaseProperty", kAnswer},
    {"AI Notifier", "AI Notify", "onNotify", kAnswer},  // any selector; the notifier of none of the handles
    {"Action Manager", "Do Action", "onDoAction", kAnswer},
    {"AI Menu", "AI Go", "onMenuGo", kAnswer},
    {"AI Menu", "AI Update", "onMenuUpdate", kAnswer},
    {"AI Filter", "AI Get Parameters", "onFilterGetParameters", kAnswer},
    {"AI Filter", "AI Go", "onFilterGo", kAnswer},
    {"AI Plugin Group", "AI Notify Edits", "onPluginGroupNotifyEdits", kAnswer},
    {"AI Plugin Group", "AI Update", "onPluginGroupUpdate", kAnswer},
    {"AI File Format", "AI Get Parameters", "onFileFormatGetParameters", kAnswer},
    {"AI File Format", "AI Go", "onFileFormatGo", kAnswer},
    {"AI File Format", "AI Check", "onFileFormatCheck", kAnswer},
    {"AI File Format", "AI Update AI140", "onFileFormatUpdate", kAnswer},
    {"AI File Format", "Do Action", "onFileFormatDoAction", kAnswer},
    {"AI Tool", "AI Edit Options", "onToolEditOptions", kAnswer},
    {"AI Tool", "AI Track Cursor", "onToolTrackCursor", kAnswer},
    {"AI Tool", "AI Mouse Down", "onToolMouseDown", kAnswer},
    {"AI Tool", "AI Mouse Drag", "onToolMouseDrag", kAnswer},
    {"AI Tool", "AI Mouse Up", "onToolMouseUp", kAnswer},
    {"AI Tool", "AI Select", "onToolSelect", kAnswer},
    {"AI Tool", "AI Deselect", "onToolDeselect", kAnswer},
    {"AI Tool", "AI Reselect", "onToolReselect", kAnswer},
    {"AI Tool", "AI Decrease Diameter", "onToolDecreaseDiameter", kAnswer},
    {"AI Tool", "AI Increase Diameter", "onToolIncreaseDiameter", kAnswer},
    {"AI Live Effect", "AI Live Effect Edit Parameters", "onLiveEffectEditParameters", kAnswer},
    {"AI Live Effect", "AI Live Effect Go Live", "onLiveEffectGoLive", kAnswer},
    {"AI Live Effect", "AI Live Effect Interpolate Parameters", "onLiveEffectInterpolateParameters", kAnswer},
    {"AI Live Effect", "AI Live Effect Input Type", "onLiveEffectInputType", kAnswer},
    {"AI Live Effect", "AI Live Effect Scale Parameters", "onLiveEffectScaleParameters", kAnswer},
    {"AI Live Effect", "AI Live Effect Convert Color Space", "onLiveEffectConvertColorSpace", kAnswer},
    {"AI Live Effect", "AI Live Effect Adjust Colors", "onLiveEffectAdjustColors", kAnswer},
    {"AI Live Effect", "AI Live Effect Handle Merge", "onLiveEffectHandleMerge", kAnswer},
    {"AI Timer", "AI Go", "onTimerGo", kAnswer},
    {"AI Clipboard", "AI Go", "onClipboardGo", kAnswer},
    {"AI Clipboard", "AI Can Copy", "onClipboardCanCopy", kAnswer},
    {"AI Clipboard", "AI Clone", "onClipboardClone", kAnswer},
    {"AI Clipboard", "AI Dispose", "onClipboardDispose", kAnswer},
    {"Workspace Manager", "Write Workspace", "onWorkspaceWrite", kAnswer},
    {"Workspace Manager", "Restore Workspace", "onWorkspaceRestore", kAnswer},
    {"Workspace Manager", "Default Workspace", "onWorkspaceDefault", kAnswer},
    // Not routed at all.
    {"SP Nothing", "Unload", "", kUnhandledMessage},
    {"AI Menu", "AI Going", "", kUnhandledMessage},
    {"ai menu", "AI Go", "", kUnhandledMessage},
    {"AI Tool", "AI Go", "", kUnhandledMessage},
    {"SP Interface", "Shutdown", "", kUnhandledMessage},
    {"SP Access", "unload", "", kUnhandledMessage},
    {"", "", "", kUnhandledMessage},
};

// Cases print as their text: the default printer would dump their bytes, padding included.
void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.caller << " / " << c.selector; }

// A message header from the stand-in host, addressed to `plugin`.
hostapi::PluginMessage HeaderFor(const host::Host& host, Plugin& plugin) {
  hostapi::PluginMessage header = host.header();
  header.objectSlot = &plugin;
  return header;
}

// Calls of an entry of the context suite (1 opens, 2 closes).
std::uint32_t ContextCalls(const host::Host& host, std::size_t offset) {
  return host.recorder().callCount(hostapi::ContextSuite::kName, hostapi::EntryAt(offset));
}
constexpr std::size_t kPush = offsetof(hostapi::ContextSuite, PushAppContext);
constexpr std::size_t kPop = offsetof(hostapi::ContextSuite, PopAppContext);

class RouterTest : public ::testing::TestWithParam<RouteCase>, protected probe::ShellOnHost {};

TEST_P(RouterTest, RoutesTheMessageToItsOneHandler) {
  const RouteCase& c = GetParam();
  probe::Probe plugin(host.pluginRef());
  plugin.answer = kAnswer;
  hostapi::NotifierMessage message{};
  message.d = HeaderFor(host, plugin);
  message.notifier = reinterpret_cast<hostapi::NotifierHandle>(std::uintptr_t{0x77});
  // Copies at other addresses: callers and selectors are compared by text.
  const std::string caller = c.caller;
  const std::string selector = c.selector;
  EXPECT_EQ(plugin.dispatch(caller.c_str(), selector.c_str(), &message.d), c.result);
  std::vector<std::string> expected;
  if (*c.called != '\0') expected.push_back(c.called);
  EXPECT_EQ(plugin.calls, expected);
  if (!plugin.messages.empty()) {
    EXPECT_EQ(plugin.messages.front(), &message.d);
  }
  plugin.releaseSuites();
}

INSTANTIATE_TEST_SUITE_P(EveryRow, RouterTest, ::testing::ValuesIn(kRouteCases), [](const auto& info) {
  std::string name = std::to_string(info.index) + "_" + info.param.caller + "_" + info.param.selector;
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
});

TEST(RouterTable, HoldsTheFortySixRowsInTheirOrder) {
  ASSERT_EQ(router::kRouteCount, kRows);
  for (std::size_t i = 0; i < kRows; ++i) {
    const router::Route& row = router::kRoutes[i];
    EXPECT_EQ(std::string(row.caller) + "/" + (row.selector != nullptr ? row.selector : "AI Notify"),
              std::string(kRouteCases[i].caller) + "/" + kRouteCases[i].selector) << "row " << i + 1;
  }
  for (std::size_t i = 1; i < router::kRouteCount; ++i) {
    const bool sameAsBefore = std::string(router::kRoutes[i].caller) == router::kRoutes[i - 1].caller;
    if (sameAsBefore) continue;
    for (std::size_t j = 0; j + 1 < i; ++j) {
      EXPECT_NE(std::string(router::kRoutes[j].caller), router::kRoutes[i].caller) << "caller split at row " << i;
    }
  }
}

TEST(RouterDefaults, BaseAnswersOfTheUnhandledOperations) {
  host::Host host;
  probe::ResetShellState();
  slots::gBasicSuite = host.basicSuite();
  Plugin plugin(host.pluginRef());
  hostapi::PluginMessage message = HeaderFor(host, plugin);
  struct Expect {
    const char* caller;
    const char* selector;
    hostapi::ResultCode result;
  };
  const Expect cases[] = {
      {"SP Properties", "Acquire", kUnhandledMessage},
      {"SP Cache", "Plug-in Purge", 0},
      {"Action Manager", "Do Action", 0},
      {"AI Menu", "AI Go", kUnhandledMessage},
      {"AI Tool", "AI Deselect", kUnhandledMessage},
      {"AI Tool", "AI Reselect", 0},
      {"AI Tool", "AI Decrease Diameter", 0},
      {"AI Tool", "AI Increase Diameter", 0},
      {"AI Live Effect", "AI Live Effect Go Live", kUnhandledMessage},
      {"Workspace Manager", "Default Workspace", kUnhandledMessage},
  };
  for (const Expect& e : cases) EXPECT_EQ(plugin.dispatch(e.caller, e.selector, &message), e.result) << e.selector;
  slots::gBasicSuite = nullptr;
}

TEST(RouterPurge, ANonZeroPurgeAnswersPFls) {
  host::Host host;
  probe::Probe plugin(host.pluginRef());
  plugin.purgeAnswer = 1;
  hostapi::PluginMessage message = HeaderFor(host, plugin);
  EXPECT_EQ(plugin.dispatch("SP Cache", "Plug-in Purge", &message), FourCC("pFls"));
}

// ---------------------------------------------------------------------------
// Notifier messages

struct NotifierCase {
  const char* label;
  int handle;  // 1 started, 2 shutdown, 3 other
  const char* selector;
  hostapi::ResultCode handlerAnswer;
  std::vector<std::string> calls;
  hostapi::ResultCode result;
};
void PrintTo(const NotifierCase& c, std::ostream* os) { *os << c.label; }

class NotifierRouteTest : public ::testing::TestWithParam<NotifierCase> {};

TEST_P(NotifierRouteTest, MatchesTheHandlesThenNotifies) {
  const NotifierCase& c = GetParam();
  host::Host host;
  probe::ResetShellState();
  slots::gBasicSuite = host.basicSuite();
  slots::Slot<hostapi::ContextSuite>().table = host.suiteTable(hostapi::ContextSuite::kName);

  probe::Probe plugin(host.pluginRef());
  plugin.answer = c.handlerAnswer;
  plugin.appStartedNotifier = reinterpret_cast<hostapi::NotifierHandle>(std::uintptr_t{0x51});
  plugin.appShutdownNotifier = reinterpret_cast<hostapi::NotifierHandle>(std::uintptr_t{0x52});
  hostapi::NotifierMessage message{};
  message.d = HeaderFor(host, plugin);
  message.notifier = reinterpret_cast<hostapi::NotifierHandle>(static_cast<std::uintptr_t>(0x50 + c.handle));

  EXPECT_EQ(plugin.dispatch("AI Notifier", c.selector, &message.d), c.result);
  EXPECT_EQ(plugin.calls, c.calls);
  EXPECT_EQ(ContextCalls(host, kPush), 1u);
  EXPECT_EQ(ContextCalls(host, kPop), 1u);
  probe::ResetShellState();
  slots::gBasicSuite = nullptr;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotifierRouteTest,
    ::testing::Values(
        NotifierCase{"StartedThenNotify", 1, "AI Notify", 0, {"afterApplicationStarted", "onNotify"}, 0},
        NotifierCase{"ShutdownThenNotify", 2, "AI Notify", 0, {"beforeApplicationShutdown", "onNotify"}, 0},
        NotifierCase{"OtherHandleNotify", 3, "AI Notify", 0, {"onNotify"}, 0},
        NotifierCase{"OtherHandleOtherSelector", 3, "AI Something", 0, {}, kUnhandledMessage},
        NotifierCase{"StartedOtherSelector", 1, "AI Something", 0, {"afterApplicationStarted"}, 0},
        NotifierCase{"StartedFailingStopsThere", 1, "AI Notify", 9, {"afterApplicationStarted"}, 9},
        NotifierCase{"StartedUnhandledStillNotifies", 1, "AI Notify", kUnhandledMessage,
                     {"afterApplicationStarted", "onNotify"}, kUnhandledMessage}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(NotifierRoute, NullHandlesMatchOnlyANullNotifier) {
  host::Host host;
  probe::Probe plugin(host.pluginRef());
  hostapi::NotifierMessage message{};
  message.d = HeaderFor(host, plugin);
  message.notifier = reinterpret_cast<hostapi::NotifierHandle>(std::uintptr_t{0x77});
  EXPECT_EQ(plugin.dispatch("AI Notifier", "AI Notify", &message.d), 0);
  EXPECT_EQ(plugin.calls, std::vector<std::string>{"onNotify"});
}

class ThrowingNotify : public Plugin {
 public:
  using Plugin::Plugin;
  ResultCode onNotify(Message*) override { throw std::runtime_error("from a handler"); }
};

TEST(NotifierRoute, TheContextIsClosedWhenAHandlerThrows) {
  host::Host host;
  probe::ResetShellState();
  slots::Slot<hostapi::ContextSuite>().table = host.suiteTable(hostapi::ContextSuite::kName);
  ThrowingNotify plugin(host.pluginRef());
  hostapi::NotifierMessage message{};
  message.d = HeaderFor(host, plugin);
  EXPECT_THROW(plugin.dispatch("AI Notifier", "AI Notify", &message.d), std::runtime_error);
  EXPECT_EQ(ContextCalls(host, kPush), 1u);
  EXPECT_EQ(ContextCalls(host, kPop), 1u);
  probe::ResetShellState();
}

struct ContextAnswer {
  const char* label;
  hostapi::ResultCode open;  // what the host answers the open with
  std::uintptr_t handle;     // and the handle it writes
  std::size_t closes;
};

TEST(ContextGuardTest, ClosesExactlyTheContextItOpened) {
  static ContextAnswer answer;
  static std::vector<hostapi::AppContextHandle> closed;
  hostapi::ContextSuite suite{};
  suite.PushAppContext = [](hostapi::PluginRef, hostapi::AppContextHandle* context) -> hostapi::ResultCode {
    *context = reinterpret_cast<hostapi::AppContextHandle>(answer.handle);
    return answer.open;
  };
  suite.PopAppContext = [](hostapi::AppContextHandle context) -> hostapi::ResultCode {
    closed.push_back(context);
    return 0;
  };
  probe::ResetShellState();
  slots::Slot<hostapi::ContextSuite>().table = &suite;
  for (const ContextAnswer& c : {ContextAnswer{"Opened", 0, 0xC1, 1}, ContextAnswer{"OpenedUnderNullHandle", 0, 0, 1},
                                 ContextAnswer{"Refused", FourCC("NOPE"), 0xC2, 0}}) {
    answer = c;
    closed.clear();
    { ContextGuard guard(nullptr); }
    EXPECT_EQ(closed, std::vector(c.closes, reinterpret_cast<hostapi::AppContextHandle>(c.handle))) << c.label;
  }
  probe::ResetShellState();
}

TEST(ContextGuardTest, WithoutTheSuiteCallsNothing) {
  host::Host host;
  probe::ResetShellState();
  {
    ContextGuard guard(host.pluginRef());
    EXPECT_EQ(guard.handle(), nullptr);
  }
  EXPECT_EQ(ContextCalls(host, kPush), 0u);
  EXPECT_EQ(ContextCalls(host, kPop), 0u);
}

}  // namespace
