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
inline constexpr const char kStartup[] = "Startup";
inline constexpr const char kShutdown[] = "Shutdown";
inline constexpr const char kAbout[] = "About";
inline constexpr const char kUnload[] = "Unload";
inline constexpr const char kReload[] = "Reload";
inline constexpr const char kPurge[] = "Plug-in Purge";
inline constexpr const char kNotify[] = "AI Notify";
inline constexpr const char kMenuGo[] = "AI Go";
inline constexpr const char kMenuUpdate[] = "AI Update";
inline constexpr const char kLiveEffectEditParameters[] = "AI Live Effect Edit Parameters";
inline constexpr const char kLiveEffectGoLive[] = "AI Live Effect Go Live";
}  // namespace selectors

}  // namespace hostapi
