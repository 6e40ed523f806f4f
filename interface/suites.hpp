// The suites the plug-in calls: plain structs of typed function pointers in
// table order, named members at their entry numbers, named gaps between them,
// and a static_assert on every offset. Each has its registered name and
// version; the comment on an entry says what the plug-in relies on, and
// "unused" there marks a result or out-value the plug-in never reads (the call
// is made for its effect alone).
#pragma once

#include <cstddef>
#include <cstdint>

#include "interface/records.hpp"
#include "interface/types.hpp"

namespace hostapi {

struct AccessSuite {
  static constexpr const char kName[] = "SP Access Suite";
  static constexpr std::int32_t kVersion = 3;
  // 0: obtains an access reference for the plug-in; result unused.
  ResultCode (*AcquirePlugin)(PluginRef plugin, AccessRef* access);
  // 1: gives the reference back; result unused.
  ResultCode (*ReleasePlugin)(AccessRef access);
};
static_assert(offsetof(AccessSuite, AcquirePlugin) == 0 * kEntrySize);
static_assert(offsetof(AccessSuite, ReleasePlugin) == 1 * kEntrySize);

struct PluginsSuite {
  static constexpr const char kName[] = "SP Plug-ins Suite";
  static constexpr std::int32_t kVersion = 6;
  UnusedEntry unused0to22[23];
  // 23: gives the host the plug-in's name.
  ResultCode (*SetPluginName)(PluginRef plugin, const char* name);
};
static_assert(offsetof(PluginsSuite, SetPluginName) == 23 * kEntrySize);

struct NotifierSuite {
  static constexpr const char kName[] = "AI Notifier Suite";
  static constexpr std::int32_t kVersion = 4;
  // 0: registers a notifier; notifications of `type` arrive as "AI Notifier"
  // messages carrying *notifier.
  ResultCode (*AddNotifier)(PluginRef plugin, const char* name, const char* type, NotifierHandle* notifier);
};
static_assert(offsetof(NotifierSuite, AddNotifier) == 0 * kEntrySize);

struct ContextSuite {
  static constexpr const char kName[] = "AI Context Suite";
  static constexpr std::int32_t kVersion = 10;
  UnusedEntry unused0;
  // 1: opens a host context for the plug-in.
  ResultCode (*PushAppContext)(PluginRef plugin, AppContextHandle* context);
  // 2: closes it.
  ResultCode (*PopAppContext)(AppContextHandle context);
};
static_assert(offsetof(ContextSuite, PushAppContext) == 1 * kEntrySize);
static_assert(offsetof(ContextSuite, PopAppContext) == 2 * kEntrySize);

struct UserSuite {
  static constexpr const char kName[] = "AI User Suite";
  static constexpr std::int32_t kVersion = 21;
  // 0: non-zero when the user asked to cancel the running operation.
  HostBoolean (*Cancel)();
  UnusedEntry unused1to46[46];
  // 47: shows the text and returns when it is dismissed.
  ResultCode (*MessageAlert)(const UnicodeStringRef* text);
};
static_assert(offsetof(UserSuite, Cancel) == 0 * kEntrySize);
static_assert(offsetof(UserSuite, MessageAlert) == 47 * kEntrySize);

struct ArtSuite {
  static constexpr const char kName[] = "AI Art Suite";
  static constexpr std::int32_t kVersion = 21;
  UnusedEntry unused0to5[6];
  // 6: the art's type code (group 1, path 2, compound path 3, others).
  ResultCode (*GetArtType)(ArtHandle art, std::int16_t* type);
  UnusedEntry unused7to9[3];
  // 10: the first child, null when there is none.
  ResultCode (*GetArtFirstChild)(ArtHandle art, ArtHandle* child);
  // 11: the next sibling, null after the last.
  ResultCode (*GetArtSibling)(ArtHandle art, ArtHandle* sibling);
};
static_assert(offsetof(ArtSuite, GetArtType) == 6 * kEntrySize);
static_assert(offsetof(ArtSuite, GetArtFirstChild) == 10 * kEntrySize);
static_assert(offsetof(ArtSuite, GetArtSibling) == 11 * kEntrySize);

struct PathStyleSuite {
  static constexpr const char kName[] = "AI Path Style Suite";
  static constexpr std::int32_t kVersion = 14;
  // 0: reads the art's fill and stroke; *hasAdvancedFill unused.
  ResultCode (*GetPathStyle)(ArtHandle art, HostPathStyle* style, HostBoolean* hasAdvancedFill);
  // 1: the art's fill and stroke take the record's values.
  ResultCode (*SetPathStyle)(ArtHandle art, const HostPathStyle* style);
};
static_assert(offsetof(PathStyleSuite, GetPathStyle) == 0 * kEntrySize);
static_assert(offsetof(PathStyleSuite, SetPathStyle) == 1 * kEntrySize);

struct GradientSuite {
  static constexpr const char kName[] = "AI Gradient Suite";
  static constexpr std::int32_t kVersion = 9;
  // 0: a new gradient holding exactly two stops.
  ResultCode (*NewGradient)(GradientHandle* gradient);
  UnusedEntry unused1to6[6];
  // 7, 8: the gradient type (0 linear, 1 radial).
  ResultCode (*GetGradientType)(GradientHandle gradient, std::int16_t* type);
  ResultCode (*SetGradientType)(GradientHandle gradient, std::int16_t type);
  // 9: the number of stops.
  ResultCode (*GetGradientStopCount)(GradientHandle gradient, std::int16_t* count);
  // 10, 11: read and overwrite stop n.
  ResultCode (*GetNthGradientStop)(GradientHandle gradient, std::int16_t n, HostGradientStop* stop);
  ResultCode (*SetNthGradientStop)(GradientHandle gradient, std::int16_t n, const HostGradientStop* stop);
  // 12: the gradient gains one stop, placed at index n.
  ResultCode (*InsertGradientStop)(GradientHandle gradient, std::int16_t n, const HostGradientStop* stop);
};
static_assert(offsetof(GradientSuite, NewGradient) == 0 * kEntrySize);
static_assert(offsetof(GradientSuite, GetGradientType) == 7 * kEntrySize);
static_assert(offsetof(GradientSuite, SetGradientType) == 8 * kEntrySize);
static_assert(offsetof(GradientSuite, GetGradientStopCount) == 9 * kEntrySize);
static_assert(offsetof(GradientSuite, GetNthGradientStop) == 10 * kEntrySize);
static_assert(offsetof(GradientSuite, SetNthGradientStop) == 11 * kEntrySize);
static_assert(offsetof(GradientSuite, InsertGradientStop) == 12 * kEntrySize);

// The conversion options value: one 32-bit integer, passed by reference.
using ColorConversionOptions = std::int32_t;

struct ColorConversionSuite {
  static constexpr const char kName[] = "AI Color Conversion Suite";
  static constexpr std::int32_t kVersion = 10;
  UnusedEntry unused0to1[2];
  // 2: converts one colour sample, components 0–1 as 32-bit floats (CMYK space 4
  // has four, RGB space 2 three); *inGamut unused.
  ResultCode (*ConvertSampleColor)(std::int32_t sourceSpace, const float* source, std::int32_t destinationSpace,
                                   float* destination, const ColorConversionOptions* options, HostBoolean* inGamut);
};
static_assert(offsetof(ColorConversionSuite, ConvertSampleColor) == 2 * kEntrySize);

struct LiveEffectSuite {
  static constexpr const char kName[] = "AI Live Effect Suite";
  static constexpr std::int32_t kVersion = 7;
  // 0: registers an effect; *effect comes back in every message for it.
  ResultCode (*AddLiveEffect)(const LiveEffectRegistration* registration, LiveEffectHandle* effect);
  UnusedEntry unused1;
  // 2: adds the effect's menu item under the category of `menuData`.
  ResultCode (*AddLiveEffectMenuItem)(LiveEffectHandle effect, const char* menuItemName,
                                      const LiveEffectMenuData* menuData, MenuItemHandle* menuItem,
                                      MenuGroupHandle* menuGroup);
  UnusedEntry unused3to4[2];
  // 5: the host accepts the effect's parameters as they are.
  ResultCode (*UpdateParameters)(LiveEffectEditContext context);
};
static_assert(offsetof(LiveEffectSuite, AddLiveEffect) == 0 * kEntrySize);
static_assert(offsetof(LiveEffectSuite, AddLiveEffectMenuItem) == 2 * kEntrySize);
static_assert(offsetof(LiveEffectSuite, UpdateParameters) == 5 * kEntrySize);

struct MenuSuite {
  static constexpr const char kName[] = "AI Menu Suite";
  static constexpr std::int32_t kVersion = 11;
  // 0: places an item labelled with the record's text in the named group.
  ResultCode (*AddMenuItem)(PluginRef plugin, const char* name, const MenuItemData* data, std::int32_t options,
                            MenuItemHandle* menuItem);
  UnusedEntry unused1to8[8];
  // 9: creates a group of that name hanging under the item.
  ResultCode (*AddMenuGroupAsSubMenu)(const char* name, std::int32_t options, MenuItemHandle menuItem,
                                      MenuGroupHandle* group);
  // 10: the name the group was added with.
  ResultCode (*GetMenuGroupName)(MenuGroupHandle group, const char** name);
  UnusedEntry unused11to18[8];
  // 19, 20: enumerate the host's menu groups.
  ResultCode (*CountMenuGroups)(std::int32_t* count);
  ResultCode (*GetNthMenuGroup)(std::int32_t n, MenuGroupHandle* group);
  UnusedEntry unused21to23[3];
  // 24: the host enables or disables the item by itself.
  ResultCode (*UpdateMenuItemAutomatically)(MenuItemHandle menuItem, std::int32_t action,
                                            std::int32_t ifMenuItemIsChecked, std::int32_t ifMenuItemIsEnabled,
                                            std::int32_t ifArtworkIsSelected, std::int32_t ifDocumentIsOpen,
                                            std::int32_t ifLayerIsEditable, std::int32_t ifLayerIsVisible);
  // 25: the host's current update flags; the three flags unused, only the result
  // code counts.
  ResultCode (*GetUpdateFlags)(std::int32_t* inArtwork, std::int32_t* isSelected, std::int32_t* isTrue);
};
static_assert(offsetof(MenuSuite, AddMenuItem) == 0 * kEntrySize);
static_assert(offsetof(MenuSuite, AddMenuGroupAsSubMenu) == 9 * kEntrySize);
static_assert(offsetof(MenuSuite, GetMenuGroupName) == 10 * kEntrySize);
static_assert(offsetof(MenuSuite, CountMenuGroups) == 19 * kEntrySize);
static_assert(offsetof(MenuSuite, GetNthMenuGroup) == 20 * kEntrySize);
static_assert(offsetof(MenuSuite, UpdateMenuItemAutomatically) == 24 * kEntrySize);
static_assert(offsetof(MenuSuite, GetUpdateFlags) == 25 * kEntrySize);

struct UrlSuite {
  static constexpr const char kName[] = "AI URL Suite";
  static constexpr std::int32_t kVersion = 3;
  // 0: non-zero when a web page can be opened.
  HostBoolean (*IsBrowserAvailable)();
  // 1: opens the page in the user's browser.
  ResultCode (*OpenUrl)(const char* url);
};
static_assert(offsetof(UrlSuite, IsBrowserAvailable) == 0 * kEntrySize);
static_assert(offsetof(UrlSuite, OpenUrl) == 1 * kEntrySize);

struct UnicodeStringSuite {
  static constexpr const char kName[] = "AI Unicode String Suite";
  static constexpr std::int32_t kVersion = 9;
  // 0: *string (null before) refers to a new host string holding the text.
  ResultCode (*Initialize)(UnicodeStringRef* string, const char* text, std::uint64_t byteCount,
                           std::int32_t encoding);
  UnusedEntry unused1to2[2];
  // 3: releases the string; result unused.
  ResultCode (*Destroy)(UnicodeStringRef* string);
  // 4: target holds target + appended; appended is unchanged.
  ResultCode (*Append)(UnicodeStringRef* target, const UnicodeStringRef* appended);
  UnusedEntry unused5to35[31];
  // 36: borrows the UTF-16 code units; returns their count, no result code.
  std::uint64_t (*Utf16)(const UnicodeStringRef* string, const char16_t** units);
};
static_assert(offsetof(UnicodeStringSuite, Initialize) == 0 * kEntrySize);
static_assert(offsetof(UnicodeStringSuite, Destroy) == 3 * kEntrySize);
static_assert(offsetof(UnicodeStringSuite, Append) == 4 * kEntrySize);
static_assert(offsetof(UnicodeStringSuite, Utf16) == 36 * kEntrySize);

struct BlocksSuite {
  static constexpr const char kName[] = "SP Blocks Suite";
  static constexpr std::int32_t kVersion = 2;
  // 0: a block of `size` bytes in *block (null before the call).
  ResultCode (*AllocateBlock)(std::uint64_t size, const char* debugLabel, void** block);
  // 1: frees a block; result unused.
  ResultCode (*FreeBlock)(void* block);
};
static_assert(offsetof(BlocksSuite, AllocateBlock) == 0 * kEntrySize);
static_assert(offsetof(BlocksSuite, FreeBlock) == 1 * kEntrySize);

struct FilePathSuite {
  static constexpr const char kName[] = "AI File Path Suite";
  static constexpr std::int32_t kVersion = 8;
  UnusedEntry unused0;
  // 1: releases a path; result unused.
  ResultCode (*Release)(FilePathRef* path);
  UnusedEntry unused2to8[7];
  // 9: appends a last component to the path.
  ResultCode (*AddComponent)(const UnicodeStringRef* component, FilePathRef* path);
  UnusedEntry unused10to12[3];
  // 13: whether the path exists; *isFile unused.
  HostBoolean (*Exists)(const FilePathRef* path, HostBoolean resolveLinks, std::int32_t reserved,
                        HostBoolean* isFile);
  UnusedEntry unused14to19[6];
  // 20: the path's full text.
  ResultCode (*GetFullPath)(const FilePathRef* path, HostBoolean displayName, UnicodeStringRef* text);
};
static_assert(offsetof(FilePathSuite, Release) == 1 * kEntrySize);
static_assert(offsetof(FilePathSuite, AddComponent) == 9 * kEntrySize);
static_assert(offsetof(FilePathSuite, Exists) == 13 * kEntrySize);
static_assert(offsetof(FilePathSuite, GetFullPath) == 20 * kEntrySize);

struct FoldersSuite {
  static constexpr const char kName[] = "AI Folders Suite";
  static constexpr std::int32_t kVersion = 5;
  // 0: the host folder of `kind` into *path.
  ResultCode (*FindFolder)(std::int32_t kind, HostBoolean createFolder, FilePathRef* path);
};
static_assert(offsetof(FoldersSuite, FindFolder) == 0 * kEntrySize);

}  // namespace hostapi
