// The bytes of an error line: the message as a JSON string, with what is not
// well-formed UTF-8 as U+FFFD written out (EF BF BD), one for each maximal
// ill-formed subsequence, and the control characters escaped.
#include <gtest/gtest.h>

#include <string>

#include "cli/respace_lines.hpp"

namespace evenhue::cli {
namespace {

struct Escaped {
  const char* name;
  std::string what;
  std::string written;  // between the quotes, after "line 7: "
};

class ErrorLineBytes : public ::testing::TestWithParam<Escaped> {};

TEST_P(ErrorLineBytes, AreTheMessageAsAJsonString) {
  const Escaped& c = GetParam();
  EXPECT_EQ(FormatErrorLine(7, c.what), "{\"error\": \"line 7: " + c.written + "\"}");
}

INSTANTIATE_TEST_SUITE_P(
    Respace, ErrorLineBytes,
    ::testing::Values(Escaped{"Plain", "empty line", "empty line"},
                      Escaped{"QuoteAndBackslash", "color \"a\\b\"", "color \\\"a\\\\b\\\""},
                      Escaped{"WellFormedUtf8Kept", "caf\xc3\xa9 0\xe2\x80\x93" "1 \xf0\x9f\x8e\xa8", "caf\xc3\xa9 0\xe2\x80\x93" "1 \xf0\x9f\x8e\xa8"},
                      Escaped{"StrayByte", "a\xff" "b", "a\xef\xbf\xbd" "b"},
                      Escaped{"TruncatedSequenceIsOne", "'\xe2\x82" "A'", "'\xef\xbf\xbd" "A'"},
                      Escaped{"TruncatedAtTheEnd", "x\xf0\x9f\x98", "x\xef\xbf\xbd"},
                      Escaped{"OverlongIsTwo", "\xc0\x80", "\xef\xbf\xbd\xef\xbf\xbd"},
                      Escaped{"Surrogate", "\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
                      Escaped{"ControlCharacters", std::string("a\nb\tc\x01" "d\x7f" "e\r\b\f", 12),
                              "a\\nb\\tc\\u0001d\x7f" "e\\r\\b\\f"},
                      Escaped{"Nul", std::string("a\0b", 3), "a\\u0000b"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace evenhue::cli
