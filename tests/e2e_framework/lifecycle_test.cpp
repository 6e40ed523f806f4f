// The plug-in object's lifecycle as the host sees it: Absent, Running, Unloaded.
#include <filesystem>

#include "tests/e2e_framework/shell_fixture.hpp"

namespace {

using e2e::Shell;
using hostapi::FourCC;
namespace callers = hostapi::callers;
namespace selectors = hostapi::selectors;

TEST_F(Shell, AbsentStartupSucceedsIntoRunning) {
  Start();
  EXPECT_NE(h.objectSlot(), nullptr);
  e2e::ExpectEverySuiteHeld(h, 1);
  EXPECT_EQ(h.pluginName(), "Evenhue");
  EXPECT_EQ(h.accessAcquisitions(), 1u);
  EXPECT_EQ(h.accessReleases(), 0u);
  EXPECT_GE(h.notifiers().size(), 2u);
  EXPECT_EQ(h.openContexts(), 0u);
  EXPECT_TRUE(h.recorder().traps().empty()) << h.recorder().traps()[0].suite;
}

struct IgnoredWhileAbsent {
  std::string name;
  const char* caller;
  const char* selector;
};

void PrintTo(const IgnoredWhileAbsent& value, std::ostream* out) { *out << value.name; }

class AbsentShell : public testing::TestWithParam<IgnoredWhileAbsent> {};

TEST_P(AbsentShell, AnyOtherMessageAnswersZeroAndCallsNothing) {
  host::Host h(e2e::PluginOptions());
  h.load();
  e2e::Shell::AnyMessage m{};
  EXPECT_EQ(h.send(GetParam().caller, GetParam().selector, m), 0);
  EXPECT_EQ(h.objectSlot(), nullptr);
  EXPECT_TRUE(h.recorder().calls().empty()) << h.recorder().calls()[0].operation;
}

INSTANTIATE_TEST_SUITE_P(
    Shell, AbsentShell,
    testing::Values(IgnoredWhileAbsent{"Shutdown", callers::kInterface, selectors::kShutdown},
                    IgnoredWhileAbsent{"Reload", callers::kAccess, selectors::kReload},
                    IgnoredWhileAbsent{"Unload", callers::kAccess, selectors::kUnload},
                    IgnoredWhileAbsent{"MenuUpdate", callers::kMenu, selectors::kUpdate},
                    IgnoredWhileAbsent{"Purge", callers::kCache, selectors::kPurge},
                    IgnoredWhileAbsent{"MenuGo", callers::kMenu, selectors::kGo},
                    IgnoredWhileAbsent{"UnknownCaller", "Nobody", "Nothing"},
                    IgnoredWhileAbsent{"StartupInOtherCase", "sp interface", "Startup"}),
    [](const testing::TestParamInfo<IgnoredWhileAbsent>& info) { return info.param.name; });

TEST_F(Shell, RunningRoutedMessageStaysRunning) {
  Start();
  EXPECT_EQ(h.purge(), 0);
  EXPECT_EQ(Send(callers::kInterface, selectors::kAbout), 0);
  EXPECT_NE(h.objectSlot(), nullptr);
  e2e::ExpectEverySuiteHeld(h, 1);
}

TEST_F(Shell, RunningUnloadReleasesEverythingAndKeepsTheObject) {
  Start();
  void* object = h.objectSlot();
  ASSERT_EQ(h.unload(), 0);
  EXPECT_EQ(h.objectSlot(), object);
  EXPECT_EQ(h.totalHeld(), 0);
  e2e::ExpectEverySuiteHeld(h, 0);
}

TEST_F(Shell, UnloadedRoutesNothing) {
  Start();
  // "Unload" without closing the library: the object is Unloaded but code stays reachable.
  ASSERT_EQ(Send(callers::kAccess, selectors::kUnload), 0);
  h.recorder().clear();
  h.recorder().failOn("AI Menu Suite", 25, 1, FourCC("BOOM"));
  EXPECT_EQ(h.updateMenuItem(nullptr), 0);
  EXPECT_EQ(Send(callers::kNotifier, selectors::kNotify), 0);
  EXPECT_EQ(Send(callers::kAccess, selectors::kUnload), 0);
  EXPECT_TRUE(h.recorder().calls().empty()) << h.recorder().calls()[0].operation;
  EXPECT_EQ(h.totalHeld(), 0);
}

TEST_F(Shell, UnloadedReloadFromACopyRunsAgain) {
  Start();
  const std::string first = h.loadedPath();
  ASSERT_EQ(h.unload(), 0);
  EXPECT_FALSE(h.loader().isResident(first)) << "the plug-in library stayed mapped after closing";
  ASSERT_EQ(h.reload(), 0);
  EXPECT_NE(h.loadedPath(), first);
  e2e::ExpectEverySuiteHeld(h, 1);
  for (const auto& name : e2e::CatalogueNames()) EXPECT_EQ(h.acquisitions(name), 2u) << name;

  // The re-seated object answers through the new copy's code.
  h.recorder().clear();
  h.setUpdateFlags(1, 0, 1);
  EXPECT_EQ(h.updateMenuItem(nullptr), 0);
  EXPECT_EQ(h.recorder().callCount("AI Menu Suite", 25), 1u);

  // Registrations are neither repeated nor undone.
  EXPECT_EQ(h.accessAcquisitions(), 1u);
  EXPECT_EQ(h.recorder().callCount("SP Plug-ins Suite", 23), 0u);
  EXPECT_EQ(h.recorder().callCount("AI Notifier Suite", 0), 0u);
}

TEST_F(Shell, UnloadedReloadThatFailsStaysUnloaded) {
  Start();
  ASSERT_EQ(h.unload(), 0);
  h.withholdSuite("AI Path Style Suite", FourCC("MISS"));
  EXPECT_EQ(h.reload(), FourCC("MISS"));
  EXPECT_EQ(h.totalHeld(), 0) << "what the failed reload acquired is given back";
  EXPECT_NE(h.objectSlot(), nullptr);

  h.recorder().clear();
  EXPECT_EQ(h.updateMenuItem(nullptr), 0);
  EXPECT_EQ(h.recorder().callCount("AI Menu Suite", 25), 0u) << "nothing is routed without suites";

  h.offerSuite("AI Path Style Suite");
  e2e::Shell::AnyMessage m{};
  ASSERT_EQ(h.send(callers::kAccess, selectors::kReload, m), 0);
  e2e::ExpectEverySuiteHeld(h, 1);
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.totalHeld(), 0);
}

TEST_F(Shell, ShutdownFromRunningEndsWithEveryCounterAtZero) {
  Start();
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.objectSlot(), nullptr);
  EXPECT_EQ(h.totalHeld(), 0);
  for (const auto& name : e2e::CatalogueNames()) {
    EXPECT_EQ(h.acquisitions(name), 1u) << name;
    EXPECT_EQ(h.releases(name), 1u) << name;
  }
  EXPECT_EQ(h.openContexts(), 0u);
  EXPECT_EQ(h.liveStrings(), 0u);
  EXPECT_EQ(h.liveBlocks(), 0u);
  EXPECT_EQ(h.liveFilePaths(), 0u);
  EXPECT_TRUE(h.misuses().empty()) << h.misuses()[0];
  // The access hold and the registrations stay with the host.
  EXPECT_EQ(h.accessReleases(), 0u);
}

TEST_F(Shell, ShutdownFromUnloadedEndsWithEveryCounterAtZero) {
  Start();
  ASSERT_EQ(Send(callers::kAccess, selectors::kUnload), 0);
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.objectSlot(), nullptr);
  EXPECT_EQ(h.totalHeld(), 0);
  h.recorder().clear();
  EXPECT_EQ(h.shutdown(), 0) << "a second Shutdown finds no object";
  EXPECT_TRUE(h.recorder().calls().empty());
}

TEST_F(Shell, ShutdownAfterTheLibraryCameBackWithoutAReload) {
  Start();
  ASSERT_EQ(h.unload(), 0);  // the library is closed for real
  h.load();                  // and comes back elsewhere, but no Reload is sent
  EXPECT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.objectSlot(), nullptr);
  EXPECT_EQ(h.totalHeld(), 0);
}

TEST_F(Shell, FullRoundTripsAcrossSeveralReloads) {
  Start();
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(h.unload(), 0) << round;
    EXPECT_EQ(h.totalHeld(), 0) << round;
    ASSERT_EQ(h.reload(), 0) << round;
    e2e::ExpectEverySuiteHeld(h, 1);
  }
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.totalHeld(), 0);
  EXPECT_TRUE(h.recorder().traps().empty());
}

struct LateFailure {
  std::string name;
  const char* suite;
  std::int32_t entry;
  std::uint32_t onCall;
  std::vector<std::string> registered;  // the notifier types left with the host
};

void PrintTo(const LateFailure& value, std::ostream* out) { *out << value.name; }

class LateStartupFailure : public testing::TestWithParam<LateFailure> {};

TEST_P(LateStartupFailure, TheSuitesGoBackAndTheAccessHoldIsNotTaken) {
  const LateFailure& c = GetParam();
  host::Host h(e2e::PluginOptions());
  h.recorder().failOn(c.suite, c.entry, c.onCall, FourCC("FAIL"));
  EXPECT_EQ(h.startup(), FourCC("FAIL"));
  EXPECT_EQ(h.objectSlot(), nullptr);
  EXPECT_EQ(h.totalHeld(), 0) << "suites stayed acquired by a plug-in that never started";
  EXPECT_EQ(h.accessAcquisitions(), 0u);
  std::vector<std::string> registered;
  for (const auto& n : h.notifiers()) registered.push_back(n.type);
  EXPECT_EQ(registered, c.registered) << "a registration is not undone";
}

// The plug-in's name (SP Plug-ins Suite entry 23), then either application
// notifier (AI Notifier Suite entry 0).
INSTANTIATE_TEST_SUITE_P(
    Shell, LateStartupFailure,
    testing::Values(LateFailure{"Name", "SP Plug-ins Suite", 23, 1, {}},
                    LateFailure{"StartedNotifier", "AI Notifier Suite", 0, 1, {}},
                    LateFailure{"ShutdownNotifier", "AI Notifier Suite", 0, 2, {"AI Application Started Notifier"}}),
    [](const testing::TestParamInfo<LateFailure>& info) { return info.param.name; });

TEST_F(Shell, StartupAfterAFailedStartupWorks) {
  h.withholdSuite("AI URL Suite");
  EXPECT_NE(h.startup(), 0);
  h.offerSuite("AI URL Suite");
  Start();
  e2e::ExpectEverySuiteHeld(h, 1);
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.totalHeld(), 0);
}

}  // namespace
