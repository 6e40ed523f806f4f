// The reload constructor may change the dispatch pointer and the two
// application notifier handles, and no other byte of the object.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "plugin/evenhue_plugin.hpp"
#include "framework/plugin_object.hpp"

namespace {

struct ByteRange {
  std::size_t begin;
  std::size_t end;
};

std::size_t OffsetIn(const void* object, const void* field) {
  return static_cast<std::size_t>(static_cast<const unsigned char*>(field) - static_cast<const unsigned char*>(object));
}

TEST(ReseatTest, OnlyTheDispatchPointerAndTheNotifierHandlesChange) {
  Plugin* object = createPluginObject(reinterpret_cast<hostapi::PluginRef>(std::uintptr_t{0x1234}));
  ASSERT_NE(object, nullptr);
  Plugin* fresh = createPluginObject(nullptr);
  ASSERT_NE(fresh, nullptr);
  auto* plugin = static_cast<EvenhuePlugin*>(object);

  const std::size_t size = sizeof(EvenhuePlugin);
  const std::size_t vptr = sizeof(void*);
  const ByteRange changing[] = {
      {0, vptr},
      {OffsetIn(plugin, &plugin->appStartedNotifier), OffsetIn(plugin, &plugin->appStartedNotifier) + sizeof(void*)},
      {OffsetIn(plugin, &plugin->appShutdownNotifier), OffsetIn(plugin, &plugin->appShutdownNotifier) + sizeof(void*)},
  };

  // Every byte gets a distinct value, padding included, and the dispatch
  // pointer is made stale as after the library moved.
  auto* bytes = reinterpret_cast<unsigned char*>(object);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
  std::vector<unsigned char> before(bytes, bytes + size);

  reseatPluginObject(object);

  for (std::size_t i = 0; i < size; ++i) {
    bool mayChange = false;
    for (const ByteRange& range : changing) mayChange |= i >= range.begin && i < range.end;
    if (!mayChange) {
      EXPECT_EQ(bytes[i], before[i]) << "byte " << i << " of " << size;
    }
  }
  EXPECT_EQ(plugin->appStartedNotifier, nullptr);
  EXPECT_EQ(plugin->appShutdownNotifier, nullptr);
  EXPECT_EQ(std::memcmp(bytes, fresh, vptr), 0) << "dispatch is the plug-in class's again";

  // The object answers through its re-seated dispatch.
  plugin->name[0] = 'Q';
  plugin->name[1] = '\0';
  char name[4];
  EXPECT_EQ(object->copyName(name, 3), 1u);
  EXPECT_STREQ(name, "Q");

  delete object;
  delete fresh;
}

TEST(ReseatTest, TheFeatureFieldsSurviveAndTheNameStays) {
  Plugin* object = createPluginObject(nullptr);
  ASSERT_NE(object, nullptr);
  auto* plugin = static_cast<EvenhuePlugin*>(object);
  plugin->liveEffect = reinterpret_cast<hostapi::LiveEffectHandle>(std::uintptr_t{0xE1});
  plugin->applyNotifier = reinterpret_cast<hostapi::NotifierHandle>(std::uintptr_t{0xE2});
  plugin->aboutItem = reinterpret_cast<hostapi::MenuItemHandle>(std::uintptr_t{0xE3});
  plugin->holdCount = 2;
  plugin->appStartedNotifier = reinterpret_cast<hostapi::NotifierHandle>(std::uintptr_t{0xE4});
  reseatPluginObject(object);
  EXPECT_EQ(plugin->liveEffect, reinterpret_cast<hostapi::LiveEffectHandle>(std::uintptr_t{0xE1}));
  EXPECT_EQ(plugin->applyNotifier, reinterpret_cast<hostapi::NotifierHandle>(std::uintptr_t{0xE2}));
  EXPECT_EQ(plugin->aboutItem, reinterpret_cast<hostapi::MenuItemHandle>(std::uintptr_t{0xE3}));
  EXPECT_EQ(plugin->holdCount, 2);
  EXPECT_EQ(plugin->appStartedNotifier, nullptr);
  EXPECT_STREQ(plugin->name, "Evenhue");
  delete object;
}

TEST(EvenhuePluginTest, ConstructorNamesThePlugin) {
  EvenhuePlugin plugin(reinterpret_cast<hostapi::PluginRef>(std::uintptr_t{0x99}));
  EXPECT_STREQ(plugin.name, "Evenhue");
  EXPECT_EQ(plugin.aboutItem, nullptr);
  EXPECT_EQ(plugin.pluginRef, reinterpret_cast<hostapi::PluginRef>(std::uintptr_t{0x99}));
  EXPECT_EQ(plugin.errorRepeatSeconds, 5);
}

}  // namespace
