#include "cli/demo.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli/apply.hpp"
#include "cli/errors.hpp"
#include "svg/file_io.hpp"

namespace evenhue::cli {

namespace {

std::string XmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

void MakeDirectories(const std::string& path) {
  std::string prefix;
  std::size_t start = 0;
  while (start <= path.size()) {
    const auto slash = path.find('/', start);
    prefix = path.substr(0, slash == std::string::npos ? path.size() : slash);
    start = slash == std::string::npos ? path.size() + 1 : slash + 1;
    if (prefix.empty()) continue;
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
      throw InputError("cannot create " + prefix + ": " + std::strerror(errno));
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) throw InputError(path + " is not a folder");
}

// One sheet with every sample before (left) and after (right), each embedded
// as an image so that their ids never collide.
std::string Sheet(const std::vector<EmbeddedFile>& examples, const std::vector<std::string>& outputs) {
  constexpr int kCell = 240, kHeight = 150, kLabel = 24, kGap = 16;
  const int rows = static_cast<int>(examples.size());
  const int width = 2 * kCell + 3 * kGap;
  const int height = kLabel + rows * (kHeight + kLabel + kGap) + kGap;
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
         std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
         "\" font-family=\"sans-serif\" font-size=\"13\">\n";
  svg += "  <rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  svg += "  <text x=\"" + std::to_string(kGap) + "\" y=\"18\" font-weight=\"bold\">source</text>\n";
  svg += "  <text x=\"" + std::to_string(2 * kGap + kCell) + "\" y=\"18\" font-weight=\"bold\">Evenhue</text>\n";
  for (int i = 0; i < rows; ++i) {
    const int top = kLabel + i * (kHeight + kLabel + kGap);
    svg += "  <text x=\"" + std::to_string(kGap) + "\" y=\"" + std::to_string(top + 16) + "\">" +
           XmlEscape(examples[i].name) + "</text>\n";
    const std::string before(reinterpret_cast<const char*>(examples[i].data), examples[i].size);
    const std::string* images[] = {&before, &outputs[i]};
    for (int side = 0; side < 2; ++side) {
      svg += "  <image x=\"" + std::to_string(kGap + side * (kCell + kGap)) + "\" y=\"" + std::to_string(top + kLabel) +
             "\" width=\"" + std::to_string(kCell) + "\" height=\"" + std::to_string(kHeight) +
             "\" href=\"data:image/svg+xml;base64," + Base64(*images[side]) + "\"/>\n";
    }
  }
  svg += "</svg>\n";
  return svg;
}

std::string Fixed(double value, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%*.2f", width, value);
  return buffer;
}

// Columns a text takes on a terminal: one per UTF-8 character.
std::size_t Columns(std::string_view text) {
  std::size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xc0) != 0x80) ++n;
  return n;
}

std::string Padded(std::string text, std::size_t width) {
  const std::size_t columns = Columns(text);
  if (columns < width) text.append(width - columns, ' ');
  return text;
}

}  // namespace

std::string Base64(std::string_view data) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(data[i]) << 16) | (static_cast<unsigned char>(data[i + 1]) << 8) |
                       static_cast<unsigned char>(data[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i < data.size()) {
    unsigned v = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < data.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

void RunDemo(const std::string& directory, const std::string& pluginPath, std::FILE* out, Progress& progress) {
  const auto& examples = EmbeddedExamples();
  std::vector<GradientResult> results;
  std::vector<std::string> outputs;
  for (const EmbeddedFile& example : examples) {
    ApplyRequest request;
    request.name = example.name;
    request.text.assign(reinterpret_cast<const char*>(example.data), example.size);
    request.pluginPath = pluginPath;
    ApplyResult result = ApplyDocument(std::move(request), progress);
    outputs.push_back(std::move(result.output));
    for (auto& g : result.gradients) results.push_back(std::move(g));
  }
  const auto strips = MakeStrips(results, kPreviewWidth);
  const std::string png = EncodePng(LayoutPreview(strips, kPreviewWidth));
  const std::string report = ReportJson(results, strips);
  const std::string sheet = Sheet(examples, outputs);
  progress.Finish();

  MakeDirectories(directory);
  const std::string base = directory.empty() || directory.back() == '/' ? directory : directory + "/";
  try {
    svg::WriteOutput(base + "evenhue.svg", sheet);
    svg::WriteOutput(base + "ramps.png", png);
    svg::WriteOutput(base + "report.json", report);
  } catch (const svg::FileError& e) {
    throw InputError(e.what());
  }

  // The gradient column is as wide as its longest name.
  std::vector<std::string> names;
  names.reserve(results.size());
  std::size_t nameWidth = Columns("gradient");
  for (const GradientResult& r : results) {
    std::string name = r.document + " #" + r.sourceId + " (" + r.property;
    if (!r.element.empty()) name += " of #" + r.element;
    name += ")";
    nameWidth = std::max(nameWidth, Columns(name));
    names.push_back(std::move(name));
  }
  std::string table;
  table += Padded("gradient", nameWidth) + "  stops        dE2000 before   dE2000 after\n";
  table += Padded("", nameWidth) + "                  max    mean       max    mean\n";
  for (std::size_t i = 0; i < results.size(); ++i) {
    const GradientResult& r = results[i];
    const std::string& name = names[i];
    char stops[32];
    std::snprintf(stops, sizeof stops, "%3zu \xe2\x86\x92 %-5zu", r.stopsBefore, r.stopsAfter);
    table += Padded(name, nameWidth) + "  " + stops + "  " + Fixed(strips[i].before.max, 6) + "  " +
             Fixed(strips[i].before.mean, 6) + "    " + Fixed(strips[i].after.max, 6) + "  " +
             Fixed(strips[i].after.mean, 6) + "\n";
  }
  table += "\nwrote " + base + "evenhue.svg, " + base + "ramps.png and " + base + "report.json\n";
  std::fputs(table.c_str(), out);
  std::fflush(out);
}

}  // namespace evenhue::cli
