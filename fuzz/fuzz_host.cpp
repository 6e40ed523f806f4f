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

void RenewWhenLarger(std::size_t maxArt, std::size_t maxGradients) {
  host::Host& h = SharedHost();
  if (h.document().artCount() <= maxArt && h.document().gradientCount() <= maxGradients) return;
  gHost.reset();  // sends "Shutdown"; the pinned library stays mapped
  Start();
}

void Violated(const char* what) {
  std::fprintf(stderr, "fuzz: invariant violated: %s\n", what);
  std::abort();
}

}  // namespace fuzzing
