#include "svg/host_binding.hpp"

#include <array>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "svg/css_number.hpp"
#include "svg/paint.hpp"

namespace evenhue::svg {

namespace {

// Inherited property values, as declared text.
struct Inherited {
  std::string_view fill = "black";
  std::string_view stroke = "none";
  std::string_view color = "black";
};

Inherited Apply(const Inherited& parent, pugi::xml_node element) {
  Inherited out = parent;
  auto take = [&](std::string_view property, std::string_view& slot) {
    if (const auto v = DeclaredValue(element, property)) {
      if (AsciiLower(*v) != "inherit") slot = *v;
    }
  };
  take("fill", out.fill);
  take("stroke", out.stroke);
  take("color", out.color);
  return out;
}

std::string Describe(pugi::xml_node element) {
  std::string out = "<" + std::string(element.name());
  if (const auto id = element.attribute("id")) out += " id='" + std::string(id.value()) + "'";
  return out + ">";
}

std::int16_t ArtTypeOf(pugi::xml_node element, bool topLevelRoot) {
  const std::string_view name = LocalName(element);
  if (topLevelRoot || name == "g") return hostapi::kArtGroup;
  if (name == "path")
    return SubpathCount(element.attribute("d").value()) > 1 ? hostapi::kArtCompoundPath : hostapi::kArtPath;
  static constexpr std::array<std::string_view, 6> kShapes = {"rect", "circle", "ellipse", "line", "polyline",
                                                             "polygon"};
  for (std::string_view shape : kShapes)
    if (name == shape) return hostapi::kArtPath;
  return host::kArtOther;
}

class Binder {
 public:
  Binder(const SvgDocument& document, host::Document& host) : document_(document), host_(host) {}

  Binding Run(const std::vector<std::string>& selectIds) {
    if (selectIds.empty()) {
      Scope(document_.Root(), Inherited{}, true);
    } else {
      for (const std::string& id : selectIds) {
        const pugi::xml_node element = document_.FindById(id);
        if (!element) throw SvgError("--select " + id + ": no element has this id");
        if (made_.count(element.internal_object())) continue;  // already inside an earlier selection
        Scope(element, InheritedAt(element), element == document_.Root());
      }
    }
    return std::move(binding_);
  }

 private:
  // The inherited values at `element`, from its ancestors down.
  Inherited InheritedAt(pugi::xml_node element) {
    std::vector<pugi::xml_node> ancestors;
    for (pugi::xml_node e = element.parent(); e && e.type() == pugi::node_element; e = e.parent())
      ancestors.push_back(e);
    Inherited values;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) values = Apply(values, *it);
    return values;
  }

  // Makes `top` a top-level art and visits its children, descending into
  // groups only; iterative so that any nesting depth is safe.
  void Scope(pugi::xml_node top, const Inherited& inherited, bool isRoot) {
    struct Frame {
      pugi::xml_node next;  // the next child to visit
      hostapi::ArtHandle art;
      Inherited values;
    };
    const Inherited topValues = Apply(inherited, top);
    const hostapi::ArtHandle topArt = MakeArt(top, nullptr, inherited, isRoot);
    binding_.inputs.push_back(topArt);
    std::vector<Frame> stack;
    stack.push_back({top.first_child(), topArt, topValues});
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
      const Inherited parentValues = frame.values;
      const hostapi::ArtHandle art = MakeArt(child, frame.art, parentValues, false);
      if (LocalName(child) == "g") stack.push_back({child.first_child(), art, Apply(parentValues, child)});
    }
  }

  hostapi::ArtHandle MakeArt(pugi::xml_node element, hostapi::ArtHandle parent, const Inherited& inherited,
                             bool isRoot) {
    const std::int16_t type = ArtTypeOf(element, isRoot);
    const hostapi::ArtHandle art = host_.newArt(type, parent);
    if (!art) throw SvgError("the host refused to create art for " + Describe(element));
    made_.insert(element.internal_object());
    ++binding_.artCount;
    if (type != hostapi::kArtPath && type != hostapi::kArtCompoundPath) return art;

    const Inherited values = Apply(inherited, element);
    BoundArt bound;
    bound.art = art;
    bound.element = element;
    const auto fill = HostPaint(element, "fill", values.fill, values.color, bound.fill);
    const auto stroke = HostPaint(element, "stroke", values.stroke, values.color, bound.stroke);
    if (!host_.setPathStyle(art, host::MakePathStyle(fill, stroke)))
      throw SvgError("the host refused the style of " + Describe(element));
    if (bound.fill || bound.stroke) binding_.gradientArt.push_back(std::move(bound));
    return art;
  }

  std::optional<hostapi::HostColor> HostPaint(pugi::xml_node element, std::string_view property,
                                              std::string_view text, std::string_view colorText,
                                              std::optional<BoundPaint>& bound) {
    const std::string where = Describe(element) + ": " + std::string(property) + " '" + std::string(text) + "'";
    auto paint = ParsePaint(text);
    if (!paint) throw SvgError(where + " is not a paint");
    if (paint->kind == Paint::Kind::Url) {
      const pugi::xml_node target = document_.FindById(paint->id);
      if (!target) {
        if (paint->fallback.empty()) throw SvgError(where + " refers to an element that does not exist");
        paint = ParsePaint(paint->fallback);  // validated when the url paint was parsed
      } else if (IsGradientElement(target)) {
        const std::size_t index = GradientIndex(target);
        bound = BoundPaint{index, paint->fallback};
        return host::GradientColor(binding_.gradients[index].handle);
      } else {
        return host::OtherColor(kOtherPaintKind);
      }
    }
    switch (paint->kind) {
      case Paint::Kind::None: return std::nullopt;
      case Paint::Kind::Context: return host::OtherColor(kOtherPaintKind);
      case Paint::Kind::CurrentColor: {
        const auto color = ParseCssColor(colorText);
        if (!color) throw SvgError(Describe(element) + ": color '" + std::string(colorText) + "' is not a colour");
        return HostSolid(*color);
      }
      case Paint::Kind::Color: return HostSolid(paint->color);
      case Paint::Kind::Url: break;  // a fallback is never a url
    }
    throw SvgError(where + " is not a paint");
  }

  static hostapi::HostColor HostSolid(const CssColor& color) {
    const auto& c = color.channels;
    return color.space == CssColor::Space::Cmyk ? host::CmykColor(c[0], c[1], c[2], c[3])
                                                : host::RgbColor(c[0], c[1], c[2]);
  }

  std::size_t GradientIndex(pugi::xml_node element) {
    const auto found = gradientIndex_.find(element.internal_object());
    if (found != gradientIndex_.end()) return found->second;
    BoundGradient bound{ResolveGradient(document_, element), nullptr};
    std::vector<hostapi::HostGradientStop> stops;
    stops.reserve(bound.def.stops.size());
    for (const GradientStop& s : bound.def.stops) {
      const auto& c = s.color.channels;
      const hostapi::HostColor color = s.color.space == CssColor::Space::Cmyk
                                           ? host::CmykColor(c[0], c[1], c[2], c[3])
                                           : host::RgbColor(c[0], c[1], c[2]);
      stops.push_back(host::MakeStop(s.offset * 100.0, color, s.midpoint, s.opacity));
    }
    bound.handle = host_.newGradient(static_cast<std::int16_t>(bound.def.type), stops);
    if (!bound.handle) throw SvgError("gradient '" + bound.def.id + "': the host refused its stops");
    binding_.gradients.push_back(std::move(bound));
    gradientIndex_.emplace(element.internal_object(), binding_.gradients.size() - 1);
    return binding_.gradients.size() - 1;
  }

  const SvgDocument& document_;
  host::Document& host_;
  Binding binding_;
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

std::vector<Rewrite> WriteBack(SvgDocument& document, const host::Document& hostDocument, const Binding& binding) {
  std::vector<Rewrite> rewrites;
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
      if (!side.bound || !side.painted || side.color.kind != hostapi::kColorGradient) continue;
      const BoundGradient& source = binding.gradients[side.bound->gradient];
      const hostapi::GradientHandle now = side.color.body.gradient.gradient;
      if (now == source.handle || !hostDocument.isGradient(now)) continue;
      Rewrite rewrite;
      rewrite.element = art.element;
      rewrite.property = side.property;
      rewrite.source = side.bound->gradient;
      rewrite.type = hostDocument.gradientType(now).value_or(0) == host::kGradientRadial ? GradientType::Radial
                                                                                        : GradientType::Linear;
      rewrite.stops = ReadRgbStops(hostDocument, now);
      rewrite.newId = AddGradient(document, source.def, rewrite.type, rewrite.stops);
      SetPaintUrl(art.element, side.property, rewrite.newId, side.bound->fallback);
      rewrites.push_back(std::move(rewrite));
    }
  }
  return rewrites;
}

}  // namespace evenhue::svg
