#include "framework/router_table.hpp"

#include <cstring>

namespace router {

namespace callers = hostapi::callers;
namespace selectors = hostapi::selectors;

#define H(op) Action::kHandler, &Plugin::op

const Route kRoutes[kRouteCount] = {
    {callers::kAccess, selectors::kUnload, H(unload)},
    {callers::kAccess, selectors::kReload, H(reload)},
    {callers::kInterface, selectors::kAbout, Action::kAnswerZero, nullptr},
    {callers::kInterface, selectors::kStartup, Action::kAnswerZero, nullptr},
    {callers::kCache, selectors::kPurge, Action::kPurge, nullptr},
    {callers::kProperties, "Acquire", H(acquireProperty)},
    {callers::kProperties, "Release", H(releaseProperty)},
    {callers::kNotifier, nullptr, Action::kNotifier, nullptr},
    {callers::kActionManager, "Do Action", H(onDoAction)},
    {callers::kMenu, selectors::kMenuGo, H(onMenuGo)},
    {callers::kMenu, selectors::kMenuUpdate, H(onMenuUpdate)},
    {callers::kFilter, "AI Get Parameters", H(onFilterGetParameters)},
    {callers::kFilter, "AI Go", H(onFilterGo)},
    {callers::kPluginGroup, "AI Notify Edits", H(onPluginGroupNotifyEdits)},
    {callers::kPluginGroup, "AI Update", H(onPluginGroupUpdate)},
    {callers::kFileFormat, "AI Get Parameters", H(onFileFormatGetParameters)},
    {callers::kFileFormat, "AI Go", H(onFileFormatGo)},
    {callers::kFileFormat, "AI Check", H(onFileFormatCheck)},
    {callers::kFileFormat, "AI Update AI140", H(onFileFormatUpdate)},
    {callers::kFileFormat, "Do Action", H(onFileFormatDoAction)},
    {callers::kTool, "AI Edit Options", H(onToolEditOptions)},
    {callers::kTool, "AI Track Cursor", H(onToolTrackCursor)},
    {callers::kTool, "AI Mouse Down", H(onToolMouseDown)},
    {callers::kTool, "AI Mouse Drag", H(onToolMouseDrag)},
    {callers::kTool, "AI Mouse Up", H(onToolMouseUp)},
    {callers::kTool, "AI Select", H(onToolSelect)},
    {callers::kTool, "AI Deselect", H(onToolDeselect)},
    {callers::kTool, "AI Reselect", H(onToolReselect)},
    {callers::kTool, "AI Decrease Diameter", H(onToolDecreaseDiameter)},
    {callers::kTool, "AI Increase Diameter", H(onToolIncreaseDiameter)},
    {callers::kLiveEffect, selectors::kLiveEffectEditParameters, H(onLiveEffectEditParameters)},
    {callers::kLiveEffect, selectors::kLiveEffectGoLive, H(onLiveEffectGoLive)},
    {callers::kLiveEffect, "AI Live Effect Interpolate Parameters", H(onLiveEffectInterpolateParameters)},
    {callers::kLiveEffect, "AI Live Effect Input Type", H(onLiveEffectInputType)},
    {callers::kLiveEffect, "AI Live Effect Scale Parameters", H(onLiveEffectScaleParameters)},
    {callers::kLiveEffect, "AI Live Effect Convert Color Space", H(onLiveEffectConvertColorSpace)},
    {callers::kLiveEffect, "AI Live Effect Adjust Colors", H(onLiveEffectAdjustColors)},
    {callers::kLiveEffect, "AI Live Effect Handle Merge", H(onLiveEffectHandleMerge)},
    {callers::kTimer, "AI Go", H(onTimerGo)},
    {callers::kClipboard, "AI Go", H(onClipboardGo)},
    {callers::kClipboard, "AI Can Copy", H(onClipboardCanCopy)},
    {callers::kClipboard, "AI Clone", H(onClipboardClone)},
    {callers::kClipboard, "AI Dispose", H(onClipboardDispose)},
    {callers::kWorkspace, "Write Workspace", H(onWorkspaceWrite)},
    {callers::kWorkspace, "Restore Workspace", H(onWorkspaceRestore)},
    {callers::kWorkspace, "Default Workspace", H(onWorkspaceDefault)},
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
