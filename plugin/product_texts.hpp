// Every name and text the plug-in shows or registers, in one place.
#pragma once

namespace evenhue_texts {

// About entry.
inline constexpr const char kAboutProduct[] = "Evenhue v1.0.0 ";
inline constexpr const char kAboutSeparator[] = "\n\n";
inline constexpr const char kAboutMaker[] = "Brimcastle Software 2025/06";
inline constexpr const char ProductPageUrl[] = "https://www.brimcastle.com/digital-downloads/evenhue";
inline constexpr const char kAboutGroupName[] = "About Brimcastle Plugins";
inline constexpr const char kHostAboutGroup[] = "About";
inline constexpr const char kAboutItemName[] = "Evenhue...";

// Live Effect.
inline constexpr const char kEffectName[] = "BCBC_Evenhue";
inline constexpr const char kEffectTitle[] = "Evenhue";
inline constexpr const char kEffectMenuItemName[] = " BC_Evenhue";
inline constexpr const char kEffectCategory[] = " Brimcastle";

// Notifier.
inline constexpr const char kApplyNotifierName[] = "Evenhue Apply";
inline constexpr const char kApplyNotifierType[] = "Apply LiveEffect Notifier";

}  // namespace evenhue_texts
