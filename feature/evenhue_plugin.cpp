#include "feature/evenhue_plugin.hpp"

#include <exception>

#include "plugin/plugin_object.hpp"
#include "support/error.hpp"

namespace {

Plugin* gCurrentPlugin = nullptr;

// Runs `step`; an ai::Error becomes its code and any other exception 'CANT'.
template <class Step>
hostapi::ResultCode Guarded(Step&& step) {
  try {
    return step();
  } catch (const ai::Error& error) {
    return error.code();
  } catch (...) {
    return hostapi::kCantHappen;
  }
}

}  // namespace

Plugin* CurrentPluginObject() { return gCurrentPlugin; }

EvenhuePlugin::EvenhuePlugin(hostapi::PluginRef pluginRef)
    : Plugin(pluginRef), aboutGroupItem(nullptr), aboutItem(nullptr), liveEffect(nullptr), applyNotifier(nullptr) {
  CopyBounded(name, kNameSize, "Evenhue");
}

EvenhuePlugin::EvenhuePlugin(ReloadTag tag) : Plugin(tag) {}

EvenhuePlugin::~EvenhuePlugin() = default;

hostapi::ResultCode EvenhuePlugin::startUp(Message* message) { return Plugin::startUp(message); }

hostapi::ResultCode EvenhuePlugin::afterApplicationStarted() {
  return Guarded([&] { return holdAccess(1); });
}

hostapi::ResultCode EvenhuePlugin::dispatch(const char* caller, const char* selector, Message* message) {
  const ResultCode result = Guarded([&] { return Plugin::dispatch(caller, selector, message); });
  if (result == 0 || result == hostapi::kUnhandledMessage) return 0;
  Plugin::reportError(result, caller, selector, message);
  return result;
}

hostapi::ResultCode EvenhuePlugin::setInstance(Plugin* object) {
  gCurrentPlugin = object;
  return 0;
}

Plugin* createPluginObject(hostapi::PluginRef pluginRef) noexcept {
  return new (std::nothrow) EvenhuePlugin(pluginRef);
}

void reseatPluginObject(Plugin* object) noexcept {
  if (object == nullptr) return;
  // Runs the reload constructor on the existing storage: the dispatch pointer
  // and the two application notifier handles change, nothing else.
  new (static_cast<void*>(static_cast<EvenhuePlugin*>(object))) EvenhuePlugin(ReloadTag{});
}
