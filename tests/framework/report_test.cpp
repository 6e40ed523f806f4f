#include <gtest/gtest.h>

#include <string>

#include "host/host.hpp"
#include "framework/plugin.hpp"
#include "framework/suite_slots.hpp"
#include "tests/framework/probe.hpp"

namespace {

using hostapi::FourCC;

std::int64_t gNow = 0;
std::int64_t TestClock() { return gNow; }

// A report is visible to the stand-in host as a borrow of the user suite, since
// no suite is held in these tests.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    probe::ResetShellState();
    slots::gBasicSuite = host.basicSuite();
    previousClock = shell::SetClock(&TestClock);
    gNow = 1'000'000;
  }
  void TearDown() override {
    shell::SetClock(previousClock);
    slots::gBasicSuite = nullptr;
    probe::ResetShellState();
  }
  int reports() const { return static_cast<int>(host.acquisitions(hostapi::UserSuite::kName)); }
  // Suites acquired and given back, all suites together.
  int acquisitions() const { return succeeded(0); }
  int releases() const { return succeeded(1); }
  host::Host host;
  shell::Clock previousClock = nullptr;

 private:
  // Successful calls of the basic function table's entry (0 acquires, 1 releases).
  int succeeded(std::int32_t entry) const {
    int count = 0;
    for (const host::CallRecord& call : host.recorder().callsTo(host::kBasicSuiteName, entry)) {
      count += call.result == 0;
    }
    return count;
  }
};

TEST_F(ReportTest, SilentCodesAreSeventeenAndNeverReported) {
  const hostapi::ResultCode expected[] = {FourCC("FMT?"), FourCC("RFSE"), FourCC("AFTR"), FourCC("VALD"),
                                          FourCC("MOOT"), FourCC("TRSH"), FourCC("CHEK"), FourCC("CHIT"),
                                          FourCC("TLTK"), FourCC("pFls"), FourCC("S!Fd"), FourCC("!Acq"),
                                          FourCC("dsRP"), FourCC("skpE"), FourCC("DONE"), FourCC("STOP"),
                                          361,            0};
  for (std::size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(silentCodes[i], expected[i]) << i;

  Plugin plugin(host.pluginRef());
  for (std::size_t i = 0; i + 1 < std::size(expected); ++i) {
    plugin.reportError(expected[i], "c", "s", nullptr);
    reportResultCode(host.pluginRef(), expected[i]);
  }
  EXPECT_EQ(reports(), 0);
  EXPECT_EQ(plugin.lastErrorCode, 0);
}

struct RepeatCase {
  const char* label;
  std::int64_t later;        // seconds after the first report
  hostapi::ResultCode second;
  bool reportedAgain;
};
void PrintTo(const RepeatCase& c, std::ostream* os) { *os << c.label; }

class RepeatWindowTest : public ReportTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(RepeatWindowTest, SameCodeWithinFiveSecondsIsDropped) {
  const RepeatCase& c = GetParam();
  Plugin plugin(host.pluginRef());
  plugin.reportError(FourCC("!MEM"), "c", "s", nullptr);
  ASSERT_EQ(reports(), 1);
  EXPECT_EQ(plugin.lastErrorCode, FourCC("!MEM"));
  EXPECT_EQ(plugin.lastErrorTime, 1'000'000);
  EXPECT_EQ(releases(), 1) << "the borrowed suite goes back";
  EXPECT_FALSE(slots::Slot<hostapi::UserSuite>());

  gNow += c.later;
  plugin.reportError(c.second, "c", "s", nullptr);
  EXPECT_EQ(reports(), c.reportedAgain ? 2 : 1);
  EXPECT_EQ(plugin.lastErrorTime, c.reportedAgain ? gNow : 1'000'000);
  EXPECT_EQ(plugin.lastErrorCode, c.second == FourCC("!MEM") || c.reportedAgain ? c.second : FourCC("!MEM"));
}

INSTANTIATE_TEST_SUITE_P(Window, RepeatWindowTest,
                         ::testing::Values(RepeatCase{"SameAt0", 0, FourCC("!MEM"), false},
                                           RepeatCase{"SameAt4", 4, FourCC("!MEM"), false},
                                           RepeatCase{"SameAt5", 5, FourCC("!MEM"), true},
                                           RepeatCase{"SameAt6", 6, FourCC("!MEM"), true},
                                           RepeatCase{"OtherAt0", 0, FourCC("CANT"), true},
                                           RepeatCase{"OtherAt4", 4, 42, true}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(ReportTest, WithRepeatsAllowedTheSameCodeIsReportedAgain) {
  Plugin plugin(host.pluginRef());
  plugin.suppressRepeats = 0;
  plugin.reportError(FourCC("CANT"), "c", "s", nullptr);
  plugin.reportError(FourCC("CANT"), "c", "s", nullptr);
  EXPECT_EQ(reports(), 2);
}

TEST_F(ReportTest, AHeldUserSuiteIsNeitherAcquiredNorReleased) {
  slots::Slot<hostapi::UserSuite>().table = host.suiteTable(hostapi::UserSuite::kName);
  reportResultCode(host.pluginRef(), FourCC("CANT"));
  EXPECT_EQ(acquisitions(), 0);
  EXPECT_EQ(releases(), 0);
  EXPECT_TRUE(slots::Slot<hostapi::UserSuite>());
}

TEST_F(ReportTest, WithoutABasicSuiteOrUserSuiteTheReportIsDropped) {
  host.withholdSuite(hostapi::UserSuite::kName);
  reportResultCode(host.pluginRef(), FourCC("CANT"));
  EXPECT_EQ(releases(), 0);
  EXPECT_FALSE(slots::Slot<hostapi::UserSuite>());
  slots::gBasicSuite = nullptr;
  reportResultCode(host.pluginRef(), FourCC("CANT"));
  EXPECT_FALSE(slots::Slot<hostapi::UserSuite>());
}

}  // namespace
