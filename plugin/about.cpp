// The shared "About" submenu of the maker's plug-ins and this plug-in's entry in it.
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "plugin/evenhue_plugin.hpp"
#include "plugin/product_texts.hpp"
#include "framework/suite_slots.hpp"
#include "support/host_string.hpp"

using hostapi::ResultCode;

namespace {

// The host's menu item record, owning its label.
struct OwnedMenuItemData {
  const char* groupName;
  ai::HostString itemText;
};
static_assert(std::is_standard_layout_v<OwnedMenuItemData>);
static_assert(sizeof(OwnedMenuItemData) == sizeof(hostapi::MenuItemData));
static_assert(offsetof(OwnedMenuItemData, groupName) == offsetof(hostapi::MenuItemData, groupName));
static_assert(offsetof(OwnedMenuItemData, itemText) == offsetof(hostapi::MenuItemData, itemText));

constexpr std::int32_t kSubmenuItemOptions = 2;
constexpr std::int32_t kSubmenuGroupOptions = 8;
constexpr std::int32_t kEntryOptions = 1;

}  // namespace

ResultCode EvenhuePlugin::FindMenuGroup(const char* name, std::int32_t& found) {
  found = 0;
  std::int32_t count = 0;
  ResultCode result = slots::Slot<hostapi::MenuSuite>()->CountMenuGroups(&count);
  if (result != 0) return result;
  for (std::int32_t i = 0; i < count; ++i) {
    hostapi::MenuGroupHandle group = nullptr;
    // A failed look-up leaves the group as the host left it (null here); its
    // name is asked for all the same, and the answer is the last name query's.
    hostapi::ResultUnused(slots::Slot<hostapi::MenuSuite>()->GetNthMenuGroup(i, &group));
    const char* groupName = nullptr;
    result = slots::Slot<hostapi::MenuSuite>()->GetMenuGroupName(group, &groupName);
    if (groupName != nullptr && std::strcmp(groupName, name) == 0) {
      found = 1;
      break;
    }
  }
  return result;
}

ResultCode EvenhuePlugin::AddMenuItem(Message* message, const char* key, const char* groupName, std::int32_t options,
                                      hostapi::MenuItemHandle& item) {
  OwnedMenuItemData data{groupName, ai::HostString()};
  data.itemText = ai::HostString(key, 0);
  return slots::Slot<hostapi::MenuSuite>()->AddMenuItem(
      message->pluginRef, key, reinterpret_cast<const hostapi::MenuItemData*>(&data), options, &item);
}

ResultCode EvenhuePlugin::AddAboutMenus(Message* message) {
  ResultCode result = 0;
  std::int32_t found = 0;
  FindMenuGroup(evenhue_texts::kAboutGroupName, found);
  if (found == 0) {
    AddMenuItem(message, evenhue_texts::kAboutGroupName, evenhue_texts::kHostAboutGroup, kSubmenuItemOptions,
                aboutGroupItem);
    hostapi::MenuGroupHandle group = nullptr;
    result = slots::Slot<hostapi::MenuSuite>()->AddMenuGroupAsSubMenu(evenhue_texts::kAboutGroupName,
                                                                      kSubmenuGroupOptions, aboutGroupItem, &group);
  }
  AddMenuItem(message, evenhue_texts::kAboutItemName, evenhue_texts::kAboutGroupName, kEntryOptions, aboutItem);
  return result;
}

ResultCode EvenhuePlugin::ShowAbout(Message* message) {
  if (reinterpret_cast<const hostapi::MenuMessage*>(message)->menuItem != aboutItem) return 0;
  ai::HostString text(evenhue_texts::kAboutProduct);
  text.append(ai::HostString(evenhue_texts::kAboutSeparator));
  text.append(ai::HostString(evenhue_texts::kAboutMaker));
  slots::Slot<hostapi::UserSuite>()->MessageAlert(text.ref());
  if (slots::Slot<hostapi::UrlSuite>()->IsBrowserAvailable() != 0)
    slots::Slot<hostapi::UrlSuite>()->OpenUrl(evenhue_texts::ProductPageUrl);
  return 0;
}

ResultCode EvenhuePlugin::onMenuGo(Message* message) { return ShowAbout(message); }
