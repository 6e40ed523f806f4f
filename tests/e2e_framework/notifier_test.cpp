// The two application notifiers and the access hold, seen from the host.
#include "tests/e2e_framework/shell_fixture.hpp"

namespace {

using e2e::Shell;

constexpr const char kStarted[] = "AI Application Started Notifier";
constexpr const char kShutdown[] = "AI Application Shutdown Notifier";

TEST_F(Shell, ApplicationNotifiersHaveTheirNamesAndTypes) {
  Start();
  ASSERT_GE(h.notifiers().size(), 2u);
  EXPECT_EQ(h.notifiers()[0].name, "Evenhue App Started Notifier");
  EXPECT_EQ(h.notifiers()[0].type, kStarted);
  EXPECT_EQ(h.notifiers()[1].name, "Evenhue Application Shutdown Notifier");
  EXPECT_EQ(h.notifiers()[1].type, kShutdown);
  for (const auto& n : h.notifiers()) EXPECT_EQ(n.plugin, h.pluginRef()) << n.name;
  const auto names = h.recorder().callsTo("SP Plug-ins Suite", 23);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].args.at(1), "Evenhue");
}

TEST_F(Shell, StartupTakesTheAccessHoldOnceAndNotificationsAddNoHostCall) {
  Start();
  EXPECT_EQ(h.accessAcquisitions(), 1u);
  EXPECT_EQ(h.notify(kStarted), std::vector<hostapi::ResultCode>{0});
  EXPECT_EQ(h.notify(kStarted), std::vector<hostapi::ResultCode>{0});
  EXPECT_EQ(h.notify(kShutdown), std::vector<hostapi::ResultCode>{0});
  EXPECT_EQ(h.accessAcquisitions(), 1u) << "later holds are counted inside the plug-in";
  EXPECT_EQ(h.accessReleases(), 0u);
  EXPECT_EQ(h.openContexts(), 0u);
}

TEST_F(Shell, AfterReloadTheApplicationNotificationsStillAnswerZeroWithoutAHostCall) {
  Start();
  ASSERT_EQ(h.unload(), 0);
  ASSERT_EQ(h.reload(), 0);
  h.recorder().clear();
  EXPECT_EQ(h.notify(kStarted), std::vector<hostapi::ResultCode>{0});
  EXPECT_EQ(h.notify(kShutdown), std::vector<hostapi::ResultCode>{0});
  EXPECT_EQ(h.accessAcquisitions(), 1u);
  EXPECT_EQ(h.recorder().callCount("SP Access Suite", 0), 0u);
  EXPECT_EQ(h.recorder().callCount("SP Access Suite", 1), 0u);
  EXPECT_EQ(h.recorder().callCount("AI Context Suite", 1), 2u) << "each notification still opens one context";
  EXPECT_EQ(h.openContexts(), 0u);
}

TEST_F(Shell, AccessReferenceIsGivenBackByNobody) {
  Start();
  ASSERT_EQ(h.unload(), 0);
  ASSERT_EQ(h.reload(), 0);
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.accessAcquisitions(), 1u);
  EXPECT_EQ(h.accessReleases(), 0u);
  EXPECT_EQ(h.recorder().callCount("AI Notifier Suite", 0), h.notifiers().size()) << "registered once, never again";
}

TEST_F(Shell, FailedAccessHoldDoesNotFailTheStartup) {
  h.recorder().failOn("SP Access Suite", 0, 1, hostapi::FourCC("NOAC"));
  Start();
  EXPECT_EQ(h.accessAcquisitions(), 0u);
  EXPECT_EQ(h.recorder().callCount("SP Access Suite", 0), 1u);
}

}  // namespace
