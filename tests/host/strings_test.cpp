#include <gtest/gtest.h>

#include <ostream>

#include <string>

#include "host/host.hpp"
#include "tests/host/suite_access.hpp"

namespace {

using hostapi::UnicodeStringRef;
using hostapi::UnicodeStringSuite;

struct Conversion {
  std::string name;
  std::string utf8;
  std::u16string utf16;
};

void PrintTo(const Conversion& value, std::ostream* out) { *out << value.name; }

class Utf8To16 : public testing::TestWithParam<Conversion> {};

TEST_P(Utf8To16, ConvertsBothWays) {
  EXPECT_EQ(host::Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
  EXPECT_EQ(host::Utf16ToUtf8(GetParam().utf16), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Host, Utf8To16,
                         testing::Values(Conversion{"Empty", "", u""}, Conversion{"Ascii", "Evenhue...", u"Evenhue..."},
                                         Conversion{"TwoByte", "caf\xC3\xA9", u"caf\u00E9"},
                                         Conversion{"ThreeByte", "\xE2\x82\xAC", u"\u20AC"},
                                         Conversion{"Surrogates", "\xF0\x9F\x8E\xA8", u"\U0001F3A8"},
                                         Conversion{"LineFeeds", "a\n\nb", u"a\n\nb"}),
                         [](const testing::TestParamInfo<Conversion>& info) { return info.param.name; });

TEST(Utf8To16, InvalidBytesAreTakenAsLatin1) {
  EXPECT_EQ(host::Utf8ToUtf16("\xE9t\xE9"), u"\u00E9t\u00E9");
  EXPECT_EQ(host::Utf8ToUtf16("\xC0\x80"), u"\u00C0\u0080") << "overlong forms are not UTF-8";
}

class StringSuite : public testing::Test {
 protected:
  host::Host h;
  const UnicodeStringSuite& s = hosttest::Table<UnicodeStringSuite>(h);

  UnicodeStringRef Make(const char* text) {
    UnicodeStringRef ref = nullptr;
    EXPECT_EQ(s.Initialize(&ref, text, std::char_traits<char>::length(text), 0), 0);
    return ref;
  }
};

TEST_F(StringSuite, InitializeHoldsTheTextAsUtf16) {
  UnicodeStringRef ref = Make("About Brimcastle Plugins");
  const char16_t* units = nullptr;
  const std::uint64_t count = s.Utf16(&ref, &units);
  ASSERT_NE(units, nullptr);
  EXPECT_EQ(std::u16string(units, count), u"About Brimcastle Plugins");
  EXPECT_EQ(h.liveStrings(), 1u);
  EXPECT_EQ(s.Destroy(&ref), 0);
  EXPECT_EQ(ref, nullptr);
  EXPECT_EQ(h.liveStrings(), 0u);
}

TEST_F(StringSuite, ByteCountBoundsTheText) {
  UnicodeStringRef ref = nullptr;
  ASSERT_EQ(s.Initialize(&ref, "Evenhue v1.0.0 trailing", 15, 0), 0);
  EXPECT_EQ(h.stringText(ref), "Evenhue v1.0.0 ");
  UnicodeStringRef empty = nullptr;
  ASSERT_EQ(s.Initialize(&empty, "", 0, 0), 0);
  EXPECT_NE(empty, nullptr) << "an empty text still makes a host string";
  EXPECT_EQ(h.stringText(empty), "");
  s.Destroy(&ref);
  s.Destroy(&empty);
}

TEST_F(StringSuite, AppendJoinsInOrderAndLeavesTheTailAlone) {
  UnicodeStringRef head = Make("A");
  UnicodeStringRef sep = Make("\n\n");
  UnicodeStringRef tail = Make("Brimcastle 2025/01");
  ASSERT_EQ(s.Append(&head, &sep), 0);
  ASSERT_EQ(s.Append(&head, &tail), 0);
  EXPECT_EQ(h.stringText(head), "A\n\nBrimcastle 2025/01");
  EXPECT_EQ(h.stringText(tail), "Brimcastle 2025/01");
  ASSERT_EQ(s.Append(&head, &head), 0) << "a string appended to itself";
  EXPECT_EQ(h.stringText(head), "A\n\nBrimcastle 2025/01A\n\nBrimcastle 2025/01");
  for (auto* r : {&head, &sep, &tail}) s.Destroy(r);
  EXPECT_EQ(h.liveStrings(), 0u);
}

TEST_F(StringSuite, MisuseIsRefusedAndNoted) {
  UnicodeStringRef ref = Make("x");
  UnicodeStringRef copy = ref;
  ASSERT_EQ(s.Destroy(&ref), 0);
  EXPECT_NE(s.Destroy(&copy), 0) << "a second release of the same string";
  EXPECT_EQ(h.misuses().size(), 1u);
  UnicodeStringRef none = nullptr;
  EXPECT_EQ(s.Destroy(&none), 0) << "releasing the empty string is harmless";
  EXPECT_NE(s.Initialize(&none, "x", 1, 7), 0) << "an encoding the host does not know";
  EXPECT_EQ(h.liveStrings(), 0u);
}

TEST_F(StringSuite, Utf16OfTheEmptyHandleIsEmpty) {
  UnicodeStringRef none = nullptr;
  const char16_t* units = u"not touched";
  EXPECT_EQ(s.Utf16(&none, &units), 0u);
  EXPECT_EQ(units, nullptr);
}

TEST_F(StringSuite, StringsMadeForTestsAreOrdinaryStrings) {
  UnicodeStringRef ref = h.newString("caf\xC3\xA9");
  EXPECT_EQ(h.stringUnits(ref), u"caf\u00E9");
  EXPECT_EQ(s.Destroy(&ref), 0);
  EXPECT_FALSE(h.stringText(ref).has_value());
}

}  // namespace
