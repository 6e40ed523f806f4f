#include "plugin/suite_slots.hpp"

namespace slots {

SuiteSlot<hostapi::AccessSuite> gAccess{nullptr};
SuiteSlot<hostapi::PluginsSuite> gPlugins{nullptr};
SuiteSlot<hostapi::NotifierSuite> gNotifier{nullptr};
SuiteSlot<hostapi::ContextSuite> gContext{nullptr};
SuiteSlot<hostapi::UserSuite> gUser{nullptr};
SuiteSlot<hostapi::FilePathSuite> gFilePath{nullptr};
SuiteSlot<hostapi::FoldersSuite> gFolders{nullptr};
SuiteSlot<hostapi::LiveEffectSuite> gLiveEffect{nullptr};
SuiteSlot<hostapi::MenuSuite> gMenu{nullptr};
SuiteSlot<hostapi::UnicodeStringSuite> gUnicodeString{nullptr};
SuiteSlot<hostapi::BlocksSuite> gBlocks{nullptr};
SuiteSlot<hostapi::ArtSuite> gArt{nullptr};
SuiteSlot<hostapi::ColorConversionSuite> gColorConversion{nullptr};
SuiteSlot<hostapi::GradientSuite> gGradient{nullptr};
SuiteSlot<hostapi::PathStyleSuite> gPathStyle{nullptr};
SuiteSlot<hostapi::UrlSuite> gUrl{nullptr};

const hostapi::BasicSuite* gBasicSuite = nullptr;

}  // namespace slots
