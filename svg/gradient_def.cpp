#include "svg/gradient_def.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>

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

// How far a <stop> may lie from a record entry and still be the same stop
// (both are written from the same value, to four decimals or more).
constexpr double kRecordOffsetTolerance = 1e-4;

bool IsRecordEntry(pugi::xml_node node) {
  return node.type() == pugi::node_element && LocalName(node) == kMidpointRecordElement &&
         NamespaceOf(node) == kMidpointRecordNamespace;
}

// The colour a stop (or a record entry) gives: its computed stop-color, with
// currentColor taken from its own computed color.
CssColor StopColorOf(const ComputedStyle& style) {
  const std::string& text = style[Property::StopColor].value;
  if (AsciiLower(text) == "currentcolor") {
    const auto color = ParseSvgColor(style[Property::Color].value);
    return color ? *color : CssColor::Rgb(0, 0, 0);
  }
  const auto color = ParseSvgColor(text);
  return color ? *color : CssColor::Rgb(0, 0, 0);  // the cascade keeps only valid values
}

double StopOpacityOf(const ComputedStyle& style) {
  const auto value = ParseNumberOrPercent(style[Property::StopOpacity].value);
  return value && !std::isnan(*value) ? std::clamp(*value, 0.0, 1.0) : 1.0;
}

// The record's n true stops with their midpoints, when it is well-formed:
// 2n - 1 entries alternating stop, midpoint, stop, ..., stop; stop offsets
// non-decreasing within 0-1; midpoints (fractions of their segment) within
// 0-1. Otherwise the reason it is not used.
struct Record {
  std::vector<GradientStop> stops;
  std::string prefix;
  std::string problem;  // empty when well-formed
};

Record ReadRecord(Cascade& cascade, const std::vector<pugi::xml_node>& entries,
                  const std::vector<GradientStop>& approximation) {
  Record record;
  const std::string_view name = entries.front().name();
  record.prefix = std::string(name.substr(0, name.size() - LocalName(entries.front()).size()));
  if (entries.size() % 2 == 0) {
    record.problem = std::to_string(entries.size()) + " entries, not stops and midpoints in turn";
    return record;
  }
  double previous = 0.0;
  std::string colourless;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const pugi::xml_attribute offsetAttribute = entries[i].attribute("offset");
    const auto value = ParseCssNumber(offsetAttribute.value());
    if (!offsetAttribute || !value || !(*value >= 0.0 && *value <= 1.0)) {
      record.problem = "entry " + std::to_string(i + 1) + " has offset '" + offsetAttribute.value() +
                       "', not a number within 0-1";
      return record;
    }
    if (i % 2 == 1) {
      // In percent, as data-midpoint; the plug-in keeps it within its own range.
      record.stops.back().midpoint = PercentOf(*value);
      continue;
    }
    if (*value < previous) {
      record.problem = "entry " + std::to_string(i + 1) + " goes back to offset " + offsetAttribute.value();
      return record;
    }
    previous = *value;
    GradientStop stop;
    stop.offset = *value;
    const ComputedStyle style = cascade.Compute(entries[i]);
    // A stop entry without a valid colour of its own would be black: the record says nothing usable.
    if (style[Property::StopColor].origin == Origin::Initial && colourless.empty())
      colourless = "entry " + std::to_string(i + 1) + " has no valid stop-color";
    stop.color = StopColorOf(style);
    // The record holds no opacity: the <stop> at the same place has it.
    stop.opacity = 1.0;
    for (const GradientStop& s : approximation)
      if (std::abs(s.offset - stop.offset) <= kRecordOffsetTolerance) {
        stop.opacity = s.opacity;
        break;
      }
    stop.color.alpha = 1.0;
    record.stops.push_back(stop);
  }
  record.problem = std::move(colourless);
  return record;
}

}  // namespace

std::string_view NamespaceOf(pugi::xml_node element) {
  const std::string_view name = element.name();
  const auto colon = name.rfind(':');
  const std::string attribute =
      colon == std::string_view::npos ? std::string("xmlns") : "xmlns:" + std::string(name.substr(0, colon));
  for (pugi::xml_node e = element; e && e.type() == pugi::node_element; e = e.parent())
    if (const pugi::xml_attribute a = e.attribute(attribute.c_str())) return a.value();
  return {};
}

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
  Warnings ignored;
  Cascade cascade(document, ignored);
  return ResolveGradient(document, cascade, element, ignored);
}

GradientDef ResolveGradient(const SvgDocument& document, Cascade& cascade, pugi::xml_node element,
                            Warnings& warnings) {
  return GradientResolver(document, cascade, warnings).Resolve(element);
}

namespace {

// The geometric attributes of both types, each once.
const std::vector<std::string>& AllGeometryAttributes() {
  static const std::vector<std::string> all = [] {
    std::vector<std::string> names = GeometryAttributes(GradientType::Linear);
    for (const std::string& name : GeometryAttributes(GradientType::Radial))
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    return names;
  }();
  return all;
}

}  // namespace

// What the href chain from one element gives.
struct GradientResolver::Chain {
  std::vector<pugi::xml_attribute> geometry;  // by AllGeometryAttributes(): the first link's that has it
  pugi::xml_node holder;                      // the first link with stops
  pugi::xml_node brokenAt;                    // the link whose href is ignored, if any
  std::string href;                           // its href
  std::string problem;                        // and what is wrong with it
};

GradientResolver::GradientResolver(const SvgDocument& document, Cascade& cascade, Warnings& warnings)
    : document_(document), cascade_(cascade), warnings_(warnings) {}
GradientResolver::~GradientResolver() = default;

const GradientResolver::Chain& GradientResolver::ChainOf(pugi::xml_node element) {
  if (const auto found = chains_.find(element.internal_object()); found != chains_.end()) return found->second;
  const auto& names = AllGeometryAttributes();
  // An element's own part of a chain: its attributes and stops, in front of
  // what the rest of the chain gives.
  const auto own = [&](pugi::xml_node link, const Chain* rest) {
    Chain chain;
    chain.geometry.resize(names.size());
    // One pass over the link's attributes; the first of a name counts, as link.attribute(name) finds it.
    for (const pugi::xml_attribute a : link.attributes()) {
      const std::string_view name = a.name();
      for (std::size_t i = 0; i < names.size(); ++i)
        if (!chain.geometry[i] && name == names[i]) {
          chain.geometry[i] = a;
          break;
        }
    }
    if (rest)
      for (std::size_t i = 0; i < names.size(); ++i)
        if (!chain.geometry[i]) chain.geometry[i] = rest->geometry[i];
    chain.holder = HasStops(link) ? link : rest ? rest->holder : pugi::xml_node();
    if (rest) {
      chain.brokenAt = rest->brokenAt;
      chain.href = rest->href;
      chain.problem = rest->problem;
    }
    return chain;
  };
  // A gradient linking nowhere (most are) is its own chain: not remembered,
  // as one linking to it finds it again at once.
  if (const auto href = Href(element); !href || href->empty()) {
    if (!unlinked_) unlinked_ = std::make_unique<Chain>();
    *unlinked_ = own(element, nullptr);
    return *unlinked_;
  }

  // Follow the links from `element` until one ends the chain, one leads to
  // an element whose chain is known, or one leads back into the path.
  std::vector<pugi::xml_node> path{element};
  std::unordered_map<const void*, std::size_t> onPath;  // for long paths; short ones are searched
  constexpr std::size_t kSearched = 32;
  const auto find = [&](pugi::xml_node node) -> std::size_t {
    if (path.size() <= kSearched) {
      const auto it = std::find(path.begin(), path.end(), node);
      return it == path.end() ? path.size() : static_cast<std::size_t>(it - path.begin());
    }
    if (onPath.empty())
      for (std::size_t k = 0; k < path.size(); ++k) onPath.emplace(path[k].internal_object(), k);
    const auto it = onPath.find(node.internal_object());
    return it == onPath.end() ? path.size() : it->second;
  };
  const Chain* known = nullptr;
  constexpr std::size_t kNoLoop = static_cast<std::size_t>(-1);
  std::size_t cycleFrom = kNoLoop;  // where the path loops back to, if it does
  Chain last;
  for (;;) {
    const pugi::xml_node at = path.back();
    const auto href = Href(at);
    if (!href || href->empty()) {
      last = own(at, nullptr);
      break;
    }
    std::string problem;
    pugi::xml_node next;
    if (href->front() != '#') {
      problem = "is not a reference within the document";
    } else {
      next = document_.FindById(href->substr(1));
      if (!next) problem = "refers to nothing";
      else if (!IsGradientElement(next)) problem = "refers to " + DescribeElement(next) + ", which is not a gradient";
    }
    if (!problem.empty()) {
      last = own(at, nullptr);
      last.brokenAt = at;
      last.href = std::string(*href);
      last.problem = std::move(problem);
      break;
    }
    if (const auto found = chains_.find(next.internal_object()); found != chains_.end()) {
      known = &found->second;
      last = own(at, known);
      break;
    }
    if (const std::size_t back = find(next); back < path.size()) {
      cycleFrom = back;
      break;
    }
    if (!onPath.empty()) onPath.emplace(next.internal_object(), path.size());
    path.push_back(next);
  }

  std::size_t rest = 0;  // path[rest..] have their chains
  if (cycleFrom != kNoLoop) {
    // Each element of a loop sees the loop from itself on, and its link from
    // the element before it back to itself is the one ignored.
    const std::size_t n = path.size() - cycleFrom;
    const auto member = [&](std::size_t k) { return path[cycleFrom + k % n]; };
    std::vector<Chain> loop(n);
    for (std::size_t k = 0; k < n; ++k) {
      loop[k].geometry.resize(names.size());
      const pugi::xml_node before = member(k + n - 1);
      loop[k].brokenAt = before;
      loop[k].href = std::string(*Href(before));
      loop[k].problem = "loops back into its own chain";
    }
    // Walking the loop backwards twice, the nearest link with each attribute
    // (and with stops) from every element on.
    std::vector<pugi::xml_attribute> nearest(names.size());
    pugi::xml_node holder;
    for (std::size_t step = 2 * n; step-- > 0;) {
      const pugi::xml_node link = member(step);
      for (std::size_t i = 0; i < names.size(); ++i)
        if (const pugi::xml_attribute a = link.attribute(names[i].c_str())) nearest[i] = a;
      if (HasStops(link)) holder = link;
      if (step < n) {
        loop[step].geometry = nearest;
        loop[step].holder = holder;
      }
    }
    for (std::size_t k = 0; k < n; ++k) chains_.emplace(member(k).internal_object(), std::move(loop[k]));
    rest = cycleFrom;
  } else {
    rest = path.size() - 1;
    chains_.emplace(path[rest].internal_object(), std::move(last));
  }
  for (std::size_t k = rest; k-- > 0;) {
    const Chain& after = chains_.at(path[k + 1].internal_object());
    Chain chain = own(path[k], &after);
    chains_.emplace(path[k].internal_object(), std::move(chain));
  }
  return chains_.at(element.internal_object());
}

GradientDef GradientResolver::Resolve(pugi::xml_node element) {
  const SvgDocument& document = document_;
  Cascade& cascade = cascade_;
  Warnings& warnings = warnings_;
  GradientDef def;
  def.element = element;
  def.id = element.attribute("id").value();
  def.type = LocalName(element) == "radialGradient" ? GradientType::Radial : GradientType::Linear;
  const std::string label = "gradient " + Quoted(def.id);

  // The chain: this element, then each href target in turn. A link that
  // leads nowhere usable is ignored from there on, as renderers do.
  const Chain& chain = ChainOf(element);
  if (chain.brokenAt) {
    const std::string from =
        chain.brokenAt == element ? label : label + " (through " + DescribeElement(chain.brokenAt) + ")";
    warnings.push_back(from + ": href " + Quoted(chain.href) + " " + chain.problem + "; the link is ignored");
  }

  const auto& names = AllGeometryAttributes();
  for (const std::string& name : GeometryAttributes(def.type)) {
    const std::size_t i = static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
    if (chain.geometry[i]) def.geometry.emplace_back(name, chain.geometry[i].value());
  }

  const pugi::xml_node holder = chain.holder;
  if (!holder) return def;

  double previous = 0.0;
  std::size_t index = 0;
  std::vector<pugi::xml_node> record;
  for (pugi::xml_node stop : holder.children()) {
    if (IsRecordEntry(stop)) record.push_back(stop);
    if (stop.type() != pugi::node_element || LocalName(stop) != "stop") continue;
    ++index;
    if (def.stops.size() >= document.limits().maxStops)
      throw SvgError(label + ": more than " + std::to_string(document.limits().maxStops) + " stops");

    GradientStop out;
    const pugi::xml_attribute offset = stop.attribute("offset");
    out.offset = std::max(previous, offset ? ParseStopOffset(offset.value()) : 0.0);
    previous = out.offset;

    const ComputedStyle style = cascade.Compute(stop);
    out.color = StopColorOf(style);
    out.opacity = StopOpacityOf(style) * out.color.alpha;
    out.color.alpha = 1.0;

    if (const pugi::xml_attribute midpoint = stop.attribute("data-midpoint")) {
      const auto value = ParseCssNumber(midpoint.value());
      if (value && std::isfinite(*value)) {
        out.midpoint = std::clamp(*value, 0.0, 100.0);
      } else {
        warnings.push_back(label + ": stop " + std::to_string(index) + ": data-midpoint " + Quoted(midpoint.value()) +
                           " is not a number; 50 is used");
      }
    }
    def.stops.push_back(out);
  }
  if (!record.empty()) {
    Record read = ReadRecord(cascade, record, def.stops);
    if (read.problem.empty()) {
      def.stops = std::move(read.stops);
      def.fromRecord = true;
      def.recordPrefix = std::move(read.prefix);
    } else {
      warnings.push_back(label + ": its midpoint record is malformed (" + read.problem +
                         "); the <stop> elements are used");
    }
  }
  return def;
}

}  // namespace evenhue::svg
