// The stand-in host's document: art objects in a tree, a path style per art
// kept as the host's own record, and a store of gradients.
//
// Handles are small numbers (index + 1) disguised as the opaque handle types of
// the host interface, so a handle the document never gave out is recognised and
// refused instead of being dereferenced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "host/gap_buffer.hpp"
#include "interface/host_api.hpp"

namespace host {

// Art type codes the document hands out. Group, path and compound path are the
// interface's; any other 16-bit code is "other art" (text, placed images, ...).
inline constexpr std::int16_t kArtOther = 9;

// Gradient types.
inline constexpr std::int16_t kGradientLinear = 0;
inline constexpr std::int16_t kGradientRadial = 1;

// The stop count travels as a signed 16-bit number: a gradient never holds more.
inline constexpr std::size_t kMaxGradientStops = 32767;

// ---------------------------------------------------------------------------
// Record builders

hostapi::HostColor RgbColor(double red, double green, double blue);
// Ink amounts as fractions 0–1.
hostapi::HostColor CmykColor(double cyan, double magenta, double yellow, double black);
// A gradient colour referring to `gradient`; the further host fields are zero.
hostapi::HostColor GradientColor(hostapi::GradientHandle gradient);
// A colour of a kind the plug-in does not act on (for example a spot colour).
hostapi::HostColor OtherColor(std::int32_t kind);

// Ramp point and midpoint in percent, opacity 0–1.
hostapi::HostGradientStop MakeStop(double rampPointPercent, const hostapi::HostColor& color,
                                   double midPointPercent = 50.0, double opacity = 1.0);

// A zeroed record; fill and stroke are painted only when given.
hostapi::HostPathStyle MakePathStyle(const std::optional<hostapi::HostColor>& fill,
                                     const std::optional<hostapi::HostColor>& stroke);

// ---------------------------------------------------------------------------

class Document {
 public:
  Document();
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // --- Art ---------------------------------------------------------------
  // Creates art of `type` as the last child of `parent` (null: a top-level art
  // with no parent and no siblings). The new art's style is MakePathStyle({}, {}).
  hostapi::ArtHandle newArt(std::int16_t type, hostapi::ArtHandle parent = nullptr);
  hostapi::ArtHandle newGroup(hostapi::ArtHandle parent = nullptr) { return newArt(hostapi::kArtGroup, parent); }
  hostapi::ArtHandle newPath(hostapi::ArtHandle parent = nullptr) { return newArt(hostapi::kArtPath, parent); }
  hostapi::ArtHandle newCompoundPath(hostapi::ArtHandle parent = nullptr) {
    return newArt(hostapi::kArtCompoundPath, parent);
  }
  hostapi::ArtHandle newOtherArt(hostapi::ArtHandle parent = nullptr, std::int16_t type = kArtOther) {
    return newArt(type, parent);
  }

  bool isArt(hostapi::ArtHandle art) const;
  std::size_t artCount() const;
  // All of these return null / nullopt for a handle that is not art of this document.
  std::optional<std::int16_t> artType(hostapi::ArtHandle art) const;
  hostapi::ArtHandle parent(hostapi::ArtHandle art) const;
  hostapi::ArtHandle firstChild(hostapi::ArtHandle art) const;
  hostapi::ArtHandle nextSibling(hostapi::ArtHandle art) const;
  std::vector<hostapi::ArtHandle> children(hostapi::ArtHandle art) const;

  // The art's fill and stroke, as the host's record.
  std::optional<hostapi::HostPathStyle> pathStyle(hostapi::ArtHandle art) const;
  bool setPathStyle(hostapi::ArtHandle art, const hostapi::HostPathStyle& style);
  // How often the path style suite wrote this art's style (not counting setPathStyle above).
  std::uint32_t styleWrites(hostapi::ArtHandle art) const;
  void noteStyleWrite(hostapi::ArtHandle art);

  // --- Gradients -----------------------------------------------------------
  // A gradient with exactly these stops (at most kMaxGradientStops; more are refused with null).
  hostapi::GradientHandle newGradient(std::int16_t type, std::span<const hostapi::HostGradientStop> stops);
  // What the gradient suite's "new gradient" creates: exactly two stops, linear,
  // white at 0 % to black at 100 %, midpoints 50, opaque.
  hostapi::GradientHandle newDefaultGradient();

  bool isGradient(hostapi::GradientHandle gradient) const;
  std::size_t gradientCount() const;
  std::optional<std::int16_t> gradientType(hostapi::GradientHandle gradient) const;
  bool setGradientType(hostapi::GradientHandle gradient, std::int16_t type);
  std::optional<std::size_t> stopCount(hostapi::GradientHandle gradient) const;
  std::optional<hostapi::HostGradientStop> stop(hostapi::GradientHandle gradient, std::size_t index) const;
  bool setStop(hostapi::GradientHandle gradient, std::size_t index, const hostapi::HostGradientStop& stop);
  // Inserts at `index` (0..count). Refused when the gradient already holds
  // kMaxGradientStops. Repeated inserts at one index cost constant time each.
  bool insertStop(hostapi::GradientHandle gradient, std::size_t index, const hostapi::HostGradientStop& stop);
  std::vector<hostapi::HostGradientStop> stops(hostapi::GradientHandle gradient) const;

 private:
  struct Art;
  struct Gradient;
  Art* findArt(hostapi::ArtHandle art);
  const Art* findArt(hostapi::ArtHandle art) const;
  Gradient* findGradient(hostapi::GradientHandle gradient);
  const Gradient* findGradient(hostapi::GradientHandle gradient) const;

  std::vector<Art> art_;  // a handle's index, held in place
  // The styles set on art other than MakePathStyle({}, {}) (most art of a
  // large document never has one, and a record is a kilobyte).
  std::vector<hostapi::HostPathStyle> styles_;
  std::vector<Gradient> gradients_;
};

}  // namespace host
