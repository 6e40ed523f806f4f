#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "framework/plugin.hpp"
#include "framework/suite_slots.hpp"
#include "framework/suite_table.hpp"
#include "tests/framework/probe.hpp"
#include "tests/framework/shell_on_host.hpp"

namespace {

// An operation of the stand-in host, as its recorder names it.
struct Operation {
  const char* suite;
  std::int32_t entry;
};
using hostapi::EntryAt;
constexpr Operation kAcquirePlugin{hostapi::AccessSuite::kName, EntryAt(offsetof(hostapi::AccessSuite, AcquirePlugin))};
constexpr Operation kReleasePlugin{hostapi::AccessSuite::kName, EntryAt(offsetof(hostapi::AccessSuite, ReleasePlugin))};

class PluginBaseTest : public ::testing::Test, protected probe::ShellOnHost {
 protected:
  // A message header addressed to `plugin`.
  hostapi::PluginMessage header(Plugin* plugin) const {
    hostapi::PluginMessage message = host.header();
    message.objectSlot = plugin;
    return message;
  }
  int callsOf(Operation op) const { return static_cast<int>(host.recorder().callCount(op.suite, op.entry)); }
};

TEST_F(PluginBaseTest, ConstructorSetsTheInitialFields) {
  Plugin plugin(host.pluginRef());
  EXPECT_EQ(plugin.pluginRef, host.pluginRef());
  EXPECT_STREQ(plugin.name, "Plugin");
  EXPECT_EQ(plugin.suites, nullptr);
  EXPECT_EQ(plugin.holdCount, 0);
  EXPECT_EQ(plugin.accessRef, nullptr);
  EXPECT_EQ(plugin.lastErrorCode, 0);
  EXPECT_EQ(plugin.errorRepeatSeconds, 5);
  EXPECT_EQ(plugin.suppressRepeats, 1);
  EXPECT_EQ(plugin.lastErrorTime, 0);
  EXPECT_EQ(plugin.appStartedNotifier, nullptr);
  EXPECT_EQ(plugin.appShutdownNotifier, nullptr);
}

struct CopyNameCase {
  const char* label;
  std::size_t length;
  std::string copied;
  std::size_t returned;
};
void PrintTo(const CopyNameCase& c, std::ostream* os) { *os << c.label; }

class CopyNameTest : public ::testing::TestWithParam<CopyNameCase> {};

TEST_P(CopyNameTest, CopiesAtMostLengthCharacters) {
  const CopyNameCase& c = GetParam();
  Plugin plugin(nullptr);
  std::strcpy(plugin.name, "Evenhue");
  char buffer[32];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(plugin.copyName(buffer, c.length), c.returned);
  EXPECT_EQ(std::string(buffer), c.copied);
  EXPECT_EQ(buffer[c.copied.size() + 1], '#') << "nothing written past the terminator";
}

INSTANTIATE_TEST_SUITE_P(Lengths, CopyNameTest,
                         ::testing::Values(CopyNameCase{"Roomy", 20, "Evenhue", 7}, CopyNameCase{"Exact", 7, "Evenhue", 7},
                                           CopyNameCase{"Short", 3, "Eve", 3}, CopyNameCase{"Zero", 0, "", 0}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CopyBoundedTest, NeverPassesTheBuffer) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  CopyBounded(buffer, 4, "Evenhue");
  EXPECT_STREQ(buffer, "Eve");
  EXPECT_EQ(buffer[4], '#');
  CopyBounded(buffer, 8, nullptr);
  EXPECT_STREQ(buffer, "");
}

TEST_F(PluginBaseTest, HoldAccessCountsAndCallsTheHostOnlyAtTheEdges) {
  slots::Slot<hostapi::AccessSuite>().table = host.suiteTable(hostapi::AccessSuite::kName);
  Plugin plugin(host.pluginRef());
  struct Step {
    std::int32_t flag;
    std::int32_t count;
    int acquires;
    int releases;
    bool holdsReference;
  };
  const Step steps[] = {
      {1, 1, 1, 0, true}, {1, 2, 1, 0, true}, {0, 1, 1, 0, true},
      {0, 0, 1, 1, false}, {0, 0, 1, 1, false}, {1, 1, 2, 1, true},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(plugin.holdAccess(step.flag), 0);
    EXPECT_EQ(plugin.holdCount, step.count);
    EXPECT_EQ(callsOf(kAcquirePlugin), step.acquires);
    EXPECT_EQ(callsOf(kReleasePlugin), step.releases);
    EXPECT_EQ(plugin.accessRef != nullptr, step.holdsReference);
  }
}

TEST_F(PluginBaseTest, ALongNameIsCutToFitTheNotifierBuffers) {
  Plugin plugin(host.pluginRef());
  std::memset(plugin.name, 'n', Plugin::kNameSize - 1);
  plugin.name[Plugin::kNameSize - 1] = '\0';
  hostapi::PluginMessage message = header(&plugin);
  ASSERT_EQ(plugin.startUp(&message), 0);
  ASSERT_EQ(host.notifiers().size(), 2u);
  EXPECT_EQ(host.notifiers()[0].name, std::string(234, 'n') + " App Started Notifier");
  EXPECT_EQ(host.notifiers()[1].name, std::string(225, 'n') + " Application Shutdown Notifier");
  plugin.releaseSuites();
}

TEST_F(PluginBaseTest, AReloadWhileHoldingClaimsSoleUseOfTheTable) {
  // A reloaded image starts with the process-wide count at 0 while the object
  // still holds its table: the reload makes that table the suites' one user
  // again, so a second user shares the suites instead of acquiring them anew.
  Plugin plugin(host.pluginRef());
  hostapi::PluginMessage message = header(&plugin);
  ASSERT_EQ(plugin.startUp(&message), 0);
  SuiteTable::resetUseCount();
  ASSERT_EQ(plugin.reload(&message), 0);
  EXPECT_EQ(SuiteTable::useCount(), 1);
  const std::size_t acquired = acquisitions().size();
  SuiteTable* second = new (std::nothrow) SuiteTable();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(acquisitions().size(), acquired) << "the second user shares what the table holds";
  delete second;
  plugin.shutDown(&message);
  EXPECT_EQ(host.totalHeld(), 0);
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__aarch64__))
// In the Itanium C++ ABI a pointer to a virtual member holds 1 + its offset in
// the virtual table, which shows the declaration order of the operations.
template <class F>
std::ptrdiff_t VtableOffset(F member) {
  static_assert(sizeof(F) == 2 * sizeof(std::ptrdiff_t));
  std::ptrdiff_t words[2];
  std::memcpy(words, &member, sizeof words);
  return words[0] - 1;
}

TEST(PluginVirtualOrder, OperationsSitInTheFrameworkOrder) {
  const std::ptrdiff_t offsets[] = {
      VtableOffset(&Plugin::reportError),
      VtableOffset(&Plugin::holdAccess),
      VtableOffset(&Plugin::startUp),
      VtableOffset(&Plugin::afterApplicationStarted),
      VtableOffset(&Plugin::beforeApplicationShutdown),
      VtableOffset(&Plugin::shutDown),
      VtableOffset(&Plugin::unload),
      VtableOffset(&Plugin::reload),
      VtableOffset(&Plugin::acquireProperty),
      VtableOffset(&Plugin::releaseProperty),
      VtableOffset(&Plugin::copyName),
      VtableOffset(&Plugin::purge),
      VtableOffset(&Plugin::dispatch),
      VtableOffset(&Plugin::setInstance),
      VtableOffset(&Plugin::startUpHook),
      VtableOffset(&Plugin::afterLoadHook),
      VtableOffset(&Plugin::beforeUnloadHook),
      VtableOffset(&Plugin::acquireOptionalSuites),
      VtableOffset(&Plugin::onNotify),
      VtableOffset(&Plugin::onDoAction),
      VtableOffset(&Plugin::onMenuGo),
      VtableOffset(&Plugin::onMenuUpdate),
      VtableOffset(&Plugin::onFilterGetParameters),
      VtableOffset(&Plugin::onFilterGo),
      VtableOffset(&Plugin::onPluginGroupNotifyEdits),
      VtableOffset(&Plugin::onPluginGroupUpdate),
      VtableOffset(&Plugin::onFileFormatGetParameters),
      VtableOffset(&Plugin::onFileFormatGo),
      VtableOffset(&Plugin::onFileFormatCheck),
      VtableOffset(&Plugin::onFileFormatUpdate),
      VtableOffset(&Plugin::onFileFormatDoAction),
      VtableOffset(&Plugin::onToolEditOptions),
      VtableOffset(&Plugin::onToolTrackCursor),
      VtableOffset(&Plugin::onToolMouseDown),
      VtableOffset(&Plugin::onToolMouseDrag),
      VtableOffset(&Plugin::onToolMouseUp),
      VtableOffset(&Plugin::onToolSelect),
      VtableOffset(&Plugin::onToolDeselect),
      VtableOffset(&Plugin::onToolReselect),
      VtableOffset(&Plugin::onToolDecreaseDiameter),
      VtableOffset(&Plugin::onToolIncreaseDiameter),
      VtableOffset(&Plugin::onLiveEffectEditParameters),
      VtableOffset(&Plugin::onLiveEffectGoLive),
      VtableOffset(&Plugin::onLiveEffectInterpolateParameters),
      VtableOffset(&Plugin::onLiveEffectInputType),
      VtableOffset(&Plugin::onLiveEffectConvertColorSpace),
      VtableOffset(&Plugin::onLiveEffectScaleParameters),
      VtableOffset(&Plugin::onLiveEffectAdjustColors),
      VtableOffset(&Plugin::onLiveEffectHandleMerge),
      VtableOffset(&Plugin::onTimerGo),
      VtableOffset(&Plugin::onClipboardGo),
      VtableOffset(&Plugin::onClipboardCanCopy),
      VtableOffset(&Plugin::onClipboardClone),
      VtableOffset(&Plugin::onClipboardDispose),
      VtableOffset(&Plugin::onWorkspaceWrite),
      VtableOffset(&Plugin::onWorkspaceRestore),
      VtableOffset(&Plugin::onWorkspaceDefault),
  };
  // Two slots for the virtual destructor come first.
  const std::ptrdiff_t slot = static_cast<std::ptrdiff_t>(sizeof(void*));
  EXPECT_EQ(offsets[0], 2 * slot);
  for (std::size_t i = 1; i < std::size(offsets); ++i) EXPECT_EQ(offsets[i], offsets[i - 1] + slot) << i;
}
#endif

}  // namespace
