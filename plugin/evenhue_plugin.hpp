// The plug-in's own class: the Evenhue Live Effect, its About entry and its
// notifier on top of the framework base.
#pragma once

#include <cstdint>

#include "interface/host_api.hpp"
#include "framework/plugin.hpp"

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
  ResultCode onNotify(Message* message) override;
  ResultCode onMenuGo(Message* message) override;
  ResultCode onMenuUpdate(Message* message) override;
  ResultCode onLiveEffectEditParameters(Message* message) override;
  ResultCode onLiveEffectGoLive(Message* message) override;

  // Start-up registrations, in the order startUp runs them.
  ResultCode AddAboutMenus(Message* message);
  ResultCode RegisterLiveEffect(Message* message);
  ResultCode RegisterApplyNotifier(Message* message);

  // The About entry.
  ResultCode FindMenuGroup(const char* name, std::int32_t& found);
  ResultCode AddMenuItem(Message* message, const char* key, const char* groupName, std::int32_t options,
                         hostapi::MenuItemHandle& item);
  ResultCode ShowAbout(Message* message);

  // The effect: walks the input art and re-spaces every gradient fill and stroke.
  ResultCode ApplyEffect(Message* message);
  ResultCode WalkArt(hostapi::ArtHandle art);
  ResultCode RewritePathStyle(hostapi::ArtHandle art);
  // The new gradient for a gradient colour, or the source gradient itself when
  // the source cannot be re-spaced (the art then keeps it unchanged).
  hostapi::GradientHandle RewriteGradient(const hostapi::HostColor& color);

  // Fields of this class; like the base's, none has a default initialiser.
  hostapi::MenuItemHandle aboutGroupItem;
  hostapi::MenuItemHandle aboutItem;
  hostapi::LiveEffectHandle liveEffect;
  hostapi::NotifierHandle applyNotifier;
};

// The current plug-in object, as last set through setInstance.
Plugin* CurrentPluginObject();
