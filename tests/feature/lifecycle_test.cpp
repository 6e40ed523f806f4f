// The entry point and the object's life, driven in-process through PluginMain
// against the fake host.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "feature/evenhue_plugin.hpp"
#include "plugin/plugin_main.hpp"
#include "plugin/shell_memory.hpp"
#include "plugin/suite_slots.hpp"
#include "plugin/suite_table.hpp"
#include "support/error.hpp"
#include "tests/plugin/fake_host.hpp"
#include "tests/plugin/probe.hpp"

namespace {

using hostapi::FourCC;

int UserSuiteBorrows(const fake::Host& host) {
  int count = 0;
  for (const std::string& line : host.log) count += line == std::string("AcquireSuite ") + hostapi::UserSuite::kName;
  return count;
}

class LifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    probe::ResetShellState();
    message = host.header(nullptr);
  }
  void TearDown() override {
    if (message.objectSlot != nullptr) send("SP Interface", "Shutdown");
    probe::ResetShellState();
    slots::gBasicSuite = nullptr;
  }
  hostapi::ResultCode send(const char* caller, const char* selector) {
    return PluginMain(caller, selector, &message);
  }
  EvenhuePlugin* object() const { return static_cast<EvenhuePlugin*>(message.objectSlot); }
  void start() {
    ASSERT_EQ(send("SP Interface", "Startup"), 0);
    ASSERT_NE(object(), nullptr);
  }

  fake::Host host;
  hostapi::PluginMessage message{};
};

TEST_F(LifecycleTest, AbsentAnswersEverythingButStartupWithZero) {
  const char* const pairs[][2] = {{"SP Interface", "Shutdown"}, {"SP Access", "Reload"}, {"SP Access", "Unload"},
                                  {"AI Menu", "AI Go"},         {"Nobody", "Nothing"}};
  for (const auto& pair : pairs) EXPECT_EQ(send(pair[0], pair[1]), 0) << pair[1];
  EXPECT_TRUE(host.log.empty());
  EXPECT_EQ(message.objectSlot, nullptr);
}

TEST_F(LifecycleTest, StartupMakesTheObjectAndHoldsEverySuite) {
  start();
  EXPECT_STREQ(object()->name, "Evenhue");
  EXPECT_EQ(object()->pluginRef, host.pluginRef());
  EXPECT_NE(object()->suites, nullptr);
  EXPECT_EQ(probe::HeldSlots(), 93);
  EXPECT_EQ(object()->holdCount, 1);
  EXPECT_EQ(CurrentPluginObject(), object());
  EXPECT_EQ(UserSuiteBorrows(host), 1) << "only the table's own acquisition";
}

TEST_F(LifecycleTest, CallerAndSelectorAreComparedByText) {
  const std::string caller = "SP Interface";
  const std::string selector = "Startup";
  ASSERT_EQ(PluginMain(caller.c_str(), selector.c_str(), &message), 0);
  EXPECT_NE(object(), nullptr);
}

std::size_t gCalls = 0;
void* FailFirstAllocation(std::size_t size) { return ++gCalls == 1 ? nullptr : ::operator new(size, std::nothrow); }
void* FailSecondAllocation(std::size_t size) { return ++gCalls == 2 ? nullptr : ::operator new(size, std::nothrow); }

TEST_F(LifecycleTest, AnObjectThatCannotBeAllocatedIsOutOfMemory) {
  gCalls = 0;
  shell::SetAllocator(&FailFirstAllocation, nullptr);
  const auto result = send("SP Interface", "Startup");
  shell::SetAllocator(nullptr, nullptr);
  EXPECT_EQ(result, FourCC("!MEM"));
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(UserSuiteBorrows(host), 1) << "reported without an object";
  EXPECT_EQ(host.heldTotal(), 0);
}

TEST_F(LifecycleTest, ASuiteTableThatCannotBeAllocatedFailsStartup) {
  gCalls = 0;
  shell::SetAllocator(&FailSecondAllocation, nullptr);
  const auto result = send("SP Interface", "Startup");
  shell::SetAllocator(nullptr, nullptr);
  EXPECT_EQ(result, FourCC("!MEM"));
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(CurrentPluginObject(), nullptr);
}

TEST_F(LifecycleTest, AMissingSuiteFailsStartupAndLeavesNothingHeld) {
  host.withhold(hostapi::UrlSuite::kName);
  EXPECT_EQ(send("SP Interface", "Startup"), FourCC("!Sui"));
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(host.heldTotal(), 0);
  EXPECT_EQ(probe::HeldSlots(), 0);
  EXPECT_EQ(UserSuiteBorrows(host), 2) << "the table's attempt, then the report's borrow";
}

struct LateFailureCase {
  const char* label;
  const char* operation;
  int onCall;
};

class LateStartupFailureTest : public LifecycleTest, public ::testing::WithParamInterface<LateFailureCase> {};

TEST_P(LateStartupFailureTest, TheSuiteTableIsGivenBack) {
  host.fail(GetParam().operation, {GetParam().onCall, FourCC("LATE")});
  EXPECT_EQ(send("SP Interface", "Startup"), FourCC("LATE"));
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(host.heldTotal(), 0) << "no suite stays with a plug-in that never started";
  EXPECT_EQ(probe::HeldSlots(), 0);
  EXPECT_EQ(SuiteTable::useCount(), 0);
  EXPECT_EQ(CurrentPluginObject(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Steps, LateStartupFailureTest,
                         ::testing::Values(LateFailureCase{"Name", "SetPluginName", 1},
                                           LateFailureCase{"StartedNotifier", "AddNotifier", 1},
                                           LateFailureCase{"ShutdownNotifier", "AddNotifier", 2}),
                         [](const auto& info) { return std::string(info.param.label); });

struct ThrowCase {
  const char* label;
  bool hostError;
  hostapi::ResultCode expected;
};

class StartupThrowTest : public LifecycleTest, public ::testing::WithParamInterface<ThrowCase> {};

TEST_P(StartupThrowTest, NothingEscapesTheEntryPoint) {
  const ThrowCase c = GetParam();
  host.onCall = [c](const std::string& operation) {
    if (operation != "SetPluginName") return;
    if (c.hostError) throw ai::Error(FourCC("!MEM"));
    throw std::runtime_error("unexpected");
  };
  hostapi::ResultCode result = 0;
  EXPECT_NO_THROW(result = send("SP Interface", "Startup"));
  host.onCall = nullptr;
  EXPECT_EQ(result, c.expected);
  EXPECT_EQ(message.objectSlot, nullptr) << "destroyed as for a failed start-up";
  EXPECT_EQ(host.heldTotal(), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, StartupThrowTest,
                         ::testing::Values(ThrowCase{"HostError", true, FourCC("!MEM")},
                                           ThrowCase{"OtherException", false, FourCC("CANT")}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(LifecycleTest, UnhandledMessagesAnswerZero) {
  start();
  const char* const pairs[][2] = {{"AI Tool", "AI Select"},        {"AI Filter", "AI Go"},
                                  {"Nobody", "Nothing"},           {"SP Properties", "Acquire"},
                                  {"AI Live Effect", "AI Live Effect Input Type"}};
  for (const auto& pair : pairs) EXPECT_EQ(send(pair[0], pair[1]), 0) << pair[0] << "/" << pair[1];
}

TEST_F(LifecycleTest, TheNewestBasicSuiteIsUsedEvenForIgnoredMessages) {
  static const hostapi::BasicSuite other{nullptr, nullptr};
  message.basicSuite = &other;
  EXPECT_EQ(send("AI Menu", "AI Go"), 0);
  EXPECT_EQ(slots::gBasicSuite, &other);
  message.basicSuite = host.basic();
}

TEST_F(LifecycleTest, UnloadReleasesAndNothingIsRoutedUntilReload) {
  start();
  Plugin* const before = object();
  ASSERT_NE(object()->appStartedNotifier, nullptr);
  EXPECT_EQ(send("SP Access", "Unload"), 0);
  EXPECT_EQ(object(), before) << "the object stays in the slot";
  EXPECT_EQ(object()->suites, nullptr);
  EXPECT_EQ(probe::HeldSlots(), 0);
  EXPECT_EQ(host.heldTotal(), 0);
  EXPECT_EQ(CurrentPluginObject(), nullptr);

  const std::size_t logged = host.log.size();
  EXPECT_EQ(send("AI Menu", "AI Go"), 0);
  EXPECT_EQ(send("SP Access", "Unload"), 0);
  EXPECT_EQ(host.log.size(), logged) << "nothing routed while unloaded";

  EXPECT_EQ(send("SP Access", "Reload"), 0);
  EXPECT_EQ(object(), before);
  EXPECT_NE(object()->suites, nullptr);
  EXPECT_EQ(probe::HeldSlots(), 93);
  EXPECT_EQ(SuiteTable::useCount(), 1);
  EXPECT_EQ(object()->appStartedNotifier, nullptr);
  EXPECT_EQ(object()->appShutdownNotifier, nullptr);
  EXPECT_EQ(CurrentPluginObject(), object());
  EXPECT_STREQ(object()->name, "Evenhue");
  EXPECT_EQ(object()->holdCount, 1);
}

TEST_F(LifecycleTest, AFailedReloadStaysUnloadedAndIsReported) {
  start();
  ASSERT_EQ(send("SP Access", "Unload"), 0);
  host.withhold(hostapi::GradientSuite::kName);
  const int borrows = UserSuiteBorrows(host);
  EXPECT_EQ(send("SP Access", "Reload"), FourCC("!Sui"));
  EXPECT_NE(object(), nullptr);
  EXPECT_EQ(object()->suites, nullptr);
  EXPECT_EQ(host.heldTotal(), 0);
  EXPECT_EQ(object()->lastErrorCode, FourCC("!Sui"));
  EXPECT_EQ(UserSuiteBorrows(host), borrows + 2) << "the table's attempt, then the report";
  EXPECT_EQ(send("AI Menu", "AI Go"), 0);
}

TEST_F(LifecycleTest, ApplicationStartedTakesASecondHoldUntilAReload) {
  start();
  hostapi::NotifierMessage notification{};
  notification.d = message;
  notification.notifier = object()->appStartedNotifier;
  EXPECT_EQ(PluginMain("AI Notifier", "AI Notify", &notification), 0);
  EXPECT_EQ(object()->holdCount, 2);
  EXPECT_EQ(host.callsOf("AcquirePlugin"), 1);

  const auto oldHandle = notification.notifier;
  ASSERT_EQ(send("SP Access", "Unload"), 0);
  ASSERT_EQ(send("SP Access", "Reload"), 0);
  notification.notifier = oldHandle;
  EXPECT_EQ(PluginMain("AI Notifier", "AI Notify", &notification), 0);
  EXPECT_EQ(object()->holdCount, 2) << "the cleared handle no longer matches";
}

TEST_F(LifecycleTest, ShutdownReleasesDestroysAndEmptiesTheSlot) {
  start();
  EXPECT_EQ(send("SP Interface", "Shutdown"), 0);
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(host.heldTotal(), 0);
  EXPECT_EQ(probe::HeldSlots(), 0);
  EXPECT_EQ(CurrentPluginObject(), nullptr);
  EXPECT_EQ(send("AI Menu", "AI Go"), 0);
}

TEST_F(LifecycleTest, ShutdownWhileUnloadedStillDestroys) {
  start();
  ASSERT_EQ(send("SP Access", "Unload"), 0);
  EXPECT_EQ(send("SP Interface", "Shutdown"), 0);
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(host.heldTotal(), 0);
}

// ---------------------------------------------------------------------------
// The plug-in's router guard

class ThrowingPlugin : public EvenhuePlugin {
 public:
  using EvenhuePlugin::EvenhuePlugin;
  hostapi::ResultCode toThrow = 0;
  bool throwOther = false;
  ResultCode onTimerGo(Message*) override {
    if (throwOther) throw std::length_error("too long");
    throw ai::Error(toThrow);
  }
  ResultCode onClipboardGo(Message*) override { return toThrow; }
};

std::int64_t FixedClock() { return 500; }

class GuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    probe::ResetShellState();
    slots::gBasicSuite = host.basic();
    previous = shell::SetClock(&FixedClock);
  }
  void TearDown() override {
    shell::SetClock(previous);
    probe::ResetShellState();
    slots::gBasicSuite = nullptr;
  }
  fake::Host host;
  shell::Clock previous = nullptr;
};

TEST_F(GuardTest, AnEscapingErrorBecomesItsCodeAndIsReportedOnce) {
  ThrowingPlugin plugin(host.pluginRef());
  hostapi::PluginMessage message = host.header(&plugin);
  plugin.toThrow = FourCC("!MEM");
  EXPECT_EQ(plugin.dispatch("AI Timer", "AI Go", &message), FourCC("!MEM"));
  EXPECT_EQ(plugin.lastErrorCode, FourCC("!MEM"));
  EXPECT_EQ(plugin.lastErrorTime, 500);
  EXPECT_EQ(UserSuiteBorrows(host), 1);
  // The entry point's second report falls in the repeat window.
  plugin.reportError(FourCC("!MEM"), "AI Timer", "AI Go", &message);
  EXPECT_EQ(UserSuiteBorrows(host), 1);
}

TEST_F(GuardTest, AnyOtherExceptionBecomesCant) {
  ThrowingPlugin plugin(host.pluginRef());
  hostapi::PluginMessage message = host.header(&plugin);
  plugin.throwOther = true;
  EXPECT_EQ(plugin.dispatch("AI Timer", "AI Go", &message), FourCC("CANT"));
  EXPECT_EQ(plugin.lastErrorCode, FourCC("CANT"));
}

TEST_F(GuardTest, UnhandledIsZeroAndSilentCodesPassUnreported) {
  ThrowingPlugin plugin(host.pluginRef());
  hostapi::PluginMessage message = host.header(&plugin);
  EXPECT_EQ(plugin.dispatch("AI Tool", "AI Select", &message), 0);
  plugin.toThrow = 361;
  EXPECT_EQ(plugin.dispatch("AI Clipboard", "AI Go", &message), 361);
  plugin.toThrow = FourCC("STOP");
  EXPECT_EQ(plugin.dispatch("AI Clipboard", "AI Go", &message), FourCC("STOP"));
  EXPECT_EQ(UserSuiteBorrows(host), 0);
  EXPECT_EQ(plugin.lastErrorCode, 0);
}

}  // namespace
