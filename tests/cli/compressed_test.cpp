// `evenhue` on gzip-compressed documents (.svgz): read by their bytes, written
// compressed by name or in place, and refused when they inflate too far or are damaged.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_support.hpp"

namespace clitest {
namespace {

// `text` as a gzip file by zlib, and a file's text as zlib reads it (plain or gzip).
std::string Gzip(const Scratch& scratch, const std::string& text) {
  gzFile file = gzopen(scratch.path("made.gz").c_str(), "wb9");
  gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
  gzclose(file);
  return ReadFile(scratch.path("made.gz"));
}
std::string Gunzip(const std::string& path) {
  gzFile file = gzopen(path.c_str(), "rb");
  std::string text(64 << 20, '\0');
  text.resize(static_cast<std::size_t>(std::max(0, gzread(file, text.data(), static_cast<unsigned>(text.size())))));
  gzclose(file);
  return text;
}

struct RoundTrip {
  const char* name;
  const char* input;  // in the scratch folder, the sample 6-shared.svg, compressed or not
  bool inputCompressed;
  std::vector<std::string> args;  // each one not an option is a path in the scratch folder
  const char* output;             // "-": standard output
  bool outputCompressed;
};
void PrintTo(const RoundTrip& c, std::ostream* out) { *out << c.name; }
class Compressed : public ::testing::TestWithParam<RoundTrip> {};

// The result is the plain document's, byte for byte, once inflated.
TEST_P(Compressed, GivesThePlainDocumentsResult) {
  const RoundTrip& c = GetParam();
  Scratch scratch;
  const std::string sample = ReadFile(ExamplePath("6-shared.svg"));
  WriteFile(scratch.path(c.input), c.inputCompressed ? Gzip(scratch, sample) : sample);
  WriteFile(scratch.path("other.svg"), sample);
  const Finished plain = EvenhueWithInput({"apply", "-", "-o", "-"}, sample);
  std::vector<std::string> args = {c.args.front()};
  for (std::size_t i = 1; i < c.args.size(); ++i)
    args.push_back(c.args[i][0] == '-' ? c.args[i] : scratch.path(c.args[i]));
  const Finished run = Evenhue(args, "/dev/null", c.output == std::string("-") ? scratch.path("stdout") : "");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string written = scratch.path(c.output == std::string("-") ? "stdout" : c.output);
  EXPECT_EQ(ReadFile(written).rfind("\x1f\x8b", 0) == 0, c.outputCompressed);
  ASSERT_FALSE(plain.out.empty());
  EXPECT_EQ(Gunzip(written), plain.out);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, Compressed,
    ::testing::Values(
        RoundTrip{"SvgzToSvgz", "in.svgz", true, {"apply", "in.svgz", "-o", "out.svgz"}, "out.svgz", true},
        RoundTrip{"SuffixInAnyCase", "in.svgz", true, {"apply", "in.svgz", "-o", "out.SvgZ"}, "out.SvgZ", true},
        RoundTrip{"PlainToSvgz", "in.svg", false, {"apply", "in.svg", "-o", "out.svgz"}, "out.svgz", true},
        RoundTrip{"SvgNameHoldingGzip", "in.svg", true, {"apply", "in.svg", "-o", "out.svg"}, "out.svg", false},
        RoundTrip{"InPlaceStaysCompressed", "in.svg", true, {"apply", "in.svg", "--in-place"}, "in.svg", true},
        RoundTrip{"InPlacePlainStaysPlain", "in.svgz", false, {"apply", "in.svgz", "--in-place"}, "in.svgz", false},
        RoundTrip{"BatchFolderKeepsTheName", "in.svgz", true, {"apply", "in.svgz", "other.svg", "--out-dir", "o"},
                  "o/in.svgz", true},
        RoundTrip{"BatchInPlace", "in.svg", true, {"apply", "in.svg", "other.svg", "--in-place"}, "in.svg", true},
        RoundTrip{"Inkscape", "in.svgz", true, {"inkscape", "in.svgz"}, "-", false}),
    [](const auto& info) { return std::string(info.param.name); });

// One line naming the file, exit status 1, nothing written.
TEST(CompressedRefused, WithOneLineNamingTheFile) {
  Scratch made;
  const std::string sample = Gzip(made, ReadFile(ExamplePath("6-shared.svg")));
  std::string bomb;  // 300 members of 1 MiB of zeros: 300 MiB, past the limit of 256
  const std::string zeros = Gzip(made, std::string(1 << 20, '\0'));
  while (bomb.size() < 300 * zeros.size()) bomb += zeros;
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
