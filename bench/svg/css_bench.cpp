// Style sheets as a tool writes them for a large drawing: one class rule per
// gradient (".c7{fill:url(#g7)}"), one element per class.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "svg/css_sheet.hpp"

namespace {

using evenhue::svg::css::StyleSheet;

constexpr int kCount = 10'000;
constexpr std::array<std::string_view, 5> kWanted{"fill", "stroke", "color", "stop-color", "stop-opacity"};

std::string Sheet() {
  std::string text;
  for (int i = 0; i < kCount; ++i) {
    const std::string n = std::to_string(i);
    text += ".c" + n + "{fill:url(#g" + n + ");stroke:none}\n";
  }
  return text;
}

std::string Document() {
  std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\"><g>";
  for (int i = 0; i < kCount; ++i) text += "<rect class=\"c" + std::to_string(i) + "\" width=\"1\" height=\"1\"/>";
  return text + "</g></svg>";
}

void ReadSheet(benchmark::State& state) {
  const std::string text = Sheet();
  for (auto _ : state) {
    StyleSheet sheet(kWanted);
    std::vector<std::string> warnings;
    sheet.Add(text, warnings);
    benchmark::DoNotOptimize(sheet.empty());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

void MatchEveryElement(benchmark::State& state) {
  StyleSheet sheet(kWanted);
  std::vector<std::string> warnings;
  sheet.Add(Sheet(), warnings);
  const std::string text = Document();
  pugi::xml_document doc;
  doc.load_string(text.c_str());
  std::vector<pugi::xml_node> elements;
  for (pugi::xml_node n : doc.document_element().first_child().children()) elements.push_back(n);
  std::size_t matches = 0;
  for (auto _ : state) {
    for (const pugi::xml_node element : elements)
      sheet.ForEachMatch(element, [&](const StyleSheet::Match&) { ++matches; });
  }
  benchmark::DoNotOptimize(matches);
  state.counters["elements"] = static_cast<double>(elements.size());
}

BENCHMARK(ReadSheet)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(MatchEveryElement)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
