// The Inkscape effect as a user gets it: installed by `evenhue install-inkscape`
// into a fresh home folder's Inkscape extensions, then run by Debian's real
// Inkscape on a selection through its command line (under Xvfb, since
// Inkscape registers extension actions only with its window up) and the
// drawing exported. Exactly the selected objects' gradients must be
// re-spaced; every other paint stays as it was. (What the effect answers on a
// drawing it cannot read is in tests/cli/usage_test.cpp: a dialog would hold
// a batch Inkscape up.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/cli/cli_support.hpp"

namespace inkscapetest {
namespace {

namespace fs = std::filesystem;
using clitest::Finished;
using clitest::ReadFile;
using clitest::Scratch;
using clitest::WriteFile;

constexpr char kEffectId[] = "org.evenhue.apply";
constexpr char kEnv[] = "/usr/bin/env";

// A home folder with the effect installed the documented way.
class Home {
 public:
  Home() {
    fs::create_directory(scratch_.path("home"));
    install_ = Run({EVENHUE_COMMAND, "install-inkscape"});
  }
  // Runs a program with this home and Inkscape's configuration below it.
  Finished Run(std::vector<std::string> command, const std::string& output = {}) const {
    std::vector<std::string> args = {"-u", "INKSCAPE_PROFILE_DIR", "HOME=" + scratch_.path("home"),
                                     "XDG_CONFIG_HOME=" + scratch_.path("home/.config")};
    args.insert(args.end(), command.begin(), command.end());
    return testcmd::RunProgram(kEnv, args, "/dev/null", output);
  }
  std::string Effect(const std::string& file) const {
    return scratch_.path("home/.config/inkscape/extensions/evenhue/" + file);
  }
  const Finished& install() const { return install_; }
  const Scratch& scratch() const { return scratch_; }

 private:
  Scratch scratch_;
  Finished install_;
};

// --- Inkscape itself ------------------------------------------------------------------------

std::string Drawing() { return std::string(EVENHUE_INKSCAPE_TESTS_DIR) + "/drawing.svg"; }

struct SelectionCase {
  const char* name;
  std::vector<std::string> select;  // ids; none: the whole drawing
  std::set<std::string> rewritten;  // "element property" of the paints that must be re-spaced
};

void PrintTo(const SelectionCase& c, std::ostream* out) { *out << c.name; }

class Effect : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(Effect, ReSpacesExactlyTheSelectedObjectsGradients) {
  const SelectionCase& c = GetParam();
  Home home;
  ASSERT_EQ(home.install().status, 0) << home.install().err;
  const std::string out = home.scratch().path("out.svg");
  std::string actions;
  for (std::size_t i = 0; i < c.select.size(); ++i) actions += (i ? "," : "select-by-id:") + c.select[i];
  if (!actions.empty()) actions += ";";
  actions += std::string(kEffectId) + ".noprefs;export-filename:" + out + ";export-plain-svg;export-do";
  // A dialog (an error from the effect) would wait for ever: give up after two minutes.
  const Finished run = home.Run({"/usr/bin/timeout", "120", "/usr/bin/xvfb-run", "-a", "/usr/bin/inkscape",
                                 "--with-gui", "--batch-process", "--actions=" + actions, Drawing()});
  ASSERT_EQ(run.status, 0) << run.err;

  pugi::xml_document in, result;
  ASSERT_TRUE(clitest::LoadSvg(in, ReadFile(Drawing())));
  ASSERT_TRUE(clitest::LoadSvg(result, ReadFile(out))) << "Inkscape exported nothing readable: " << run.err;
  const auto paints = clitest::GradientPaints(in);
  ASSERT_EQ(paints.size(), 5u);
  for (const clitest::PaintUse& use : paints) {
    const std::string key = use.element + " " + use.property;
    SCOPED_TRACE(key);
    const auto source = clitest::ResolvedStops(in, clitest::ById(in, use.gradient));
    const pugi::xml_node element = clitest::ById(result, use.element);
    ASSERT_TRUE(element);
    const auto paint = clitest::Effective(element, use.property);
    ASSERT_TRUE(paint.has_value());
    const auto id = clitest::UrlId(*paint);
    ASSERT_TRUE(id.has_value()) << *paint;
    const auto stops = clitest::ResolvedStops(result, clitest::ById(result, *id));
    ASSERT_FALSE(stops.empty());
    if (!c.rewritten.count(key)) {
      EXPECT_EQ(*id, use.gradient) << "an object that was not selected got a new gradient";
      ASSERT_EQ(stops.size(), source.size());
      for (std::size_t i = 0; i < stops.size(); ++i) EXPECT_EQ(stops[i].color, source[i].color);
      continue;
    }
    // Re-spaced: 4n - 3 evenly spaced stops from the source's first colour to its last.
    EXPECT_NE(*id, use.gradient);
    const std::size_t n = source.size();
    ASSERT_EQ(stops.size(), 4 * n - 3);
    for (std::size_t i = 0; i < stops.size(); ++i)
      EXPECT_NEAR(stops[i].offset, static_cast<double>(i) / static_cast<double>(4 * n - 4), 1e-6) << i;
    EXPECT_EQ(clitest::FromHex(stops.front().color), clitest::FromHex(source.front().color));
    EXPECT_EQ(clitest::FromHex(stops.back().color), clitest::FromHex(source.back().color));
  }
  const auto solid = clitest::Effective(clitest::ById(result, "solid"), "fill");
  EXPECT_EQ(solid.value_or(""), "#336699");
  for (const char* gradient : {"warm", "cool", "glow", "edge"})
    EXPECT_TRUE(clitest::ById(result, gradient)) << "the source gradient " << gradient << " went";
}

INSTANTIATE_TEST_SUITE_P(
    Selections, Effect,
    ::testing::Values(
        SelectionCase{"OneShapeOfASharedGradient", {"band"}, {"band fill"}},
        SelectionCase{"FillAndStrokeOfOneShape", {"sun"}, {"sun fill", "sun stroke"}},
        SelectionCase{"AGroup", {"layer"}, {"sea fill"}},
        SelectionCase{"TwoShapes", {"band", "sun"}, {"band fill", "sun fill", "sun stroke"}},
        SelectionCase{"NothingSelected", {}, {"band fill", "band-too fill", "sun fill", "sun stroke", "sea fill"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace inkscapetest
