#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "host/host.hpp"
#include "framework/error.hpp"
#include "framework/suite_slots.hpp"
#include "support/host_string.hpp"
#include "support/sp_alloc.hpp"

namespace {

using hostapi::FourCC;

// ---------------------------------------------------------------------------
// ai::Error and ThrowIfError

TEST(ErrorTest, WithoutAMessageWhatIsTheFixedText) {
  const ai::Error error(FourCC("CANT"));
  EXPECT_EQ(error.code(), FourCC("CANT"));
  EXPECT_EQ(error.message(), nullptr);
  EXPECT_STREQ(error.what(), "AI Exception ");
  EXPECT_EQ(std::strlen(error.what()), 13u);
}

TEST(ErrorTest, ACopyKeepsTheCodeAndSharesTheMessage) {
  static const char kText[] = "static text";
  try {
    throw ai::Error(42, kText);
  } catch (const std::exception& caught) {
    const auto* error = dynamic_cast<const ai::Error*>(&caught);
    ASSERT_NE(error, nullptr);
    const ai::Error copy = *error;
    EXPECT_EQ(copy.code(), 42);
    EXPECT_EQ(copy.what(), kText);
  }
}

TEST(ThrowIfErrorTest, ZeroPassesAnythingElseThrowsThatCode) {
  EXPECT_NO_THROW(ai::ThrowIfError(0));
  for (const std::int32_t code : {FourCC("!MEM"), -1, 361, 1}) {
    try {
      ai::ThrowIfError(code);
      ADD_FAILURE() << "no throw for " << code;
    } catch (const ai::Error& error) {
      EXPECT_EQ(error.code(), code);
      EXPECT_EQ(error.message(), nullptr);
    }
  }
}

// ---------------------------------------------------------------------------
// Against the stand-in host's block and string suites, in process

using hostapi::EntryAt;

struct Operation {
  const char* suite;
  std::int32_t entry;
};
constexpr Operation kAllocateBlock{hostapi::BlocksSuite::kName, EntryAt(offsetof(hostapi::BlocksSuite, AllocateBlock))};
constexpr Operation kFreeBlock{hostapi::BlocksSuite::kName, EntryAt(offsetof(hostapi::BlocksSuite, FreeBlock))};
constexpr Operation kInitializeString{hostapi::UnicodeStringSuite::kName,
                                      EntryAt(offsetof(hostapi::UnicodeStringSuite, Initialize))};
constexpr Operation kDestroyString{hostapi::UnicodeStringSuite::kName,
                                   EntryAt(offsetof(hostapi::UnicodeStringSuite, Destroy))};
constexpr Operation kAppendString{hostapi::UnicodeStringSuite::kName,
                                  EntryAt(offsetof(hostapi::UnicodeStringSuite, Append))};
constexpr Operation kUtf16{hostapi::UnicodeStringSuite::kName, EntryAt(offsetof(hostapi::UnicodeStringSuite, Utf16))};

class HostSuitesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    slots::Slot<hostapi::BlocksSuite>().table = host.suiteTable(hostapi::BlocksSuite::kName);
    slots::Slot<hostapi::UnicodeStringSuite>().table = host.suiteTable(hostapi::UnicodeStringSuite::kName);
  }
  void TearDown() override {
    slots::Slot<hostapi::BlocksSuite>().table = nullptr;
    slots::Slot<hostapi::UnicodeStringSuite>().table = nullptr;
  }

  std::uint32_t callsOf(Operation op) const { return host.recorder().callCount(op.suite, op.entry); }
  // Calls of the operation that the host answered with success.
  int succeeded(Operation op) const {
    int n = 0;
    for (const host::CallRecord& call : host.recorder().callsTo(op.suite, op.entry)) n += call.result == 0;
    return n;
  }
  // From the `nthCall`-th call on (1 = the next), every call answers `code`.
  void fail(Operation op, std::uint32_t nthCall, hostapi::ResultCode code) {
    host.recorder().clearFaults();
    host.recorder().failOn(op.suite, op.entry, nthCall, code, std::numeric_limits<std::uint32_t>::max());
  }
  // Releases of strings the host does not have (twice, or never made).
  int badReleases() const {
    int n = 0;
    for (const std::string& misuse : host.misuses()) n += misuse.rfind("Destroy:", 0) == 0;
    return n;
  }
  const host::CallRecord& lastCall() const { return host.recorder().calls().back(); }

  host::Host host;
};

TEST_F(HostSuitesTest, ABlockIsAskedForWithItsLabel) {
  void* block = ai::SPAlloc::AllocateBlock(24);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(lastCall().operation, "AllocateBlock");
  EXPECT_EQ(lastCall().args, (std::vector<std::string>{"24", "ai::SPAlloc::AllocateBlock"}));
  ai::SPAlloc::FreeBlock(block);
  EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST_F(HostSuitesTest, ARefusedBlockIsOutOfMemoryWhateverTheHostSaid) {
  for (const std::int32_t hostCode : {FourCC("NOPE"), 1, -5}) {
    fail(kAllocateBlock, 1, hostCode);
    try {
      ai::SPAlloc::AllocateBlock(8);
      ADD_FAILURE();
    } catch (const ai::Error& error) {
      EXPECT_EQ(error.code(), 0x214D454D);
    }
  }
}

TEST_F(HostSuitesTest, FreeingNullCallsNothing) {
  ai::SPAlloc::FreeBlock(nullptr);
  EXPECT_EQ(callsOf(kFreeBlock), 0u);
}

TEST_F(HostSuitesTest, HostBufferOwnsItsBlock) {
  {
    ai::HostBuffer empty(0);
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_EQ(empty.count(), 0u);
  }
  EXPECT_EQ(callsOf(kAllocateBlock), 0u);
  EXPECT_EQ(callsOf(kFreeBlock), 0u);
  {
    ai::HostBuffer buffer(100);
    EXPECT_NE(buffer.data(), nullptr);
    EXPECT_EQ(buffer.count(), 100u);
    EXPECT_EQ(host.liveBlocks(), 1u);
  }
  EXPECT_EQ(host.liveBlocks(), 0u);
  EXPECT_EQ(callsOf(kFreeBlock), 1u);
}

TEST_F(HostSuitesTest, AHostBufferThatCannotBeHadThrows) {
  fail(kAllocateBlock, 1, 9);
  EXPECT_THROW(ai::HostBuffer(5), ai::Error);
  EXPECT_EQ(callsOf(kFreeBlock), 0u);
}

// ---------------------------------------------------------------------------
// Host strings

TEST(HostStringLayout, IsExactlyOneStringReference) {
  EXPECT_EQ(sizeof(ai::HostString), sizeof(hostapi::UnicodeStringRef));
  ai::HostString string;
  EXPECT_EQ(static_cast<const void*>(string.ref()), static_cast<const void*>(&string));
}

TEST_F(HostSuitesTest, NullTextMakesNoHostString) {
  { ai::HostString string(nullptr); EXPECT_TRUE(string.empty()); }
  EXPECT_EQ(callsOf(kInitializeString), 0u);
  EXPECT_EQ(callsOf(kDestroyString), 0u);
}

TEST_F(HostSuitesTest, EmptyTextIsAnOwnedStringOfZeroBytes) {
  {
    ai::HostString string("");
    EXPECT_FALSE(string.empty());
    EXPECT_EQ(lastCall().operation, "Initialize");
    EXPECT_EQ(lastCall().args, (std::vector<std::string>{"", "0"}));
  }
  EXPECT_EQ(succeeded(kDestroyString), 1);
  EXPECT_EQ(host.liveStrings(), 0u);
}

TEST_F(HostSuitesTest, AppendsInOrderAndReleasesEachTemporaryOnce) {
  {
    ai::HostString text("A");
    text.append(ai::HostString("\n\n")).append(ai::HostString("maker"));
    EXPECT_EQ(host.stringUnits(text.handle()), u"A\n\nmaker");
    EXPECT_EQ(succeeded(kDestroyString), 2);
  }
  EXPECT_EQ(succeeded(kInitializeString), 3);
  EXPECT_EQ(succeeded(kDestroyString), 3);
  EXPECT_EQ(badReleases(), 0);
}

TEST_F(HostSuitesTest, AFailedAppendStillReleasesTheTemporary) {
  fail(kAppendString, 1, FourCC("APND"));
  ai::HostString text("A");
  try {
    text.append(ai::HostString("B"));
    ADD_FAILURE();
  } catch (const ai::Error& error) {
    EXPECT_EQ(error.code(), FourCC("APND"));
  }
  EXPECT_EQ(succeeded(kDestroyString), 1);
  EXPECT_EQ(host.stringUnits(text.handle()), u"A");
}

TEST_F(HostSuitesTest, AFailedConstructionThrowsAndOwnsNothing) {
  fail(kInitializeString, 1, FourCC("STR!"));
  try {
    ai::HostString string("x");
    ADD_FAILURE();
  } catch (const ai::Error& error) {
    EXPECT_EQ(error.code(), FourCC("STR!"));
  }
  EXPECT_EQ(callsOf(kDestroyString), 0u);
}

TEST_F(HostSuitesTest, MovingIntoAFieldReleasesItsOldStringOnce) {
  ai::HostString field("old");
  const auto oldHandle = field.handle();
  ai::HostString temporary("new");
  const auto newHandle = temporary.handle();
  field = std::move(temporary);
  EXPECT_EQ(field.handle(), newHandle);
  EXPECT_EQ(temporary.handle(), oldHandle) << "the swap hands the old value to the temporary";
  { ai::HostString gone = std::move(temporary); }
  EXPECT_EQ(succeeded(kDestroyString), 1);
  EXPECT_FALSE(host.stringText(oldHandle).has_value());
  EXPECT_TRUE(temporary.empty());
  field = ai::HostString("newer");
  EXPECT_EQ(succeeded(kDestroyString), 2);
  EXPECT_EQ(badReleases(), 0);
}

TEST_F(HostSuitesTest, AStringOutlivingTheSuiteEndsWithoutAHostCall) {
  {
    ai::HostString string("late");
    slots::Slot<hostapi::UnicodeStringSuite>().table = nullptr;
  }
  EXPECT_EQ(callsOf(kDestroyString), 0u);
}

TEST_F(HostSuitesTest, WideCopyHoldsTheCodeUnitsNulTerminated) {
  ai::HostString string("Evenhue");
  ai::WCHARStr wide(string);
  EXPECT_EQ(std::u16string(wide.as_UTF16()), u"Evenhue");
  EXPECT_EQ(wide.length(), 7u);
  static_assert(sizeof(*wide.as_UTF16()) == 2);
}

TEST_F(HostSuitesTest, WideCopyOfAStringWithoutUnitsIsEmpty) {
  fail(kUtf16, 1, hostapi::kCantHappen);  // the look-up of the units fails: it answers none
  ai::HostString string("x");
  ai::WCHARStr wide(string);
  EXPECT_EQ(wide.length(), 0u);
  ASSERT_NE(wide.as_UTF16(), nullptr);
  EXPECT_EQ(wide.as_UTF16()[0], u'\0');
  ai::HostString none;
  EXPECT_EQ(ai::WCHARStr(none).length(), 0u);
}

}  // namespace
