// The About entry's menu search against the fake host's menu suite.
#include <gtest/gtest.h>

#include "plugin/evenhue_plugin.hpp"
#include "framework/suite_slots.hpp"
#include "tests/framework/fake_host.hpp"
#include "tests/framework/probe.hpp"

namespace {

class MenuSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    probe::ResetShellState();
    slots::Slot<hostapi::MenuSuite>().table = host.table(hostapi::MenuSuite::kName);
    slots::Slot<hostapi::UnicodeStringSuite>().table = host.table(hostapi::UnicodeStringSuite::kName);
  }
  void TearDown() override { probe::ResetShellState(); }
  fake::Host host;
  EvenhuePlugin plugin{nullptr};
};

struct SearchCase {
  const char* label;
  std::vector<const char*> names;
  std::int32_t found;
};
void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.label; }

class MenuSearchCases : public MenuSearchTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(MenuSearchCases, MatchesOnlyTheExactName) {
  host.menuGroupNames = GetParam().names;
  std::int32_t found = -1;
  EXPECT_EQ(plugin.FindMenuGroup("About Brimcastle Plugins", found), 0);
  EXPECT_EQ(found, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Names, MenuSearchCases,
    ::testing::Values(SearchCase{"Present", {"About", "About Brimcastle Plugins"}, 1},
                      SearchCase{"NullNameMatchesNothing", {nullptr, "Help"}, 0},
                      SearchCase{"NullThenPresent", {nullptr, "About Brimcastle Plugins"}, 1},
                      SearchCase{"OtherCase", {"about brimcastle plugins"}, 0},
                      SearchCase{"Prefix", {"About Brimcastle Plugins and more"}, 0}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(MenuSearchTest, AFailingCountIsReturnedAndNothingFound) {
  host.fail("CountMenuGroups", {1, hostapi::FourCC("CNT!")});
  std::int32_t found = -1;
  EXPECT_EQ(plugin.FindMenuGroup("About", found), hostapi::FourCC("CNT!"));
  EXPECT_EQ(found, 0);
  EXPECT_EQ(host.callsOf("GetNthMenuGroup"), 0);
}

TEST_F(MenuSearchTest, WithANullGroupNameTheSubmenuIsCreated) {
  host.menuGroupNames = {nullptr};
  plugin.pluginRef = host.pluginRef();
  hostapi::PluginMessage message = host.header(&plugin);
  EXPECT_EQ(plugin.AddAboutMenus(&message), 0);
  ASSERT_EQ(host.menuItems.size(), 2u);
  EXPECT_EQ(host.menuItems[0].key, "About Brimcastle Plugins");
  EXPECT_EQ(host.menuItems[0].group, "About");
  EXPECT_EQ(host.menuItems[0].text, fake::Widen("About Brimcastle Plugins"));
  EXPECT_EQ(host.menuItems[1].key, "Evenhue...");
  EXPECT_EQ(plugin.aboutItem, host.menuItems[1].handle);
  EXPECT_EQ(plugin.aboutGroupItem, host.menuItems[0].handle);
  EXPECT_TRUE(host.strings.empty()) << "labels are released after the call";
}

}  // namespace
