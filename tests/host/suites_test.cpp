#include <gtest/gtest.h>

#include <ostream>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/host.hpp"
#include "tests/host/suite_access.hpp"

namespace {

using namespace hostapi;
using hosttest::Table;

std::vector<SuiteId> AllSuites() {
  std::vector<SuiteId> all(std::begin(kBasicSuites), std::end(kBasicSuites));
  all.insert(all.end(), std::begin(kMainSuites), std::end(kMainSuites));
  return all;
}

class Suites : public testing::Test {
 protected:
  host::Host h;
  const BasicSuite& basic = *h.basicSuite();
};

// --- Catalogue and counters ---------------------------------------------------------

TEST_F(Suites, EverySuiteIsOfferedByNameAndVersionAndCounted) {
  const auto all = AllSuites();
  ASSERT_EQ(all.size(), 93u);
  for (const auto& id : all) {
    const void* table = nullptr;
    ASSERT_EQ(basic.AcquireSuite(id.name, id.version, &table), 0) << id.name;
    EXPECT_NE(table, nullptr) << id.name;
    EXPECT_EQ(table, h.suiteTable(id.name));
  }
  EXPECT_EQ(h.totalHeld(), 93);
  for (const auto& id : all) {
    EXPECT_EQ(h.acquisitions(id.name), 1u) << id.name;
    ASSERT_EQ(basic.ReleaseSuite(id.name, id.version), 0) << id.name;
    EXPECT_EQ(h.releases(id.name), 1u) << id.name;
  }
  EXPECT_EQ(h.totalHeld(), 0);
}

struct Refusal {
  std::string name;
  const char* suite;
  std::int32_t version;
  ResultCode expected;
};

void PrintTo(const Refusal& value, std::ostream* out) { *out << value.name; }

class AcquireRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(AcquireRefusals, AnswerNonZeroAndLeaveTheSlotEmpty) {
  host::Host h;
  h.withholdSuite("AI URL Suite", FourCC("XXXX"));
  const void* table = &h;  // anything non-null
  EXPECT_EQ(h.basicSuite()->AcquireSuite(GetParam().suite, GetParam().version, &table), GetParam().expected);
  EXPECT_EQ(table, nullptr);
  EXPECT_EQ(h.totalHeld(), 0);
}

INSTANTIATE_TEST_SUITE_P(Host, AcquireRefusals,
                         testing::Values(Refusal{"WrongVersion", "AI Gradient Suite", 8, host::kWrongVersion},
                                         Refusal{"UnknownName", "AI Gradient Suites", 9, host::kSuiteNotFound},
                                         Refusal{"CaseDiffers", "ai gradient suite", 9, host::kSuiteNotFound},
                                         Refusal{"WithheldWithChosenCode", "AI URL Suite", 3, FourCC("XXXX")},
                                         Refusal{"TheBasicTableIsNoSuite", host::kBasicSuiteName, 0,
                                                 host::kSuiteNotFound}),
                         [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST_F(Suites, WithheldSuiteCanBeOfferedAgain) {
  const void* table = nullptr;
  h.withholdSuite("AI Menu Suite");
  EXPECT_EQ(basic.AcquireSuite("AI Menu Suite", 11, &table), host::kSuiteNotFound);
  h.offerSuite("AI Menu Suite");
  EXPECT_EQ(basic.AcquireSuite("AI Menu Suite", 11, &table), 0);
  EXPECT_EQ(h.held("AI Menu Suite"), 1);
  basic.ReleaseSuite("AI Menu Suite", 11);
}

TEST_F(Suites, ReleasingWhatIsNotHeldIsRefused) {
  EXPECT_EQ(basic.ReleaseSuite("AI Art Suite", 21), host::kNotAcquired);
  EXPECT_EQ(h.releases("AI Art Suite"), 0u);
  EXPECT_EQ(h.misuses().size(), 1u);
  const void* table = nullptr;
  ASSERT_EQ(basic.AcquireSuite("AI Art Suite", 21, &table), 0);
  EXPECT_EQ(basic.ReleaseSuite("AI Art Suite", 20), host::kWrongVersion);
  EXPECT_EQ(basic.ReleaseSuite("AI Art Suite", 21), 0);
}

TEST_F(Suites, AcquisitionsAreLoggedInOrder) {
  const void* table = nullptr;
  basic.AcquireSuite("SP Access Suite", 3, &table);
  basic.AcquireSuite("AI Undo Suite", 12, &table);
  basic.ReleaseSuite("SP Access Suite", 3);
  const auto calls = h.recorder().callsTo(host::kBasicSuiteName);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].entry, 0);
  EXPECT_EQ(calls[0].args, (std::vector<std::string>{"SP Access Suite", "3"}));
  EXPECT_EQ(calls[1].args[0], "AI Undo Suite");
  EXPECT_EQ(calls[2].entry, 1);
  EXPECT_EQ(calls[2].operation, "ReleaseSuite");
}

// --- Traps ---------------------------------------------------------------------------

TEST_F(Suites, EntriesNotOfferedAreTrapsThatRecordTheCall) {
  struct Case {
    const char* suite;
    std::size_t entry;
  };
  const Case cases[] = {{"AI Gradient Suite", 1}, {"AI Undo Suite", 0}, {"AI User Suite", 46}, {"SP Plug-ins Suite", 22},
                        {"AI Menu Suite", 63}};
  for (const auto& c : cases) {
    const auto* entries = static_cast<const UnusedEntry*>(h.suiteTable(c.suite));
    auto trap = reinterpret_cast<ResultCode (*)()>(entries[c.entry]);
    EXPECT_EQ(trap(), host::kTrapResult) << c.suite << " " << c.entry;
  }
  const auto& traps = h.recorder().traps();
  ASSERT_EQ(traps.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(traps[i].suite, cases[i].suite);
    EXPECT_EQ(traps[i].entry, static_cast<std::int32_t>(cases[i].entry));
  }
}

TEST_F(Suites, TrapsAreRecordedEvenWithTheLogOff) {
  h.setRecording(false);
  const auto* entries = static_cast<const UnusedEntry*>(h.suiteTable("AI Art Suite"));
  reinterpret_cast<ResultCode (*)()>(entries[0])();
  EXPECT_EQ(h.recorder().traps().size(), 1u);
  EXPECT_TRUE(h.recorder().calls().empty());
}

// --- Fault injection and the log ---------------------------------------------------------

TEST_F(Suites, FaultHitsTheChosenCallOnly) {
  const auto& g = Table<GradientSuite>(h);
  ASSERT_TRUE(h.recorder().failOn("AI Gradient Suite", 0, 2, FourCC("BOOM")));
  GradientHandle a = nullptr, b = nullptr, c = nullptr;
  EXPECT_EQ(g.NewGradient(&a), 0);
  EXPECT_EQ(g.NewGradient(&b), FourCC("BOOM"));
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(g.NewGradient(&c), 0);
  EXPECT_EQ(h.document().gradientCount(), 2u) << "the failed call created nothing";
  EXPECT_EQ(h.recorder().callCount("AI Gradient Suite", 0), 3u);
}

TEST_F(Suites, FaultCountsFromWhenItIsArmedAndCanRepeat) {
  const auto& s = Table<AccessSuite>(h);
  AccessRef ref = nullptr;
  s.AcquirePlugin(h.pluginRef(), &ref);
  h.recorder().failOn("SP Access Suite", 0, 1, FourCC("FAIL"), 2);
  EXPECT_EQ(s.AcquirePlugin(h.pluginRef(), &ref), FourCC("FAIL"));
  EXPECT_EQ(s.AcquirePlugin(h.pluginRef(), &ref), FourCC("FAIL"));
  EXPECT_EQ(s.AcquirePlugin(h.pluginRef(), &ref), 0);
  h.recorder().failOn("SP Access Suite", 0, 1, FourCC("FAIL"));
  h.recorder().clearFaults();
  EXPECT_EQ(s.AcquirePlugin(h.pluginRef(), &ref), 0);
  EXPECT_EQ(h.accessAcquisitions(), 3u);
}

TEST_F(Suites, FaultOnAcquisitionThroughTheBasicTable) {
  h.recorder().failOn(host::kBasicSuiteName, 0, 3, FourCC("NOPE"));
  const void* t = nullptr;
  EXPECT_EQ(basic.AcquireSuite("AI Art Suite", 21, &t), 0);
  EXPECT_EQ(basic.AcquireSuite("AI Undo Suite", 12, &t), 0);
  EXPECT_EQ(basic.AcquireSuite("AI URL Suite", 3, &t), FourCC("NOPE"));
  EXPECT_EQ(t, nullptr);
  EXPECT_EQ(h.held("AI URL Suite"), 0);
  basic.ReleaseSuite("AI Art Suite", 21);
  basic.ReleaseSuite("AI Undo Suite", 12);
}

TEST_F(Suites, OperationsWithoutResultCodeGiveTheNeutralAnswerWhenFailed) {
  h.setCancel(true);
  h.setBrowserAvailable(true);
  UnicodeStringRef text = h.newString("abc");
  const char16_t* units = u"x";
  h.recorder().failOn("AI User Suite", 0, 1, 1);
  h.recorder().failOn("AI URL Suite", 0, 1, 1);
  h.recorder().failOn("AI Unicode String Suite", 36, 1, 1);
  EXPECT_EQ(Table<UserSuite>(h).Cancel(), 0);
  EXPECT_EQ(Table<UrlSuite>(h).IsBrowserAvailable(), 0);
  EXPECT_EQ(Table<UnicodeStringSuite>(h).Utf16(&text, &units), 0u);
  EXPECT_EQ(units, nullptr);
  // The next calls answer truthfully again.
  EXPECT_NE(Table<UserSuite>(h).Cancel(), 0);
  EXPECT_NE(Table<UrlSuite>(h).IsBrowserAvailable(), 0);
  EXPECT_EQ(Table<UnicodeStringSuite>(h).Utf16(&text, &units), 3u);
}

TEST_F(Suites, UnknownSuiteCannotBeFailed) {
  EXPECT_FALSE(h.recorder().failOn("AI Nonsense Suite", 0, 1, 1));
  EXPECT_FALSE(h.recorder().failOn("AI Art Suite", 64, 1, 1));
  EXPECT_FALSE(h.recorder().failOn("AI Art Suite", 6, 0, 1));
}

TEST_F(Suites, RecordingOffKeepsCountsButNoLog) {
  h.setRecording(false);
  GradientHandle g = nullptr;
  Table<GradientSuite>(h).NewGradient(&g);
  EXPECT_TRUE(h.recorder().calls().empty());
  EXPECT_EQ(h.recorder().callCount("AI Gradient Suite", 0), 1u);
  h.setRecording(true);
  Table<GradientSuite>(h).NewGradient(&g);
  ASSERT_EQ(h.recorder().calls().size(), 1u);
  EXPECT_EQ(h.recorder().calls()[0].operation, "NewGradient");
  h.recorder().clear();
  EXPECT_EQ(h.recorder().callCount("AI Gradient Suite", 0), 0u);
  EXPECT_TRUE(h.recorder().calls().empty());
}

// --- The shell's suites ---------------------------------------------------------------

TEST_F(Suites, AccessReferencesAreHandedOutAndTakenBack) {
  const auto& s = Table<AccessSuite>(h);
  AccessRef ref = nullptr;
  ASSERT_EQ(s.AcquirePlugin(h.pluginRef(), &ref), 0);
  EXPECT_NE(ref, nullptr);
  EXPECT_EQ(s.ReleasePlugin(ref), 0);
  EXPECT_NE(s.ReleasePlugin(ref), 0) << "given back twice";
  EXPECT_NE(s.AcquirePlugin(reinterpret_cast<PluginRef>(&ref), &ref), 0) << "a plug-in reference of nobody";
  EXPECT_EQ(h.accessAcquisitions(), 1u);
  EXPECT_EQ(h.accessReleases(), 1u);
}

TEST_F(Suites, PluginNameAndNotifiersAreRecorded) {
  ASSERT_EQ(Table<PluginsSuite>(h).SetPluginName(h.pluginRef(), "Evenhue"), 0);
  EXPECT_EQ(h.pluginName(), "Evenhue");
  NotifierHandle a = nullptr, b = nullptr;
  ASSERT_EQ(Table<NotifierSuite>(h).AddNotifier(h.pluginRef(), "N1", "T1", &a), 0);
  ASSERT_EQ(Table<NotifierSuite>(h).AddNotifier(h.pluginRef(), "N2", "T2", &b), 0);
  EXPECT_NE(a, b);
  ASSERT_EQ(h.notifiers().size(), 2u);
  EXPECT_EQ(h.notifiers()[1].name, "N2");
  EXPECT_EQ(h.notifiers()[1].type, "T2");
  EXPECT_EQ(h.notifiers()[1].handle, b);
}

TEST_F(Suites, ContextsNest) {
  const auto& s = Table<ContextSuite>(h);
  AppContextHandle outer = nullptr, inner = nullptr;
  ASSERT_EQ(s.PushAppContext(h.pluginRef(), &outer), 0);
  ASSERT_EQ(s.PushAppContext(h.pluginRef(), &inner), 0);
  EXPECT_EQ(h.openContexts(), 2u);
  EXPECT_NE(s.PopAppContext(outer), 0) << "closing out of order";
  EXPECT_EQ(s.PopAppContext(inner), 0);
  EXPECT_EQ(s.PopAppContext(outer), 0);
  EXPECT_EQ(h.openContexts(), 0u);
  EXPECT_EQ(h.contextsOpened(), 2u);
}

TEST_F(Suites, AlertsCancelAndBrowser) {
  UnicodeStringRef text = h.newString("Evenhue v1.0.0 \n\nBrimcastle");
  ASSERT_EQ(Table<UserSuite>(h).MessageAlert(&text), 0);
  EXPECT_EQ(h.alerts(), (std::vector<std::string>{"Evenhue v1.0.0 \n\nBrimcastle"}));
  EXPECT_EQ(Table<UserSuite>(h).Cancel(), 0);
  h.setCancel(true);
  EXPECT_NE(Table<UserSuite>(h).Cancel(), 0);
  h.setBrowserAvailable(false);
  EXPECT_EQ(Table<UrlSuite>(h).IsBrowserAvailable(), 0);
  ASSERT_EQ(Table<UrlSuite>(h).OpenUrl("https://example.com/digital-downloads/evenhue"), 0);
  EXPECT_EQ(h.openedUrls(), (std::vector<std::string>{"https://example.com/digital-downloads/evenhue"}));
  Table<UnicodeStringSuite>(h).Destroy(&text);
}

// --- Menus and the Live Effect ---------------------------------------------------------

TEST_F(Suites, MenuGroupsItemsAndSubmenus) {
  const auto& m = Table<MenuSuite>(h);
  std::int32_t count = 0;
  ASSERT_EQ(m.CountMenuGroups(&count), 0);
  EXPECT_EQ(count, 4) << "the host's own groups";
  MenuGroupHandle first = nullptr;
  const char* name = nullptr;
  ASSERT_EQ(m.GetNthMenuGroup(0, &first), 0);
  ASSERT_EQ(m.GetMenuGroupName(first, &name), 0);
  EXPECT_STREQ(name, "About");
  EXPECT_NE(m.GetNthMenuGroup(count, &first), 0);

  MenuItemData data{"About", h.newString("About Brimcastle Plugins")};
  MenuItemHandle item = nullptr;
  ASSERT_EQ(m.AddMenuItem(h.pluginRef(), "About Brimcastle Plugins", &data, 2, &item), 0);
  MenuGroupHandle group = nullptr;
  ASSERT_EQ(m.AddMenuGroupAsSubMenu("About Brimcastle Plugins", 8, item, &group), 0);
  ASSERT_EQ(m.UpdateMenuItemAutomatically(item, 1, 0, 0, -1, 0, 0, 0), 0);
  ASSERT_EQ(m.CountMenuGroups(&count), 0);
  EXPECT_EQ(count, 5);
  ASSERT_EQ(m.GetMenuGroupName(group, &name), 0);
  EXPECT_STREQ(name, "About Brimcastle Plugins");

  const auto record = h.findMenuItem("About Brimcastle Plugins");
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->groupName, "About");
  EXPECT_EQ(record->text, "About Brimcastle Plugins");
  EXPECT_EQ(record->options, 2);
  ASSERT_TRUE(record->autoUpdate.has_value());
  EXPECT_EQ(record->autoUpdate->action, 1);
  EXPECT_EQ(record->autoUpdate->ifArtworkIsSelected, -1);
  EXPECT_EQ(h.menuGroups().back().options, 8);
  EXPECT_EQ(h.menuGroups().back().parentItem, item);
  EXPECT_NE(m.AddMenuGroupAsSubMenu("X", 0, nullptr, &group), 0) << "a submenu needs an item";
  Table<UnicodeStringSuite>(h).Destroy(&data.itemText);
}

TEST_F(Suites, GroupNamesStayValidWhileGroupsAreAdded) {
  const auto& m = Table<MenuSuite>(h);
  MenuGroupHandle about = nullptr;
  const char* name = nullptr;
  m.GetNthMenuGroup(0, &about);
  m.GetMenuGroupName(about, &name);
  for (int i = 0; i < 100; ++i) h.addMenuGroup("group " + std::to_string(i));
  EXPECT_STREQ(name, "About");
}

TEST_F(Suites, UpdateFlagsAreTheHostsSetting) {
  h.setUpdateFlags(3, 4, 5);
  std::int32_t a = 0, b = 0, c = 0;
  ASSERT_EQ(Table<MenuSuite>(h).GetUpdateFlags(&a, &b, &c), 0);
  EXPECT_EQ(a * 100 + b * 10 + c, 345);
}

TEST_F(Suites, LiveEffectRegistrationAndMenuItem) {
  const auto& l = Table<LiveEffectSuite>(h);
  LiveEffectRegistration reg{h.pluginRef(), "BCBC_Evenhue", "Evenhue", 1, 0, 0xFFFF, 2};
  LiveEffectHandle effect = nullptr;
  ASSERT_EQ(l.AddLiveEffect(&reg, &effect), 0);
  LiveEffectMenuData menu{" Brimcastle", "Evenhue", 0, 0};
  MenuItemHandle item = nullptr;
  ASSERT_EQ(l.AddLiveEffectMenuItem(effect, " BC_Evenhue", &menu, &item, nullptr), 0);
  ASSERT_EQ(l.UpdateParameters(reinterpret_cast<LiveEffectEditContext>(&item)), 0);

  const auto e = h.findLiveEffect("BCBC_Evenhue");
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->handle, effect);
  EXPECT_EQ(e->title, "Evenhue");
  EXPECT_EQ(e->prefersAsInput, 0xFFFF);
  EXPECT_EQ(e->styleFilterFlags, 2);
  ASSERT_EQ(h.liveEffectMenuItems().size(), 1u);
  EXPECT_EQ(h.liveEffectMenuItems()[0].itemName, " BC_Evenhue");
  EXPECT_EQ(h.liveEffectMenuItems()[0].category, " Brimcastle");
  EXPECT_EQ(h.liveEffectMenuItems()[0].item, item);
  EXPECT_EQ(h.updatedParameters().size(), 1u);
  EXPECT_NE(l.AddLiveEffectMenuItem(nullptr, "x", &menu, &item, nullptr), 0) << "not a registered effect";
}

// --- Folders, file paths and blocks ----------------------------------------------------------

TEST_F(Suites, FolderAndFilePathsReachTheFileSystem) {
  const auto dir = std::filesystem::temp_directory_path() / "evenhue-host-folder-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "PlugPlugOwl.dll") << "x";
  h.setFolder(0, dir.string());
  const auto& folders = Table<FoldersSuite>(h);
  const auto& paths = Table<FilePathSuite>(h);
  FilePathRef path = nullptr;
  ASSERT_EQ(folders.FindFolder(0, 0, &path), 0);
  EXPECT_NE(folders.FindFolder(1, 0, &path), 0) << "a kind the test did not choose";
  UnicodeStringRef name = h.newString("PlugPlugOwl.dll");
  ASSERT_EQ(paths.AddComponent(&name, &path), 0);
  HostBoolean isFile = 0;
  EXPECT_NE(paths.Exists(&path, 0, 0, &isFile), 0);
  EXPECT_NE(isFile, 0);
  UnicodeStringRef full = nullptr;
  ASSERT_EQ(paths.GetFullPath(&path, 0, &full), 0);
  EXPECT_EQ(h.stringText(full), (dir / "PlugPlugOwl.dll").string());
  UnicodeStringRef other = h.newString("missing.dll");
  FilePathRef missing = nullptr;
  folders.FindFolder(0, 0, &missing);
  paths.AddComponent(&other, &missing);
  EXPECT_EQ(paths.Exists(&missing, 0, 0, nullptr), 0);
  EXPECT_EQ(h.liveFilePaths(), 2u);
  EXPECT_EQ(paths.Release(&path), 0);
  EXPECT_EQ(path, nullptr);
  paths.Release(&missing);
  EXPECT_EQ(h.liveFilePaths(), 0u);
  for (auto* s : {&name, &full, &other}) Table<UnicodeStringSuite>(h).Destroy(s);
  std::filesystem::remove_all(dir);
}

TEST_F(Suites, BlocksAreCountedAndFreedOnce) {
  const auto& b = Table<BlocksSuite>(h);
  void* block = nullptr;
  ASSERT_EQ(b.AllocateBlock(64, "label", &block), 0);
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xAB, 64);
  EXPECT_EQ(h.liveBlocks(), 1u);
  EXPECT_EQ(b.FreeBlock(block), 0);
  EXPECT_NE(b.FreeBlock(block), 0) << "freed twice";
  EXPECT_EQ(h.liveBlocks(), 0u);
  h.recorder().failOn("SP Blocks Suite", 0, 1, FourCC("!MEM"));
  EXPECT_EQ(b.AllocateBlock(8, "label", &block), FourCC("!MEM"));
}

// --- Document suites ---------------------------------------------------------------------

TEST_F(Suites, ArtWalkThroughTheArtSuite) {
  auto& doc = h.document();
  const ArtHandle group = doc.newGroup();
  const ArtHandle a = doc.newPath(group);
  const ArtHandle b = doc.newOtherArt(group);
  const auto& art = Table<ArtSuite>(h);
  std::int16_t type = 0;
  ArtHandle next = nullptr;
  ASSERT_EQ(art.GetArtType(b, &type), 0);
  EXPECT_EQ(type, host::kArtOther);
  ASSERT_EQ(art.GetArtFirstChild(group, &next), 0);
  EXPECT_EQ(next, a);
  ASSERT_EQ(art.GetArtSibling(a, &next), 0);
  EXPECT_EQ(next, b);
  ASSERT_EQ(art.GetArtSibling(b, &next), 0);
  EXPECT_EQ(next, nullptr);
  EXPECT_EQ(art.GetArtType(reinterpret_cast<ArtHandle>(std::uintptr_t{999}), &type), host::kBadParameter);
}

TEST_F(Suites, PathStyleRoundTripsThroughTheSuite) {
  const ArtHandle path = h.document().newPath();
  const auto& ps = Table<PathStyleSuite>(h);
  HostPathStyle style = host::MakePathStyle(host::RgbColor(1, 0, 0), std::nullopt);
  style.strokeAttributes[100] = 42;
  ASSERT_EQ(ps.SetPathStyle(path, &style), 0);
  HostPathStyle back;
  std::memset(&back, 0xFF, sizeof back);
  HostBoolean advanced = 7;
  ASSERT_EQ(ps.GetPathStyle(path, &back, &advanced), 0);
  EXPECT_EQ(std::memcmp(&back, &style, sizeof style), 0);
  EXPECT_EQ(h.document().styleWrites(path), 1u);
}

TEST_F(Suites, GradientSuiteReadsAndWritesStops) {
  const auto& g = Table<GradientSuite>(h);
  GradientHandle grad = nullptr;
  ASSERT_EQ(g.NewGradient(&grad), 0);
  std::int16_t count = 0;
  ASSERT_EQ(g.GetGradientStopCount(grad, &count), 0);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(g.SetGradientType(grad, host::kGradientRadial), 0);
  EXPECT_NE(g.SetGradientType(grad, 5), 0);
  std::int16_t type = 0;
  ASSERT_EQ(g.GetGradientType(grad, &type), 0);
  EXPECT_EQ(type, host::kGradientRadial);
  const HostGradientStop red = host::MakeStop(50, host::RgbColor(1, 0, 0), 40, 0.5);
  ASSERT_EQ(g.InsertGradientStop(grad, 1, &red), 0);
  HostGradientStop back{};
  ASSERT_EQ(g.GetNthGradientStop(grad, 1, &back), 0);
  EXPECT_EQ(std::memcmp(&back, &red, sizeof red), 0);
  EXPECT_NE(g.GetNthGradientStop(grad, 3, &back), 0);
  EXPECT_NE(g.GetNthGradientStop(grad, -1, &back), 0);
  EXPECT_NE(g.InsertGradientStop(grad, 4, &red), 0);
  back.rampPoint = 60;
  ASSERT_EQ(g.SetNthGradientStop(grad, 1, &back), 0);
  EXPECT_DOUBLE_EQ(h.document().stop(grad, 1)->rampPoint, 60.0);
}

TEST_F(Suites, GradientGrowsToTheLargestRewriteAndRefusesToWrap) {
  h.setRecording(false);
  const auto& g = Table<GradientSuite>(h);
  GradientHandle grad = nullptr;
  ASSERT_EQ(g.NewGradient(&grad), 0);
  HostGradientStop stop = host::MakeStop(0, host::RgbColor(0, 0, 0));
  for (int i = 2; i < 32765; ++i) {
    stop.opacity = i;  // a mark to find the stop again
    ASSERT_EQ(g.InsertGradientStop(grad, 1, &stop), 0) << i;
  }
  std::int16_t count = 0;
  ASSERT_EQ(g.GetGradientStopCount(grad, &count), 0);
  EXPECT_EQ(count, 32765);
  HostGradientStop back{};
  ASSERT_EQ(g.GetNthGradientStop(grad, 1, &back), 0);
  EXPECT_DOUBLE_EQ(back.opacity, 32764.0) << "the latest insert sits at index 1";
  ASSERT_EQ(g.GetNthGradientStop(grad, 32763, &back), 0);
  EXPECT_DOUBLE_EQ(back.opacity, 2.0);
  ASSERT_EQ(g.InsertGradientStop(grad, 1, &stop), 0);
  ASSERT_EQ(g.InsertGradientStop(grad, 1, &stop), 0);
  EXPECT_EQ(g.InsertGradientStop(grad, 1, &stop), host::kTooManyStops);
  ASSERT_EQ(g.GetGradientStopCount(grad, &count), 0);
  EXPECT_EQ(count, 32767);
}

}  // namespace
