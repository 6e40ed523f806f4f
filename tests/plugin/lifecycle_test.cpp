// The entry point and the object's life, driven in-process through PluginMain
// against the stand-in host (and, where a host operation must throw, the test
// host).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>

#include "plugin/evenhue_plugin.hpp"
#include "host/host.hpp"
#include "interface/catalogue.hpp"
#include "framework/error.hpp"
#include "framework/plugin_main.hpp"
#include "framework/shell_memory.hpp"
#include "framework/suite_slots.hpp"
#include "framework/suite_table.hpp"
#include "tests/framework/fake_host.hpp"
#include "tests/framework/probe.hpp"

namespace {

using hostapi::FourCC;

using hostapi::EntryAt;
constexpr std::int32_t kSetPluginName = EntryAt(offsetof(hostapi::PluginsSuite, SetPluginName));
constexpr std::int32_t kAddNotifier = EntryAt(offsetof(hostapi::NotifierSuite, AddNotifier));
constexpr std::int32_t kAcquirePlugin = EntryAt(offsetof(hostapi::AccessSuite, AcquirePlugin));

// Attempts to acquire the user suite, granted or not.
int UserSuiteBorrows(const host::Host& host) {
  int count = 0;
  const auto entry = EntryAt(offsetof(hostapi::BasicSuite, AcquireSuite));
  for (const host::CallRecord& call : host.recorder().callsTo(host::kBasicSuiteName, entry)) {
    count += call.args.front() == hostapi::UserSuite::kName;
  }
  return count;
}

// A withheld suite answers its acquisition with '!Sui'.
void Withhold(host::Host& host, const char* suite) { host.withholdSuite(suite, FourCC("!Sui")); }

// A message header addressed to `slot`.
hostapi::PluginMessage HeaderFor(const host::Host& host, void* slot) {
  hostapi::PluginMessage message = host.header();
  message.objectSlot = slot;
  return message;
}
hostapi::PluginMessage HeaderFor(const fake::Host& host, void* slot) { return host.header(slot); }

// Acquisitions minus releases over all suites.
std::int64_t HeldTotal(const host::Host& host) { return host.totalHeld(); }
std::int64_t HeldTotal(const fake::Host& host) { return host.heldTotal(); }

template <class Host>
class LifecycleFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    probe::ResetShellState();
    message = HeaderFor(host, nullptr);
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

  Host host;
  hostapi::PluginMessage message{};
};

using LifecycleTest = LifecycleFixture<host::Host>;

TEST_F(LifecycleTest, StartupMakesTheObjectAndHoldsEverySuite) {
  start();
  EXPECT_STREQ(object()->name, "Evenhue");
  EXPECT_EQ(object()->pluginRef, host.pluginRef());
  EXPECT_NE(object()->suites, nullptr);
  EXPECT_EQ(probe::HeldSlots(), 93);
  EXPECT_EQ(object()->holdCount, 1);
  EXPECT_EQ(CurrentPluginObject(), object());
  EXPECT_EQ(UserSuiteBorrows(host), 1) << "only the table's own acquisition";
  EXPECT_EQ(object()->suites->requiredCount(), 86);
  EXPECT_EQ(object()->suites->optionalCount(), 0);
  EXPECT_EQ(SuiteTable::useCount(), 1);
  // The name goes to the host once, and the access hold is taken once.
  EXPECT_EQ(host.pluginName(), "Evenhue");
  EXPECT_EQ(host.recorder().callCount(hostapi::PluginsSuite::kName, kSetPluginName), 1u);
  EXPECT_EQ(host.recorder().callCount(hostapi::AccessSuite::kName, kAcquirePlugin), 1u);
  // The object keeps the handles of the two application notifiers it registered first.
  ASSERT_GE(host.notifiers().size(), 2u);
  EXPECT_EQ(object()->appStartedNotifier, host.notifiers()[0].handle);
  EXPECT_EQ(object()->appShutdownNotifier, host.notifiers()[1].handle);
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
  EXPECT_EQ(HeldTotal(host), 0);
}

// Suite acquisitions asked of the host (granted or not).
std::size_t AcquisitionAttempts(const host::Host& host) {
  return host.recorder().callsTo(host::kBasicSuiteName, EntryAt(offsetof(hostapi::BasicSuite, AcquireSuite))).size();
}

TEST_F(LifecycleTest, ASuiteTableThatCannotBeAllocatedFailsStartup) {
  gCalls = 0;
  shell::SetAllocator(&FailSecondAllocation, nullptr);
  const auto result = send("SP Interface", "Startup");
  shell::SetAllocator(nullptr, nullptr);
  EXPECT_EQ(result, FourCC("!MEM"));
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(CurrentPluginObject(), nullptr);
  EXPECT_EQ(AcquisitionAttempts(host), 1u) << "no suite but the report's User suite";
  EXPECT_EQ(HeldTotal(host), 0);
}

struct MissingSuiteCase {
  const char* label;
  std::size_t position;  // in the catalogue: 0-6 basic, 7-92 main
};
void PrintTo(const MissingSuiteCase& c, std::ostream* os) { *os << c.label; }

class MissingSuiteTest : public LifecycleTest, public ::testing::WithParamInterface<MissingSuiteCase> {};

// The order and the host's side of it are checked through the loaded library
// (tests/e2e_framework/suite_order_test.cpp); here, what stays inside.
TEST_P(MissingSuiteTest, StartupFailsAndLeavesNothingHeld) {
  const std::size_t position = GetParam().position;
  const hostapi::SuiteId& missing = position < std::size(hostapi::kBasicSuites)
                                        ? hostapi::kBasicSuites[position]
                                        : hostapi::kMainSuites[position - std::size(hostapi::kBasicSuites)];
  Withhold(host, missing.name);
  EXPECT_EQ(send("SP Interface", "Startup"), FourCC("!Sui"));
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(HeldTotal(host), 0);
  EXPECT_EQ(probe::HeldSlots(), 0);
  EXPECT_EQ(SuiteTable::useCount(), 0);
  // The User suite (fifth) is tried by the table when it gets that far, then by the report.
  EXPECT_EQ(UserSuiteBorrows(host), position >= 4 ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(Positions, MissingSuiteTest,
                         ::testing::Values(MissingSuiteCase{"FirstBasic", 0}, MissingSuiteCase{"UserSuite", 4},
                                           MissingSuiteCase{"LastBasic", 6}, MissingSuiteCase{"FirstMain", 7},
                                           MissingSuiteCase{"GradientSuite", 7 + 49},
                                           MissingSuiteCase{"UrlSuiteLast", 92}),
                         [](const auto& info) { return std::string(info.param.label); });

struct LateFailureCase {
  const char* label;
  const char* suite;
  std::int32_t entry;
  std::uint32_t onCall;
};
void PrintTo(const LateFailureCase& c, std::ostream* os) { *os << c.label; }

class LateStartupFailureTest : public LifecycleTest, public ::testing::WithParamInterface<LateFailureCase> {};

TEST_P(LateStartupFailureTest, TheSuiteTableIsGivenBack) {
  host.recorder().failOn(GetParam().suite, GetParam().entry, GetParam().onCall, FourCC("LATE"));
  EXPECT_EQ(send("SP Interface", "Startup"), FourCC("LATE"));
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(HeldTotal(host), 0) << "no suite stays with a plug-in that never started";
  EXPECT_EQ(probe::HeldSlots(), 0);
  EXPECT_EQ(SuiteTable::useCount(), 0);
  EXPECT_EQ(CurrentPluginObject(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Steps, LateStartupFailureTest,
                         ::testing::Values(LateFailureCase{"Name", hostapi::PluginsSuite::kName, kSetPluginName, 1},
                                           LateFailureCase{"StartedNotifier", hostapi::NotifierSuite::kName,
                                                           kAddNotifier, 1},
                                           LateFailureCase{"ShutdownNotifier", hostapi::NotifierSuite::kName,
                                                           kAddNotifier, 2}),
                         [](const auto& info) { return std::string(info.param.label); });

struct ThrowCase {
  const char* label;
  bool hostError;
  hostapi::ResultCode expected;
};
void PrintTo(const ThrowCase& c, std::ostream* os) { *os << c.label; }

// Only the test host runs test code inside a host operation.
class StartupThrowTest : public LifecycleFixture<fake::Host>, public ::testing::WithParamInterface<ThrowCase> {};

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
  EXPECT_EQ(HeldTotal(host), 0);
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
  message.basicSuite = host.basicSuite();
}

TEST_F(LifecycleTest, UnloadReleasesAndNothingIsRoutedUntilReload) {
  start();
  Plugin* const before = object();
  ASSERT_NE(object()->appStartedNotifier, nullptr);
  EXPECT_EQ(send("SP Access", "Unload"), 0);
  EXPECT_EQ(object(), before) << "the object stays in the slot";
  EXPECT_EQ(object()->suites, nullptr);
  EXPECT_EQ(probe::HeldSlots(), 0);
  EXPECT_EQ(HeldTotal(host), 0);
  EXPECT_EQ(CurrentPluginObject(), nullptr);

  const std::size_t logged = host.recorder().calls().size();
  EXPECT_EQ(send("AI Menu", "AI Go"), 0);
  EXPECT_EQ(send("SP Access", "Unload"), 0);
  EXPECT_EQ(host.recorder().calls().size(), logged) << "nothing routed while unloaded";

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

  // A Reload while running keeps the table: nothing is acquired again.
  EXPECT_EQ(send("SP Access", "Reload"), 0);
  EXPECT_EQ(SuiteTable::useCount(), 1);
  EXPECT_EQ(AcquisitionAttempts(host), 2u * 93u) << "the start-up's and the first reload's";
}

TEST_F(LifecycleTest, AFailedReloadStaysUnloadedAndIsReported) {
  start();
  ASSERT_EQ(send("SP Access", "Unload"), 0);
  Withhold(host, hostapi::GradientSuite::kName);
  const int borrows = UserSuiteBorrows(host);
  EXPECT_EQ(send("SP Access", "Reload"), FourCC("!Sui"));
  EXPECT_NE(object(), nullptr);
  EXPECT_EQ(object()->suites, nullptr);
  EXPECT_EQ(HeldTotal(host), 0);
  EXPECT_EQ(SuiteTable::useCount(), 0);
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
  EXPECT_EQ(host.recorder().callCount(hostapi::AccessSuite::kName, kAcquirePlugin), 1u);

  const auto oldHandle = notification.notifier;
  ASSERT_EQ(send("SP Access", "Unload"), 0);
  ASSERT_EQ(send("SP Access", "Reload"), 0);
  notification.notifier = oldHandle;
  EXPECT_EQ(PluginMain("AI Notifier", "AI Notify", &notification), 0);
  EXPECT_EQ(object()->holdCount, 2) << "the cleared handle no longer matches";
}

TEST_F(LifecycleTest, TheApplyNotifierAnswersZeroWhateverTheGoLiveHandlerAnswered) {
  // The apply notification is forwarded to the Go Live handler; when that
  // handler returns without throwing, the notification is answered with 0.
  // Here the handler answers 'STOP' (the user cancelled), which must not reach
  // the host as the notification's answer.
  start();
  host.setCancel(true);
  object()->liveEffect = reinterpret_cast<hostapi::LiveEffectHandle>(object()->applyNotifier);
  hostapi::LiveEffectGoMessage record{};
  record.d = message;
  record.effect = object()->liveEffect;
  record.art = host.document().newGroup();
  ASSERT_EQ(PluginMain(hostapi::callers::kLiveEffect, hostapi::selectors::kLiveEffectGoLive, &record), FourCC("STOP")) << "the handler's own answer";
  EXPECT_EQ(PluginMain("AI Notifier", "AI Notify", &record), 0);
}

TEST_F(LifecycleTest, ShutdownReleasesDestroysAndEmptiesTheSlot) {
  start();
  EXPECT_EQ(send("SP Interface", "Shutdown"), 0);
  EXPECT_EQ(message.objectSlot, nullptr);
  EXPECT_EQ(HeldTotal(host), 0);
  EXPECT_EQ(probe::HeldSlots(), 0);
  EXPECT_EQ(SuiteTable::useCount(), 0);
  EXPECT_EQ(CurrentPluginObject(), nullptr);
  EXPECT_EQ(send("AI Menu", "AI Go"), 0);
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
    slots::gBasicSuite = host.basicSuite();
    previous = shell::SetClock(&FixedClock);
  }
  void TearDown() override {
    shell::SetClock(previous);
    probe::ResetShellState();
    slots::gBasicSuite = nullptr;
  }
  host::Host host;
  shell::Clock previous = nullptr;
};

TEST_F(GuardTest, AnEscapingErrorBecomesItsCodeAndIsReportedOnce) {
  ThrowingPlugin plugin(host.pluginRef());
  hostapi::PluginMessage message = HeaderFor(host, &plugin);
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
  hostapi::PluginMessage message = HeaderFor(host, &plugin);
  plugin.throwOther = true;
  EXPECT_EQ(plugin.dispatch("AI Timer", "AI Go", &message), FourCC("CANT"));
  EXPECT_EQ(plugin.lastErrorCode, FourCC("CANT"));
}

TEST_F(GuardTest, UnhandledIsZeroAndSilentCodesPassUnreported) {
  ThrowingPlugin plugin(host.pluginRef());
  hostapi::PluginMessage message = HeaderFor(host, &plugin);
  EXPECT_EQ(plugin.dispatch("AI Tool", "AI Select", &message), 0);
  plugin.toThrow = 361;
  EXPECT_EQ(plugin.dispatch("AI Clipboard", "AI Go", &message), 361);
  plugin.toThrow = FourCC("STOP");
  EXPECT_EQ(plugin.dispatch("AI Clipboard", "AI Go", &message), FourCC("STOP"));
  EXPECT_EQ(UserSuiteBorrows(host), 0);
  EXPECT_EQ(plugin.lastErrorCode, 0);
}

}  // namespace
