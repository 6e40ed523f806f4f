// `evenhue` on gzip-compressed documents (.svgz): read by their bytes, written
// compressed by name or in place, and refused when they inflate too far or are damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

// `text` compressed by gzip(1), and a file's bytes as gzip -dcf gives them (inflated, or as they are when plain).
std::string Gzip(const Scratch& scratch, const std::string& text) {
  WriteFile(scratch.path("made"), text);
  return testcmd::RunProgram("/bin/gzip", {"-9c", scratch.path("made")}).out;
}
std::string Gunzip(const std::string& path) { return testcmd::RunProgram("/bin/gzip", {"-dcf", path}).out; }

struct RoundTrip {
  const char* name;
  const char* input;  // the sample 6-shared.svg, compressed or not
  bool inputCompressed;
  std::vector<std::string> args;  // after the command; each but the options is a path in the scratch folder
  std::string output;             // "-": standard output
  bool outputCompressed;
};
class Compressed : public ::testing::TestWithParam<RoundTrip> {};

// The result is the plain document's, byte for byte, once inflated.
TEST_P(Compressed, GivesThePlainDocumentsResult) {
  const RoundTrip& c = GetParam();
  Scratch scratch;
  const std::string sample = ReadFile(ExamplePath("6-shared.svg"));
  WriteFile(scratch.path(c.input), c.inputCompressed ? Gzip(scratch, sample) : sample);
  WriteFile(scratch.path("other.svg"), sample);
  std::vector<std::string> args = {c.output == "-" ? "inkscape" : "apply"};
  for (const std::string& a : c.args) args.push_back(a[0] == '-' ? a : scratch.path(a));
  const std::string written = scratch.path(c.output == "-" ? "stdout" : c.output);
  const Finished run = Evenhue(args, "/dev/null", c.output == "-" ? written : "");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(written).rfind("\x1f\x8b", 0) == 0, c.outputCompressed);
  const Finished plain = EvenhueWithInput({"apply", "-", "-o", "-"}, sample);
  ASSERT_FALSE(plain.out.empty());
  EXPECT_EQ(Gunzip(written), plain.out);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, Compressed,
    ::testing::Values(
        RoundTrip{"SvgzToSvgz", "in.svgz", true, {"in.svgz", "-o", "out.svgz"}, "out.svgz", true},
        RoundTrip{"SuffixInAnyCase", "in.svgz", true, {"in.svgz", "-o", "out.SvgZ"}, "out.SvgZ", true},
        RoundTrip{"PlainToSvgz", "in.svg", false, {"in.svg", "-o", "out.svgz"}, "out.svgz", true},
        RoundTrip{"SvgNameHoldingGzip", "in.svg", true, {"in.svg", "-o", "out.svg"}, "out.svg", false},
        RoundTrip{"InPlaceStaysCompressed", "in.svg", true, {"in.svg", "--in-place"}, "in.svg", true},
        RoundTrip{"InPlacePlainStaysPlain", "in.svgz", false, {"in.svgz", "--in-place"}, "in.svgz", false},
        RoundTrip{"BatchFolderKeepsTheName", "in.svgz", true, {"in.svgz", "other.svg", "--out-dir", "o"}, "o/in.svgz",
                  true},
        RoundTrip{"BatchInPlace", "in.svg", true, {"in.svg", "other.svg", "--in-place"}, "in.svg", true},
        RoundTrip{"InkscapeEffect", "in.svgz", true, {"in.svgz"}, "-", false}),
    [](const auto& info) { return std::string(info.param.name); });

// One line naming the file, exit status 1, nothing written.
TEST(CompressedRefused, WithOneLineNamingTheFile) {
  Scratch made;
  const std::string sample = Gzip(made, ReadFile(ExamplePath("6-shared.svg")));
  const std::string zeros = Gzip(made, std::string(1 << 20, 0));
  std::string bomb;  // 300 members of 1 MiB of zeros: 300 MiB, past the limit of 256
  for (int i = 0; i < 300; ++i) bomb += zeros;
  std::string badCheck = sample;
  badCheck[badCheck.size() - 8] ^= 1;  // the CRC-32 of the trailer
  const struct {
    std::string bytes, message;
  } cases[] = {
      {bomb, "file is larger than the limit of 256 MiB when decompressed"},
      {sample.substr(0, sample.size() / 2), "the compressed data ends early (the file is cut short)"},
      {badCheck, "the compressed data is damaged (incorrect data check)"},
      {sample + "<svg/>", "something other than gzip data follows the compressed data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    Scratch scratch;
    WriteFile(scratch.path("in.svgz"), c.bytes);
    const Finished run = Evenhue({"apply", scratch.path("in.svgz"), "-o", scratch.path("out.svgz")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "evenhue: " + scratch.path("in.svgz") + ": " + c.message + "\n");
    EXPECT_FALSE(std::filesystem::exists(scratch.path("out.svgz")));
  }
}

}  // namespace
}  // namespace clitest
