// The extension-bridge loader against the stand-in host's own folder and
// file path services, on the system's real loader.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/host.hpp"
#include "framework/suite_slots.hpp"
#include "support/extension_bridge.hpp"
#include "tests/bridge/stub_results.hpp"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

namespace fs = std::filesystem;

fs::path ProgramDirectory() {
#if defined(_WIN32)
  std::wstring buffer(32768, L'\0');
  buffer.resize(GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())));
  return fs::path(buffer).parent_path();
#else
  return fs::read_symlink("/proc/self/exe").parent_path();
#endif
}

class BridgeThroughHost : public testing::Test {
 protected:
  void SetUp() override {
    slots::Slot<hostapi::UnicodeStringSuite>().table = h.suiteTable(hostapi::UnicodeStringSuite::kName);
    slots::Slot<hostapi::FilePathSuite>().table = h.suiteTable(hostapi::FilePathSuite::kName);
    folders = static_cast<const hostapi::FoldersSuite*>(h.suiteTable(hostapi::FoldersSuite::kName));
    ASSERT_TRUE(slots::Slot<hostapi::UnicodeStringSuite>() && slots::Slot<hostapi::FilePathSuite>() &&
                folders != nullptr);
  }

  void TearDown() override {
    EXPECT_EQ(UnloadExtensionBridge(bridge), 0);
    slots::Slot<hostapi::UnicodeStringSuite>().table = nullptr;
    slots::Slot<hostapi::FilePathSuite>().table = nullptr;
    EXPECT_EQ(h.liveStrings(), 0u);
    EXPECT_EQ(h.liveFilePaths(), 0u);
  }

  hostapi::ResultCode LoadFrom(const char* folder) {
    h.setFolder(0, (ProgramDirectory() / "bridge" / folder).string());
    return LoadExtensionBridge(bridge, folders);
  }

  host::Host h;
  const hostapi::FoldersSuite* folders = nullptr;
  ExtensionBridge bridge;
};

TEST_F(BridgeThroughHost, LoadsTheCompleteLibrary) {
  ASSERT_EQ(LoadFrom("full"), 0);
  EXPECT_NE(bridge.module, nullptr);
  EXPECT_EQ(bridge.DispatchEvent(42), bridgestub::Result1(bridgestub::kDispatchBase, 42));
  EXPECT_EQ(bridge.AddEventListener(7, 8, 9), bridgestub::Result3(bridgestub::kAddBase, 7, 8, 9));
}

TEST_F(BridgeThroughHost, LibraryWithoutDispatchIsCantButStaysLoaded) {
  EXPECT_EQ(LoadFrom("partial"), hostapi::kCantHappen);
  EXPECT_NE(bridge.module, nullptr);
  EXPECT_NE(bridge.removeEventListener, nullptr);
  EXPECT_EQ(bridge.dispatchEvent, nullptr);
}

TEST_F(BridgeThroughHost, FolderWithoutTheLibraryIsCant) {
  EXPECT_EQ(LoadFrom("empty"), hostapi::kCantHappen);
  EXPECT_EQ(bridge.module, nullptr);
}

TEST_F(BridgeThroughHost, FileThatIsNoLibraryIsCant) {
  EXPECT_EQ(LoadFrom("notalib"), hostapi::kCantHappen);
  EXPECT_EQ(bridge.module, nullptr);
}

}  // namespace
