#include "plugin/evenhue_plugin.hpp"

#include <exception>

#include "plugin/guarded.hpp"
#include "framework/plugin_object.hpp"

namespace {

Plugin* gCurrentPlugin = nullptr;

}  // namespace

Plugin* CurrentPluginObject() { return gCurrentPlugin; }

EvenhuePlugin::EvenhuePlugin(hostapi::PluginRef pluginRef)
    : Plugin(pluginRef), aboutGroupItem(nullptr), aboutItem(nullptr), liveEffect(nullptr), applyNotifier(nullptr) {
  CopyBounded(name, kNameSize, "Evenhue");
}

EvenhuePlugin::EvenhuePlugin(ReloadTag tag) : Plugin(tag) {}

EvenhuePlugin::~EvenhuePlugin() = default;

hostapi::ResultCode EvenhuePlugin::startUp(Message* message) {
  ResultCode result = Plugin::startUp(message);
  if (result != 0) return result;
  // Each registration runs whatever the one before it gave; the answer is the
  // last one's.
  hostapi::ResultUnused(Guarded([&] { return AddAboutMenus(message); }));
  hostapi::ResultUnused(Guarded([&] { return RegisterLiveEffect(message); }));
  return Guarded([&] { return RegisterApplyNotifier(message); });
}

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
  // The dispatch pointer may refer to a previous load of the library, so the
  // object is not looked at as an EvenhuePlugin before it is one again; with
  // single inheritance the base sits at the start of the storage.
  void* storage = object;
  new (storage) EvenhuePlugin(ReloadTag{});
}
