#include "svg/host_binding.hpp"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "svg/cascade.hpp"
#include "svg/css_number.hpp"
#include "svg/paint.hpp"

namespace evenhue::svg {

namespace {

// How the binding treats an element.
enum class Role {
  Container,  // drawn through its children: a group whose children are visited
  Shape,      // a path or compound path
  Text,       // painted like a shape and holding more text: a group of its own paint and its children
  Other,      // anything else, children left alone (clip paths, masks, foreign objects, ...)
};

Role RoleOf(pugi::xml_node element) {
  static constexpr std::array<std::string_view, 8> kContainers = {"svg", "g", "a", "switch", "symbol", "defs",
                                                                 "pattern", "marker"};
  static constexpr std::array<std::string_view, 7> kShapes = {"path", "rect", "circle", "ellipse", "line",
                                                             "polyline", "polygon"};
  static constexpr std::array<std::string_view, 3> kText = {"text", "tspan", "textPath"};
  const std::string_view name = LocalName(element);
  const auto in = [&](const auto& names) { return std::find(names.begin(), names.end(), name) != names.end(); };
  if (in(kContainers)) return Role::Container;
  if (in(kShapes)) return Role::Shape;
  if (in(kText)) return Role::Text;
  return Role::Other;
}

class Binder {
 public:
  Binder(const SvgDocument& document, host::Document& host)
      : document_(document), host_(host), cascade_(document, binding_.warnings) {}

  Binding Run(const std::vector<std::string>& selectIds) {
    if (selectIds.empty()) {
      Scope(document_.Root());
    } else {
      for (const std::string& id : selectIds) {
        const pugi::xml_node element = document_.FindById(id);
        if (!element) throw SvgError("--select " + id + ": no element has this id");
        if (made_.count(element.internal_object())) continue;  // already inside an earlier selection
        Scope(element);
      }
    }
    return std::move(binding_);
  }

 private:
  // Makes `top` a top-level art and visits its children, descending into
  // containers and text; iterative so that any nesting depth is safe.
  void Scope(pugi::xml_node top) {
    struct Frame {
      pugi::xml_node next;  // the next child to visit
      hostapi::ArtHandle art;
    };
    const Made topArt = MakeArt(top, nullptr);
    binding_.inputs.push_back(topArt.art);
    std::vector<Frame> stack;
    stack.push_back({top.first_child(), topArt.art});
    while (!stack.empty()) {
      Frame& frame = stack.back();
      pugi::xml_node child = frame.next;
      while (child && child.type() != pugi::node_element) child = child.next_sibling();
      if (!child) {
        stack.pop_back();
        continue;
      }
      frame.next = child.next_sibling();
      if (made_.count(child.internal_object())) continue;
      const Made made = MakeArt(child, frame.art);
      if (made.descend) stack.push_back({child.first_child(), made.art});
    }
  }

  struct Made {
    hostapi::ArtHandle art;
    bool descend;
  };

  hostapi::ArtHandle NewArt(std::int16_t type, hostapi::ArtHandle parent, pugi::xml_node element) {
    const hostapi::ArtHandle art = host_.newArt(type, parent);
    if (!art) throw SvgError("the host refused to create art for " + DescribeElement(element));
    ++binding_.artCount;
    return art;
  }

  Made MakeArt(pugi::xml_node element, hostapi::ArtHandle parent) {
    made_.insert(element.internal_object());
    switch (RoleOf(element)) {
      case Role::Container: return {NewArt(hostapi::kArtGroup, parent, element), true};
      case Role::Other: return {NewArt(host::kArtOther, parent, element), false};
      case Role::Shape: {
        const bool compound = LocalName(element) == "path" && SubpathCount(element.attribute("d").value()) > 1;
        const hostapi::ArtHandle art = NewArt(compound ? hostapi::kArtCompoundPath : hostapi::kArtPath, parent, element);
        BindPaints(element, art);
        return {art, false};
      }
      case Role::Text: {
        // The element's own paint is a path in a group that also holds its children.
        const hostapi::ArtHandle group = NewArt(hostapi::kArtGroup, parent, element);
        BindPaints(element, NewArt(hostapi::kArtPath, group, element));
        return {group, true};
      }
    }
    return {nullptr, false};
  }

  void BindPaints(pugi::xml_node element, hostapi::ArtHandle art) {
    const ComputedStyle style = cascade_.Compute(element);
    BoundArt bound;
    bound.art = art;
    bound.element = element;
    const auto fill = HostPaint(element, style[Property::Fill], "fill", style, bound.fill);
    const auto stroke = HostPaint(element, style[Property::Stroke], "stroke", style, bound.stroke);
    if (!host_.setPathStyle(art, host::MakePathStyle(fill, stroke)))
      throw SvgError("the host refused the style of " + DescribeElement(element));
    if (bound.fill || bound.stroke) binding_.gradientArt.push_back(std::move(bound));
  }

  std::optional<hostapi::HostColor> HostPaint(pugi::xml_node element, const ComputedValue& value,
                                              std::string_view property, const ComputedStyle& style,
                                              std::optional<BoundPaint>& bound) {
    // The cascade keeps only valid paints.
    std::optional<Paint> paint = ParsePaint(value.value);
    if (!paint) return std::nullopt;
    if (paint->kind == Paint::Kind::Url) {
      const std::string where =
          DescribeElement(element) + ": " + std::string(property) + " '" + value.value + "' refers to ";
      const pugi::xml_node target = document_.FindById(paint->id);
      if (!target) {
        // Renderers draw the fallback, or nothing.
        binding_.warnings.push_back(where + "nothing; left as it is" +
                                    (paint->fallback.empty() ? "" : ", its fallback drawn"));
        if (paint->fallback.empty()) return std::nullopt;
        paint = ParsePaint(paint->fallback);
        if (!paint) return std::nullopt;
      } else if (IsGradientElement(target)) {
        const std::size_t index = GradientIndex(target);
        bound = BoundPaint{index, paint->fallback, PaintSource{value.origin == Origin::Sheet, value.important}};
        return host::GradientColor(binding_.gradients[index].handle);
      } else {
        binding_.warnings.push_back(where + DescribeElement(target) + ", which is not a gradient; left as it is");
        return host::OtherColor(kOtherPaintKind);
      }
    }
    switch (paint->kind) {
      case Paint::Kind::None: return std::nullopt;
      case Paint::Kind::Context: return host::OtherColor(kOtherPaintKind);
      case Paint::Kind::CurrentColor: {
        const auto color = ParseSvgColor(style[Property::Color].value);
        return HostSolid(color ? *color : CssColor::Rgb(0, 0, 0));
      }
      case Paint::Kind::Color: return HostSolid(paint->color);
      case Paint::Kind::Url: break;  // a fallback is never a url
    }
    return std::nullopt;
  }

  static hostapi::HostColor HostSolid(const CssColor& color) {
    const auto& c = color.channels;
    return color.space == CssColor::Space::Cmyk ? host::CmykColor(c[0], c[1], c[2], c[3])
                                                : host::RgbColor(c[0], c[1], c[2]);
  }

  std::size_t GradientIndex(pugi::xml_node element) {
    const auto found = gradientIndex_.find(element.internal_object());
    if (found != gradientIndex_.end()) return found->second;
    BoundGradient bound{resolver_.Resolve(element), nullptr};
    std::vector<hostapi::HostGradientStop> stops;
    stops.reserve(bound.def.stops.size());
    for (const GradientStop& s : bound.def.stops)
      stops.push_back(host::MakeStop(s.offset * 100.0, HostSolid(s.color), s.midpoint, s.opacity));
    bound.handle = host_.newGradient(static_cast<std::int16_t>(bound.def.type), stops);
    if (!bound.handle) throw SvgError("gradient '" + bound.def.id + "': the host refused its stops");
    binding_.gradients.push_back(std::move(bound));
    gradientIndex_.emplace(element.internal_object(), binding_.gradients.size() - 1);
    return binding_.gradients.size() - 1;
  }

  const SvgDocument& document_;
  host::Document& host_;
  Binding binding_;
  Cascade cascade_;
  GradientResolver resolver_{document_, cascade_, binding_.warnings};
  std::unordered_set<const void*> made_;
  std::unordered_map<const void*, std::size_t> gradientIndex_;
};

}  // namespace

std::size_t SubpathCount(std::string_view d) {
  std::size_t count = 0;
  for (char c : d)
    if (c == 'M' || c == 'm') ++count;
  return count;
}

Binding BindDocument(const SvgDocument& document, host::Document& hostDocument,
                     const std::vector<std::string>& selectIds) {
  return Binder(document, hostDocument).Run(selectIds);
}

std::vector<RgbStop> ReadRgbStops(const host::Document& hostDocument, hostapi::GradientHandle gradient) {
  std::vector<RgbStop> out;
  for (const hostapi::HostGradientStop& s : hostDocument.stops(gradient)) {
    RgbStop stop;
    stop.offset = s.rampPoint / 100.0;
    if (s.color.kind == hostapi::kColorThree) {
      stop.red = s.color.body.rgb.red;
      stop.green = s.color.body.rgb.green;
      stop.blue = s.color.body.rgb.blue;
    }
    stop.opacity = s.opacity;
    stop.midpoint = s.midPoint;
    out.push_back(stop);
  }
  return out;
}

std::vector<Rewrite> WriteBack(SvgDocument& document, const host::Document& hostDocument, const Binding& binding,
                               Warnings& warnings) {
  std::vector<Rewrite> rewrites;
  // Paints whose new gradients would be equal share the first one.
  std::unordered_map<std::string, std::string> added;  // NewGradientKey -> id
  for (const BoundArt& art : binding.gradientArt) {
    const auto style = hostDocument.pathStyle(art.art);
    if (!style) continue;
    struct Side {
      const char* property;
      const std::optional<BoundPaint>& bound;
      std::int32_t painted;
      const hostapi::HostColor& color;
    };
    const Side sides[] = {{"fill", art.fill, style->fillPaint, style->fillColor},
                          {"stroke", art.stroke, style->strokePaint, style->strokeColor}};
    for (const Side& side : sides) {
      if (!side.bound) continue;
      const BoundGradient& source = binding.gradients[side.bound->gradient];
      const bool changed = side.painted && side.color.kind == hostapi::kColorGradient &&
                           side.color.body.gradient.gradient != source.handle &&
                           hostDocument.isGradient(side.color.body.gradient.gradient);
      if (!changed) {
        warnings.push_back(DescribeElement(art.element) + ": " + side.property + " gradient '" + source.def.id +
                           "' (" + std::to_string(source.def.stops.size()) +
                           " stops) was left alone by the plug-in");
        continue;
      }
      const hostapi::GradientHandle now = side.color.body.gradient.gradient;
      Rewrite rewrite;
      rewrite.element = art.element;
      rewrite.property = side.property;
      rewrite.source = side.bound->gradient;
      rewrite.type = hostDocument.gradientType(now).value_or(0) == host::kGradientRadial ? GradientType::Radial
                                                                                        : GradientType::Linear;
      rewrite.stops = ReadRgbStops(hostDocument, now);
      const auto [made, fresh] = added.try_emplace(NewGradientKey(source.def, rewrite.type, rewrite.stops));
      if (fresh) made->second = AddGradient(document, source.def, rewrite.type, rewrite.stops);
      rewrite.newId = made->second;
      SetPaintUrl(art.element, side.property, rewrite.newId, side.bound->fallback, side.bound->source);
      rewrites.push_back(std::move(rewrite));
    }
  }
  return rewrites;
}

}  // namespace evenhue::svg
