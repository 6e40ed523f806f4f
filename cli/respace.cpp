#include "cli/respace.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <future>
#include <system_error>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/errors.hpp"
#include "cli/session.hpp"
#include "cli/text.hpp"
#include "host/document.hpp"
#include "svg/css_color.hpp"

namespace evenhue::cli {

namespace {

using Json = nlohmann::json;

// A finite number within [low, high], or an error naming `what`.
bool ReadNumber(const Json& value, double low, double high, const std::string& what, double& out,
                std::string& error) {
  if (!value.is_number()) {
    error = what + " is not a number";
    return false;
  }
  out = value.get<double>();
  if (!std::isfinite(out) || out < low || out > high) {
    error = what + " " + NumberText(out) + " is outside " + NumberText(low) + "–" + NumberText(high);
    return false;
  }
  return true;
}

bool ReadComponents(const Json& array, std::size_t count, const std::string& what, JsonStop& stop,
                    std::string& error) {
  if (!array.is_array() || array.size() != count) {
    error = what + " needs " + std::to_string(count) + " numbers";
    return false;
  }
  for (std::size_t i = 0; i < count; ++i)
    if (!ReadNumber(array[i], 0.0, 1.0, what + " component " + std::to_string(i + 1), stop.channels[i], error))
      return false;
  return true;
}

bool ReadColor(const Json& color, const std::string& where, JsonStop& stop, std::string& error) {
  if (color.is_string()) {
    const auto parsed = svg::ParseCssColor(color.get<std::string>());
    if (!parsed || parsed->space != svg::CssColor::Space::Rgb) {
      error = where + ": color \"" + color.get<std::string>() + "\" is not a colour";
      return false;
    }
    stop.channels = {parsed->channels[0], parsed->channels[1], parsed->channels[2], 0.0};
    stop.opacity *= parsed->alpha;
    return true;
  }
  if (color.is_object()) {
    const bool hasRgb = color.contains("rgb"), hasCmyk = color.contains("cmyk");
    if (hasRgb == hasCmyk) {
      error = where + ": color needs exactly one of \"rgb\" and \"cmyk\"";
      return false;
    }
    stop.cmyk = hasCmyk;
    return hasRgb ? ReadComponents(color["rgb"], 3, where + ": rgb", stop, error)
                  : ReadComponents(color["cmyk"], 4, where + ": cmyk", stop, error);
  }
  error = where + ": color must be \"#rrggbb\", {\"rgb\": [r, g, b]} or {\"cmyk\": [c, m, y, k]}";
  return false;
}

// As NumberText, without a string of its own.
void AppendNumber(std::string& out, double value) {
  if (value == 0.0) {
    out += '0';
    return;
  }
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void AppendArray(std::string& out, const double* values, std::size_t count) {
  out += '[';
  for (std::size_t i = 0; i < count; ++i) {
    if (i) out += ", ";
    AppendNumber(out, values[i]);
  }
  out += ']';
}

// A JSON string of `text`. Messages may quote bytes of a bad input line, so
// anything that is not well-formed UTF-8 becomes U+FFFD and the line stays
// valid JSON.
void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
    } else if (u >= 0x80) {
      const std::size_t length = Utf8SequenceLength(text.substr(i));
      if (length == 0) {
        out += "\\ufffd";
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    } else {
      out += c;
    }
    ++i;
  }
  out += '"';
}

// Lines of a stream, at most kMaxLineBytes each (longer ones are reported).
class LineReader {
 public:
  explicit LineReader(std::FILE* in) : in_(in) {}
  // False at the end. `tooLong` is set for a line that passed the limit.
  bool Next(std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    bool any = false;
    for (;;) {
      if (pos_ == end_) {
        end_ = std::fread(buffer_, 1, sizeof buffer_, in_);
        pos_ = 0;
        if (end_ == 0) return any;
      }
      any = true;
      const void* nl = std::memchr(buffer_ + pos_, '\n', end_ - pos_);
      const std::size_t stop = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_) : end_;
      if (!tooLong) {
        if (line.size() + (stop - pos_) > kMaxLineBytes) {
          tooLong = true;
          line.clear();
          line.shrink_to_fit();
        } else {
          line.append(buffer_ + pos_, stop - pos_);
        }
      }
      pos_ = nl ? stop + 1 : end_;
      if (nl) return true;
    }
  }
  bool failed() const { return std::ferror(in_) != 0; }

 private:
  std::FILE* in_;
  char buffer_[1 << 16];
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

}  // namespace

std::string NumberText(double value) {
  if (value == 0.0) return "0";
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::optional<JsonGradient> ReadGradientLineFully(std::string_view line, std::string& error) {
  Json json;
  try {
    json = Json::parse(line.begin(), line.end());
  } catch (const Json::exception& e) {
    // Syntax errors, and numbers too large for a double ("1e999"), which the
    // parser reports as out of range.
    std::string what = e.what();
    const auto start = what.find("parse error");
    const auto tag = what.find("] ");
    if (start != std::string::npos) what = what.substr(start);
    else if (tag != std::string::npos) what = what.substr(tag + 2);
    error = "not valid JSON (" + what + ")";
    return std::nullopt;
  }
  if (!json.is_object()) {
    error = "expected an object with \"stops\"";
    return std::nullopt;
  }
  JsonGradient gradient;
  if (json.contains("type")) {
    const Json& type = json["type"];
    if (type == "linear") gradient.type = 0;
    else if (type == "radial") gradient.type = 1;
    else {
      error = "type must be \"linear\" or \"radial\"";
      return std::nullopt;
    }
  }
  if (!json.contains("stops") || !json["stops"].is_array()) {
    error = "\"stops\" must be an array";
    return std::nullopt;
  }
  const Json& stops = json["stops"];
  if (stops.size() > kMaxJsonStops) {
    error = std::to_string(stops.size()) + " stops are more than a gradient holds (" + std::to_string(kMaxJsonStops) + ")";
    return std::nullopt;
  }
  gradient.stops.reserve(stops.size());
  double previous = 0.0;
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const Json& s = stops[i];
    const std::string where = "stop " + std::to_string(i + 1);
    if (!s.is_object()) {
      error = where + " is not an object";
      return std::nullopt;
    }
    JsonStop stop;
    if (!s.contains("position")) {
      error = where + ": \"position\" is missing";
      return std::nullopt;
    }
    if (!ReadNumber(s["position"], 0.0, 100.0, where + ": position", stop.position, error)) return std::nullopt;
    if (stop.position < previous) {
      error = where + ": position " + NumberText(stop.position) + " is before the previous stop's " + NumberText(previous);
      return std::nullopt;
    }
    previous = stop.position;
    if (s.contains("midpoint") && !ReadNumber(s["midpoint"], 0.0, 100.0, where + ": midpoint", stop.midpoint, error))
      return std::nullopt;
    if (s.contains("opacity") && !ReadNumber(s["opacity"], 0.0, 1.0, where + ": opacity", stop.opacity, error))
      return std::nullopt;
    if (!s.contains("color")) {
      error = where + ": \"color\" is missing";
      return std::nullopt;
    }
    if (!ReadColor(s["color"], where, stop, error)) return std::nullopt;
    gradient.stops.push_back(stop);
  }
  return gradient;
}

namespace {

// The quick reader: a cursor over one line that accepts only the documented
// shape written plainly, and gives up on anything else.
class PlainReader {
 public:
  explicit PlainReader(std::string_view text) : text_(text) {}

  std::optional<JsonGradient> Gradient() {
    JsonGradient gradient;
    bool haveType = false, haveStops = false;
    if (!Object([&](std::string_view key) {
          if (key == "type" && !haveType) {
            haveType = true;
            std::string_view type;
            if (!String(type)) return false;
            if (type == "linear") gradient.type = 0;
            else if (type == "radial") gradient.type = 1;
            else return false;
            return true;
          }
          if (key == "stops" && !haveStops) {
            haveStops = true;
            return Stops(gradient.stops);
          }
          return false;
        }))
      return std::nullopt;
    Space();
    if (pos_ != text_.size() || !haveStops) return std::nullopt;
    return gradient;
  }

 private:
  void Space() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n'))
      ++pos_;
  }
  bool Take(char c) {
    Space();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool Peek(char c) {
    Space();
    return pos_ < text_.size() && text_[pos_] == c;
  }

  // A string of printable ASCII without escapes.
  bool String(std::string_view& out) {
    if (!Take('"')) return false;
    const std::size_t start = pos_;
    for (; pos_ < text_.size(); ++pos_) {
      const auto c = static_cast<unsigned char>(text_[pos_]);
      if (c == '"') {
        out = text_.substr(start, pos_ - start);
        ++pos_;
        return true;
      }
      if (c < 0x20 || c >= 0x7f || c == '\\') return false;
    }
    return false;
  }

  // A number in JSON's syntax. An integer reads as the full reader's
  // integers do (so "-0" is 0); numbers a double cannot hold are left to it.
  bool Number(double& out) {
    Space();
    const std::size_t start = pos_;
    const auto digit = [&] { return pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9'; };
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    if (!digit()) return false;
    if (text_[pos_] == '0') ++pos_;
    else
      while (digit()) ++pos_;
    bool integer = true;
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      integer = false;
      if (!digit()) return false;
      while (digit()) ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      integer = false;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (!digit()) return false;
      while (digit()) ++pos_;
    }
    const char* first = text_.data() + start;
    const char* last = text_.data() + pos_;
    const auto result = std::from_chars(first, last, out);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(out)) return false;
    if (integer && out == 0.0) out = 0.0;
    return true;
  }

  bool NumberIn(double low, double high, double& out) { return Number(out) && out >= low && out <= high; }

  // An object whose every member `member(key)` reads (the value after the colon).
  template <class Member>
  bool Object(const Member& member) {
    if (!Take('{')) return false;
    if (Take('}')) return true;
    do {
      std::string_view key;
      if (!String(key) || !Take(':') || !member(key)) return false;
    } while (Take(','));
    return Take('}');
  }

  bool Components(std::size_t count, JsonStop& stop) {
    if (!Take('[')) return false;
    for (std::size_t i = 0; i < count; ++i) {
      if (i && !Take(',')) return false;
      if (!NumberIn(0.0, 1.0, stop.channels[i])) return false;
    }
    return Take(']');
  }

  bool Color(JsonStop& stop, double& alpha) {
    if (Peek('"')) {
      std::string_view text;
      if (!String(text)) return false;
      const auto parsed = svg::ParseCssColor(text);
      if (!parsed || parsed->space != svg::CssColor::Space::Rgb) return false;
      stop.channels = {parsed->channels[0], parsed->channels[1], parsed->channels[2], 0.0};
      alpha = parsed->alpha;
      return true;
    }
    bool any = false;
    return Object([&](std::string_view key) {
             if (any) return false;  // exactly one of the two
             any = true;
             if (key == "rgb") return Components(3, stop);
             if (key == "cmyk") {
               stop.cmyk = true;
               return Components(4, stop);
             }
             return false;
           }) &&
           any;
  }

  bool Stops(std::vector<JsonStop>& stops) {
    if (!Take('[')) return false;
    if (Take(']')) return true;
    double previous = 0.0;
    do {
      JsonStop stop;
      double alpha = 1.0;
      unsigned seen = 0;
      const auto once = [&](unsigned bit) {
        if (seen & bit) return false;
        seen |= bit;
        return true;
      };
      if (!Object([&](std::string_view key) {
            if (key == "position") return once(1) && NumberIn(0.0, 100.0, stop.position);
            if (key == "color") return once(2) && Color(stop, alpha);
            if (key == "opacity") return once(4) && NumberIn(0.0, 1.0, stop.opacity);
            if (key == "midpoint") return once(8) && NumberIn(0.0, 100.0, stop.midpoint);
            return false;
          }))
        return false;
      if ((seen & 3) != 3 || stop.position < previous || stops.size() >= kMaxJsonStops) return false;
      previous = stop.position;
      stop.opacity *= alpha;
      stops.push_back(stop);
    } while (Take(','));
    return Take(']');
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<JsonGradient> ReadPlainGradientLine(std::string_view line) { return PlainReader(line).Gradient(); }

std::optional<JsonGradient> ParseGradientLine(std::string_view line, std::string& error) {
  if (auto gradient = ReadPlainGradientLine(line)) return gradient;
  return ReadGradientLineFully(line, error);
}

namespace {

// FormatGradientLine, appended to `out`.
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

}  // namespace

std::string FormatGradientLine(const JsonGradient& gradient, bool unchanged) {
  std::string out;
  AppendGradientLine(out, gradient, unchanged);
  return out;
}

std::string FormatErrorLine(std::size_t lineNumber, std::string_view what) {
  std::string out = "{\"error\": ";
  AppendJsonString(out, "line " + std::to_string(lineNumber) + ": " + std::string(what));
  out += "}";
  return out;
}

namespace {

struct Line {
  std::optional<JsonGradient> gradient;
  std::string error;
  hostapi::GradientHandle source = nullptr;
  hostapi::ArtHandle path = nullptr;
};

// Lines are read, parsed and printed in chunks of at most this many lines (or
// bytes of text), each chunk shared between two threads.
constexpr std::size_t kChunkLines = 4096;
constexpr std::size_t kChunkBytes = 16u << 20;
constexpr std::size_t kMinShared = 64;  // fewer lines are not worth a thread

// Runs work(begin, end) over [0, count), the second half on another thread
// when there is enough to share and a thread to be had.
template <class Work>
void Shared(std::size_t count, const Work& work) {
  if (count < kMinShared) {
    work(std::size_t{0}, count);
    return;
  }
  const std::size_t half = count / 2;
  std::future<void> other;
  try {
    other = std::async(std::launch::async, [&] { work(half, count); });
  } catch (const std::system_error&) {
    work(std::size_t{0}, count);
    return;
  }
  work(std::size_t{0}, half);  // should this throw, `other` is waited for as it goes
  other.get();
}

void ParseLine(std::string& text, bool tooLong, Line& line) {
  if (!text.empty() && text.back() == '\r') text.pop_back();
  if (tooLong) line.error = "longer than " + std::to_string(kMaxLineBytes >> 20) + " MiB";
  else if (text.find_first_not_of(" \t") == std::string::npos) line.error = "empty line";
  else line.gradient = ParseGradientLine(text, line.error);
}

// The output line for `line` (the `index`th, from 0), with its newline.
// `scratch` holds the stops read back (kept between calls for its room).
void AppendResultLine(std::string& buffer, const host::Document& document, std::size_t index, const Line& line,
                      JsonGradient& scratch) {
  if (!line.gradient) {
    buffer += FormatErrorLine(index + 1, line.error);
  } else {
    const auto style = document.pathStyle(line.path);
    const hostapi::GradientHandle now =
        style && style->fillPaint && style->fillColor.kind == hostapi::kColorGradient ? style->fillColor.body.gradient.gradient
                                                                                     : nullptr;
    if (!now || now == line.source || !document.isGradient(now)) {
      AppendGradientLine(buffer, *line.gradient, true);
    } else {
      scratch.type = document.gradientType(now).value_or(0) == 1 ? 1 : 0;
      scratch.stops.clear();
      const std::size_t count = document.stopCount(now).value_or(0);
      for (std::size_t k = 0; k < count; ++k) {
        const hostapi::HostGradientStop s = *document.stop(now, k);
        JsonStop stop;
        stop.position = s.rampPoint;
        stop.midpoint = s.midPoint;
        stop.opacity = s.opacity;
        if (s.color.kind == hostapi::kColorThree)
          stop.channels = {s.color.body.rgb.red, s.color.body.rgb.green, s.color.body.rgb.blue, 0.0};
        scratch.stops.push_back(stop);
      }
      AppendGradientLine(buffer, scratch, false);
    }
  }
  buffer += '\n';
}

}  // namespace

int RunRespace(std::FILE* in, std::FILE* out, const std::string& pluginPath, Progress& progress) {
  std::vector<Line> lines;
  LineReader reader(in);
  progress.Stage("reading gradients");
  {
    std::vector<std::string> texts;
    std::vector<char> tooLong;
    std::string text;
    bool longLine = false;
    bool more = true;
    while (more) {
      std::size_t count = 0, bytes = 0;
      while (count < kChunkLines && bytes < kChunkBytes && (more = reader.Next(text, longLine))) {
        if (texts.size() <= count) texts.emplace_back(), tooLong.push_back(0);
        texts[count].swap(text);
        tooLong[count] = longLine;
        bytes += texts[count].size();
        ++count;
      }
      const std::size_t first = lines.size();
      lines.resize(first + count);
      Shared(count, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) ParseLine(texts[i], tooLong[i] != 0, lines[first + i]);
      });
      progress.Update(lines.size());
    }
  }
  if (reader.failed()) throw InputError(std::string("standard input: ") + std::strerror(errno));

  PluginSession session(pluginPath);
  host::Document& document = session.document();
  const hostapi::ArtHandle group = document.newGroup();
  progress.Stage("building the host document", lines.size());
  std::vector<hostapi::HostGradientStop> stops;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Line& line = lines[i];
    if (!line.gradient) continue;
    stops.clear();
    stops.reserve(line.gradient->stops.size());
    for (const JsonStop& s : line.gradient->stops) {
      const auto& c = s.channels;
      const hostapi::HostColor color = s.cmyk ? host::CmykColor(c[0], c[1], c[2], c[3]) : host::RgbColor(c[0], c[1], c[2]);
      stops.push_back(host::MakeStop(s.position, color, s.midpoint, s.opacity));
    }
    line.source = document.newGradient(line.gradient->type, stops);
    line.path = document.newPath(group);
    if (!line.source || !line.path ||
        !document.setPathStyle(line.path, host::MakePathStyle(host::GradientColor(line.source), std::nullopt))) {
      line.gradient.reset();
      line.error = "the host refused this gradient";
    }
    progress.Update(i + 1);
  }

  progress.Stage("re-spacing " + std::to_string(lines.size()) + " gradients");
  session.GoLive(group);

  progress.Stage("writing results", lines.size());
  int status = kExitOk;
  for (const Line& line : lines)
    if (!line.gradient) status = kExitBadInput;
  std::string buffer, second;
  for (std::size_t first = 0; first < lines.size(); first += kChunkLines) {
    const std::size_t count = std::min(kChunkLines, lines.size() - first);
    const std::size_t half = count < kMinShared ? count : count / 2;
    second.clear();
    Shared(count, [&](std::size_t begin, std::size_t end) {
      std::string& into = begin == 0 ? buffer : second;
      JsonGradient scratch;
      for (std::size_t i = begin; i < end; ++i) AppendResultLine(into, document, first + i, lines[first + i], scratch);
    });
    if (half < count) buffer += second;
    if (buffer.size() > (1 << 20)) {
      if (std::fwrite(buffer.data(), 1, buffer.size(), out) != buffer.size())
        throw InputError(std::string("cannot write standard output: ") + std::strerror(errno));
      buffer.clear();
    }
    progress.Update(first + count);
  }
  session.Shutdown();
  if (std::fwrite(buffer.data(), 1, buffer.size(), out) != buffer.size() || std::fflush(out) != 0)
    throw InputError(std::string("cannot write standard output: ") + std::strerror(errno));
  progress.Finish();
  return status;
}

}  // namespace evenhue::cli
