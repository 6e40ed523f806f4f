// The order in which the plug-in takes and gives back its 93 suites, and what a
// missing suite does to that order.
#include <algorithm>

#include "tests/e2e_framework/shell_fixture.hpp"

namespace {

using hostapi::FourCC;

TEST(ShellSuites, TheCatalogueIsAcquiredInOrderAndReleasedInTheSameOrder) {
  host::Host h(e2e::PluginOptions());
  ASSERT_EQ(h.startup(), 0);
  ASSERT_EQ(e2e::kCatalogue.size(), 93u);
  EXPECT_EQ(e2e::SuiteRequests(h, 0), e2e::kCatalogue);
  h.recorder().clear();
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(e2e::SuiteRequests(h, 1), e2e::kCatalogue) << "first acquired, first released";
  EXPECT_EQ(h.totalHeld(), 0);
}

TEST(ShellSuites, UnloadReleasesInTheSameOrderAndReloadAcquiresAgain) {
  host::Host h(e2e::PluginOptions());
  ASSERT_EQ(h.startup(), 0);
  h.recorder().clear();
  ASSERT_EQ(h.unload(), 0);
  EXPECT_EQ(e2e::SuiteTraffic(h, 1), e2e::CatalogueNames());
  h.recorder().clear();
  ASSERT_EQ(h.reload(), 0);
  EXPECT_EQ(e2e::SuiteTraffic(h, 0), e2e::CatalogueNames());
  EXPECT_TRUE(e2e::SuiteTraffic(h, 1).empty());
}

struct Missing {
  std::string name;
  std::size_t position;  // in the catalogue: 0–6 basic, 7–92 main
  bool wrongVersionOnly;
};

void PrintTo(const Missing& value, std::ostream* out) { *out << value.name; }

class MissingSuite : public testing::TestWithParam<Missing> {};

TEST_P(MissingSuite, StartupFailsAndGivesBackWhatItTookInOrder) {
  const auto names = e2e::CatalogueNames();
  const std::string& missing = names.at(GetParam().position);
  host::Host h(e2e::PluginOptions());
  hostapi::ResultCode expected = FourCC("MISS");
  if (GetParam().wrongVersionOnly) {
    // Offered, but the failure comes back as the host's version answer.
    h.recorder().failOn(host::kBasicSuiteName, 0, static_cast<std::uint32_t>(GetParam().position + 1),
                        host::kWrongVersion);
    expected = host::kWrongVersion;
  } else {
    h.withholdSuite(missing, expected);
  }
  EXPECT_EQ(h.startup(), expected);

  const std::vector<std::string> before(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(GetParam().position));
  // With no object left, the failed start-up's code is reported through a
  // User suite taken only for the report (and given back right after it).
  std::vector<std::string> taken = before;
  const bool reportTakesUser = missing != hostapi::UserSuite::kName;
  if (reportTakesUser) taken.emplace_back(hostapi::UserSuite::kName);
  EXPECT_EQ(e2e::SuiteTraffic(h, 0), taken) << "acquisition stops at " << missing;
  const auto attempts = h.recorder().callsTo(host::kBasicSuiteName, 0);
  // The suites before it, the failing one, and the report's own attempt.
  ASSERT_EQ(attempts.size(), GetParam().position + 2) << "nothing else is tried after " << missing;
  EXPECT_EQ(attempts[GetParam().position].args.at(0), missing);
  EXPECT_EQ(attempts[GetParam().position].result, expected);
  EXPECT_EQ(attempts.back().args.at(0), hostapi::UserSuite::kName);
  EXPECT_EQ(e2e::SuiteTraffic(h, 1), taken) << "released in acquisition order";
  EXPECT_EQ(h.totalHeld(), 0);
  EXPECT_EQ(h.objectSlot(), nullptr);
  EXPECT_TRUE(h.pluginName().empty());
  EXPECT_TRUE(h.notifiers().empty());
  EXPECT_EQ(h.accessAcquisitions(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Shell, MissingSuite,
                         testing::Values(Missing{"FirstBasicAccess", 0, false}, Missing{"BasicUser", 4, false},
                                         Missing{"LastBasicFolders", 6, false},
                                         Missing{"FirstMainActionManager", 7, false},
                                         Missing{"UnicodeString", 7 + 21, false}, Missing{"Gradient", 7 + 49, false},
                                         Missing{"LastMainUrl", 92, false}, Missing{"ArtWrongVersion", 7 + 24, true}),
                         [](const testing::TestParamInfo<Missing>& info) { return info.param.name; });

TEST(ShellSuites, MissingSuiteAtReloadGivesBackWhatItTook) {
  host::Host h(e2e::PluginOptions());
  ASSERT_EQ(h.startup(), 0);
  ASSERT_EQ(h.unload(), 0);
  h.withholdSuite("AI Menu Suite", FourCC("MISS"));
  h.recorder().clear();
  EXPECT_EQ(h.reload(), FourCC("MISS"));
  const auto names = e2e::CatalogueNames();
  const auto at = std::find(names.begin(), names.end(), "AI Menu Suite");
  std::vector<std::string> before(names.begin(), at);
  before.emplace_back(hostapi::UserSuite::kName);  // taken for the report and given back
  EXPECT_EQ(e2e::SuiteTraffic(h, 0), before);
  EXPECT_EQ(e2e::SuiteTraffic(h, 1), before);
  EXPECT_EQ(h.totalHeld(), 0);
}

}  // namespace
