#include "svg_host/host_binding.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <span>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "host/gradient_io.hpp"
#include "svg/cascade.hpp"
#include "svg/css_number.hpp"
#include "svg/paint.hpp"

namespace evenhue::svg {

// The reader's bound on a gradient's stops is its own (callers set it), but by
// default it takes only gradients the host can hold, so that a document read
// with the defaults is refused by the reader, naming the count, rather than
// by the host when it is bound.
static_assert(Limits{}.maxStops <= host::kMaxGradientStops);

namespace {

// How the binding treats an element.
enum class Role {
  Container,  // drawn through its children: a group whose children are visited
  Shape,      // a path or compound path
  Text,       // painted like a shape and holding more text: a group of its own paint and its children
  Use,        // a group holding what it refers to, bound again
  Other,      // anything else, children left alone (clip paths, masks, foreign objects, ...)
};

Role RoleOf(pugi::xml_node element) {
  static constexpr std::array<std::string_view, 8> kContainers = {"svg", "g", "a", "switch", "symbol", "defs",
                                                                 "pattern", "marker"};
  static constexpr std::array<std::string_view, 7> kShapes = {"path", "rect", "circle", "ellipse", "line",
                                                             "polyline", "polygon"};
  static constexpr std::array<std::string_view, 3> kText = {"text", "tspan", "textPath"};
  const std::string_view name = LocalName(element);
  const auto in = [&](const auto& names) {
    for (const std::string_view n : names)
      if (n == name) return true;
    return false;
  };
  if (in(kContainers)) return Role::Container;
  if (in(kShapes)) return Role::Shape;
  if (in(kText)) return Role::Text;
  if (name == "use") return Role::Use;
  return Role::Other;
}

// The element a <use> refers to: SVG 2's plain href wins over xlink:href;
// only references within the document are drawn.
std::string_view UseTarget(pugi::xml_node use) {
  std::string_view href;
  if (const pugi::xml_attribute a = use.attribute("href")) {
    href = a.value();
  } else {
    for (const pugi::xml_attribute a : use.attributes()) {
      const std::string_view name = a.name();
      if (name.size() > 5 && name.substr(name.size() - 5) == ":href") href = a.value();
    }
  }
  href = TrimCss(href);
  return href.size() > 1 && href.front() == '#' ? href.substr(1) : std::string_view();
}

PaintSource SourceOf(const Declared& d) {
  using Where = PaintSource::Where;
  const Where where = d.origin == Origin::Attribute ? Where::Attribute
                      : d.origin == Origin::Sheet   ? Where::Sheet
                      : d.origin == Origin::Style   ? Where::Style
                                                    : Where::None;
  return PaintSource{where, d.important, d.begin, d.end};
}

// Content elements drawn through <use> over the whole document, beyond which
// further <use> elements are left alone: a chain of them that multiplies
// what it draws costs at most this much.
constexpr std::size_t kInstanceFloor = 100'000;
constexpr std::size_t kInstancesPerElement = 1;
constexpr std::size_t kMaxUseNesting = 64;  // <use> drawing a <use> drawing ...

struct NodeKey {
  const void* element;
  const void* other;  // a second element, or null
  Property property;
  bool operator==(const NodeKey&) const = default;
};

Property PropertyNamed(std::string_view name) { return name == "fill" ? Property::Fill : Property::Stroke; }
struct NodeKeyHash {
  std::size_t operator()(const NodeKey& k) const noexcept {
    const std::size_t a = std::hash<const void*>{}(k.element), b = std::hash<const void*>{}(k.other);
    return (a * 31 + b) * 8 + static_cast<std::size_t>(k.property);
  }
};

class Binder {
 public:
  Binder(const SvgDocument& document, host::Document& host, bool shareAlike)
      : document_(document), host_(host), shareAlike_(shareAlike), cascade_(document, binding_.warnings),
        instanceBudget_(std::max(kInstanceFloor, kInstancesPerElement * document.ElementCount())) {}

  Binding Run(const std::vector<std::string>& selectIds) {
    selection_ = !selectIds.empty();
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
    // Whether every element a declaration may paint was bound.
    for (PaintDeclaration& d : binding_.declarations) {
      const void* e = d.element.internal_object();
      if (holdsUnbound_.count(e) || (selection_ && !made_.count(e)) || (unboundUses_ && drawnByUse_.count(e)))
        d.allBound = false;
      // A copy a <use> draws has the element's attributes: what is written
      // on the element reaches it too, faithfully only where the copy took
      // its value from the same declaration.
      const auto drawn = drawnByUse_.find(e);
      if (drawn != drawnByUse_.end()) {
        const auto here = sourcedHere_.find(NodeKey{e, nullptr, PropertyNamed(d.property)});
        if (here == sourcedHere_.end() || here->second != drawn->second) d.allBound = false;
      }
    }
    for (BoundArt& art : binding_.gradientArt)
      for (std::optional<BoundPaint>* paint : {&art.fill, &art.stroke})
        if (*paint && !(*paint)->use) (*paint)->drawnByUse = drawnByUse_.count(art.element.internal_object()) > 0;
    return std::move(binding_);
  }

 private:
  // What a walk is in: the document itself, or content a <use> draws.
  struct Context {
    pugi::xml_node use;          // the outermost <use>; empty in the document itself
    const ComputedStyle* useStyle = nullptr;  // its computed style
  };

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
      case Role::Other: {
        NoteUnbound(element);
        return {NewArt(host::kArtOther, parent, element), false};
      }
      case Role::Use: {
        const pugi::xml_node target = Target(element, {});
        if (!target) return {NewArt(host::kArtOther, parent, element), false};
        const hostapi::ArtHandle group = NewArt(hostapi::kArtGroup, parent, element);
        const ComputedStyle style = cascade_.Compute(element);
        Instance(target, group, style, Context{element, &style});
        return {group, false};
      }
      case Role::Shape: {
        const hostapi::ArtHandle art = NewArt(ShapeArtType(element), parent, element);
        BindPaints(element, art, cascade_.Compute(element), {});
        return {art, false};
      }
      case Role::Text: {
        // The element's own paint is a path in a group that also holds its children.
        const hostapi::ArtHandle group = NewArt(hostapi::kArtGroup, parent, element);
        BindPaints(element, NewArt(hostapi::kArtPath, group, element), cascade_.Compute(element), {});
        return {group, true};
      }
    }
    return {nullptr, false};
  }

  static std::int16_t ShapeArtType(pugi::xml_node element) {
    const bool compound = LocalName(element) == "path" && SubpathCount(element.attribute("d").value()) > 1;
    return compound ? hostapi::kArtCompoundPath : hostapi::kArtPath;
  }

  // Content that may be painted and is not bound: a mask's, a foreign
  // object's, what a <use> left alone draws. Clip paths draw no paint.
  void NoteUnbound(pugi::xml_node element) {
    if (LocalName(element) == "clipPath") return;
    const auto painted = [](pugi::xml_node e) {
      const Role role = RoleOf(e);
      return role == Role::Shape || role == Role::Text || role == Role::Use;
    };
    bool holds = painted(element);
    for (pugi::xml_node n = element.first_child(); n && !holds;) {
      holds = n.type() == pugi::node_element && painted(n);
      if (n.first_child()) {
        n = n.first_child();
        continue;
      }
      while (n && n != element && !n.next_sibling()) n = n.parent();
      if (!n || n == element) break;
      n = n.next_sibling();
    }
    if (!holds) return;
    // What it holds may be a <use>, which may draw anything.
    unboundUses_ = true;
    for (pugi::xml_node e = element; e && e.type() == pugi::node_element; e = e.parent())
      if (!holdsUnbound_.insert(e.internal_object()).second) break;
  }

  // What `use` draws, or an empty node (with a warning when it is left alone).
  pugi::xml_node Target(pugi::xml_node use, const std::vector<const void*>& chain) {
    const std::string_view id = UseTarget(use);
    if (id.empty()) return {};
    const pugi::xml_node target = document_.FindById(id);
    if (!target) return {};
    const auto leftAlone = [&](const std::string& why) {
      binding_.warnings.push_back(DescribeElement(use) + ": what it draws is left alone: " + why);
      NoteUnbound(use);
      return pugi::xml_node();
    };
    for (pugi::xml_node e = use; e && e.type() == pugi::node_element; e = e.parent())
      if (e == target) return leftAlone("it refers to an element that holds it");
    if (std::find(chain.begin(), chain.end(), target.internal_object()) != chain.end())
      return leftAlone("it refers back to a <use> that draws it");
    if (chain.size() >= kMaxUseNesting)
      return leftAlone("<use> elements nested more than " + std::to_string(kMaxUseNesting) + " deep");
    return target;
  }

  // Binds the content `use` draws: `target` and its descendants, inheriting
  // from the <use> (`useStyle`), under `group`.
  void Instance(pugi::xml_node target, hostapi::ArtHandle group, const ComputedStyle& useStyle,
                const Context& context) {
    struct Frame {
      pugi::xml_node element;
      hostapi::ArtHandle parent;
      std::shared_ptr<const ComputedStyle> inherited;
    };
    std::vector<const void*> chain = chain_;
    chain.push_back(target.internal_object());
    std::swap(chain, chain_);
    std::vector<Frame> stack;
    stack.push_back({target, group, std::make_shared<ComputedStyle>(useStyle)});
    while (!stack.empty()) {
      Frame frame = std::move(stack.back());
      stack.pop_back();
      const pugi::xml_node element = frame.element;
      if (instanceBudget_ == 0) {
        if (!unboundUses_)
          binding_.warnings.push_back(DescribeElement(context.use) +
                                    ": what it draws is left partly alone: <use> elements draw more than " +
                                    std::to_string(std::max(kInstanceFloor, kInstancesPerElement * document_.ElementCount())) +
                                    " elements in all");
        unboundUses_ = true;
        break;
      }
      --instanceBudget_;
      ++drawnByUse_[element.internal_object()];
      auto style = std::make_shared<ComputedStyle>(cascade_.ComputeInstance(element, *frame.inherited, target));
      // Copies that take the element's own value from the element's own
      // declaration: a declaration written there would be theirs too.
      std::optional<ComputedStyle> original;
      for (const Property p : {Property::Fill, Property::Stroke}) {
        if ((*style)[p].source != element) continue;
        if (!original) original = cascade_.Compute(element);
        const ComputedValue &copy = (*style)[p], &own = (*original)[p];
        if (own.source == element && own.value == copy.value && own.declared.origin == copy.declared.origin &&
            own.declared.important == copy.declared.important)
          ++sourcedHere_[NodeKey{element.internal_object(), nullptr, p}];
      }
      const Role role = RoleOf(element);
      hostapi::ArtHandle art = nullptr;
      bool descend = false;
      switch (role) {
        case Role::Container:
          art = NewArt(hostapi::kArtGroup, frame.parent, element);
          descend = true;
          break;
        case Role::Other:
          NoteUnbound(element);
          art = NewArt(host::kArtOther, frame.parent, element);
          break;
        case Role::Shape:
          art = NewArt(ShapeArtType(element), frame.parent, element);
          BindPaints(element, art, *style, context);
          break;
        case Role::Text:
          art = NewArt(hostapi::kArtGroup, frame.parent, element);
          BindPaints(element, NewArt(hostapi::kArtPath, art, element), *style, context);
          descend = true;
          break;
        case Role::Use: {
          const pugi::xml_node inner = Target(element, chain_);
          if (!inner) {
            NewArt(host::kArtOther, frame.parent, element);
            break;
          }
          art = NewArt(hostapi::kArtGroup, frame.parent, element);
          Instance(inner, art, *style, context);
          break;
        }
      }
      if (!descend) continue;
      // Children pushed last first, so that they are bound in order.
      const std::size_t at = stack.size();
      for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element) stack.push_back({child, art, style});
      std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(at), stack.end());
    }
    std::swap(chain, chain_);
  }

  std::size_t DeclarationIndex(const NodeKey& key, pugi::xml_node element, Property property) {
    const auto [it, added] = declarationIndex_.try_emplace(key, binding_.declarations.size());
    if (added) binding_.declarations.push_back(PaintDeclaration{element, std::string(InfoOf(property).name)});
    return it->second;
  }

  void BindPaints(pugi::xml_node element, hostapi::ArtHandle art, const ComputedStyle& style,
                  const Context& context) {
    BoundArt bound;
    bound.art = art;
    bound.element = element;
    const auto fill = HostPaint(element, style, Property::Fill, context, bound.fill);
    const auto stroke = HostPaint(element, style, Property::Stroke, context, bound.stroke);
    // Alike art (see BindDocument) is left unpainted in the host.
    const bool onlyGradients =
        shareAlike_ && (bound.fill || bound.stroke) && fill.has_value() == bound.fill.has_value() &&
        stroke.has_value() == bound.stroke.has_value();
    if (onlyGradients) {
      const AlikeKey key{host_.parent(art), host_.artType(art).value_or(0),
                         bound.fill ? bound.fill->gradient : kNoGradient,
                         bound.stroke ? bound.stroke->gradient : kNoGradient};
      const auto [first, fresh] = alike_.try_emplace(key, art);
      if (!fresh) {
        bound.styleOf = first->second;
        binding_.gradientArt.push_back(std::move(bound));
        return;
      }
    }
    if (!host_.setPathStyle(art, host::MakePathStyle(fill, stroke)))
      throw SvgError("the host refused the style of " + DescribeElement(element));
    if (bound.fill || bound.stroke) binding_.gradientArt.push_back(std::move(bound));
  }

  std::optional<hostapi::HostColor> HostPaint(pugi::xml_node element, const ComputedStyle& style, Property property,
                                              const Context& context, std::optional<BoundPaint>& bound) {
    const ComputedValue& value = style[property];
    const std::string_view name = InfoOf(property).name;
    // The cascade keeps only valid paints.
    std::optional<Paint> paint = ParsePaint(value.value);
    if (!paint) return std::nullopt;
    if (paint->kind == Paint::Kind::Url) {
      // For warnings only.
      const auto where = [&] {
        return DescribeElement(element) + ": " + std::string(name) + " '" + value.value + "' refers to ";
      };
      const pugi::xml_node target = paint->id.empty() ? pugi::xml_node() : document_.FindById(paint->id);
      if (!target) {
        // Renderers draw the fallback, or nothing.
        binding_.warnings.push_back(where() + "nothing; left as it is" +
                                    (paint->fallback.empty() ? "" : ", its fallback drawn"));
        if (paint->fallback.empty()) return std::nullopt;
        paint = ParsePaint(paint->fallback);
        if (!paint) return std::nullopt;
      } else if (IsGradientElement(target)) {
        const std::size_t index = GradientIndex(target);
        BoundPaint b;
        b.gradient = index;
        b.fallback = paint->fallback;
        b.own = SourceOf(value.own);
        b.declarer = value.source;
        b.declared = SourceOf(value.declared);
        b.declaration = DeclarationIndex({value.source.internal_object(), nullptr, property}, value.source, property);
        ++binding_.declarations[b.declaration].paints;
        if (context.use) {
          b.use = context.use;
          // Through the outermost <use> when that is where the value comes from.
          const ComputedValue& atUse = (*context.useStyle)[property];
          b.useOwn = SourceOf(atUse.own);
          if (atUse.source == value.source && value.source) {
            b.throughUse = DeclarationIndex({context.use.internal_object(), value.source.internal_object(), property},
                                            context.use, property);
            ++binding_.declarations[b.throughUse].paints;
          }
        }
        bound = std::move(b);
        return host::GradientColor(binding_.gradients[index].handle);
      } else {
        binding_.warnings.push_back(where() + DescribeElement(target) + ", which is not a gradient; left as it is");
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
    std::vector<host::Stop> stops;
    stops.reserve(bound.def.stops.size());
    for (const GradientStop& s : bound.def.stops) {
      host::Stop& stop = stops.emplace_back();
      stop.position = PercentOf(s.offset);
      stop.midpoint = s.midpoint;
      stop.opacity = s.opacity;
      stop.cmyk = s.color.space == CssColor::Space::Cmyk;
      stop.channels = s.color.channels;
    }
    bound.handle = host::NewGradient(host_, static_cast<std::int16_t>(bound.def.type), stops);
    if (!bound.handle) throw SvgError("gradient '" + bound.def.id + "': the host refused its stops");
    binding_.gradients.push_back(std::move(bound));
    gradientIndex_.emplace(element.internal_object(), binding_.gradients.size() - 1);
    return binding_.gradients.size() - 1;
  }

  const SvgDocument& document_;
  host::Document& host_;
  const bool shareAlike_;
  // Art the plug-in re-spaces for its alike siblings (see BindPaints).
  static constexpr std::size_t kNoGradient = static_cast<std::size_t>(-1);
  using AlikeKey = std::tuple<hostapi::ArtHandle, std::int16_t, std::size_t, std::size_t>;
  std::map<AlikeKey, hostapi::ArtHandle> alike_;
  Binding binding_;
  Cascade cascade_;
  std::size_t instanceBudget_;
  bool selection_ = false;
  bool unboundUses_ = false;  // some <use> draws content that is not bound
  GradientResolver resolver_{document_, cascade_, binding_.warnings};
  std::unordered_set<const void*> made_;
  std::unordered_set<const void*> holdsUnbound_;  // elements holding content that may be painted, not bound
  std::unordered_map<const void*, std::size_t> drawnByUse_;  // elements bound <use> elements draw: how often
  // How many of those copies take fill or stroke from the element's own declaration.
  std::unordered_map<NodeKey, std::size_t, NodeKeyHash> sourcedHere_;
  std::vector<const void*> chain_;                // the targets of the <use> elements being drawn, outermost first
  std::unordered_map<const void*, std::size_t> gradientIndex_;
  std::unordered_map<NodeKey, std::size_t, NodeKeyHash> declarationIndex_;
};

}  // namespace

std::size_t SubpathCount(std::string_view d) {
  std::size_t count = 0;
  for (char c : d)
    if (c == 'M' || c == 'm') ++count;
  return count;
}

Binding BindDocument(const SvgDocument& document, host::Document& hostDocument,
                     const std::vector<std::string>& selectIds, bool shareAlike) {
  return Binder(document, hostDocument, shareAlike).Run(selectIds);
}

}  // namespace evenhue::svg
