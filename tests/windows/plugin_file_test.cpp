// Checks of the built plug-in file: what Illustrator and Windows see of it
// before any of its code runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/windows/pe_image.hpp"
#include "tests/windows/pipl_bytes.hpp"
#include "windows/pipl.hpp"

namespace {

std::filesystem::path BinaryDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  return std::filesystem::path(buffer).parent_path();
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class PluginFile : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto bytes = ReadFile(BinaryDirectory() / EVENHUE_PLUGIN_FILE_NAME);
    ASSERT_FALSE(bytes.empty()) << "cannot read " << EVENHUE_PLUGIN_FILE_NAME;
    std::string error;
    image_ = new std::optional<petest::PeImage>(petest::PeImage::Parse(bytes, error));
    ASSERT_TRUE(image_->has_value()) << error;
  }
  static void TearDownTestSuite() {
    delete image_;
    image_ = nullptr;
  }
  const petest::PeImage& image() const { return **image_; }

  static std::optional<petest::PeImage>* image_;
};
std::optional<petest::PeImage>* PluginFile::image_ = nullptr;

TEST_F(PluginFile, IsA64BitDll) {
  EXPECT_EQ(image().machine(), petest::kMachineAmd64);
  EXPECT_NE(image().characteristics() & petest::kFileIsDll, 0);
}

TEST_F(PluginFile, ExportsPluginMainAlone) {
  EXPECT_EQ(image().exportedFunctionCount(), 1u);
  EXPECT_EQ(image().exportNames(), std::vector<std::string>{"PluginMain"});
}

// DLLs that every 64-bit Windows installation ships.
const std::set<std::string> kSystemDlls = {
    "kernel32.dll", "user32.dll",   "gdi32.dll",  "advapi32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "msvcrt.dll",   "ntdll.dll",  "shlwapi.dll",  "ws2_32.dll",  "bcrypt.dll",
    "ucrtbase.dll", "comdlg32.dll", "mscms.dll",  "version.dll"};

TEST_F(PluginFile, ImportsOnlyDllsThatWindowsShips) {
  ASSERT_FALSE(image().importedDlls().empty());
  for (const std::string& dll : image().importedDlls()) {
    const std::string name = Lower(dll);
    const bool apiSet = name.rfind("api-ms-win-", 0) == 0;
    EXPECT_TRUE(apiSet || kSystemDlls.count(name) == 1) << dll << " is not part of Windows";
  }
}

TEST_F(PluginFile, NeedsNoCompilerRuntimeDll) {
  for (const std::string& dll : image().importedDlls()) {
    const std::string name = Lower(dll);
    for (const char* runtime : {"libstdc++", "libgcc", "libwinpthread", "libssp"}) {
      EXPECT_EQ(name.find(runtime), std::string::npos) << dll;
    }
  }
}

TEST_F(PluginFile, CarriesThePiplAsDesigned) {
  using petest::CodeData;
  using petest::CStringData;
  const auto expected = petest::PiplBytes({
      {"ADBE", "kind", CodeData("SPEA")},
      {"ADBE", "ivrs", petest::Le32Data(2)},
      {"ADBE", "wx86", CStringData("PluginMain")},
      {"ADBE", "8664", CStringData("PluginMain")},
      {"ADBE", "pinm", CStringData("Evenhue")},
  });
  const auto pipl = image().Resource("PiPL", winres::kPiplResourceId);
  ASSERT_TRUE(pipl.has_value()) << "no PiPL resource with id 16000";
  EXPECT_EQ(*pipl, expected);
}

TEST_F(PluginFile, PiplPassesTheHostsCheck) {
  const auto pipl = image().Resource("PiPL", winres::kPiplResourceId);
  ASSERT_TRUE(pipl.has_value());
  const auto verdict = winres::CheckIllustratorPipl(*pipl);
  EXPECT_TRUE(verdict.loadable) << verdict.problem;
  EXPECT_EQ(verdict.entryPoint, "PluginMain");
  EXPECT_EQ(verdict.name, "Evenhue");
}

TEST_F(PluginFile, WindowsFindsThePiplByItsTypeName) {
  // The loader of the operating system, not our reader: what a host would call.
  HMODULE file = LoadLibraryExW((BinaryDirectory() / EVENHUE_PLUGIN_FILE_NAME).wstring().c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(file, nullptr);
  HRSRC found = FindResourceW(file, MAKEINTRESOURCEW(winres::kPiplResourceId), L"PiPL");
  EXPECT_NE(found, nullptr);
  if (found != nullptr) {
    EXPECT_EQ(SizeofResource(file, found), image().Resource("PiPL", winres::kPiplResourceId)->size());
  }
  FreeLibrary(file);
}

// The UTF-16 text of `text`, as the version resource stores its strings.
std::vector<std::uint8_t> Utf16(const std::string& text) {
  std::vector<std::uint8_t> out;
  for (char c : text) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0);
  }
  return out;
}

bool Contains(const std::vector<std::uint8_t>& haystack, const std::vector<std::uint8_t>& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TEST_F(PluginFile, VersionResourceNamesTheProduct) {
  constexpr std::uint16_t kVersionType = 16;
  const auto version = image().Resource(kVersionType, 1);
  ASSERT_TRUE(version.has_value());
  EXPECT_TRUE(Contains(*version, Utf16("ProductName")));
  EXPECT_TRUE(Contains(*version, Utf16("Evenhue")));
  EXPECT_TRUE(Contains(*version, Utf16("1.0.0")));

  // The fixed part: signature 0xFEEF04BD, then file version 1.0.0.0 as two
  // 32-bit halves (major << 16 | minor, patch << 16 | build).
  const std::vector<std::uint8_t> fixed = {0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00,
                                           0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_TRUE(Contains(*version, fixed));
}

// The names of the entries of a zip file, from its central directory.
std::vector<std::string> ZipEntryNames(const std::vector<std::uint8_t>& zip) {
  std::vector<std::string> names;
  auto u16 = [&](std::size_t at) { return static_cast<std::size_t>(zip[at] | (zip[at + 1] << 8)); };
  auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
  if (zip.size() < 22) return names;
  std::size_t end = zip.size() - 22;
  while (end > 0 && u32(end) != 0x06054b50) --end;
  if (u32(end) != 0x06054b50) return names;
  std::size_t at = u32(end + 16);
  for (std::size_t i = 0, count = u16(end + 10); i < count && at + 46 <= zip.size(); ++i) {
    if (u32(at) != 0x02014b50) break;
    const std::size_t nameLength = u16(at + 28);
    if (at + 46 + nameLength > zip.size()) break;
    names.emplace_back(zip.begin() + static_cast<std::ptrdiff_t>(at + 46),
                       zip.begin() + static_cast<std::ptrdiff_t>(at + 46 + nameLength));
    at += 46 + nameLength + u16(at + 30) + u16(at + 32);
  }
  return names;
}

TEST(PluginPackage, HoldsThePluginTheCommandTheInkscapeEffectAndTheInstallNote) {
  const auto zip = ReadFile(BinaryDirectory().parent_path() / EVENHUE_PACKAGE_FILE_NAME);
  ASSERT_FALSE(zip.empty()) << "cannot read " << EVENHUE_PACKAGE_FILE_NAME;
  auto names = ZipEntryNames(zip);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Evenhue_win_2025.aip", "INSTALL.txt", "evenhue-inkscape.exe",
                                             "evenhue.exe", "evenhue.inx"}));
}

}  // namespace
