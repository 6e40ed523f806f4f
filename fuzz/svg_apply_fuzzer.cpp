// SVG documents from anywhere: parsed with the limits, bound to the host's
// document, rendered by the plug-in with Go Live, written back and printed.
// A document that is refused must be refused with SvgError; one that is
// accepted must come out as a document that reads back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "fuzz/fuzz_host.hpp"
#include "svg_host/host_binding.hpp"
#include "svg/svg_document.hpp"

namespace {

using evenhue::svg::SvgDocument;
using evenhue::svg::SvgError;

// Small enough that one input stays quick; the shape of the limits is the same.
evenhue::svg::Limits InputLimits() {
  evenhue::svg::Limits limits;
  limits.maxBytes = 1 << 20;
  limits.maxElements = 20'000;
  limits.maxDepth = 5'000;
  limits.maxStops = 9'000;
  return limits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::RenewWhenLarger(200'000, 2'000'000);
  host::Host& h = fuzzing::SharedHost();
  const hostapi::LiveEffectHandle effect = fuzzing::CurrentEffect();

  std::optional<SvgDocument> document;
  evenhue::svg::Binding binding;
  try {
    document.emplace(SvgDocument::Parse(std::string(reinterpret_cast<const char*>(data), size), InputLimits()));
    binding = evenhue::svg::BindDocument(*document, h.document());
  } catch (const SvgError&) {
    return 0;
  }

  for (const hostapi::ArtHandle art : binding.inputs) {
    const hostapi::ResultCode code = h.goLive(effect, art);
    if (code != 0) fuzzing::Violated("Go Live failed on art the host made");
  }
  const auto rewrites = evenhue::svg::WriteBack(*document, h.document(), binding, binding.warnings);
  if (rewrites.size() > 2 * binding.gradientArt.size()) fuzzing::Violated("more rewrites than gradient paints");
  const std::string out = document->Serialize();

  evenhue::svg::Limits roomy;
  roomy.maxBytes = ~std::uint64_t{0};
  roomy.maxElements = ~std::uint64_t{0};
  roomy.maxStops = ~std::uint32_t{0};
  try {
    const SvgDocument again = SvgDocument::Parse(out, roomy);
    if (again.ElementCount() < document->ElementCount()) fuzzing::Violated("the output lost elements");
  } catch (const SvgError& e) {
    std::fprintf(stderr, "fuzz: %s\n", e.what());
    fuzzing::Violated("the written document does not read back");
  }
  return 0;
}
