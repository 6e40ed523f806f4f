#include "host/document.hpp"

#include <cstring>

namespace host {

using hostapi::ArtHandle;
using hostapi::GradientHandle;
using hostapi::HostColor;
using hostapi::HostGradientStop;
using hostapi::HostPathStyle;

namespace {

template <class Handle>
Handle HandleOf(std::size_t index) {
  return reinterpret_cast<Handle>(static_cast<std::uintptr_t>(index + 1));
}

template <class Handle>
std::optional<std::size_t> IndexOf(Handle handle, std::size_t size) {
  const auto raw = reinterpret_cast<std::uintptr_t>(handle);
  if (raw == 0 || raw > size) return std::nullopt;
  return static_cast<std::size_t>(raw - 1);
}

}  // namespace

HostColor RgbColor(double red, double green, double blue) {
  HostColor c{};
  c.kind = hostapi::kColorThree;
  c.body.rgb = {red, green, blue};
  return c;
}

HostColor CmykColor(double cyan, double magenta, double yellow, double black) {
  HostColor c{};
  c.kind = hostapi::kColorProcess;
  c.body.process = {cyan, magenta, yellow, black};
  return c;
}

HostColor GradientColor(GradientHandle gradient) {
  HostColor c{};
  c.kind = hostapi::kColorGradient;
  c.body.gradient.gradient = gradient;
  return c;
}

HostColor OtherColor(std::int32_t kind) {
  HostColor c{};
  c.kind = kind;
  return c;
}

HostGradientStop MakeStop(double rampPointPercent, const HostColor& color, double midPointPercent, double opacity) {
  HostGradientStop s{};
  s.midPoint = midPointPercent;
  s.rampPoint = rampPointPercent;
  s.color = color;
  s.opacity = opacity;
  return s;
}

HostPathStyle MakePathStyle(const std::optional<HostColor>& fill, const std::optional<HostColor>& stroke) {
  HostPathStyle style;
  std::memset(&style, 0, sizeof style);
  if (fill) {
    style.fillPaint = 1;
    style.fillColor = *fill;
  }
  if (stroke) {
    style.strokePaint = 1;
    style.strokeColor = *stroke;
  }
  return style;
}

struct Document::Art {
  std::int16_t type = 0;
  ArtHandle parent = nullptr;
  ArtHandle firstChild = nullptr;
  ArtHandle lastChild = nullptr;
  ArtHandle nextSibling = nullptr;
  std::size_t style = 0;  // 0: MakePathStyle({}, {}); else styles_[style - 1]
  std::uint32_t styleWrites = 0;
};

struct Document::Gradient {
  std::int16_t type = kGradientLinear;
  GapBuffer<HostGradientStop> stops;
};

Document::Document() = default;
Document::~Document() = default;

const Document::Art* Document::findArt(ArtHandle art) const {
  auto i = IndexOf(art, art_.size());
  return i ? &art_[*i] : nullptr;
}
Document::Art* Document::findArt(ArtHandle art) {
  return const_cast<Art*>(static_cast<const Document*>(this)->findArt(art));
}
const Document::Gradient* Document::findGradient(GradientHandle g) const {
  auto i = IndexOf(g, gradients_.size());
  return i ? &gradients_[*i] : nullptr;
}
Document::Gradient* Document::findGradient(GradientHandle g) {
  return const_cast<Gradient*>(static_cast<const Document*>(this)->findGradient(g));
}

ArtHandle Document::newArt(std::int16_t type, ArtHandle parent) {
  if (parent != nullptr && findArt(parent) == nullptr) return nullptr;
  const ArtHandle handle = HandleOf<ArtHandle>(art_.size());
  Art& art = art_.emplace_back();
  art.type = type;
  art.parent = parent;
  if (parent != nullptr) {
    Art* p = findArt(parent);
    if (p->lastChild == nullptr) {
      p->firstChild = handle;
    } else {
      findArt(p->lastChild)->nextSibling = handle;
    }
    p->lastChild = handle;
  }
  return handle;
}

bool Document::isArt(ArtHandle art) const { return findArt(art) != nullptr; }
std::size_t Document::artCount() const { return art_.size(); }

std::optional<std::int16_t> Document::artType(ArtHandle art) const {
  const Art* a = findArt(art);
  if (a == nullptr) return std::nullopt;
  return a->type;
}
ArtHandle Document::parent(ArtHandle art) const {
  const Art* a = findArt(art);
  return a ? a->parent : nullptr;
}
ArtHandle Document::firstChild(ArtHandle art) const {
  const Art* a = findArt(art);
  return a ? a->firstChild : nullptr;
}
ArtHandle Document::nextSibling(ArtHandle art) const {
  const Art* a = findArt(art);
  return a ? a->nextSibling : nullptr;
}
std::vector<ArtHandle> Document::children(ArtHandle art) const {
  std::vector<ArtHandle> out;
  for (ArtHandle c = firstChild(art); c != nullptr; c = nextSibling(c)) out.push_back(c);
  return out;
}

std::optional<HostPathStyle> Document::pathStyle(ArtHandle art) const {
  const Art* a = findArt(art);
  if (a == nullptr) return std::nullopt;
  return a->style ? styles_[a->style - 1] : MakePathStyle(std::nullopt, std::nullopt);
}
bool Document::setPathStyle(ArtHandle art, const HostPathStyle& style) {
  Art* a = findArt(art);
  if (a == nullptr) return false;
  if (a->style) {
    styles_[a->style - 1] = style;
  } else {
    // The plug-in writes back the style of art it leaves unpainted too.
    static const HostPathStyle kUnstyled = MakePathStyle(std::nullopt, std::nullopt);
    if (std::memcmp(&style, &kUnstyled, sizeof style) != 0) {
      styles_.push_back(style);
      a->style = styles_.size();
    }
  }
  return true;
}
std::uint32_t Document::styleWrites(ArtHandle art) const {
  const Art* a = findArt(art);
  return a ? a->styleWrites : 0;
}
void Document::noteStyleWrite(ArtHandle art) {
  if (Art* a = findArt(art)) ++a->styleWrites;
}

GradientHandle Document::newGradient(std::int16_t type, std::span<const HostGradientStop> stops) {
  if (stops.size() > kMaxGradientStops) return nullptr;
  const GradientHandle handle = HandleOf<GradientHandle>(gradients_.size());
  Gradient& g = gradients_.emplace_back();
  g.type = type;
  for (const auto& s : stops) g.stops.push_back(s);
  return handle;
}

GradientHandle Document::newDefaultGradient() {
  const HostGradientStop stops[] = {MakeStop(0.0, RgbColor(1.0, 1.0, 1.0)), MakeStop(100.0, RgbColor(0.0, 0.0, 0.0))};
  return newGradient(kGradientLinear, stops);
}

bool Document::isGradient(GradientHandle g) const { return findGradient(g) != nullptr; }
std::size_t Document::gradientCount() const { return gradients_.size(); }

std::optional<std::int16_t> Document::gradientType(GradientHandle g) const {
  const Gradient* p = findGradient(g);
  if (p == nullptr) return std::nullopt;
  return p->type;
}
bool Document::setGradientType(GradientHandle g, std::int16_t type) {
  Gradient* p = findGradient(g);
  if (p == nullptr) return false;
  p->type = type;
  return true;
}
std::optional<std::size_t> Document::stopCount(GradientHandle g) const {
  const Gradient* p = findGradient(g);
  if (p == nullptr) return std::nullopt;
  return p->stops.size();
}
std::optional<HostGradientStop> Document::stop(GradientHandle g, std::size_t index) const {
  const Gradient* p = findGradient(g);
  if (p == nullptr || index >= p->stops.size()) return std::nullopt;
  return p->stops[index];
}
bool Document::setStop(GradientHandle g, std::size_t index, const HostGradientStop& stop) {
  Gradient* p = findGradient(g);
  if (p == nullptr || index >= p->stops.size()) return false;
  p->stops[index] = stop;
  return true;
}
bool Document::insertStop(GradientHandle g, std::size_t index, const HostGradientStop& stop) {
  Gradient* p = findGradient(g);
  if (p == nullptr || index > p->stops.size() || p->stops.size() >= kMaxGradientStops) return false;
  p->stops.insert(index, stop);
  return true;
}
std::vector<HostGradientStop> Document::stops(GradientHandle g) const {
  const Gradient* p = findGradient(g);
  if (p == nullptr) return {};
  return p->stops.toVector();
}

}  // namespace host
