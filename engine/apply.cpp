#include "engine/apply.hpp"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "engine/edge_guard.hpp"
#include "engine/errors.hpp"
#include "engine/session.hpp"
#include "svg_host/host_binding.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::cli {

namespace {

// Warnings printed per document; the report holds every one.
constexpr std::size_t kWarningsShown = 20;

// A source stop's colour as drawn: CMYK through the host's conversion.
RgbTriple SourceRgb(const svg::GradientStop& s) {
  const auto& c = s.color.channels;
  if (s.color.space != svg::CssColor::Space::Cmyk) return {c[0], c[1], c[2]};
  const float cmyk[4] = {static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]),
                         static_cast<float>(c[3])};
  float rgb[3] = {0, 0, 0};
  PreviewCmykConverter().convert(cmyk, rgb);
  return {rgb[0], rgb[1], rgb[2]};
}

// The stops the report draws and the guard judges, from the source as read
// and from what the plug-in wrote.
std::vector<DrawStop> SourceDrawStops(const svg::GradientDef& def) {
  std::vector<DrawStop> out;
  out.reserve(def.stops.size());
  for (const svg::GradientStop& s : def.stops)
    out.push_back({s.offset, SourceRgb(s), svg::FractionOf(s.midpoint), s.opacity});
  return out;
}

std::vector<DrawStop> NewDrawStops(const std::vector<svg::RgbStop>& stops) {
  std::vector<DrawStop> out;
  out.reserve(stops.size());
  for (const svg::RgbStop& s : stops)
    out.push_back({s.offset, {s.red, s.green, s.blue}, svg::FractionOf(s.midpoint), s.opacity});
  return out;
}

}  // namespace

host::CmykConverter& PreviewCmykConverter() {
  static std::unique_ptr<host::CmykConverter> converter;
  if (!converter) {
    try {
      converter = host::MakeCmykConverter(host::kDefaultCmykProfile, host::kDefaultRgbProfile);
    } catch (const std::exception& e) {
      throw InputError(std::string("colour profiles: ") + e.what());
    }
  }
  return *converter;
}

ApplyResult ApplyDocument(ApplyRequest request, std::unique_ptr<PluginSession>& session, Progress& progress) {
  const std::string& name = request.name;
  progress.Stage("parsing " + name);
  svg::SvgDocument document = [&] {
    try {
      return svg::SvgDocument::Parse(std::move(request.text));
    } catch (const svg::SvgError& e) {
      throw InputError(name + ": " + e.what());
    }
  }();

  if (!session) session = std::make_unique<PluginSession>(request.pluginPath);
  progress.Stage("building the host document", document.ElementCount());
  svg::Binding binding;
  try {
    // The plug-in re-spaces a gradient paint from the gradient's stops alone.
    binding = svg::BindDocument(document, session->document(), request.selectIds, /*shareAlike=*/true);
  } catch (const svg::SvgError& e) {
    throw InputError(name + ": " + e.what());
  }

  progress.Stage("applying the effect", binding.inputs.size());
  for (std::size_t i = 0; i < binding.inputs.size(); ++i) {
    session->GoLive(binding.inputs[i]);
    progress.Update(i + 1);
  }

  progress.Stage("writing back", binding.gradientArt.size());
  ApplyResult result;
  result.warnings = std::move(binding.warnings);
  // Many paints share a source and a new ramp: their stops as drawn and the
  // guard's verdict are made once for each.
  std::vector<std::optional<std::vector<DrawStop>>> sourceDraw(binding.gradients.size());
  // Per new ramp (the plug-in's stops, shared by its rewrites): its stops as
  // drawn, and the verdict on it for the last source it was judged against.
  struct NewRamp {
    std::shared_ptr<const std::vector<svg::RgbStop>> stops;  // held, so that its address names no other ramp
    std::optional<std::vector<DrawStop>> drawn;
    std::size_t source = 0;
    std::optional<std::optional<Damage>> verdict;
  };
  std::unordered_map<const void*, NewRamp> ramps;
  ramps.reserve(binding.gradientArt.size());
  const auto describe = [&](const svg::Rewrite& r, const svg::BoundGradient& source) {
    GradientResult g;
    g.document = name;
    g.element = r.element.attribute("id").value();
    g.property = r.property;
    g.sourceId = source.def.id;
    g.stopsBefore = source.def.stops.size();
    std::optional<std::vector<DrawStop>>& drawn = sourceDraw[r.source];
    if (!drawn) drawn = SourceDrawStops(source.def);
    g.sourceStops = *drawn;
    return g;
  };
  // The re-spaced paints left alone, each with its place among all the re-spaced ones.
  std::vector<std::pair<std::size_t, GradientResult>> keptSource;
  const auto guard = [&](const svg::Rewrite& r, const svg::BoundGradient& source) {
    if (request.smoothEdges) return true;
    NewRamp& ramp = ramps[r.stops.get()];
    ramp.stops = r.stops;
    if (!ramp.verdict || ramp.source != r.source) {
      std::optional<std::vector<DrawStop>>& before = sourceDraw[r.source];
      if (!before) before = SourceDrawStops(source.def);
      if (!ramp.drawn) ramp.drawn = NewDrawStops(*r.stops);
      ramp.source = r.source;
      ramp.verdict = FindDamage(*before, *ramp.drawn);
    }
    const std::optional<Damage>& damage = *ramp.verdict;
    if (!damage) return true;
    result.warnings.push_back(svg::DescribeElement(r.element) + ": " + r.property + " gradient '" + source.def.id +
                              "': " + DescribeDamage(*damage) + "; left as it is");
    // Taken as if written, so that every other paint gets the id it would get anyway.
    document.FreshId(source.def.id);
    GradientResult g = describe(r, source);
    g.newId = source.def.id;
    g.stopsAfter = g.stopsBefore;
    g.leftAlone = kWouldBeWorse;
    keptSource.emplace_back(r.asked, std::move(g));
    return false;
  };
  std::vector<svg::Rewrite> rewrites = svg::WriteBack(document, session->document(), binding, result.warnings, guard);

  result.artCount = binding.artCount;
  for (const svg::BoundArt& art : binding.gradientArt) result.gradientPaints += (art.fill ? 1 : 0) + (art.stroke ? 1 : 0);
  // The art records are done with; the results take their place.
  std::vector<svg::BoundArt>().swap(binding.gradientArt);
  std::vector<svg::PaintDeclaration>().swap(binding.declarations);
  // Every re-spaced paint in the order the plug-in's results were read.
  result.gradients.reserve(rewrites.size() + keptSource.size());
  auto kept = keptSource.begin();
  for (const svg::Rewrite& r : rewrites) {
    for (; kept != keptSource.end() && kept->first < r.asked; ++kept) result.gradients.push_back(std::move(kept->second));
    GradientResult written = describe(r, binding.gradients[r.source]);
    written.newId = r.newId;
    written.stopsAfter = r.stops->size();
    std::optional<std::vector<DrawStop>>& drawn = ramps[r.stops.get()].drawn;
    if (!drawn) drawn = NewDrawStops(*r.stops);
    written.newStops = *drawn;
    result.gradients.push_back(std::move(written));
    ++result.rewritten;
  }
  for (; kept != keptSource.end(); ++kept) result.gradients.push_back(std::move(kept->second));
  std::vector<svg::Rewrite>().swap(rewrites);
  std::vector<std::pair<std::size_t, GradientResult>>().swap(keptSource);
  progress.Stage("serialising " + name);
  result.output = document.Serialize();
  return result;
}

ApplyResult ApplyDocument(ApplyRequest request, Progress& progress) {
  std::unique_ptr<PluginSession> session;
  ApplyResult result = ApplyDocument(std::move(request), session, progress);
  session->Shutdown();
  return result;
}

std::vector<std::string> LeftAloneLines(const std::string& name, const ApplyResult& result, bool notice) {
  std::vector<std::string> lines;
  const std::size_t shown = std::min(result.warnings.size(), kWarningsShown);
  for (std::size_t i = 0; i < shown; ++i) lines.push_back(name + ": warning: " + result.warnings[i]);
  if (result.warnings.size() > shown)
    lines.push_back(name + ": warning: " + std::to_string(result.warnings.size() - shown) +
                    " more warnings like these (--report lists them all)");
  if (!notice || result.rewritten > 0) return lines;
  if (result.gradientPaints == 0)
    lines.push_back(name + ": notice: nothing was re-spaced: no fill or stroke is painted with a gradient");
  else
    lines.push_back(name + ": notice: nothing was re-spaced: all " + std::to_string(result.gradientPaints) +
                    " gradient paints were left alone");
  return lines;
}

void TellLeftAlone(const std::string& name, const ApplyResult& result) {
  for (const std::string& line : LeftAloneLines(name, result, true)) std::fprintf(stderr, "evenhue: %s\n", line.c_str());
}

std::string ReportJson(const std::vector<GradientResult>& results, const std::vector<StripSet>& strips,
                       const std::vector<std::string>& warnings, const char* stripsDrawn) {
  nlohmann::ordered_json gradients = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < results.size(); ++i) {
    const GradientResult& r = results[i];
    nlohmann::ordered_json entry;
    entry["document"] = r.document;
    entry["element"] = r.element;
    entry["paint"] = r.property;
    entry["source"] = r.sourceId;
    entry["id"] = r.newId;
    entry["stopsBefore"] = r.stopsBefore;
    entry["stopsAfter"] = r.stopsAfter;
    if (!r.leftAlone.empty()) entry["leftAlone"] = r.leftAlone;
    if (i < strips.size()) {
      entry["deltaE2000"] = {
          {"before", {{"max", strips[i].before.max}, {"mean", strips[i].before.mean}}},
          {"after", {{"max", strips[i].after.max}, {"mean", strips[i].after.mean}}},
      };
    }
    gradients.push_back(std::move(entry));
  }
  nlohmann::ordered_json report;
  if (stripsDrawn) report["strips"] = stripsDrawn;
  report["gradients"] = std::move(gradients);
  report["warnings"] = warnings;
  // Names come from file names and SVG ids, which need not be UTF-8: such
  // bytes become U+FFFD rather than failing the run.
  return report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace evenhue::cli
