#include "framework/suite_table.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.hpp"
#include "framework/suite_slots.hpp"
#include "tests/framework/probe.hpp"
#include "tests/framework/shell_on_host.hpp"

namespace {

using hostapi::FourCC;

std::vector<std::string> CatalogueOrder() {
  std::vector<std::string> names;
  for (const auto& id : hostapi::kBasicSuites) names.emplace_back(id.name);
  for (const auto& id : hostapi::kMainSuites) names.emplace_back(id.name);
  return names;
}

class SuiteTableTest : public ::testing::Test, protected probe::ShellOnHost {
 protected:
  // A withheld suite answers its acquisition with '!Sui'.
  void withhold(std::string_view suite) { host.withholdSuite(suite, FourCC("!Sui")); }
  // The `nthCall`-th release of any suite (1 = the next) answers `code`.
  void failRelease(std::uint32_t nthCall, hostapi::ResultCode code) {
    host.recorder().failOn(host::kBasicSuiteName, kReleaseEntry, nthCall, code);
  }
};

TEST_F(SuiteTableTest, TheListsNameAllNinetyThreeSuitesInCatalogueOrder) {
  std::vector<std::string> listed;
  for (const SuiteEntry& row : kBasicSuiteList) listed.emplace_back(row.name);
  for (const SuiteEntry& row : kMainSuiteList) {
    if (row.name != nullptr) listed.emplace_back(row.name);
  }
  EXPECT_EQ(listed, CatalogueOrder());
  EXPECT_EQ(kMainSuiteList.back().name, nullptr);
  EXPECT_NE(kMainSuiteList.back().version, kOptionalSuitesMarker);
}

TEST_F(SuiteTableTest, EverySuiteHasItsOwnSlot) {
  std::vector<const void**> seen;
  for (const SuiteEntry& row : kBasicSuiteList) seen.push_back(row.slot);
  for (std::size_t i = 0; i + 1 < kMainSuiteList.size(); ++i) seen.push_back(kMainSuiteList[i].slot);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    ASSERT_NE(seen[i], nullptr) << i;
    for (std::size_t j = i + 1; j < seen.size(); ++j) ASSERT_NE(seen[i], seen[j]) << i << " " << j;
  }
}

TEST_F(SuiteTableTest, CalledSuitesLandInTheirNamedSlots) {
  SuiteTable table;
  ASSERT_EQ(table.status(), 0);
  EXPECT_EQ(slots::Slot<hostapi::ArtSuite>().table, host.suiteTable(hostapi::ArtSuite::kName));
  EXPECT_EQ(slots::Slot<hostapi::GradientSuite>().table, host.suiteTable(hostapi::GradientSuite::kName));
  EXPECT_EQ(slots::Slot<hostapi::UrlSuite>().table, host.suiteTable(hostapi::UrlSuite::kName));
  EXPECT_EQ(slots::Slot<hostapi::AccessSuite>().table, host.suiteTable(hostapi::AccessSuite::kName));
  EXPECT_EQ(slots::Slot<hostapi::FoldersSuite>().table, host.suiteTable(hostapi::FoldersSuite::kName));
  EXPECT_EQ(slots::Slot<hostapi::UnicodeStringSuite>().table, host.suiteTable(hostapi::UnicodeStringSuite::kName));
}

TEST_F(SuiteTableTest, ASecondTableWhileHeldAcquiresNothing) {
  SuiteTable first;
  const std::size_t acquired = acquisitions().size();
  {
    SuiteTable second;
    EXPECT_EQ(second.status(), 0);
    EXPECT_EQ(SuiteTable::useCount(), 2);
    EXPECT_EQ(acquisitions().size(), acquired);
  }
  EXPECT_TRUE(releases().empty()) << "destroying with a use count above 1 releases nothing";
  EXPECT_EQ(SuiteTable::useCount(), 1);
  EXPECT_EQ(probe::HeldSlots(), 93);
}

TEST_F(SuiteTableTest, AFailedReleaseStopsTheRestHeld) {
  const std::vector<std::string> order = CatalogueOrder();
  failRelease(11, FourCC("RELx"));  // the release of order[10]: rows go back in catalogue order
  { SuiteTable table; }
  EXPECT_EQ(releases(), std::vector<std::string>(order.begin(), order.begin() + 10));
  // The failing row's slot is emptied all the same; the rows after it stay.
  EXPECT_EQ(probe::HeldSlots(), 93 - 11);
}

// Lists of the table's own shape, for the optional rows the plug-in lacks.
const void* gSlotA;
const void* gSlotB;
const void* gSlotC;
const void* gSlotOpt1;
const void* gSlotOpt2;

class CustomListTest : public SuiteTableTest {
 protected:
  void TearDown() override {
    for (const void** slot : {&gSlotA, &gSlotB, &gSlotC, &gSlotOpt1, &gSlotOpt2}) *slot = nullptr;
    SuiteTableTest::TearDown();
  }
};

TEST_F(CustomListTest, OptionalRowsAfterTheMarkerAreTriedAndRetried) {
  const SuiteEntry basic[] = {{"SP Access Suite", 3, &gSlotA}};
  const SuiteEntry main[] = {{"AI Art Suite", 21, &gSlotB},
                             {nullptr, kOptionalSuitesMarker, nullptr},
                             {"AI URL Suite", 3, &gSlotOpt1},
                             {"AI Menu Suite", 11, &gSlotOpt2},
                             {nullptr, 0, nullptr}};
  const SuiteLists lists{basic, main};
  withhold("AI URL Suite");
  {
    SuiteTable table(lists);
    EXPECT_EQ(table.status(), 0) << "a missing optional suite is not a failure";
    EXPECT_EQ(table.requiredCount(), 1);
    EXPECT_EQ(table.optionalCount(), 2);
    EXPECT_EQ(table.optionalAcquired(), 1);
    EXPECT_EQ(gSlotOpt1, nullptr);
    EXPECT_NE(gSlotOpt2, nullptr);
    table.acquireOptionalSuites();
    EXPECT_EQ(table.optionalAcquired(), 1) << "still missing";
  }
  EXPECT_EQ(releases(), (std::vector<std::string>{"SP Access Suite", "AI Art Suite", "AI Menu Suite"}));
  EXPECT_EQ(host.totalHeld(), 0);
}

TEST_F(CustomListTest, ATerminatorWithoutTheMarkerHasNoOptionalRows) {
  const SuiteEntry basic[] = {{"SP Access Suite", 3, &gSlotA}};
  const SuiteEntry main[] = {{"AI Art Suite", 21, &gSlotB},
                             {nullptr, FourCC("OPTX"), nullptr},
                             {"AI URL Suite", 3, &gSlotOpt1},
                             {nullptr, 0, nullptr}};
  const SuiteLists lists{basic, main};
  SuiteTable table(lists);
  EXPECT_EQ(table.optionalCount(), 0);
  EXPECT_EQ(gSlotOpt1, nullptr);
  EXPECT_EQ(acquisitions(), (std::vector<std::string>{"SP Access Suite", "AI Art Suite"}));
}

TEST_F(CustomListTest, RowsWithoutASlotAreSkipped) {
  const SuiteEntry basic[] = {{"SP Access Suite", 3, &gSlotA}, {"AI Missing Suite", 1, nullptr}};
  const SuiteEntry main[] = {{"AI Other Missing Suite", 1, nullptr}, {"AI Art Suite", 21, &gSlotC}, {nullptr, 0, nullptr}};
  const SuiteLists lists{basic, main};
  {
    SuiteTable table(lists);
    EXPECT_EQ(table.status(), 0);
    EXPECT_EQ(acquisitions(), (std::vector<std::string>{"SP Access Suite", "AI Art Suite"}));
  }
  EXPECT_EQ(releases(), (std::vector<std::string>{"SP Access Suite", "AI Art Suite"}));
}

TEST_F(CustomListTest, AWrongVersionIsAFailedAcquisition) {
  const SuiteEntry basic[] = {{"SP Access Suite", 2, &gSlotA}};
  const SuiteEntry main[] = {{"AI Art Suite", 21, &gSlotB}, {nullptr, 0, nullptr}};
  const SuiteLists lists{basic, main};
  SuiteTable table(lists);
  EXPECT_NE(table.status(), 0);
  EXPECT_TRUE(acquisitions().empty());
  table.claimSoleUse();
}

}  // namespace
