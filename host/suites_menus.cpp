// The stand-in host's Live Effect, menu and URL suites.
#include <string>
#include <utility>

#include "host/operation.hpp"

namespace host {

namespace {

using hostapi::ResultCode;

// --- AI Live Effect Suite -------------------------------------------------------------------
bool IsLiveEffect(hostapi::LiveEffectHandle effect) {
  const std::uint64_t n = HandleNumber(HandleKind::LiveEffect, effect);
  return n != 0 && n <= S().liveEffects.size();
}

hostapi::MenuItemHandle NewMenuItem(MenuItemRecord record) {
  record.handle = MakeHandle<hostapi::MenuItemHandle>(HandleKind::MenuItem, S().menuItems.size() + 1);
  S().menuItems.push_back(std::move(record));
  return S().menuItems.back().handle;
}

MenuItemRecord* FindMenuItem(hostapi::MenuItemHandle item) {
  const std::uint64_t n = HandleNumber(HandleKind::MenuItem, item);
  if (n == 0 || n > S().menuItems.size()) return nullptr;
  return &S().menuItems[n - 1];
}

ResultCode AddLiveEffect(const hostapi::LiveEffectRegistration* registration, hostapi::LiveEffectHandle* effect) {
  auto args = [&] {
    if (registration == nullptr) return Args{"(null)"};
    return Args{Ptr(registration->self), Text(registration->name), Text(registration->title),
                Num(registration->majorVersion), Num(registration->minorVersion),
                Num(registration->prefersAsInput), Num(registration->styleFilterFlags)};
  };
  HOST_BEGIN(LiveEffectSuite, AddLiveEffect, args);
  if (registration == nullptr || effect == nullptr || registration->name == nullptr ||
      !OurPlugin(registration->self, "AddLiveEffect")) {
    return op.done(kBadParameter, args);
  }
  LiveEffectRecord record;
  record.handle = MakeHandle<hostapi::LiveEffectHandle>(HandleKind::LiveEffect, S().liveEffects.size() + 1);
  record.plugin = registration->self;
  record.name = registration->name;
  record.title = registration->title ? registration->title : "";
  record.majorVersion = registration->majorVersion;
  record.minorVersion = registration->minorVersion;
  record.prefersAsInput = registration->prefersAsInput;
  record.styleFilterFlags = registration->styleFilterFlags;
  S().liveEffects.push_back(record);
  *effect = record.handle;
  return op.done(0, args);
}

ResultCode AddLiveEffectMenuItem(hostapi::LiveEffectHandle effect, const char* menuItemName,
                                 const hostapi::LiveEffectMenuData* menuData, hostapi::MenuItemHandle* menuItem,
                                 hostapi::MenuGroupHandle* menuGroup) {
  auto args = [&] {
    Args a{Ptr(effect), Text(menuItemName)};
    if (menuData != nullptr) {
      a.push_back(Text(menuData->category));
      a.push_back(Text(menuData->title));
      a.push_back(Num(menuData->options));
    }
    return a;
  };
  HOST_BEGIN(LiveEffectSuite, AddLiveEffectMenuItem, args);
  if (!IsLiveEffect(effect) || menuItemName == nullptr || menuData == nullptr || menuData->category == nullptr ||
      menuData->title == nullptr) {
    return op.done(kBadParameter, args);
  }
  MenuItemRecord item;
  item.key = menuItemName;
  item.groupName = menuData->category;
  item.text = menuData->title;
  item.options = menuData->options;
  item.fromLiveEffect = true;
  const hostapi::MenuItemHandle handle = NewMenuItem(item);
  S().liveEffectMenus.push_back(
      {effect, menuItemName, menuData->category, menuData->title, menuData->options, handle, nullptr});
  if (menuItem != nullptr) *menuItem = handle;
  if (menuGroup != nullptr) *menuGroup = nullptr;
  return op.done(0, args);
}

ResultCode UpdateParameters(hostapi::LiveEffectEditContext context) {
  auto args = [&] { return Args{Ptr(context)}; };
  HOST_BEGIN(LiveEffectSuite, UpdateParameters, args);
  S().updatedParameters.push_back(context);
  return op.done(0, args);
}

// --- AI Menu Suite ------------------------------------------------------------------------
ResultCode AddMenuItem(hostapi::PluginRef plugin, const char* name, const hostapi::MenuItemData* data,
                       std::int32_t options, hostapi::MenuItemHandle* menuItem) {
  const auto text = data ? StringArgument(&data->itemText) : std::nullopt;
  auto args = [&] {
    return Args{Ptr(plugin), Text(name), Text(data ? data->groupName : nullptr),
                text ? *text : std::string("(bad string)"), Num(options)};
  };
  HOST_BEGIN(MenuSuite, AddMenuItem, args);
  if (name == nullptr || data == nullptr || data->groupName == nullptr || !text || menuItem == nullptr ||
      !OurPlugin(plugin, "AddMenuItem")) {
    return op.done(kBadParameter, args);
  }
  MenuItemRecord item;
  item.plugin = plugin;
  item.key = name;
  item.groupName = data->groupName;
  item.text = *text;
  item.options = options;
  *menuItem = NewMenuItem(item);
  return op.done(0, args);
}

hostapi::MenuGroupHandle NewMenuGroup(const std::string& name, std::int32_t options, hostapi::MenuItemHandle parent,
                                      bool hostOwned) {
  auto& s = S();
  const auto handle = MakeHandle<hostapi::MenuGroupHandle>(HandleKind::MenuGroup, s.menuGroups.size() + 1);
  s.menuGroupNames.push_back(name);
  s.menuGroups.push_back({handle, name, options, parent, hostOwned});
  return handle;
}

ResultCode AddMenuGroupAsSubMenu(const char* name, std::int32_t options, hostapi::MenuItemHandle menuItem,
                                 hostapi::MenuGroupHandle* group) {
  auto args = [&] { return Args{Text(name), Num(options), Ptr(menuItem)}; };
  HOST_BEGIN(MenuSuite, AddMenuGroupAsSubMenu, args);
  if (name == nullptr || FindMenuItem(menuItem) == nullptr) {
    return op.done(kBadParameter, args);
  }
  const auto handle = NewMenuGroup(name, options, menuItem, false);
  if (group != nullptr) *group = handle;
  return op.done(0, args);
}

ResultCode GetMenuGroupName(hostapi::MenuGroupHandle group, const char** name) {
  const std::uint64_t n = HandleNumber(HandleKind::MenuGroup, group);
  const bool known = n != 0 && n <= S().menuGroups.size();
  auto args = [&] { return Args{Ptr(group), known ? S().menuGroupNames[n - 1] : std::string("(bad group)")}; };
  HOST_BEGIN(MenuSuite, GetMenuGroupName, args);
  if (name == nullptr || !known) return op.done(kBadParameter, args);
  *name = S().menuGroupNames[n - 1].c_str();
  return op.done(0, args);
}

ResultCode CountMenuGroups(std::int32_t* count) {
  HOST_BEGIN(MenuSuite, CountMenuGroups, NoArgs);
  if (count == nullptr) return op.done(kBadParameter);
  *count = static_cast<std::int32_t>(S().menuGroups.size());
  return op.done(0, [&] { return Args{Num(*count)}; });
}

ResultCode GetNthMenuGroup(std::int32_t n, hostapi::MenuGroupHandle* group) {
  auto args = [&] { return Args{Num(n)}; };
  HOST_BEGIN(MenuSuite, GetNthMenuGroup, args);
  if (group == nullptr || n < 0 || static_cast<std::size_t>(n) >= S().menuGroups.size()) {
    return op.done(kBadParameter, args);
  }
  *group = S().menuGroups[static_cast<std::size_t>(n)].handle;
  return op.done(0, args);
}

ResultCode UpdateMenuItemAutomatically(hostapi::MenuItemHandle menuItem, std::int32_t action, std::int32_t checked,
                                       std::int32_t enabled, std::int32_t selected, std::int32_t open,
                                       std::int32_t editable, std::int32_t visible) {
  auto args = [&] {
    return Args{Ptr(menuItem), Num(action), Num(checked), Num(enabled), Num(selected), Num(open), Num(editable),
                Num(visible)};
  };
  HOST_BEGIN(MenuSuite, UpdateMenuItemAutomatically, args);
  MenuItemRecord* item = FindMenuItem(menuItem);
  if (item == nullptr) return op.done(kBadParameter, args);
  item->autoUpdate = AutoUpdateRecord{action, checked, enabled, selected, open, editable, visible};
  return op.done(0, args);
}

ResultCode GetUpdateFlags(std::int32_t* inArtwork, std::int32_t* isSelected, std::int32_t* isTrue) {
  HOST_BEGIN(MenuSuite, GetUpdateFlags, NoArgs);
  if (inArtwork == nullptr || isSelected == nullptr || isTrue == nullptr) {
    return op.done(kBadParameter);
  }
  *inArtwork = S().updateFlags[0];
  *isSelected = S().updateFlags[1];
  *isTrue = S().updateFlags[2];
  return op.done(0);
}

// --- AI URL Suite -----------------------------------------------------------------------------
hostapi::HostBoolean IsBrowserAvailable() {
  const Operation op(HOST_OPERATION(UrlSuite, IsBrowserAvailable));
  if (op.fault()) return static_cast<hostapi::HostBoolean>(op.done(0));
  return static_cast<hostapi::HostBoolean>(op.done(S().browserAvailable ? 1 : 0));
}

ResultCode OpenUrl(const char* url) {
  auto args = [&] { return Args{Text(url)}; };
  HOST_BEGIN(UrlSuite, OpenUrl, args);
  if (url == nullptr) return op.done(kBadParameter, args);
  S().openedUrls.emplace_back(url);
  return op.done(0, args);
}

}  // namespace

void InstallMenuSuites(SuiteInstaller& installer) {
  installer.install(hostapi::LiveEffectSuite{.AddLiveEffect = &AddLiveEffect,
      .AddLiveEffectMenuItem = &AddLiveEffectMenuItem, .UpdateParameters = &UpdateParameters});

  installer.install(hostapi::MenuSuite{.AddMenuItem = &AddMenuItem, .AddMenuGroupAsSubMenu = &AddMenuGroupAsSubMenu,
      .GetMenuGroupName = &GetMenuGroupName, .CountMenuGroups = &CountMenuGroups, .GetNthMenuGroup = &GetNthMenuGroup,
      .UpdateMenuItemAutomatically = &UpdateMenuItemAutomatically, .GetUpdateFlags = &GetUpdateFlags});

  installer.install(hostapi::UrlSuite{.IsBrowserAvailable = &IsBrowserAvailable, .OpenUrl = &OpenUrl});
}

hostapi::MenuGroupHandle AddHostMenuGroup(const std::string& name) { return NewMenuGroup(name, 0, nullptr, true); }

}  // namespace host
