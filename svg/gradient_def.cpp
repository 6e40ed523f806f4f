#include "svg/gradient_def.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "svg/css_number.hpp"
#include "svg/paint.hpp"

namespace evenhue::svg {

namespace {

std::string Quoted(std::string_view id) {
  std::string quoted;
  quoted.reserve(id.size() + 2);
  quoted.append(1, '\'').append(id).append(1, '\'');
  return quoted;
}

// The href of a gradient element: SVG 2's plain href wins over xlink:href.
std::optional<std::string_view> Href(pugi::xml_node element) {
  if (const pugi::xml_attribute a = element.attribute("href")) return TrimCss(a.value());
  for (pugi::xml_attribute a : element.attributes()) {
    const std::string_view name = a.name();
    if (name.size() > 5 && name.substr(name.size() - 5) == ":href") return TrimCss(a.value());
  }
  return std::nullopt;
}

bool HasStops(pugi::xml_node element) {
  for (pugi::xml_node child : element.children())
    if (child.type() == pugi::node_element && LocalName(child) == "stop") return true;
  return false;
}

// The computed `color` of an element, for currentColor in its stops: its own
// declaration or the nearest ancestor's, black at the root.
std::optional<CssColor> InheritedColor(pugi::xml_node element) {
  for (pugi::xml_node e = element; e && e.type() == pugi::node_element; e = e.parent()) {
    if (const auto value = DeclaredValue(e, "color")) {
      if (AsciiLower(*value) == "inherit" || AsciiLower(*value) == "currentcolor") continue;
      return ParseCssColor(*value);
    }
  }
  return CssColor::Rgb(0, 0, 0);
}

}  // namespace

bool IsGradientElement(pugi::xml_node element) {
  const std::string_view name = LocalName(element);
  return element.type() == pugi::node_element && (name == "linearGradient" || name == "radialGradient");
}

const std::vector<std::string>& GeometryAttributes(GradientType type) {
  static const std::vector<std::string> linear = {"x1", "y1", "x2", "y2", "gradientUnits", "gradientTransform",
                                                  "spreadMethod"};
  static const std::vector<std::string> radial = {"cx", "cy", "r", "fx", "fy", "fr", "gradientUnits",
                                                  "gradientTransform", "spreadMethod"};
  return type == GradientType::Radial ? radial : linear;
}

double ParseStopOffset(std::string_view text) {
  const auto value = ParseNumberOrPercent(text);
  if (!value || std::isnan(*value)) return 0.0;
  return std::clamp(*value, 0.0, 1.0);
}

GradientDef ResolveGradient(const SvgDocument& document, pugi::xml_node element) {
  GradientDef def;
  def.element = element;
  def.id = element.attribute("id").value();
  def.type = LocalName(element) == "radialGradient" ? GradientType::Radial : GradientType::Linear;
  const std::string label = "gradient " + Quoted(def.id);

  // The chain: this element, then each href target in turn.
  std::vector<pugi::xml_node> chain{element};
  std::unordered_set<const void*> seen{element.internal_object()};
  for (pugi::xml_node at = element;;) {
    const auto href = Href(at);
    if (!href || href->empty()) break;
    if (href->front() != '#')
      throw SvgError(label + ": href " + Quoted(*href) + " is not a reference within the document");
    const std::string_view target = href->substr(1);
    const pugi::xml_node next = document.FindById(target);
    if (!next) throw SvgError(label + ": href to " + Quoted(*href) + ", which does not exist");
    if (!IsGradientElement(next))
      throw SvgError(label + ": href to " + Quoted(*href) + ", which is not a gradient");
    if (!seen.insert(next.internal_object()).second)
      throw SvgError(label + ": href chain loops back to " + Quoted(target));
    chain.push_back(next);
    at = next;
  }

  for (const std::string& name : GeometryAttributes(def.type)) {
    for (pugi::xml_node link : chain) {
      if (const pugi::xml_attribute a = link.attribute(name.c_str())) {
        def.geometry.emplace_back(name, a.value());
        break;
      }
    }
  }

  pugi::xml_node holder;
  for (pugi::xml_node link : chain)
    if (HasStops(link)) {
      holder = link;
      break;
    }
  if (!holder) return def;

  std::optional<CssColor> currentColor;
  double previous = 0.0;
  std::size_t index = 0;
  for (pugi::xml_node stop : holder.children()) {
    if (stop.type() != pugi::node_element || LocalName(stop) != "stop") continue;
    ++index;
    if (def.stops.size() >= document.limits().maxStops)
      throw SvgError(label + ": more than " + std::to_string(document.limits().maxStops) + " stops");
    const std::string where = label + ": stop " + std::to_string(index);

    GradientStop out;
    const auto offset = DeclaredValue(stop, "offset");
    out.offset = std::max(previous, offset ? ParseStopOffset(*offset) : 0.0);
    previous = out.offset;

    std::string_view colorText = "black";
    if (const auto declared = DeclaredValue(stop, "stop-color")) colorText = *declared;
    std::string lower = AsciiLower(colorText);
    if (lower == "inherit") {
      const auto parentValue = DeclaredValue(holder, "stop-color");
      colorText = parentValue ? *parentValue : "black";
      lower = AsciiLower(colorText);
    }
    if (lower == "currentcolor") {
      if (!currentColor) currentColor = InheritedColor(stop);
      if (!currentColor) throw SvgError(where + ": its color property is not a colour");
      out.color = *currentColor;
    } else if (auto color = ParseCssColor(colorText)) {
      out.color = *color;
    } else {
      throw SvgError(where + ": stop-color " + Quoted(colorText) + " is not a colour");
    }

    double opacity = 1.0;
    if (const auto declared = DeclaredValue(stop, "stop-opacity")) {
      const auto value = ParseNumberOrPercent(*declared);
      if (!value || std::isnan(*value)) throw SvgError(where + ": stop-opacity " + Quoted(*declared) + " is not a number");
      opacity = std::clamp(*value, 0.0, 1.0);
    }
    out.opacity = opacity * out.color.alpha;
    out.color.alpha = 1.0;

    if (const pugi::xml_attribute midpoint = stop.attribute("data-midpoint")) {
      const auto value = ParseCssNumber(midpoint.value());
      if (!value || !std::isfinite(*value))
        throw SvgError(where + ": data-midpoint " + Quoted(midpoint.value()) + " is not a number");
      out.midpoint = std::clamp(*value, 0.0, 100.0);
    }
    def.stops.push_back(out);
  }
  return def;
}

}  // namespace evenhue::svg
