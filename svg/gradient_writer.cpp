#include "svg/gradient_writer.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#if defined(__EMSCRIPTEN__)
#include <emscripten/emscripten.h>

// JavaScript's own shortest digits that read back as `value`, the closest of
// that many (Number.prototype.toExponential without a precision), in the form
// of printf's %e: in WebAssembly printf and strtod compute in software long
// double, and finding the digits with them took a third of re-spacing.
EM_JS(void, evenhue_shortest_exponential, (double value, char* buffer, int size), {
  stringToUTF8(value.toExponential(), buffer, size);
});
#endif

namespace evenhue::svg {

void AppendShortestText(std::string& out, double value) {
  if (value == 0.0) {  // also turns -0 into 0
    out += '0';
    return;
  }
#if defined(__cpp_lib_to_chars)
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
#else
  out += ShortestTextByPrintf(value);
#endif
}

std::string ShortestText(double value) {
  std::string out;
  AppendShortestText(out, value);
  return out;
}

// The shortest digits that read back as `value` are the correctly rounded
// ones at the smallest precision that does; then the shorter of the fixed and
// the scientific form, fixed on a tie, as std::to_chars chooses. A fixed form
// longer than those digits shows the exact integer, the closest of that length.
std::string ShortestTextByPrintf(double value) {
  if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
  char buffer[400];
#if defined(__EMSCRIPTEN__)
  evenhue_shortest_exponential(value, buffer, sizeof buffer);
#else
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
#endif
  const std::string text = buffer;
  const std::size_t e = text.find('e');
  const bool negative = text[0] == '-';
  std::string mantissa;
  for (std::size_t i = negative ? 1 : 0; i < e; ++i)
    if (text[i] != '.') mantissa += text[i];
  const int exponent = std::atoi(text.c_str() + e + 1);
  const int count = static_cast<int>(mantissa.size());

  std::string scientific = mantissa.substr(0, 1);
  if (count > 1) scientific.append(".").append(mantissa, 1);
  const int magnitude = exponent < 0 ? -exponent : exponent;
  scientific.append(exponent < 0 ? "e-" : "e+").append(magnitude < 10 ? "0" : "").append(std::to_string(magnitude));

  std::string fixed;
  if (exponent < 0) {
    fixed.append("0.").append(static_cast<std::size_t>(-exponent - 1), '0').append(mantissa);
  } else if (exponent + 1 > count) {
    // Of the texts that long, the one closest to `value`: its exact digits.
    std::snprintf(buffer, sizeof buffer, "%.0f", negative ? -value : value);
    fixed = buffer;
  } else if (exponent + 1 == count) {
    fixed = mantissa;
  } else {
    fixed.append(mantissa, 0, static_cast<std::size_t>(exponent + 1))
        .append(".")
        .append(mantissa, static_cast<std::size_t>(exponent + 1));
  }
  std::string shortest = negative ? "-" : "";
  return shortest.append(fixed.size() <= scientific.size() ? fixed : scientific);
}

namespace {

// The line break and indentation that put `node` on a line of its own: the
// end of the text before it from its last line break, when only white space
// follows that; empty when the node shares its line with what precedes it.
std::string LineLead(pugi::xml_node text) {
  if (text.type() != pugi::node_pcdata) return {};
  const std::string_view value = text.value();
  const auto lf = value.rfind('\n');
  if (lf == std::string_view::npos || value.find_first_not_of(" \t\r", lf + 1) != std::string_view::npos) return {};
  return std::string(value.substr(lf));
}

// Where a new gradient and its children go: the line break and indentation
// before it (the source's), before each child (the source's children's, or a
// step deeper than the source when it has none) and before its end tag;
// empty when the source is not on a line of its own or (for the children)
// when the source's children share their lines.
struct Layout {
  std::string lead;      // before the new gradient
  std::string child;     // before each child
  std::string closing;   // before the end tag
};

Layout LayoutAfter(pugi::xml_node source) {
  Layout layout;
  layout.lead = LineLead(source.previous_sibling());
  if (layout.lead.empty()) return layout;
  pugi::xml_node first = source.first_child();
  while (first && first.type() != pugi::node_element) first = first.next_sibling();
  if (!first) {
    layout.child = layout.lead + (layout.lead.find('\t') != std::string::npos ? "\t" : "  ");
    layout.closing = layout.lead;
    return layout;
  }
  layout.child = LineLead(first.previous_sibling());
  layout.closing = LineLead(source.last_child());
  if (layout.child.empty() || layout.closing.empty()) layout.child = layout.closing = "";  // children inline
  return layout;
}

pugi::xml_node AppendChild(pugi::xml_node parent, const std::string& name, const Layout& layout) {
  if (!layout.child.empty()) parent.append_child(pugi::node_pcdata).set_value(layout.child.c_str());
  return parent.append_child(name.c_str());
}

// The true stops and midpoints in the form the source's tool wrote them:
// stop, midpoint (a fraction of its segment, in the colour of the stop
// before it), stop, ..., stop.
void AddMidpointRecord(pugi::xml_node gradient, const std::string& prefix, const std::vector<RgbStop>& stops,
                       const Layout& layout) {
  const std::string name = prefix + std::string(kMidpointRecordElement);
  // Entries without a prefix name the namespace themselves, as the source's did
  // (on the gradient it would take the gradient out of SVG's).
  const auto newEntry = [&] {
    pugi::xml_node entry = AppendChild(gradient, name, layout);
    if (prefix.empty() && NamespaceOf(entry) != kMidpointRecordNamespace)
      entry.append_attribute("xmlns").set_value(std::string(kMidpointRecordNamespace).c_str());
    return entry;
  };
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const RgbStop& s = stops[i];
    const std::string style = "stop-color:" + HexRgb(s.red, s.green, s.blue);
    pugi::xml_node entry = newEntry();
    entry.append_attribute("offset").set_value(ShortestText(std::clamp(s.offset, 0.0, 1.0)).c_str());
    entry.append_attribute("style").set_value(style.c_str());
    if (i + 1 == stops.size()) break;
    pugi::xml_node midpoint = newEntry();
    midpoint.append_attribute("offset").set_value(ShortestText(std::clamp(FractionOf(s.midpoint), 0.0, 1.0)).c_str());
    midpoint.append_attribute("style").set_value(style.c_str());
  }
  // The prefix may have been declared on the source gradient itself.
  if (gradient.last_child() && NamespaceOf(gradient.last_child()) != kMidpointRecordNamespace && !prefix.empty()) {
    const std::string xmlns = "xmlns:" + prefix.substr(0, prefix.size() - 1);
    gradient.append_attribute(xmlns.c_str()).set_value(std::string(kMidpointRecordNamespace).c_str());
  }
}

}  // namespace

namespace {

// The source's namespace prefix with its colon, if it has one.
std::string PrefixOf(const GradientDef& source) {
  const std::string_view name = source.element.name();
  const auto colon = name.rfind(':');
  return colon == std::string_view::npos ? "" : std::string(name.substr(0, colon + 1));
}

}  // namespace

std::string NewGradientKey(const GradientDef& source, GradientType type, const std::vector<RgbStop>& stops) {
  std::string key;
  key.reserve(64 + 16 * source.geometry.size() + 6 * sizeof(double) * stops.size());
  const auto add = [&](const void* bytes, std::size_t size) { key.append(static_cast<const char*>(bytes), size); };
  const auto addText = [&](std::string_view text) {
    const std::size_t size = text.size();
    add(&size, sizeof size);
    key.append(text);
  };
  // Shared among the paints of one source gradient only, so that a new id
  // still names the gradient it was made from (and the parent it stands in).
  const void* origin = source.element.internal_object();
  add(&origin, sizeof origin);
  add(&type, sizeof type);
  addText(PrefixOf(source));
  const auto& wanted = GeometryAttributes(type);
  for (const auto& [name, value] : source.geometry)
    if (std::find(wanted.begin(), wanted.end(), name) != wanted.end()) {
      addText(name);
      addText(value);
    }
  key += source.fromRecord ? '\1' : '\0';
  if (source.fromRecord) addText(source.recordPrefix);
  for (const RgbStop& s : stops)
    for (const double v : {s.offset, s.red, s.green, s.blue, s.opacity, s.midpoint}) add(&v, sizeof v);
  return key;
}

std::string AddGradient(SvgDocument& document, const GradientDef& source, GradientType type,
                        const std::vector<RgbStop>& stops) {
  // Keep the source's namespace prefix, if it has one.
  const std::string prefix = PrefixOf(source);

  pugi::xml_node parent = source.element.parent();
  const Layout layout = LayoutAfter(source.element);
  pugi::xml_node after = source.element;
  if (!layout.lead.empty()) {
    after = parent.insert_child_after(pugi::node_pcdata, after);
    after.set_value(layout.lead.c_str());
  }
  pugi::xml_node gradient = parent.insert_child_after(
      (prefix + (type == GradientType::Radial ? "radialGradient" : "linearGradient")).c_str(), after);
  const std::string id = document.FreshId(source.id);
  gradient.append_attribute("id").set_value(id.c_str());
  const auto& wanted = GeometryAttributes(type);
  for (const auto& [name, value] : source.geometry) {
    if (std::find(wanted.begin(), wanted.end(), name) != wanted.end())
      gradient.append_attribute(name.c_str()).set_value(value.c_str());
  }
  const std::string stopName = prefix + "stop";
  for (const RgbStop& s : stops) {
    pugi::xml_node stop = AppendChild(gradient, stopName, layout);
    stop.append_attribute("offset").set_value(ShortestText(std::clamp(s.offset, 0.0, 1.0)).c_str());
    stop.append_attribute("stop-color").set_value(HexRgb(s.red, s.green, s.blue).c_str());
    const double opacity = std::isnan(s.opacity) ? 1.0 : std::clamp(s.opacity, 0.0, 1.0);
    if (opacity != 1.0) stop.append_attribute("stop-opacity").set_value(ShortestText(opacity).c_str());
    stop.append_attribute("data-midpoint").set_value(ShortestText(s.midpoint).c_str());
  }
  if (source.fromRecord) AddMidpointRecord(gradient, source.recordPrefix, stops, layout);
  if (!layout.closing.empty()) gradient.append_child(pugi::node_pcdata).set_value(layout.closing.c_str());
  return id;
}

}  // namespace evenhue::svg
