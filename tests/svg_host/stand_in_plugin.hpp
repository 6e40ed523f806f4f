// Stands in for the plug-in in the binding's tests: every gradient fill and
// stroke of the bound art gets a new gradient of the source's type, with the
// stops `stopsFor` gives for it, and the art's style is written back.
#pragma once

#include <vector>

#include "host/document.hpp"
#include "svg_host/host_binding.hpp"

namespace evenhue::svg {

template <class StopsFor>
void RespacePaints(host::Document& hostDoc, const Binding& binding, StopsFor&& stopsFor) {
  for (const BoundArt& art : binding.gradientArt) {
    auto style = *hostDoc.pathStyle(art.art);
    for (hostapi::HostColor* color : {&style.fillColor, &style.strokeColor}) {
      if (color->kind != hostapi::kColorGradient) continue;
      const auto type = *hostDoc.gradientType(color->body.gradient.gradient);
      const std::vector<hostapi::HostGradientStop> stops = stopsFor();
      color->body.gradient.gradient = hostDoc.newGradient(type, stops);
    }
    hostDoc.setPathStyle(art.art, style);
  }
}

}  // namespace evenhue::svg
