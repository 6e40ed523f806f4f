#include "svg/gradient_writer.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace evenhue::svg {

std::string ShortestText(double value) {
  if (value == 0.0) return "0";  // also turns -0 into 0
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string AddGradient(SvgDocument& document, const GradientDef& source, GradientType type,
                        const std::vector<RgbStop>& stops) {
  // Keep the source's namespace prefix, if it has one.
  const std::string_view sourceName = source.element.name();
  const auto colon = sourceName.rfind(':');
  const std::string prefix = colon == std::string_view::npos ? "" : std::string(sourceName.substr(0, colon + 1));

  pugi::xml_node parent = source.element.parent();
  pugi::xml_node gradient = parent.insert_child_after(
      (prefix + (type == GradientType::Radial ? "radialGradient" : "linearGradient")).c_str(), source.element);
  const std::string id = document.FreshId(source.id);
  gradient.append_attribute("id").set_value(id.c_str());
  const auto& wanted = GeometryAttributes(type);
  for (const auto& [name, value] : source.geometry) {
    if (std::find(wanted.begin(), wanted.end(), name) != wanted.end())
      gradient.append_attribute(name.c_str()).set_value(value.c_str());
  }
  const std::string stopName = prefix + "stop";
  for (const RgbStop& s : stops) {
    pugi::xml_node stop = gradient.append_child(stopName.c_str());
    stop.append_attribute("offset").set_value(ShortestText(std::clamp(s.offset, 0.0, 1.0)).c_str());
    stop.append_attribute("stop-color").set_value(HexRgb(s.red, s.green, s.blue).c_str());
    const double opacity = std::isnan(s.opacity) ? 1.0 : std::clamp(s.opacity, 0.0, 1.0);
    if (opacity != 1.0) stop.append_attribute("stop-opacity").set_value(ShortestText(opacity).c_str());
    stop.append_attribute("data-midpoint").set_value(ShortestText(s.midpoint).c_str());
  }
  return id;
}

}  // namespace evenhue::svg
