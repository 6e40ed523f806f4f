// What the command-level tests of `evenhue` share: running the built command,
// the sample documents, reading PNG files, CIELAB distances, and looking at
// SVG documents the way the command's output must be read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "color/color.hpp"
#include "tests/common/run_command.hpp"

namespace clitest {

using testcmd::Finished;
using testcmd::ReadFile;
using testcmd::Scratch;
using testcmd::WriteFile;

// --- The command ------------------------------------------------------------------

// Runs the built `evenhue` with `args`, standard input from a file.
Finished Evenhue(const std::vector<std::string>& args, const std::string& stdinFile = "/dev/null",
                 const std::string& stdoutFile = {});
// The same with `input` as the bytes of standard input.
Finished EvenhueWithInput(const std::vector<std::string>& args, const std::string& input);

// The lines of `text`, each without its newline (a last line without one counts).
std::vector<std::string> Lines(const std::string& text);

// --- The sample documents ------------------------------------------------------------

std::string ExamplePath(const std::string& name);
std::vector<std::string> ExampleNames();  // file names of examples/*.svg, sorted

// --- Images and colours -----------------------------------------------------------------

struct Png {
  std::uint32_t headerWidth = 0, headerHeight = 0;  // as the IHDR chunk says
  int width = 0, height = 0;                        // as decoded
  std::vector<std::uint8_t> rgba;                   // width * height * 4
  std::array<std::uint8_t, 4> at(int x, int y) const;
};
// Decodes PNG bytes with libpng; throws std::runtime_error when they are not
// a PNG file.
Png DecodePng(const std::string& bytes);

// CIELAB (D65, evenhue's conversions) of an 8-bit sRGB pixel.
evenhue::LabTriple PixelLab(std::uint8_t r, std::uint8_t g, std::uint8_t b);
// CIEDE2000 by Little CMS.
double DeltaE2000(const evenhue::LabTriple& lab1, const evenhue::LabTriple& lab2);

// A source stop of a gradient for the ideal ramp.
struct IdealStop {
  double offset = 0.0;  // 0–1
  evenhue::RgbTriple rgb{0, 0, 0};
  double midpoint = 50.0;  // percent
};
// The ideal ramp at p: the stops around p blended in CIELAB with MidpointLerp
// and the first stop's midpoint (13–87 percent). Returns CIELAB.
evenhue::LabTriple IdealLab(const std::vector<IdealStop>& stops, double p);

// --- SVG ----------------------------------------------------------------------------------

pugi::xml_node ById(const pugi::xml_document& document, std::string_view id);

// The declared value of `property` on the element itself: its style
// declaration, else its presentation attribute.
std::optional<std::string> Declared(pugi::xml_node element, std::string_view property);
// The value that applies to the element, inherited from its ancestors when it
// declares none (or declares "inherit").
std::optional<std::string> Effective(pugi::xml_node element, std::string_view property);
// The id in "url(#id) ..." or nothing.
std::optional<std::string> UrlId(const std::string& paint);

// The element name without namespace prefix.
std::string_view Local(pugi::xml_node node);

struct SvgStop {
  double offset = 0.0;
  std::string color;  // stop-color as written
  double opacity = 1.0;
  std::optional<double> midpoint;  // data-midpoint
};
// The stops of a gradient element, through its href chain.
std::vector<SvgStop> ResolvedStops(const pugi::xml_document& document, pugi::xml_node gradient);

// "#rrggbb" from 0–1 channels (rounded to the nearest byte).
std::string Hex(double r, double g, double b);
// Channels 0–1 of "#rrggbb"; nothing when the text is not of that form.
std::optional<std::array<double, 3>> FromHex(std::string_view text);

// One gradient fill or stroke of a shape.
struct PaintUse {
  std::string element;   // the painted element's id
  std::string property;  // "fill" or "stroke"
  std::string gradient;  // the gradient's id
};
// Every fill and stroke of a basic shape or path that applies a gradient, in
// document order.
std::vector<PaintUse> GradientPaints(const pugi::xml_document& document);

// Parses SVG text keeping everything (comments, declarations, white space).
bool LoadSvg(pugi::xml_document& document, const std::string& text);

// Compares an output with its input node by node: the output may only add the
// gradient elements whose ids are in `newIds`, and change the fill, stroke and
// style attributes of the elements whose ids are in `rewritten` (and of their
// ancestors with ids, where an inherited paint is declared). Everything
// else must be as it was, in the same order. Reports differences as
// GoogleTest failures.
void ExpectSameExceptRewrites(const pugi::xml_document& input, const pugi::xml_document& output,
                              const std::vector<std::string>& newIds, const std::vector<std::string>& rewritten);

}  // namespace clitest
