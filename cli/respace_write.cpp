// Writing the output lines of `evenhue respace`.
#include <nlohmann/json.hpp>

#include "cli/respace_lines.hpp"
#include "svg/css_color.hpp"
#include "svg/gradient_writer.hpp"

namespace evenhue::cli {

namespace {

// NumberText, appended to `out`.
void AppendNumber(std::string& out, double value) { svg::AppendShortestText(out, value); }

void AppendArray(std::string& out, const double* values, std::size_t count) {
  out += '[';
  for (std::size_t i = 0; i < count; ++i) {
    if (i) out += ", ";
    AppendNumber(out, values[i]);
  }
  out += ']';
}

}  // namespace

std::string NumberText(double value) {
  std::string out;
  AppendNumber(out, value);
  return out;
}

void AppendGradientLine(std::string& out, const JsonGradient& gradient, bool unchanged) {
  out += "{\"type\": ";
  out += gradient.type == 1 ? "\"radial\"" : "\"linear\"";
  out += ", \"stops\": [";
  for (std::size_t i = 0; i < gradient.stops.size(); ++i) {
    const JsonStop& s = gradient.stops[i];
    if (i) out += ", ";
    out += "{\"position\": ";
    AppendNumber(out, s.position);
    out += ", \"color\": {";
    if (s.cmyk) {
      out += "\"cmyk\": ";
      AppendArray(out, s.channels.data(), 4);
      out += "}";
    } else {
      out += "\"rgb\": ";
      AppendArray(out, s.channels.data(), 3);
      out += "}, \"hex\": \"";
      out += svg::HexRgb(s.channels[0], s.channels[1], s.channels[2]);  // nothing in it needs escaping
      out += '"';
    }
    out += ", \"opacity\": ";
    AppendNumber(out, s.opacity);
    out += ", \"midpoint\": ";
    AppendNumber(out, s.midpoint);
    out += "}";
  }
  out += "]";
  if (unchanged) out += ", \"unchanged\": true";
  out += "}";
}

std::string FormatGradientLine(const JsonGradient& gradient, bool unchanged) {
  std::string out;
  AppendGradientLine(out, gradient, unchanged);
  return out;
}

std::string FormatErrorLine(std::size_t lineNumber, std::string_view what) {
  // Messages may quote bytes of a bad input line: the replacement handler
  // writes U+FFFD for what is not well-formed UTF-8.
  const nlohmann::json message = "line " + std::to_string(lineNumber) + ": " + std::string(what);
  return "{\"error\": " + message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "}";
}

}  // namespace evenhue::cli
