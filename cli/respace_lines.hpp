// The lines of `evenhue respace`: one gradient as a JSON object per line in,
// the plug-in's stops (or an error) as one JSON object per line out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/gradient_io.hpp"

namespace evenhue::cli {

// A line's gradient is the host's own stop model: positions and midpoints in
// percent, as the lines give them.
using JsonStop = host::Stop;
using JsonGradient = host::Ramp;

inline constexpr std::size_t kMaxLineBytes = 64u << 20;
// A line's gradient holds at most host::kMaxGradientStops stops, as the host's does.
// Arrays and objects within one another, the line's own object counted. A
// gradient line needs 5 (line, stops, stop, colour, components).
inline constexpr std::size_t kMaxJsonDepth = 64;

// Reads one input line; on failure returns nothing and says why in `error`.
std::optional<JsonGradient> ParseGradientLine(std::string_view line, std::string& error);

// The two readers behind ParseGradientLine. The quick one follows the JSON
// parser's events (nlohmann's SAX interface) and reads only lines of the
// documented shape (no unknown or repeated keys, nothing of the wrong kind,
// out of range or out of order); for any other line it returns nothing. The
// full one reads every line and gives the messages: into a JSON value of
// what the gradient is read from (what is under keys it does not know, and
// stops past the most a gradient holds, are passed over), refusing a NUL
// byte, a key it reads given twice in one object and nesting deeper than
// kMaxJsonDepth. Where the quick one returns a gradient, the full one
// returns the same.
std::optional<JsonGradient> ReadQuickGradientLine(std::string_view line);
std::optional<JsonGradient> ReadGradientLineFully(std::string_view line, std::string& error);

// The output line (without newline) for stops the plug-in wrote, or for an
// unchanged gradient (then with "unchanged": true and the colours as given).
std::string FormatGradientLine(const JsonGradient& gradient, bool unchanged);
// As FormatGradientLine, appended to `out`.
void AppendGradientLine(std::string& out, const JsonGradient& gradient, bool unchanged);

// {"error": "line N: what"}, without newline. Bytes of `what` that are not
// well-formed UTF-8 become U+FFFD, so that the line stays valid JSON.
std::string FormatErrorLine(std::size_t lineNumber, std::string_view what);

// Shortest text that reads back as the same double ("0" for either zero).
std::string NumberText(double value);

}  // namespace evenhue::cli
