#include "support/extension_bridge.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "framework/error.hpp"
#include "tests/bridge/bridge_host.hpp"
#include "tests/bridge/stub_results.hpp"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

namespace fs = std::filesystem;
using bridgetest::BridgeHost;

fs::path ProgramDirectory() {
#if defined(_WIN32)
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(length);
  return fs::path(buffer).parent_path();
#else
  return fs::read_symlink("/proc/self/exe").parent_path();
#endif
}

// Folders next to this program, made by the build: the complete stand-in
// library, the one without "PlugPlugDispatchEvent", a file of that name that
// is no library, and an empty folder.
fs::path Folder(const char* name) { return ProgramDirectory() / "bridge" / name; }
fs::path LibraryIn(const char* name) { return Folder(name) / kExtensionBridgeFileName; }

// Whether the library at `path` is loaded in this process, without loading it.
bool IsLoaded(const fs::path& path) {
#if defined(_WIN32)
  return GetModuleHandleW(path.wstring().c_str()) != nullptr;
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
#endif
}

std::int32_t Sentinel1(std::uintptr_t) { return -7; }

class ExtensionBridgeTest : public testing::Test {
 protected:
  void TearDown() override {
    UnloadExtensionBridge(bridge);
    EXPECT_EQ(host.liveStrings(), 0) << "host strings left behind";
    EXPECT_EQ(host.livePaths(), 0) << "host paths left behind";
  }

  hostapi::ResultCode Load(const char* folder) {
    host.setFolder(Folder(folder));
    return LoadExtensionBridge(bridge, host.folders());
  }

  BridgeHost host;
  ExtensionBridge bridge;
};

TEST(ExtensionBridgeRecord, StartsAllNull) {
  ExtensionBridge bridge;
  EXPECT_EQ(bridge.module, nullptr);
  EXPECT_EQ(bridge.loadExtension, nullptr);
  EXPECT_EQ(bridge.unloadExtension, nullptr);
  EXPECT_EQ(bridge.addEventListener, nullptr);
  EXPECT_EQ(bridge.removeEventListener, nullptr);
  EXPECT_EQ(bridge.dispatchEvent, nullptr);
}

TEST_F(ExtensionBridgeTest, LoadsTheCompleteLibraryFromFolderKindZero) {
  ASSERT_EQ(Load("full"), 0);
  EXPECT_EQ(host.lastFolderKind(), 0);
  EXPECT_EQ(host.lastComponent(), u"PlugPlugOwl.dll");
  EXPECT_EQ(host.lastFullPath(), bridgetest::Utf16(LibraryIn("full")));
  EXPECT_NE(bridge.module, nullptr);
  EXPECT_NE(bridge.loadExtension, nullptr);
  EXPECT_NE(bridge.unloadExtension, nullptr);
  EXPECT_NE(bridge.addEventListener, nullptr);
  EXPECT_NE(bridge.removeEventListener, nullptr);
  EXPECT_NE(bridge.dispatchEvent, nullptr);
  EXPECT_TRUE(IsLoaded(LibraryIn("full")));
  EXPECT_EQ(host.liveStrings(), 0);
  EXPECT_EQ(host.livePaths(), 0);
}

struct PassThroughCase {
  const char* name;
  std::uintptr_t a, b, c;
};

void PrintTo(const PassThroughCase& c, std::ostream* out) { *out << c.name; }

class ExtensionBridgeCalls : public ExtensionBridgeTest, public testing::WithParamInterface<PassThroughCase> {};

TEST_P(ExtensionBridgeCalls, PassArgumentsAndResultsThrough) {
  ASSERT_EQ(Load("full"), 0);
  const PassThroughCase& p = GetParam();
  using namespace bridgestub;
  EXPECT_EQ(bridge.LoadExtension(p.a), Result1(kLoadBase, p.a));
  EXPECT_EQ(bridge.UnloadExtension(p.a), Result1(kUnloadBase, p.a));
  EXPECT_EQ(bridge.AddEventListener(p.a, p.b, p.c), Result3(kAddBase, p.a, p.b, p.c));
  EXPECT_EQ(bridge.RemoveEventListener(p.a, p.b, p.c), Result3(kRemoveBase, p.a, p.b, p.c));
  EXPECT_EQ(bridge.DispatchEvent(p.c), Result1(kDispatchBase, p.c));
}

INSTANTIATE_TEST_SUITE_P(Values, ExtensionBridgeCalls,
                         testing::Values(PassThroughCase{"Zeros", 0, 0, 0}, PassThroughCase{"Small", 1, 2, 3},
                                         PassThroughCase{"Swapped", 3, 2, 1},
                                         PassThroughCase{"HighBits", std::uintptr_t{0xFFFF000000000001ull},
                                                         std::uintptr_t{0x8000000000000000ull},
                                                         std::uintptr_t{0x0000000100000000ull}}),
                         [](const testing::TestParamInfo<PassThroughCase>& info) { return info.param.name; });

TEST_F(ExtensionBridgeTest, LibraryWithoutDispatchKeepsWhatResolved) {
  bridge.dispatchEvent = Sentinel1;
  EXPECT_EQ(Load("partial"), hostapi::kCantHappen);
  EXPECT_NE(bridge.module, nullptr);
  EXPECT_TRUE(IsLoaded(LibraryIn("partial")));
  EXPECT_EQ(bridge.dispatchEvent, &Sentinel1) << "the field after the missing entry keeps its value";
  using namespace bridgestub;
  EXPECT_EQ(bridge.LoadExtension(11), Result1(kLoadBase, 11));
  EXPECT_EQ(bridge.UnloadExtension(12), Result1(kUnloadBase, 12));
  EXPECT_EQ(bridge.AddEventListener(1, 2, 3), Result3(kAddBase, 1, 2, 3));
  EXPECT_EQ(bridge.RemoveEventListener(4, 5, 6), Result3(kRemoveBase, 4, 5, 6));

  EXPECT_EQ(UnloadExtensionBridge(bridge), 0);
  EXPECT_EQ(bridge.module, nullptr);
  EXPECT_FALSE(IsLoaded(LibraryIn("partial")));
}

TEST_F(ExtensionBridgeTest, LibraryWithoutDispatchLeavesANullDispatchNull) {
  EXPECT_EQ(Load("partial"), hostapi::kCantHappen);
  EXPECT_EQ(bridge.dispatchEvent, nullptr);
  EXPECT_EQ(bridge.DispatchEvent(5), 1);
}

class FolderFailure : public ExtensionBridgeTest, public testing::WithParamInterface<hostapi::ResultCode> {};

TEST_P(FolderFailure, ReturnsTheFoldersCodeAndLoadsNothing) {
  host.failFindFolder(GetParam());
  EXPECT_EQ(Load("full"), GetParam());
  EXPECT_EQ(host.addComponentCalls(), 0);
  EXPECT_EQ(host.fullPathCalls(), 0);
  EXPECT_EQ(bridge.module, nullptr);
  EXPECT_FALSE(IsLoaded(LibraryIn("full")));
}

INSTANTIATE_TEST_SUITE_P(Codes, FolderFailure,
                         testing::Values(hostapi::FourCC("FOLD"), hostapi::kCantHappen, hostapi::kOutOfMemory,
                                         hostapi::ResultCode{-1}, hostapi::ResultCode{1}));

TEST_F(ExtensionBridgeTest, MissingFileIsCantWithoutLoading) {
  EXPECT_EQ(Load("empty"), hostapi::kCantHappen);
  EXPECT_EQ(host.existsCalls(), 1);
  EXPECT_EQ(host.fullPathCalls(), 0);
  EXPECT_EQ(bridge.module, nullptr);
}

TEST_F(ExtensionBridgeTest, FileTheHostDeniesIsNotLoadedEvenWhenPresent) {
  host.denyExists();
  EXPECT_EQ(Load("full"), hostapi::kCantHappen);
  EXPECT_EQ(bridge.module, nullptr);
  EXPECT_FALSE(IsLoaded(LibraryIn("full"))) << "the system loader was called";
}

TEST_F(ExtensionBridgeTest, FileThatIsNoLibraryIsCant) {
  EXPECT_EQ(Load("notalib"), hostapi::kCantHappen);
  EXPECT_EQ(host.fullPathCalls(), 1);
  EXPECT_EQ(bridge.module, nullptr);
  EXPECT_EQ(bridge.loadExtension, nullptr);
}

TEST_F(ExtensionBridgeTest, PathExtensionFailureThrowsItsCode) {
  host.failAddComponent(hostapi::FourCC("PATH"));
  try {
    Load("full");
    FAIL() << "no ai::Error";
  } catch (const ai::Error& error) {
    EXPECT_EQ(error.code(), hostapi::FourCC("PATH"));
  }
  EXPECT_EQ(host.existsCalls(), 0);
  EXPECT_EQ(bridge.module, nullptr);
  EXPECT_EQ(host.liveStrings(), 0);
  EXPECT_EQ(host.livePaths(), 0);
}

TEST_F(ExtensionBridgeTest, FullPathFailureThrowsItsCode) {
  host.failGetFullPath(hostapi::kOutOfMemory);
  try {
    Load("full");
    FAIL() << "no ai::Error";
  } catch (const ai::Error& error) {
    EXPECT_EQ(error.code(), hostapi::kOutOfMemory);
  }
  EXPECT_EQ(bridge.module, nullptr);
  EXPECT_FALSE(IsLoaded(LibraryIn("full")));
  EXPECT_EQ(host.liveStrings(), 0);
  EXPECT_EQ(host.livePaths(), 0);
}

TEST_F(ExtensionBridgeTest, NoFoldersSuiteIsCant) {
  EXPECT_EQ(LoadExtensionBridge(bridge, nullptr), hostapi::kCantHappen);
  EXPECT_EQ(bridge.module, nullptr);
}

TEST_F(ExtensionBridgeTest, UnloadFreesTheLibraryAndKeepsTheEntries) {
  ASSERT_EQ(Load("full"), 0);
  const BridgeEntry1 dispatch = bridge.dispatchEvent;
  EXPECT_EQ(UnloadExtensionBridge(bridge), 0);
  EXPECT_EQ(bridge.module, nullptr);
  EXPECT_EQ(bridge.dispatchEvent, dispatch);
  EXPECT_FALSE(IsLoaded(LibraryIn("full")));
  EXPECT_EQ(UnloadExtensionBridge(bridge), 0) << "a second unload has nothing to free";
}

TEST_F(ExtensionBridgeTest, LoadsAgainAfterUnloading) {
  ASSERT_EQ(Load("full"), 0);
  ASSERT_EQ(UnloadExtensionBridge(bridge), 0);
  ASSERT_EQ(Load("full"), 0);
  EXPECT_EQ(bridge.DispatchEvent(9), bridgestub::Result1(bridgestub::kDispatchBase, 9));
}

TEST(ExtensionBridgeUnload, NeverLoadedIsZero) {
  ExtensionBridge bridge;
  EXPECT_EQ(UnloadExtensionBridge(bridge), 0);
  EXPECT_EQ(bridge.module, nullptr);
}

struct DefaultCase {
  const char* name;
  std::int32_t (*call)(const ExtensionBridge&);
  std::int32_t expected;
};

void PrintTo(const DefaultCase& c, std::ostream* out) { *out << c.name; }

class GuardedCallDefaults : public testing::TestWithParam<DefaultCase> {};

TEST_P(GuardedCallDefaults, ZeroedBridgeAnswersTheDefault) {
  const ExtensionBridge bridge;
  EXPECT_EQ(GetParam().call(bridge), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, GuardedCallDefaults,
    testing::Values(
        DefaultCase{"LoadExtension", [](const ExtensionBridge& b) { return b.LoadExtension(1); }, 0},
        DefaultCase{"UnloadExtension", [](const ExtensionBridge& b) { return b.UnloadExtension(1); }, 0},
        DefaultCase{"AddEventListener", [](const ExtensionBridge& b) { return b.AddEventListener(1, 2, 3); }, 1},
        DefaultCase{"RemoveEventListener", [](const ExtensionBridge& b) { return b.RemoveEventListener(1, 2, 3); },
                    1},
        DefaultCase{"DispatchEvent", [](const ExtensionBridge& b) { return b.DispatchEvent(1); }, 1}),
    [](const testing::TestParamInfo<DefaultCase>& info) { return info.param.name; });

}  // namespace
