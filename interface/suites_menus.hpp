// The suites of the menus and the About entry: menus and the web.
//
// What the plug-in calls, in order:
// - at start-up, UpdateMenuItemAutomatically for the Live Effect's item; then
//   CountMenuGroups, and GetNthMenuGroup with GetMenuGroupName until it finds
//   the group of the About entries; when there is none, AddMenuItem for the
//   group's item and AddMenuGroupAsSubMenu under it; then AddMenuItem for the
//   About entry;
// - on a menu update, GetUpdateFlags (only its result code counts);
// - on the About entry, MessageAlert (User, suites_life.hpp) with the text,
//   then IsBrowserAvailable, and OpenUrl when it is.
#pragma once

#include <cstddef>
#include <cstdint>

#include "interface/records.hpp"
#include "interface/types.hpp"

namespace hostapi {

struct MenuSuite {
  static constexpr const char kName[] = "AI Menu Suite";
  static constexpr std::int32_t kVersion = 11;
  // 0: places an item labelled with the record's text in the named group.
  ResultCode (*AddMenuItem)(PluginRef plugin, const char* name, const MenuItemData* data, std::int32_t options,
                            MenuItemHandle* menuItem);
  UnusedEntry unused1to8[8]{};
  // 9: creates a group of that name hanging under the item.
  ResultCode (*AddMenuGroupAsSubMenu)(const char* name, std::int32_t options, MenuItemHandle menuItem,
                                      MenuGroupHandle* group);
  // 10: the name the group was added with.
  ResultCode (*GetMenuGroupName)(MenuGroupHandle group, const char** name);
  UnusedEntry unused11to18[8]{};
  // 19, 20: enumerate the host's menu groups.
  ResultCode (*CountMenuGroups)(std::int32_t* count);
  ResultCode (*GetNthMenuGroup)(std::int32_t n, MenuGroupHandle* group);
  UnusedEntry unused21to23[3]{};
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

}  // namespace hostapi
