// The entry point's view of the plug-in object. The shell knows the object only
// as a Plugin; the plug-in's own class defines these two.
#pragma once

#include "interface/host_api.hpp"

class Plugin;

// A new plug-in object for `pluginRef`, or null when memory is short. Never throws.
Plugin* createPluginObject(hostapi::PluginRef pluginRef) noexcept;

// Re-seats `object`'s virtual dispatch after a reload of the library, in place,
// and clears its two application notifier handles. Nothing else is touched.
void reseatPluginObject(Plugin* object) noexcept;
