// The process-wide suite slots: one pointer per host suite, filled while the
// suite is held and null otherwise. Any part of the plug-in calls the host by
// reading the slot of its suite. Like host_api.hpp this is a leaf: the shell,
// the support library and the feature all read it, and it includes nothing
// else of the plug-in.
#pragma once

#include "plugin/host_api.hpp"

namespace slots {

// A suite slot. `table` is what the host fills on acquisition; the typed
// accessors read it as the suite's function table.
template <class Suite>
struct SuiteSlot {
  const void* table;

  const Suite* get() const { return static_cast<const Suite*>(table); }
  const Suite* operator->() const { return get(); }
  explicit operator bool() const { return table != nullptr; }
};

// The suites whose operations the plug-in calls.
extern SuiteSlot<hostapi::AccessSuite> gAccess;
extern SuiteSlot<hostapi::PluginsSuite> gPlugins;
extern SuiteSlot<hostapi::NotifierSuite> gNotifier;
extern SuiteSlot<hostapi::ContextSuite> gContext;
extern SuiteSlot<hostapi::UserSuite> gUser;
extern SuiteSlot<hostapi::FilePathSuite> gFilePath;
extern SuiteSlot<hostapi::FoldersSuite> gFolders;
extern SuiteSlot<hostapi::LiveEffectSuite> gLiveEffect;
extern SuiteSlot<hostapi::MenuSuite> gMenu;
extern SuiteSlot<hostapi::UnicodeStringSuite> gUnicodeString;
extern SuiteSlot<hostapi::BlocksSuite> gBlocks;
extern SuiteSlot<hostapi::ArtSuite> gArt;
extern SuiteSlot<hostapi::ColorConversionSuite> gColorConversion;
extern SuiteSlot<hostapi::GradientSuite> gGradient;
extern SuiteSlot<hostapi::PathStyleSuite> gPathStyle;
extern SuiteSlot<hostapi::UrlSuite> gUrl;

// The process-wide basic function table, refreshed from every message.
extern const hostapi::BasicSuite* gBasicSuite;

}  // namespace slots
