#include "fuzz/fuzz_host.hpp"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace fuzzing {
namespace {

std::string PluginFile() {
  const char* chosen = std::getenv("EVENHUE_PLUGIN");
  return chosen != nullptr && *chosen != '\0' ? chosen : EVENHUE_PLUGIN_FILE;
}

void Pin(const std::string& file) {
  static void* pinned = nullptr;
  if (pinned != nullptr) return;
  pinned = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (pinned == nullptr) {
    std::fprintf(stderr, "fuzz: cannot load %s: %s\n", file.c_str(), dlerror());
    std::abort();
  }
}

std::unique_ptr<host::Host> gHost;

void Start() {
  const std::string file = PluginFile();
  Pin(file);
  host::HostOptions options = host::HostOptions::ForPlugin(file);
  options.recordCalls = false;
  gHost = std::make_unique<host::Host>(options);
  if (gHost->startup() != 0) Violated("the plug-in does not start in a clean host");
}

}  // namespace

host::Host& SharedHost() {
  if (!gHost) Start();
  return *gHost;
}

hostapi::LiveEffectHandle CurrentEffect() {
  const auto& effects = SharedHost().liveEffects();
  return effects.empty() ? nullptr : effects.back().handle;
}

void RenewWhenLarger(std::size_t maxArt, std::size_t maxStops) {
  host::Host& h = SharedHost();
  const host::Document& d = h.document();
  std::size_t stops = 0;
  // The document's gradient handles are the numbers 1 to gradientCount().
  for (std::uintptr_t g = 1; g <= d.gradientCount() && stops <= maxStops; ++g) {
    stops += d.stopCount(reinterpret_cast<hostapi::GradientHandle>(g)).value_or(0);
  }
  if (d.artCount() <= maxArt && stops <= maxStops) return;
  gHost.reset();  // sends "Shutdown"; the pinned library stays mapped
  Start();
}

void Violated(const char* what) {
  std::fprintf(stderr, "fuzz: invariant violated: %s\n", what);
  std::abort();
}

}  // namespace fuzzing
