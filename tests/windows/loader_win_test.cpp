// The Windows stand-in host's loader: it reads the PiPL first, as Illustrator
// does, and loads only what declares itself an Illustrator plug-in.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "host/loader.hpp"

namespace {

std::filesystem::path ProgramDirectory() {
  std::wstring buffer(32768, L'\0');
  buffer.resize(GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())));
  return std::filesystem::path(buffer).parent_path();
}

std::string Probe(const char* name) { return (ProgramDirectory() / "loader_probes" / name).string(); }

struct ProbeCase {
  const char* name;
  const char* file;
  bool loads;
  std::int32_t entryAnswer;      // what the resolved entry returns (loads only)
  const char* problemFragment;   // part of the refusal (refusals only)
};

void PrintTo(const ProbeCase& c, std::ostream* out) { *out << c.name; }

class WindowsLoader : public testing::TestWithParam<ProbeCase> {};

TEST_P(WindowsLoader, FollowsThePipl) {
  const ProbeCase& c = GetParam();
  auto loader = host::MakeNativeLoader();
  host::LoadedModule module;
  std::string error;
  const bool opened = loader->open(Probe(c.file), module, error);
  ASSERT_EQ(opened, c.loads) << error;
  if (c.loads) {
    ASSERT_NE(module.entry, nullptr);
    EXPECT_EQ(module.entry("SP Interface", "Startup", nullptr), c.entryAnswer);
    EXPECT_TRUE(loader->isResident(module.path));
    ASSERT_TRUE(loader->close(module, error)) << error;
  } else {
    EXPECT_EQ(module.native, nullptr);
    EXPECT_EQ(module.entry, nullptr);
    EXPECT_NE(error.find(c.problemFragment), std::string::npos) << error;
    EXPECT_FALSE(loader->isResident(Probe(c.file))) << "a refused file must not be loaded";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Probes, WindowsLoader,
    testing::Values(ProbeCase{"PluginPipl", "with_pipl.dll", true, 101, ""},
                    ProbeCase{"EntryNamedByThePipl", "alternate_entry.dll", true, 202, ""},
                    ProbeCase{"NoPipl", "no_pipl.dll", false, 0, "no PiPL"},
                    ProbeCase{"OtherHostsKind", "other_host.dll", false, 0, "SPEA"},
                    ProbeCase{"NoCodeDescriptor", "no_entry.dll", false, 0, "code descriptor"},
                    ProbeCase{"MissingFile", "absent.dll", false, 0, "refusing"}),
    [](const testing::TestParamInfo<ProbeCase>& info) { return std::string(info.param.name); });

TEST(WindowsLoaderUnload, FreesTheLibraryAndKeepsItsAddressesReserved) {
  auto loader = host::MakeNativeLoader();
  host::LoadedModule module;
  std::string error;
  ASSERT_TRUE(loader->open(Probe("with_pipl.dll"), module, error)) << error;
  const std::string path = module.path;
  const auto* code = reinterpret_cast<const void*>(module.entry);
  ASSERT_TRUE(loader->close(module, error)) << error;
  EXPECT_EQ(module.native, nullptr);
  EXPECT_FALSE(loader->isResident(path));

  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(VirtualQuery(code, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_RESERVE));
  EXPECT_EQ(info.AllocationProtect, static_cast<DWORD>(PAGE_NOACCESS));

  ASSERT_TRUE(loader->open(path, module, error)) << "a reload after FreeLibrary: " << error;
  EXPECT_NE(reinterpret_cast<const void*>(module.entry), code) << "the new copy lies elsewhere";
  EXPECT_EQ(module.entry("SP Interface", "Startup", nullptr), 101);
  EXPECT_TRUE(loader->close(module, error)) << error;
}

TEST(WindowsLoaderUnload, ClosingNothingIsAnError) {
  auto loader = host::MakeNativeLoader();
  host::LoadedModule module;
  std::string error;
  EXPECT_FALSE(loader->close(module, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
