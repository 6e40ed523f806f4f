#include "plugin/router_table.hpp"

#include <cstring>

namespace router {

#define H(op) Action::kHandler, &Plugin::op

const Route kRoutes[kRouteCount] = {
    {"SP Access", "Unload", H(unload)},
    {"SP Access", "Reload", H(reload)},
    {"SP Interface", "About", Action::kAnswerZero, nullptr},
    {"SP Interface", "Startup", Action::kAnswerZero, nullptr},
    {"SP Cache", "Plug-in Purge", Action::kPurge, nullptr},
    {"SP Properties", "Acquire", H(acquireProperty)},
    {"SP Properties", "Release", H(releaseProperty)},
    {"AI Notifier", nullptr, Action::kNotifier, nullptr},
    {"Action Manager", "Do Action", H(onDoAction)},
    {"AI Menu", "AI Go", H(onMenuGo)},
    {"AI Menu", "AI Update", H(onMenuUpdate)},
    {"AI Filter", "AI Get Parameters", H(onFilterGetParameters)},
    {"AI Filter", "AI Go", H(onFilterGo)},
    {"AI Plugin Group", "AI Notify Edits", H(onPluginGroupNotifyEdits)},
    {"AI Plugin Group", "AI Update", H(onPluginGroupUpdate)},
    {"AI File Format", "AI Get Parameters", H(onFileFormatGetParameters)},
    {"AI File Format", "AI Go", H(onFileFormatGo)},
    {"AI File Format", "AI Check", H(onFileFormatCheck)},
    {"AI File Format", "AI Update AI140", H(onFileFormatUpdate)},
    {"AI File Format", "Do Action", H(onFileFormatDoAction)},
    {"AI Tool", "AI Edit Options", H(onToolEditOptions)},
    {"AI Tool", "AI Track Cursor", H(onToolTrackCursor)},
    {"AI Tool", "AI Mouse Down", H(onToolMouseDown)},
    {"AI Tool", "AI Mouse Drag", H(onToolMouseDrag)},
    {"AI Tool", "AI Mouse Up", H(onToolMouseUp)},
    {"AI Tool", "AI Select", H(onToolSelect)},
    {"AI Tool", "AI Deselect", H(onToolDeselect)},
    {"AI Tool", "AI Reselect", H(onToolReselect)},
    {"AI Tool", "AI Decrease Diameter", H(onToolDecreaseDiameter)},
    {"AI Tool", "AI Increase Diameter", H(onToolIncreaseDiameter)},
    {"AI Live Effect", "AI Live Effect Edit Parameters", H(onLiveEffectEditParameters)},
    {"AI Live Effect", "AI Live Effect Go Live", H(onLiveEffectGoLive)},
    {"AI Live Effect", "AI Live Effect Interpolate Parameters", H(onLiveEffectInterpolateParameters)},
    {"AI Live Effect", "AI Live Effect Input Type", H(onLiveEffectInputType)},
    {"AI Live Effect", "AI Live Effect Scale Parameters", H(onLiveEffectScaleParameters)},
    {"AI Live Effect", "AI Live Effect Convert Color Space", H(onLiveEffectConvertColorSpace)},
    {"AI Live Effect", "AI Live Effect Adjust Colors", H(onLiveEffectAdjustColors)},
    {"AI Live Effect", "AI Live Effect Handle Merge", H(onLiveEffectHandleMerge)},
    {"AI Timer", "AI Go", H(onTimerGo)},
    {"AI Clipboard", "AI Go", H(onClipboardGo)},
    {"AI Clipboard", "AI Can Copy", H(onClipboardCanCopy)},
    {"AI Clipboard", "AI Clone", H(onClipboardClone)},
    {"AI Clipboard", "AI Dispose", H(onClipboardDispose)},
    {"Workspace Manager", "Write Workspace", H(onWorkspaceWrite)},
    {"Workspace Manager", "Restore Workspace", H(onWorkspaceRestore)},
    {"Workspace Manager", "Default Workspace", H(onWorkspaceDefault)},
};

#undef H

const Route* FindCaller(const char* caller) {
  if (caller == nullptr) return nullptr;
  for (const Route& route : kRoutes) {
    if (std::strcmp(route.caller, caller) == 0) return &route;
  }
  return nullptr;
}

const Route* FindSelector(const Route* first, const char* selector) {
  for (const Route* route = first; route != kRoutes + kRouteCount; ++route) {
    if (std::strcmp(route->caller, first->caller) != 0) continue;
    if (route->selector == nullptr) return route;
    if (selector != nullptr && std::strcmp(route->selector, selector) == 0) return route;
  }
  return nullptr;
}

}  // namespace router
