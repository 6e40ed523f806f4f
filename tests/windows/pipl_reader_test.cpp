#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/windows/pipl_bytes.hpp"
#include "windows/pipl.hpp"

namespace {

using petest::CodeData;
using petest::CStringData;
using petest::Le32Data;
using petest::PiplBytes;
using petest::PiplEntry;

const PiplEntry kKind{"ADBE", "kind", CodeData("SPEA")};
const PiplEntry kVersion2{"ADBE", "ivrs", Le32Data(2)};
const PiplEntry kCode64{"ADBE", "8664", CStringData("PluginMain")};
const PiplEntry kCode86{"ADBE", "wx86", CStringData("PluginMain")};
const PiplEntry kName{"ADBE", "pinm", CStringData("Evenhue")};

struct VerdictCase {
  const char* name;
  std::vector<PiplEntry> entries;
  bool loadable;
  std::string entryPoint;
  std::string pluginName;
};

void PrintTo(const VerdictCase& c, std::ostream* out) { *out << c.name; }

class PiplVerdictTest : public testing::TestWithParam<VerdictCase> {};

TEST_P(PiplVerdictTest, DecidesAsTheHostWould) {
  const VerdictCase& c = GetParam();
  const auto bytes = PiplBytes(c.entries);
  const winres::PiplVerdict verdict = winres::CheckIllustratorPipl(bytes);
  EXPECT_EQ(verdict.loadable, c.loadable) << verdict.problem;
  EXPECT_EQ(verdict.problem.empty(), c.loadable);
  EXPECT_EQ(verdict.entryPoint, c.entryPoint);
  EXPECT_EQ(verdict.name, c.pluginName);
}

INSTANTIATE_TEST_SUITE_P(
    Properties, PiplVerdictTest,
    testing::Values(
        VerdictCase{"Complete", {kKind, kVersion2, kCode86, kCode64, kName}, true, "PluginMain", "Evenhue"},
        VerdictCase{"NameIsOptional", {kKind, kVersion2, kCode64}, true, "PluginMain", ""},
        VerdictCase{"OrderDoesNotMatter", {kName, kCode64, kVersion2, kKind}, true, "PluginMain", "Evenhue"},
        VerdictCase{"X86KeyAlone", {kKind, kVersion2, {"ADBE", "wx86", CStringData("Entry86")}}, true, "Entry86", ""},
        VerdictCase{"X64KeyPreferred",
                    {kKind, kVersion2, {"ADBE", "wx86", CStringData("Entry86")}, {"ADBE", "8664", CStringData("Entry64")}},
                    true, "Entry64", ""},
        VerdictCase{"OtherHostsKind", {{"ADBE", "kind", CodeData("8BFM")}, kVersion2, kCode64}, false, "", ""},
        VerdictCase{"NoKind", {kVersion2, kCode64}, false, "", ""},
        VerdictCase{"KindFromOtherVendor", {{"BRIM", "kind", CodeData("SPEA")}, kVersion2, kCode64}, false, "", ""},
        VerdictCase{"InterfaceVersion1", {kKind, {"ADBE", "ivrs", Le32Data(1)}, kCode64}, false, "", ""},
        VerdictCase{"NoInterfaceVersion", {kKind, kCode64}, false, "", ""},
        VerdictCase{"NoCodeDescriptor", {kKind, kVersion2, kName}, false, "", ""},
        VerdictCase{"EntryWithoutNul", {kKind, kVersion2, {"ADBE", "8664", {'M', 'a', 'i', 'n'}}}, false, "", ""},
        VerdictCase{"EmptyEntryName", {kKind, kVersion2, {"ADBE", "8664", CStringData("")}}, false, "", ""},
        VerdictCase{"ShortKindData", {{"ADBE", "kind", {'A', 'E'}}, kVersion2, kCode64}, false, "", ""}),
    [](const testing::TestParamInfo<VerdictCase>& info) { return std::string(info.param.name); });

TEST(PiplParse, ReadsEveryPropertyInOrder) {
  const auto bytes = PiplBytes({kKind, kCode64, kName});
  const auto properties = winres::ParsePipl(bytes);
  ASSERT_TRUE(properties.has_value());
  ASSERT_EQ(properties->size(), 3u);
  EXPECT_EQ((*properties)[0].vendor, winres::kVendorAdobe);
  EXPECT_EQ((*properties)[0].key, winres::kKeyKind);
  EXPECT_EQ((*properties)[0].data, CodeData("SPEA"));
  EXPECT_EQ((*properties)[1].key, winres::kKeyCodeX64);
  EXPECT_EQ((*properties)[1].data.size(), 12u);
  EXPECT_EQ((*properties)[2].key, winres::kKeyName);
  EXPECT_EQ((*properties)[2].id, 0u);
}

TEST(PiplParse, FourCharCodesAreStoredReversed) {
  const auto bytes = PiplBytes({kKind});
  ASSERT_GE(bytes.size(), 18u);
  EXPECT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 14), "EBDA");
  EXPECT_EQ(winres::FourCharCode("ADBE"), 0x41444245u);
}

TEST(PiplParse, SkipsPaddingAfterAnUnalignedLength) {
  // A data length that leaves out the padding still leads to the next property.
  auto bytes = PiplBytes({{"ADBE", "8664", {'M', 'a', 'i', 'n', 0}}, kKind});
  const auto properties = winres::ParsePipl(bytes);
  ASSERT_TRUE(properties.has_value());
  ASSERT_EQ(properties->size(), 2u);
  EXPECT_EQ((*properties)[0].data.size(), 5u);
  EXPECT_EQ((*properties)[1].key, winres::kKeyKind);
}

struct MalformedCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
};

void PrintTo(const MalformedCase& c, std::ostream* out) { *out << c.name; }

std::vector<std::uint8_t> Truncated(std::size_t drop) {
  auto bytes = PiplBytes({kKind, kVersion2, kCode64});
  bytes.resize(bytes.size() - drop);
  return bytes;
}

std::vector<std::uint8_t> WithLayoutWord(std::uint8_t word) {
  auto bytes = PiplBytes({kKind, kVersion2, kCode64});
  bytes[0] = word;
  return bytes;
}

std::vector<std::uint8_t> WithCount(std::uint32_t count) {
  auto bytes = PiplBytes({kKind, kVersion2, kCode64});
  for (int i = 0; i < 4; ++i) bytes[6 + i] = static_cast<std::uint8_t>(count >> (8 * i));
  return bytes;
}

std::vector<std::uint8_t> WithFirstLength(std::uint32_t length) {
  auto bytes = PiplBytes({kKind, kVersion2, kCode64});
  for (int i = 0; i < 4; ++i) bytes[22 + i] = static_cast<std::uint8_t>(length >> (8 * i));
  return bytes;
}

class PiplMalformedTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(PiplMalformedTest, IsRefused) {
  EXPECT_FALSE(winres::ParsePipl(GetParam().bytes).has_value());
  const auto verdict = winres::CheckIllustratorPipl(GetParam().bytes);
  EXPECT_FALSE(verdict.loadable);
  EXPECT_FALSE(verdict.problem.empty());
}

INSTANTIATE_TEST_SUITE_P(Bytes, PiplMalformedTest,
                         testing::Values(MalformedCase{"Empty", {}}, MalformedCase{"HeaderOnly", {1, 0, 0, 0}},
                                         MalformedCase{"LastByteMissing", Truncated(1)},
                                         MalformedCase{"LastPropertyHeaderCut", Truncated(14)},
                                         MalformedCase{"LayoutWordZero", WithLayoutWord(0)},
                                         MalformedCase{"LayoutWordTwo", WithLayoutWord(2)},
                                         MalformedCase{"CountTooLarge", WithCount(4)},
                                         MalformedCase{"CountHuge", WithCount(0xFFFFFFFFu)},
                                         MalformedCase{"LengthPastTheEnd", WithFirstLength(0x7FFFFFF0u)}),
                         [](const testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

}  // namespace
