// The message callers and selectors the plug-in answers.
#pragma once

namespace hostapi {

namespace callers {
inline constexpr const char kInterface[] = "SP Interface";
inline constexpr const char kAccess[] = "SP Access";
inline constexpr const char kCache[] = "SP Cache";
inline constexpr const char kProperties[] = "SP Properties";
inline constexpr const char kNotifier[] = "AI Notifier";
inline constexpr const char kActionManager[] = "Action Manager";
inline constexpr const char kMenu[] = "AI Menu";
inline constexpr const char kFilter[] = "AI Filter";
inline constexpr const char kPluginGroup[] = "AI Plugin Group";
inline constexpr const char kFileFormat[] = "AI File Format";
inline constexpr const char kTool[] = "AI Tool";
inline constexpr const char kLiveEffect[] = "AI Live Effect";
inline constexpr const char kTimer[] = "AI Timer";
inline constexpr const char kClipboard[] = "AI Clipboard";
inline constexpr const char kWorkspace[] = "Workspace Manager";
}  // namespace callers

namespace selectors {
// The plug-in's life.
inline constexpr const char kStartup[] = "Startup";
inline constexpr const char kShutdown[] = "Shutdown";
inline constexpr const char kAbout[] = "About";
inline constexpr const char kUnload[] = "Unload";
inline constexpr const char kReload[] = "Reload";
inline constexpr const char kPurge[] = "Plug-in Purge";
inline constexpr const char kAcquire[] = "Acquire";
inline constexpr const char kRelease[] = "Release";
inline constexpr const char kNotify[] = "AI Notify";
// Shared by several callers.
inline constexpr const char kGo[] = "AI Go";
inline constexpr const char kUpdate[] = "AI Update";
inline constexpr const char kGetParameters[] = "AI Get Parameters";
inline constexpr const char kDoAction[] = "Do Action";
// Plug-in groups and file formats.
inline constexpr const char kNotifyEdits[] = "AI Notify Edits";
inline constexpr const char kCheck[] = "AI Check";
inline constexpr const char kUpdateAI140[] = "AI Update AI140";
// Tools.
inline constexpr const char kEditOptions[] = "AI Edit Options";
inline constexpr const char kTrackCursor[] = "AI Track Cursor";
inline constexpr const char kMouseDown[] = "AI Mouse Down";
inline constexpr const char kMouseDrag[] = "AI Mouse Drag";
inline constexpr const char kMouseUp[] = "AI Mouse Up";
inline constexpr const char kSelect[] = "AI Select";
inline constexpr const char kDeselect[] = "AI Deselect";
inline constexpr const char kReselect[] = "AI Reselect";
inline constexpr const char kDecreaseDiameter[] = "AI Decrease Diameter";
inline constexpr const char kIncreaseDiameter[] = "AI Increase Diameter";
// Live effects.
inline constexpr const char kLiveEffectEditParameters[] = "AI Live Effect Edit Parameters";
inline constexpr const char kLiveEffectGoLive[] = "AI Live Effect Go Live";
inline constexpr const char kLiveEffectInterpolateParameters[] = "AI Live Effect Interpolate Parameters";
inline constexpr const char kLiveEffectInputType[] = "AI Live Effect Input Type";
inline constexpr const char kLiveEffectScaleParameters[] = "AI Live Effect Scale Parameters";
inline constexpr const char kLiveEffectConvertColorSpace[] = "AI Live Effect Convert Color Space";
inline constexpr const char kLiveEffectAdjustColors[] = "AI Live Effect Adjust Colors";
inline constexpr const char kLiveEffectHandleMerge[] = "AI Live Effect Handle Merge";
// The clipboard and workspaces.
inline constexpr const char kCanCopy[] = "AI Can Copy";
inline constexpr const char kClone[] = "AI Clone";
inline constexpr const char kDispose[] = "AI Dispose";
inline constexpr const char kWriteWorkspace[] = "Write Workspace";
inline constexpr const char kRestoreWorkspace[] = "Restore Workspace";
inline constexpr const char kDefaultWorkspace[] = "Default Workspace";
}  // namespace selectors

}  // namespace hostapi
