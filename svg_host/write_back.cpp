// The binding's second half: the plug-in's new gradients read back from the
// host document, written into the SVG document, and each new paint placed
// where the old one won.
#include <algorithm>
#include <map>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>

#include "host/gradient_io.hpp"
#include "svg/paint.hpp"
#include "svg_host/host_binding.hpp"

namespace evenhue::svg {

std::vector<RgbStop> ReadRgbStops(const host::Document& hostDocument, hostapi::GradientHandle gradient) {
  host::Ramp ramp;
  host::ReadRamp(hostDocument, gradient, ramp);
  std::vector<RgbStop> out;
  out.reserve(ramp.stops.size());
  for (const host::Stop& s : ramp.stops)
    out.push_back({FractionOf(s.position), s.channels[0], s.channels[1], s.channels[2], s.opacity, s.midpoint});
  return out;
}

namespace {

// A new gradient no paint points at any more (its paints share another's):
// it stands after its source among the gradients added there.
void RemoveUnused(const GradientDef& source, const std::string& id) {
  for (pugi::xml_node n = source.element.next_sibling(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    if (id == n.attribute("id").value()) {
      n.parent().remove_child(n);
      return;
    }
  }
}

// One rewritten paint waiting to be placed.
struct Placing {
  const BoundArt* art;
  const BoundPaint* bound;
  std::size_t rewrite;  // index into the rewrites
};

// Places the new paints. A declaration is rewritten once when every paint it
// gives changed to the same gradient (and nothing it may paint was left out
// of the binding); otherwise each paint gets a declaration of its own.
void PlacePaints(const Binding& binding, const std::vector<Placing>& placing, std::vector<Rewrite>& rewrites,
                 Warnings& warnings) {
  // The placings of each declaration, in order: all[start[d]] up to all[start[d + 1]].
  std::vector<std::size_t> start(binding.declarations.size() + 1, 0);
  const auto each = [&](const auto& visit) {
    for (std::size_t i = 0; i < placing.size(); ++i) {
      visit(placing[i].bound->declaration, i);
      if (placing[i].bound->use && placing[i].bound->throughUse != kNoDeclaration)
        visit(placing[i].bound->throughUse, i);
    }
  };
  each([&](std::size_t d, std::size_t) { ++start[d + 1]; });
  for (std::size_t d = 0; d < binding.declarations.size(); ++d) start[d + 1] += start[d];
  std::vector<std::size_t> all(start.back());
  {
    std::vector<std::size_t> fill(start.begin(), start.end() - 1);
    each([&](std::size_t d, std::size_t i) { all[fill[d]++] = i; });
  }
  const auto byDeclaration = [&](std::size_t d) {
    return std::span<const std::size_t>(all.data() + start[d], start[d + 1] - start[d]);
  };
  const auto uniform = [&](std::size_t declaration) {
    const std::span<const std::size_t> members = byDeclaration(declaration);
    const PaintDeclaration& d = binding.declarations[declaration];
    if (members.empty() || members.size() != d.paints || !d.allBound) return false;
    for (const std::size_t m : members)
      if (rewrites[placing[m].rewrite].newId != rewrites[placing[members.front()].rewrite].newId) return false;
    return true;
  };
  // New gradients no paint points at in the end: (source, id).
  std::vector<std::pair<std::size_t, std::string>> dropped;
  std::vector<bool> placed(placing.size(), false);
  for (std::size_t declaration = 0; declaration < binding.declarations.size(); ++declaration) {
    if (!uniform(declaration)) continue;
    const std::span<const std::size_t> members = byDeclaration(declaration);
    bool fresh = true;
    for (const std::size_t m : members) fresh = fresh && !placed[m];
    if (!fresh) continue;
    const PaintDeclaration& d = binding.declarations[declaration];
    const BoundPaint& first = *placing[members.front()].bound;
    // Either the declaration itself, or (for a <use>) the one that beats what the <use> declares.
    const bool atUse = first.use && first.throughUse == declaration && first.declaration != declaration;
    const std::string& id = rewrites[placing[members.front()].rewrite].newId;
    if (atUse) {
      // The <use> itself: what it declares is replaced (the paint came through it).
      SetPaintUrl(d.element, d.property, id, first.fallback, first.useOwn);
    } else {
      SetPaintUrl(d.element, d.property, id, first.fallback, first.declared);
    }
    for (const std::size_t m : members) placed[m] = true;
  }
  for (std::size_t i = 0; i < placing.size(); ++i) {
    if (placed[i]) continue;
    const Placing& p = placing[i];
    Rewrite& r = rewrites[p.rewrite];
    if (p.bound->use) {
      warnings.push_back(DescribeElement(p.bound->use) + ": " + r.property + " gradient '" +
                         binding.gradients[r.source].def.id + "' of the " + DescribeElement(p.art->element) +
                         " it draws left alone: the declaration that paints it paints others differently");
      dropped.push_back({r.source, r.newId});
      r.newId.clear();
      continue;
    }
    if (p.bound->drawnByUse) {
      // A declaration of its own would change what the <use> elements draw too.
      warnings.push_back(DescribeElement(p.art->element) + ": " + r.property + " gradient '" +
                         binding.gradients[r.source].def.id +
                         "' left alone: <use> elements draw the element too, and a declaration written on it "
                         "would paint them differently");
      dropped.push_back({r.source, r.newId});
      r.newId.clear();
      continue;
    }
    // A declaration of its own, beating whatever the element declares.
    SetPaintUrl(p.art->element, r.property, r.newId, p.bound->fallback, p.bound->own);
  }
  // A new gradient may be shared by several paints: kept while one of them points at it.
  std::unordered_set<std::string> used;
  for (const Rewrite& r : rewrites)
    if (!r.newId.empty()) used.insert(r.newId);
  for (const auto& [source, id] : dropped)
    if (used.insert(id).second) RemoveUnused(binding.gradients[source].def, id);
}

}  // namespace

std::vector<Rewrite> WriteBack(SvgDocument& document, const host::Document& hostDocument, const Binding& binding,
                               Warnings& warnings, const RewriteFilter& write) {
  // The paints of each source: equal new gradients are looked for only among
  // the paints of one source (NewGradientKey), so a source's only paint needs no key.
  std::vector<std::size_t> paintsOf(binding.gradients.size(), 0);
  std::size_t paints = 0;
  for (const BoundArt& art : binding.gradientArt)
    for (const std::optional<BoundPaint>* bound : {&art.fill, &art.stroke})
      if (*bound) {
        ++paintsOf[(*bound)->gradient];
        ++paints;
      }
  std::vector<Rewrite> rewrites;
  rewrites.reserve(paints);
  std::vector<Placing> placing;
  placing.reserve(paints);
  // Paints whose new gradients would be equal share the first one.
  std::unordered_map<std::string, std::string> added;  // NewGradientKey -> id
  // What a host gradient reads as, read once however many paints it was given to,
  // and the id given to the last source re-spaced into it (`added` holds it).
  struct Read {
    GradientType type = GradientType::Linear;
    std::shared_ptr<const std::vector<RgbStop>> stops;
    std::size_t source = 0;
    const std::string* id = nullptr;
  };
  std::unordered_map<hostapi::GradientHandle, Read> read;
  std::size_t asked = 0;
  for (const BoundArt& art : binding.gradientArt) {
    const auto style = hostDocument.pathStyle(art.styleOf ? art.styleOf : art.art);
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
      const hostapi::GradientHandle now = host::Replacement(hostDocument, side.painted, side.color, source.handle);
      if (!now) {
        warnings.push_back(DescribeElement(art.element) + ": " + side.property + " gradient '" + source.def.id +
                           "' (" + std::to_string(source.def.stops.size()) +
                           " stops) was left alone by the plug-in");
        continue;
      }
      // A source's only paint has a host gradient of its own.
      const bool sole = paintsOf[side.bound->gradient] == 1;
      Read own;
      Read& got = sole ? own : read[now];
      if (!got.stops) {
        got.type = hostDocument.gradientType(now).value_or(0) == host::kGradientRadial ? GradientType::Radial
                                                                                       : GradientType::Linear;
        got.stops = std::make_shared<const std::vector<RgbStop>>(ReadRgbStops(hostDocument, now));
      }
      Rewrite rewrite;
      rewrite.element = art.element;
      rewrite.property = side.property;
      rewrite.source = side.bound->gradient;
      rewrite.type = got.type;
      rewrite.stops = got.stops;
      rewrite.asked = asked++;
      if (write && !write(rewrite, source)) continue;
      if (sole) {
        rewrite.newId = AddGradient(document, source.def, rewrite.type, *rewrite.stops);
      } else {
        if (!got.id || got.source != rewrite.source) {
          const auto [entry, first] = added.try_emplace(NewGradientKey(source.def, rewrite.type, *rewrite.stops));
          if (first) entry->second = AddGradient(document, source.def, rewrite.type, *rewrite.stops);
          got.source = rewrite.source;
          got.id = &entry->second;
        }
        rewrite.newId = *got.id;
      }
      placing.push_back({&art, &*side.bound, rewrites.size()});
      rewrites.push_back(std::move(rewrite));
    }
  }
  PlacePaints(binding, placing, rewrites, warnings);
  // Paints whose new gradient could not be placed are not rewritten.
  std::erase_if(rewrites, [&](const Rewrite& r) { return r.newId.empty(); });
  return rewrites;
}

}  // namespace evenhue::svg
