// The plug-in's own class: the Evenhue Live Effect, its About entry and its
// notifier on top of the framework base.
#pragma once

#include "plugin/host_api.hpp"
#include "plugin/plugin.hpp"

class EvenhuePlugin : public Plugin {
 public:
  explicit EvenhuePlugin(hostapi::PluginRef pluginRef);
  // Re-seats the dispatch of an object that survived a reload; touches nothing else.
  explicit EvenhuePlugin(ReloadTag tag);

  ~EvenhuePlugin() override;
  ResultCode startUp(Message* message) override;
  ResultCode afterApplicationStarted() override;
  ResultCode dispatch(const char* caller, const char* selector, Message* message) override;
  ResultCode setInstance(Plugin* object) override;

  // Fields of this class; like the base's, none has a default initialiser.
  hostapi::MenuItemHandle aboutGroupItem;
  hostapi::MenuItemHandle aboutItem;
  hostapi::LiveEffectHandle liveEffect;
  hostapi::NotifierHandle applyNotifier;
};

// The current plug-in object, as last set through setInstance.
Plugin* CurrentPluginObject();
