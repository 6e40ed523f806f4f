// An SVG document as the stand-in host's document, and the plug-in's results
// written back into the SVG.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "host/document.hpp"
#include "svg/gradient_def.hpp"
#include "svg/diagnostics.hpp"
#include "svg/gradient_writer.hpp"
#include "svg/paint.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::svg {

// The colour kind given to paints the plug-in only carries through (patterns,
// context-fill, ...).
inline constexpr std::int32_t kOtherPaintKind = 2;

struct BoundGradient {
  GradientDef def;
  hostapi::GradientHandle handle = nullptr;
};

inline constexpr std::size_t kNoDeclaration = static_cast<std::size_t>(-1);

struct BoundPaint {
  std::size_t gradient = 0;  // index into Binding::gradients
  std::string fallback;      // text after url(#...) to keep on rewrite
  PaintSource own;           // what the painted element itself declares (maybe "inherit")
  pugi::xml_node declarer;   // the element whose declaration gives the paint: itself or an ancestor
  PaintSource declared;      // that declaration
  std::size_t declaration = 0;  // index into Binding::declarations
  // For content a <use> draws: the outermost <use> (standing in the
  // document itself) and the index into Binding::declarations of the paint's
  // declaration as drawn through it; empty otherwise.
  pugi::xml_node use;
  std::size_t throughUse = kNoDeclaration;  // kNoDeclaration: the paint does not come through the <use>
  PaintSource useOwn;  // what the outermost <use> declares for the property
  bool drawnByUse = false;  // outside <use> content, but some <use> draws the element too
};

// A declaration that gives gradient paints, with the number of bound paints
// it gives. Rewriting it changes every one of them.
struct PaintDeclaration {
  pugi::xml_node element;
  std::string property;
  std::size_t paints = 0;
  // Nothing it may paint was left out of the binding, and every copy a <use>
  // draws of its element takes its value from it too (a copy has the
  // element's attributes, so it would take the rewrite).
  bool allBound = true;
};

// A path or compound path with a gradient fill or stroke.
struct BoundArt {
  hostapi::ArtHandle art = nullptr;
  pugi::xml_node element;
  std::optional<BoundPaint> fill;
  std::optional<BoundPaint> stroke;
  // The alike art whose style the plug-in wrote for this one; null: its own.
  hostapi::ArtHandle styleOf = nullptr;
};

struct Binding {
  std::vector<hostapi::ArtHandle> inputs;  // one per Go Live: the root, or each selected element
  std::vector<BoundArt> gradientArt;
  std::vector<BoundGradient> gradients;
  std::vector<PaintDeclaration> declarations;
  std::size_t artCount = 0;
  Warnings warnings;  // what was left alone, one line each
};

// Builds host art for the document: the root <svg> (or each element named in
// `selectIds`) is a top-level art whose children are visited. Containers that
// draw their content (g, a, switch, symbol, defs, svg, pattern, marker) are
// groups; a path with one subpath and the basic shapes are paths, a path with
// several subpaths a compound path; text, tspan and textPath are a group
// holding a path for their own paint and their children; anything else
// (clip paths, masks, foreign objects, ...) is other art whose content is
// left alone. A <use> is a group holding what it draws: its target (a
// <symbol> as a group) bound again, inheriting from the <use>. Fill and
// stroke come from the cascade. What renderers draw
// through (references to nothing or to non-gradients, broken gradient links)
// is a warning in Binding::warnings. Throws SvgError for unknown selected ids
// and what the host refuses.
// `shareAlike`: for a plug-in that re-spaces a gradient paint from the
// gradient alone, sibling art of one type painted only with the same
// gradients is painted in the host for the first of them only; the others
// (BoundArt::styleOf) take its result, so that a gradient shared by many
// shapes is re-spaced once for them rather than once per shape.
Binding BindDocument(const SvgDocument& document, host::Document& hostDocument,
                     const std::vector<std::string>& selectIds = {}, bool shareAlike = false);

// One fill or stroke the plug-in gave a new gradient.
struct Rewrite {
  pugi::xml_node element;
  std::string property;       // "fill" or "stroke"
  std::size_t source = 0;     // index into Binding::gradients
  std::string newId;
  GradientType type = GradientType::Linear;
  // Read once per host gradient: every paint the plug-in gave the same one shares them.
  std::shared_ptr<const std::vector<RgbStop>> stops;
  // Its place among the paints the filter was asked about (0, 1, ...), so
  // that a caller can tell which of them were written in the end.
  std::size_t asked = 0;
};

// Whether a paint is rewritten: asked with the rewrite as it would be made
// (its stops read from the host, no id yet) and its source, in document order,
// before anything of it is written. False leaves the paint exactly as it was.
// A paint it accepted may still be left alone when its new gradient cannot be
// placed (a warning tells); it is then missing from WriteBack's result.
using RewriteFilter = std::function<bool(const Rewrite&, const BoundGradient&)>;

// Reads each bound art's style back; for each fill or stroke whose gradient
// changed (and that `write`, when given, accepts), adds a new gradient element holding the host gradient's stops and
// points the paint at it, where the old paint won: the declaration that gave
// it is rewritten when every paint it gives got the same new gradient; else
// each painted element gets a declaration of its own that beats what it
// declares (for content drawn by a <use>, on the <use> when the paint came
// through it; a warning naming the <use> where that cannot be done).
// Returns what was rewritten, in document order; a gradient paint the
// plug-in left alone is a warning.
std::vector<Rewrite> WriteBack(SvgDocument& document, const host::Document& hostDocument, const Binding& binding,
                               Warnings& warnings, const RewriteFilter& write = {});

// The stops of a host gradient as RGB stops (non-RGB kinds read as black).
std::vector<RgbStop> ReadRgbStops(const host::Document& hostDocument, hostapi::GradientHandle gradient);

// How many subpaths a path's d attribute draws (moveto commands).
std::size_t SubpathCount(std::string_view d);

}  // namespace evenhue::svg
