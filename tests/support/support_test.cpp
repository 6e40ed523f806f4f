#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "plugin/suite_slots.hpp"
#include "support/error.hpp"
#include "support/host_string.hpp"
#include "support/sp_alloc.hpp"
#include "tests/plugin/fake_host.hpp"

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
// Host memory blocks

class HostSuitesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    slots::Slot<hostapi::BlocksSuite>().table = host.table(hostapi::BlocksSuite::kName);
    slots::Slot<hostapi::UnicodeStringSuite>().table = host.table(hostapi::UnicodeStringSuite::kName);
  }
  void TearDown() override {
    slots::Slot<hostapi::BlocksSuite>().table = nullptr;
    slots::Slot<hostapi::UnicodeStringSuite>().table = nullptr;
  }
  fake::Host host;
};

TEST_F(HostSuitesTest, ABlockIsAskedForWithItsLabel) {
  void* block = ai::SPAlloc::AllocateBlock(24);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(host.log.back(), "AllocateBlock 24 ai::SPAlloc::AllocateBlock");
  ai::SPAlloc::FreeBlock(block);
  EXPECT_TRUE(host.blocks.empty());
}

TEST_F(HostSuitesTest, ARefusedBlockIsOutOfMemoryWhateverTheHostSaid) {
  for (const std::int32_t hostCode : {FourCC("NOPE"), 1, -5}) {
    host.fail("AllocateBlock", {0, hostCode});
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
  EXPECT_EQ(host.callsOf("FreeBlock"), 0);
}

TEST_F(HostSuitesTest, HostBufferOwnsItsBlock) {
  {
    ai::HostBuffer empty(0);
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_EQ(empty.count(), 0u);
  }
  EXPECT_EQ(host.callsOf("AllocateBlock"), 0);
  EXPECT_EQ(host.callsOf("FreeBlock"), 0);
  {
    ai::HostBuffer buffer(100);
    EXPECT_NE(buffer.data(), nullptr);
    EXPECT_EQ(buffer.count(), 100u);
    EXPECT_EQ(host.blocks.size(), 1u);
  }
  EXPECT_TRUE(host.blocks.empty());
  EXPECT_EQ(host.callsOf("FreeBlock"), 1);
}

TEST_F(HostSuitesTest, AHostBufferThatCannotBeHadThrows) {
  host.fail("AllocateBlock", {1, 9});
  EXPECT_THROW(ai::HostBuffer(5), ai::Error);
  EXPECT_EQ(host.callsOf("FreeBlock"), 0);
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
  EXPECT_EQ(host.callsOf("InitializeString"), 0);
  EXPECT_EQ(host.callsOf("DestroyString"), 0);
}

TEST_F(HostSuitesTest, EmptyTextIsAnOwnedStringOfZeroBytes) {
  {
    ai::HostString string("");
    EXPECT_FALSE(string.empty());
    EXPECT_EQ(host.log.back(), "InitializeString  0");
  }
  EXPECT_EQ(host.stringsDestroyed, 1);
  EXPECT_TRUE(host.strings.empty());
}

TEST_F(HostSuitesTest, AppendsInOrderAndReleasesEachTemporaryOnce) {
  {
    ai::HostString text("A");
    text.append(ai::HostString("\n\n")).append(ai::HostString("maker"));
    EXPECT_EQ(host.text(text.handle()), fake::Widen("A\n\nmaker"));
    EXPECT_EQ(host.stringsDestroyed, 2);
  }
  EXPECT_EQ(host.stringsCreated, 3);
  EXPECT_EQ(host.stringsDestroyed, 3);
  EXPECT_EQ(host.badReleases, 0);
}

TEST_F(HostSuitesTest, AFailedAppendStillReleasesTheTemporary) {
  host.fail("AppendString", {1, FourCC("APND")});
  ai::HostString text("A");
  try {
    text.append(ai::HostString("B"));
    ADD_FAILURE();
  } catch (const ai::Error& error) {
    EXPECT_EQ(error.code(), FourCC("APND"));
  }
  EXPECT_EQ(host.stringsDestroyed, 1);
  EXPECT_EQ(host.text(text.handle()), fake::Widen("A"));
}

TEST_F(HostSuitesTest, AFailedConstructionThrowsAndOwnsNothing) {
  host.fail("InitializeString", {1, FourCC("STR!")});
  try {
    ai::HostString string("x");
    ADD_FAILURE();
  } catch (const ai::Error& error) {
    EXPECT_EQ(error.code(), FourCC("STR!"));
  }
  EXPECT_EQ(host.callsOf("DestroyString"), 0);
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
  EXPECT_EQ(host.stringsDestroyed, 1);
  EXPECT_EQ(host.strings.count(oldHandle), 0u);
  EXPECT_TRUE(temporary.empty());
  field = ai::HostString("newer");
  EXPECT_EQ(host.stringsDestroyed, 2);
  EXPECT_EQ(host.badReleases, 0);
}

TEST_F(HostSuitesTest, AStringOutlivingTheSuiteEndsWithoutAHostCall) {
  {
    ai::HostString string("late");
    slots::Slot<hostapi::UnicodeStringSuite>().table = nullptr;
  }
  EXPECT_EQ(host.callsOf("DestroyString"), 0);
}

TEST_F(HostSuitesTest, WideCopyHoldsTheCodeUnitsNulTerminated) {
  ai::HostString string("Evenhue");
  ai::WCHARStr wide(string);
  EXPECT_EQ(std::u16string(wide.as_UTF16()), u"Evenhue");
  EXPECT_EQ(wide.length(), 7u);
  static_assert(sizeof(*wide.as_UTF16()) == 2);
}

TEST_F(HostSuitesTest, WideCopyOfAStringWithoutUnitsIsEmpty) {
  host.withoutUtf16Units = true;
  ai::HostString string("x");
  ai::WCHARStr wide(string);
  EXPECT_EQ(wide.length(), 0u);
  ASSERT_NE(wide.as_UTF16(), nullptr);
  EXPECT_EQ(wide.as_UTF16()[0], u'\0');
  ai::HostString none;
  EXPECT_EQ(ai::WCHARStr(none).length(), 0u);
}

}  // namespace
