#include "cli/respace.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "cli/errors.hpp"
#include "cli/line_reader.hpp"
#include "cli/session.hpp"
#include "cli/two_halves.hpp"
#include "host/document.hpp"

namespace evenhue::cli {

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
  LineReader reader(in, kMaxLineBytes);
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
      InTwoHalves(count, [&](std::size_t begin, std::size_t end) {
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
    second.clear();
    // The first half (or all) is written into `buffer`, the second into `second`.
    InTwoHalves(count, [&](std::size_t begin, std::size_t end) {
      std::string& into = begin == 0 ? buffer : second;
      JsonGradient scratch;
      for (std::size_t i = begin; i < end; ++i) AppendResultLine(into, document, first + i, lines[first + i], scratch);
    });
    buffer += second;
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
