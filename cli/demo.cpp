#include "cli/demo.hpp"

#include <algorithm>

#include "engine/apply.hpp"
#include "engine/errors.hpp"
#include "cli/files.hpp"
#include "engine/session.hpp"
#include "engine/text.hpp"
#include "svg/file_io.hpp"

namespace evenhue::cli {

namespace {

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
           XmlText(examples[i].name) + "</text>\n";
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

void RunDemo(const std::string& directory, const std::string& pluginPath, std::FILE* out, Progress& progress) {
  const auto& examples = EmbeddedExamples();
  std::vector<GradientResult> results;
  std::vector<std::string> outputs;
  std::unique_ptr<PluginSession> session;  // one for every sample
  for (const EmbeddedFile& example : examples) {
    ApplyRequest request;
    request.name = example.name;
    request.text.assign(reinterpret_cast<const char*>(example.data), example.size);
    request.pluginPath = pluginPath;
    ApplyResult result = ApplyDocument(std::move(request), session, progress);
    outputs.push_back(std::move(result.output));
    for (auto& g : result.gradients) results.push_back(std::move(g));
  }
  if (session) session->Shutdown();
  progress.Stage("drawing previews");
  std::vector<StripSet> strips;
  // The picture of the ramps: PNG where this build renders it, else its SVG document.
  const std::string ramps = RendersPng() ? "ramps.png" : "ramps.svg";
  std::string picture;
  try {
    strips = MakeStrips(results, kPreviewWidth);
    SvgPicture drawn = PreviewSvg(results, strips, kPreviewWidth);
    picture = RendersPng() ? RenderPng(drawn) : std::move(drawn.text);
  } catch (const std::runtime_error& e) {
    throw InputError(std::string("preview: ") + e.what());
  }
  const std::string report = ReportJson(results, strips, {}, StripsDrawnNote());
  const std::string sheet = Sheet(examples, outputs);
  progress.Finish();

  MakeDirectories(directory);
  const std::string base = directory.empty() || directory.back() == '/' ? directory : directory + "/";
  try {
    svg::WriteOutput(base + "evenhue.svg", sheet);
    svg::WriteOutput(base + ramps, picture);
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
  table += "\nwrote " + base + "evenhue.svg, " + base + ramps + " and " + base + "report.json\n";
  std::fputs(table.c_str(), out);
  std::fflush(out);
}

}  // namespace evenhue::cli
