// The host's loader and message lifecycle against a minimal probe plug-in.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/host.hpp"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

struct WhereMessage {
  hostapi::PluginMessage d;
  std::uint64_t entry;
  std::uint64_t messages;
};

WhereMessage Where(host::Host& h) {
  WhereMessage m{};
  EXPECT_EQ(h.send("Probe", "Where", m), 0);
  return m;
}

#if defined(_WIN32)
// The memory that contains `address`, described like a line of Linux's
// /proc/self/maps: "---p" for reserved, inaccessible pages, otherwise the
// protection and the file of the module there.
std::string MappingAt(std::uintptr_t address) {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) == 0 || info.State == MEM_FREE) {
    return "unmapped";
  }
  if (info.State == MEM_RESERVE) return info.AllocationProtect == PAGE_NOACCESS ? "---p" : "reserved";
  std::string perms = (info.Protect & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE)) ? "r-xp" : "rw-p";
  HMODULE module = nullptr;
  wchar_t name[MAX_PATH] = {};
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(address), &module) &&
      GetModuleFileNameW(module, name, MAX_PATH) > 0) {
    perms += " " + std::filesystem::path(name).string();
  }
  return perms;
}
#else
// The mapping of /proc/self/maps that contains `address`: its permissions and file name.
std::string MappingAt(std::uintptr_t address) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    unsigned long begin = 0, end = 0;
    char perms[8] = {};
    if (std::sscanf(line.c_str(), "%lx-%lx %7s", &begin, &end, perms) != 3) continue;
    if (address >= begin && address < end) {
      const auto slash = line.find('/');
      return std::string(perms) + (slash == std::string::npos ? "" : " " + line.substr(slash));
    }
  }
  return "unmapped";
}
#endif

TEST(HostLoader, RefusesAFileThatIsNoPlugin) {
  host::Host h;
  EXPECT_THROW(h.load("/nonexistent/plugin.so"), host::HostError);
  EXPECT_FALSE(h.isLoaded());
  EXPECT_EQ(h.shutdown(), host::kNoPlugin);
}

TEST(HostLoader, OneHostAtATime) {
  host::Host h;
  EXPECT_THROW(host::Host second, host::HostError);
  EXPECT_EQ(host::Host::active(), &h);
}

TEST(HostLifecycle, StartupKeepsTheObjectSlotAndShutdownEmptiesIt) {
  host::Host h(host::HostOptions::ForPlugin(EVENHUE_PROBE_PLUGIN));
  ASSERT_EQ(h.startup(), 0);
  EXPECT_NE(h.objectSlot(), nullptr);
  EXPECT_EQ(h.held(hostapi::UserSuite::kName), 1);
  EXPECT_EQ(Where(h).messages, 2u) << "the object came back with the second message";
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.objectSlot(), nullptr);
  EXPECT_EQ(h.totalHeld(), 0);
}

TEST(HostLifecycle, UnloadUnmapsAndReloadRunsACopyAtAnotherPath) {
  host::Host h(host::HostOptions::ForPlugin(EVENHUE_PROBE_PLUGIN));
  ASSERT_EQ(h.startup(), 0);
  void* const object = h.objectSlot();
  const auto before = Where(h);
  const std::string firstPath = h.loadedPath();
  EXPECT_TRUE(h.loader().isResident(firstPath));
  EXPECT_NE(MappingAt(before.entry).find(std::filesystem::path(firstPath).filename().string()), std::string::npos);

  ASSERT_EQ(h.unload(), 0);
  EXPECT_FALSE(h.isLoaded());
  EXPECT_FALSE(h.loader().isResident(firstPath)) << "the library stayed mapped after closing";
  EXPECT_EQ(MappingAt(before.entry).rfind("---p", 0), 0u)
      << "the old code's addresses are kept inaccessible: " << MappingAt(before.entry);
  EXPECT_EQ(h.totalHeld(), 0);
  EXPECT_EQ(h.objectSlot(), object) << "the host keeps the slot across the unload";

  ASSERT_EQ(h.reload(), 0);
  EXPECT_NE(h.loadedPath(), firstPath);
  EXPECT_TRUE(std::filesystem::exists(h.loadedPath()));
  EXPECT_EQ(h.held(hostapi::UserSuite::kName), 1);
  const auto after = Where(h);
  EXPECT_NE(after.entry, before.entry) << "the copy is mapped elsewhere";
  EXPECT_EQ(after.messages, before.messages + 3) << "the same object answered (Unload, Reload, Where)";

  ASSERT_EQ(h.unload(), 0);
  ASSERT_EQ(h.reload(), 0) << "a second round trip";
  ASSERT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.totalHeld(), 0);
}

TEST(HostLifecycle, ReloadCopiesAreRemovedWithTheHost) {
  std::string copy;
  {
    host::Host h(host::HostOptions::ForPlugin(EVENHUE_PROBE_PLUGIN));
    ASSERT_EQ(h.startup(), 0);
    ASSERT_EQ(h.unload(), 0);
    ASSERT_EQ(h.reload(), 0);
    copy = h.loadedPath();
    EXPECT_TRUE(std::filesystem::exists(copy));
  }
  EXPECT_FALSE(std::filesystem::exists(copy));
}

TEST(HostLifecycle, DestroyingTheHostShutsARunningPluginDown) {
  // Under the leak checker this also proves the probe's object was freed.
  host::Host h(host::HostOptions::ForPlugin(EVENHUE_PROBE_PLUGIN));
  ASSERT_EQ(h.startup(), 0);
  EXPECT_NE(h.objectSlot(), nullptr);
}

TEST(HostLifecycle, WithheldSuiteFailsTheStartup) {
  host::Host h(host::HostOptions::ForPlugin(EVENHUE_PROBE_PLUGIN));
  h.withholdSuite(hostapi::UserSuite::kName, hostapi::FourCC("GONE"));
  EXPECT_EQ(h.startup(), hostapi::FourCC("GONE"));
  EXPECT_EQ(h.objectSlot(), nullptr);
}

TEST(HostLifecycle, SendFillsTheHeaderAndSendRawDoesNot) {
  host::Host h(host::HostOptions::ForPlugin(EVENHUE_PROBE_PLUGIN));
  ASSERT_EQ(h.startup(), 0);
  const hostapi::PluginMessage header = h.header();
  EXPECT_EQ(header.pluginRef, h.pluginRef());
  EXPECT_EQ(header.basicSuite, h.basicSuite());
  EXPECT_EQ(header.objectSlot, h.objectSlot());
  WhereMessage raw{};
  raw.d = h.header();
  raw.d.objectSlot = nullptr;
  EXPECT_EQ(h.sendRaw("Probe", "Where", &raw), 0);
  EXPECT_EQ(raw.entry, 0u) << "without its object the probe answers nothing";
  EXPECT_NE(h.objectSlot(), nullptr);
  ASSERT_EQ(h.shutdown(), 0);
}

}  // namespace
