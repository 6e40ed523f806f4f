// The function tables the stand-in host hands out. Every entry the plug-in is
// meant to call behaves as the host must; every other entry of the 93 suites is
// a trap that records the call and answers kTrapCode.
//
// Every operation first passes the recorder (which counts it and may answer an
// injected fault), then does its work, then logs its arguments when recording
// is on.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string_view>
#include <utility>

#include "host/host_state.hpp"

namespace host {

Host::State* gActiveState = nullptr;

namespace {

using hostapi::ResultCode;
using Args = std::vector<std::string>;

constexpr std::size_t IndexOf(std::string_view name) {
  std::size_t i = 0;
  for (const auto& s : hostapi::kBasicSuites) {
    if (name == s.name) return i;
    ++i;
  }
  for (const auto& s : hostapi::kMainSuites) {
    if (name == s.name) return i;
    ++i;
  }
  return kSuiteCount;
}

constexpr std::size_t kAccess = IndexOf(hostapi::AccessSuite::kName);
constexpr std::size_t kPlugins = IndexOf(hostapi::PluginsSuite::kName);
constexpr std::size_t kNotifier = IndexOf(hostapi::NotifierSuite::kName);
constexpr std::size_t kContext = IndexOf(hostapi::ContextSuite::kName);
constexpr std::size_t kUser = IndexOf(hostapi::UserSuite::kName);
constexpr std::size_t kFilePath = IndexOf(hostapi::FilePathSuite::kName);
constexpr std::size_t kFolders = IndexOf(hostapi::FoldersSuite::kName);
constexpr std::size_t kLiveEffect = IndexOf(hostapi::LiveEffectSuite::kName);
constexpr std::size_t kMenu = IndexOf(hostapi::MenuSuite::kName);
constexpr std::size_t kUnicode = IndexOf(hostapi::UnicodeStringSuite::kName);
constexpr std::size_t kBlocks = IndexOf(hostapi::BlocksSuite::kName);
constexpr std::size_t kArt = IndexOf(hostapi::ArtSuite::kName);
constexpr std::size_t kColor = IndexOf(hostapi::ColorConversionSuite::kName);
constexpr std::size_t kGradient = IndexOf(hostapi::GradientSuite::kName);
constexpr std::size_t kPathStyle = IndexOf(hostapi::PathStyleSuite::kName);
constexpr std::size_t kUrl = IndexOf(hostapi::UrlSuite::kName);
static_assert(kAccess == 0 && kFolders == 6 && kUrl == kSuiteCount - 1 && kGradient < kSuiteCount);

constexpr std::size_t EntryOf(std::size_t offset) {
  return offset / hostapi::kEntrySize;
}

Host::State& S() { return *gActiveState; }

// --- Argument text -----------------------------------------------------------
std::string Text(const char* s) { return s ? std::string(s) : std::string("(null)"); }
std::string Num(std::int64_t v) { return std::to_string(v); }
std::string Real(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.9g", v);
  return buffer;
}
template <class Handle>
std::string Ptr(Handle h) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(h));
  return buffer;
}

// Finishes an operation: logs it (when recording) and answers `result`.
template <class ArgsFn>
ResultCode Done(std::size_t suite, std::size_t entry, const char* op, ResultCode result, ArgsFn&& args) {
  auto& s = S();
  if (s.recorder.recording()) s.recorder.record(suite, entry, op, args(), result);
  return result;
}

ResultCode Done(std::size_t suite, std::size_t entry, const char* op, ResultCode result) {
  return Done(suite, entry, op, result, [] { return Args{}; });
}

bool OurPlugin(hostapi::PluginRef plugin, const char* op) {
  if (plugin == S().pluginRef()) return true;
  S().misuse(std::string(op) + ": unknown plug-in reference " + Ptr(plugin));
  return false;
}

// --- Strings (shared by several suites) ---------------------------------------
std::u16string* FindString(hostapi::UnicodeStringRef ref) {
  const std::uint64_t n = HandleNumber(HandleKind::String, ref);
  if (n == 0) return nullptr;
  auto it = S().strings.find(n);
  return it == S().strings.end() ? nullptr : &it->second;
}

hostapi::UnicodeStringRef NewString(std::u16string text) {
  const std::uint64_t n = S().newNumber();
  S().strings.emplace(n, std::move(text));
  return MakeHandle<hostapi::UnicodeStringRef>(HandleKind::String, n);
}

// The UTF-8 text of a string handed in by reference; nullopt for an unknown handle.
std::optional<std::string> StringArgument(const hostapi::UnicodeStringRef* ref) {
  if (ref == nullptr) return std::nullopt;
  if (*ref == nullptr) return std::string();
  const std::u16string* text = FindString(*ref);
  if (text == nullptr) return std::nullopt;
  return Utf16ToUtf8(*text);
}

// --- Basic function table -------------------------------------------------------
ResultCode AcquireSuite(const char* name, std::int32_t version, const void** suite) {
  constexpr std::size_t T = kBasicTableIndex;
  auto& s = S();
  auto args = [&] { return Args{Text(name), Num(version)}; };
  if (auto fault = s.recorder.enter(T, 0)) {
    if (suite) *suite = nullptr;
    return Done(T, 0, "AcquireSuite", *fault, args);
  }
  if (name == nullptr || suite == nullptr) return Done(T, 0, "AcquireSuite", kBadParameter, args);
  *suite = nullptr;
  const auto index = SuiteIndex(name);
  if (!index || *index >= kSuiteCount) return Done(T, 0, "AcquireSuite", kSuiteNotFound, args);
  if (s.withheld[*index]) return Done(T, 0, "AcquireSuite", *s.withheld[*index], args);
  if (SuiteAt(*index).version != version) return Done(T, 0, "AcquireSuite", kWrongVersion, args);
  *suite = s.tables[*index].data();
  ++s.acquired[*index];
  return Done(T, 0, "AcquireSuite", 0, args);
}

ResultCode ReleaseSuite(const char* name, std::int32_t version) {
  constexpr std::size_t T = kBasicTableIndex;
  auto& s = S();
  auto args = [&] { return Args{Text(name), Num(version)}; };
  if (auto fault = s.recorder.enter(T, 1)) return Done(T, 1, "ReleaseSuite", *fault, args);
  if (name == nullptr) return Done(T, 1, "ReleaseSuite", kBadParameter, args);
  const auto index = SuiteIndex(name);
  if (!index || *index >= kSuiteCount) return Done(T, 1, "ReleaseSuite", kSuiteNotFound, args);
  if (SuiteAt(*index).version != version) return Done(T, 1, "ReleaseSuite", kWrongVersion, args);
  if (s.acquired[*index] <= s.released[*index]) {
    s.misuse(std::string("ReleaseSuite: ") + name + " is not held");
    return Done(T, 1, "ReleaseSuite", kNotAcquired, args);
  }
  ++s.released[*index];
  return Done(T, 1, "ReleaseSuite", 0, args);
}

// --- SP Access Suite ----------------------------------------------------------------
ResultCode AcquirePlugin(hostapi::PluginRef plugin, hostapi::AccessRef* access) {
  auto args = [&] { return Args{Ptr(plugin)}; };
  if (auto fault = S().recorder.enter(kAccess, 0)) return Done(kAccess, 0, "AcquirePlugin", *fault, args);
  if (access == nullptr || !OurPlugin(plugin, "AcquirePlugin")) {
    return Done(kAccess, 0, "AcquirePlugin", kBadParameter, args);
  }
  const std::uint64_t n = S().newNumber();
  S().liveAccess.insert(n);
  ++S().accessAcquired;
  *access = MakeHandle<hostapi::AccessRef>(HandleKind::Access, n);
  return Done(kAccess, 0, "AcquirePlugin", 0, args);
}

ResultCode ReleasePlugin(hostapi::AccessRef access) {
  auto args = [&] { return Args{Ptr(access)}; };
  if (auto fault = S().recorder.enter(kAccess, 1)) return Done(kAccess, 1, "ReleasePlugin", *fault, args);
  const std::uint64_t n = HandleNumber(HandleKind::Access, access);
  if (n == 0 || S().liveAccess.erase(n) == 0) {
    S().misuse("ReleasePlugin: unknown access reference " + Ptr(access));
    return Done(kAccess, 1, "ReleasePlugin", kBadParameter, args);
  }
  ++S().accessReleased;
  return Done(kAccess, 1, "ReleasePlugin", 0, args);
}

// --- SP Plug-ins Suite ----------------------------------------------------------------
ResultCode SetPluginName(hostapi::PluginRef plugin, const char* name) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::PluginsSuite, SetPluginName));
  auto args = [&] { return Args{Ptr(plugin), Text(name)}; };
  if (auto fault = S().recorder.enter(kPlugins, E)) return Done(kPlugins, E, "SetPluginName", *fault, args);
  if (name == nullptr || !OurPlugin(plugin, "SetPluginName")) {
    return Done(kPlugins, E, "SetPluginName", kBadParameter, args);
  }
  S().pluginName = name;
  return Done(kPlugins, E, "SetPluginName", 0, args);
}

// --- AI Notifier Suite -------------------------------------------------------------------
ResultCode AddNotifier(hostapi::PluginRef plugin, const char* name, const char* type,
                       hostapi::NotifierHandle* notifier) {
  auto args = [&] { return Args{Ptr(plugin), Text(name), Text(type)}; };
  if (auto fault = S().recorder.enter(kNotifier, 0)) return Done(kNotifier, 0, "AddNotifier", *fault, args);
  if (name == nullptr || type == nullptr || notifier == nullptr || !OurPlugin(plugin, "AddNotifier")) {
    return Done(kNotifier, 0, "AddNotifier", kBadParameter, args);
  }
  const auto handle = MakeHandle<hostapi::NotifierHandle>(HandleKind::Notifier, S().notifiers.size() + 1);
  S().notifiers.push_back({handle, plugin, name, type});
  *notifier = handle;
  return Done(kNotifier, 0, "AddNotifier", 0, args);
}

// --- AI Context Suite ----------------------------------------------------------------------
ResultCode PushAppContext(hostapi::PluginRef plugin, hostapi::AppContextHandle* context) {
  auto args = [&] { return Args{Ptr(plugin)}; };
  if (auto fault = S().recorder.enter(kContext, 1)) return Done(kContext, 1, "PushAppContext", *fault, args);
  if (context == nullptr || !OurPlugin(plugin, "PushAppContext")) {
    return Done(kContext, 1, "PushAppContext", kBadParameter, args);
  }
  const std::uint64_t n = S().newNumber();
  S().contextStack.push_back(n);
  ++S().contextsOpened;
  *context = MakeHandle<hostapi::AppContextHandle>(HandleKind::Context, n);
  return Done(kContext, 1, "PushAppContext", 0, args);
}

ResultCode PopAppContext(hostapi::AppContextHandle context) {
  auto args = [&] { return Args{Ptr(context)}; };
  if (auto fault = S().recorder.enter(kContext, 2)) return Done(kContext, 2, "PopAppContext", *fault, args);
  const std::uint64_t n = HandleNumber(HandleKind::Context, context);
  auto& stack = S().contextStack;
  if (n == 0 || stack.empty() || stack.back() != n) {
    S().misuse("PopAppContext: " + Ptr(context) + " is not the innermost open context");
    return Done(kContext, 2, "PopAppContext", kBadParameter, args);
  }
  stack.pop_back();
  return Done(kContext, 2, "PopAppContext", 0, args);
}

// --- AI User Suite -------------------------------------------------------------------------
hostapi::HostBoolean Cancel() {
  if (S().recorder.enter(kUser, 0)) return static_cast<hostapi::HostBoolean>(Done(kUser, 0, "Cancel", 0));
  return static_cast<hostapi::HostBoolean>(Done(kUser, 0, "Cancel", S().cancel ? 1 : 0));
}

ResultCode MessageAlert(const hostapi::UnicodeStringRef* text) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::UserSuite, MessageAlert));
  const auto utf8 = StringArgument(text);
  auto args = [&] { return Args{utf8 ? *utf8 : std::string("(bad string)")}; };
  if (auto fault = S().recorder.enter(kUser, E)) return Done(kUser, E, "MessageAlert", *fault, args);
  if (!utf8) {
    S().misuse("MessageAlert: not a string");
    return Done(kUser, E, "MessageAlert", kBadParameter, args);
  }
  S().alerts.push_back(*utf8);
  return Done(kUser, E, "MessageAlert", 0, args);
}

// --- AI File Path Suite and AI Folders Suite ----------------------------------------------
std::string* FindPath(hostapi::FilePathRef ref) {
  const std::uint64_t n = HandleNumber(HandleKind::FilePath, ref);
  if (n == 0) return nullptr;
  auto it = S().filePaths.find(n);
  return it == S().filePaths.end() ? nullptr : &it->second;
}

std::filesystem::path FsPath(const std::string& utf8) {
  const std::u8string u8(utf8.begin(), utf8.end());
  return std::filesystem::path(u8);
}

std::string Utf8Of(const std::filesystem::path& p) {
  const std::u8string u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

// Gives `*path` the text, reusing its object or making a new one.
void AssignPath(hostapi::FilePathRef* path, std::string text) {
  if (std::string* existing = FindPath(*path)) {
    *existing = std::move(text);
    return;
  }
  const std::uint64_t n = S().newNumber();
  S().filePaths.emplace(n, std::move(text));
  *path = MakeHandle<hostapi::FilePathRef>(HandleKind::FilePath, n);
}

ResultCode ReleasePath(hostapi::FilePathRef* path) {
  auto args = [&] { return Args{Ptr(path ? *path : nullptr)}; };
  if (auto fault = S().recorder.enter(kFilePath, 1)) return Done(kFilePath, 1, "Release", *fault, args);
  if (path == nullptr) return Done(kFilePath, 1, "Release", kBadParameter, args);
  if (*path == nullptr) return Done(kFilePath, 1, "Release", 0, args);
  const std::uint64_t n = HandleNumber(HandleKind::FilePath, *path);
  if (n == 0 || S().filePaths.erase(n) == 0) {
    S().misuse("Release: unknown file path " + Ptr(*path));
    return Done(kFilePath, 1, "Release", kBadParameter, args);
  }
  *path = nullptr;
  return Done(kFilePath, 1, "Release", 0, args);
}

ResultCode AddComponent(const hostapi::UnicodeStringRef* component, hostapi::FilePathRef* path) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::FilePathSuite, AddComponent));
  const auto text = StringArgument(component);
  auto args = [&] { return Args{text ? *text : std::string("(bad string)"), Ptr(path ? *path : nullptr)}; };
  if (auto fault = S().recorder.enter(kFilePath, E)) return Done(kFilePath, E, "AddComponent", *fault, args);
  std::string* base = path ? FindPath(*path) : nullptr;
  if (!text || base == nullptr) return Done(kFilePath, E, "AddComponent", kBadParameter, args);
  *base = Utf8Of(FsPath(*base) / FsPath(*text));
  return Done(kFilePath, E, "AddComponent", 0, args);
}

hostapi::HostBoolean Exists(const hostapi::FilePathRef* path, hostapi::HostBoolean resolveLinks, std::int32_t,
                            hostapi::HostBoolean* isFile) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::FilePathSuite, Exists));
  const std::string* text = path ? FindPath(*path) : nullptr;
  auto args = [&] { return Args{text ? *text : std::string("(bad path)"), Num(resolveLinks)}; };
  if (S().recorder.enter(kFilePath, E)) return static_cast<hostapi::HostBoolean>(Done(kFilePath, E, "Exists", 0, args));
  if (text == nullptr) return static_cast<hostapi::HostBoolean>(Done(kFilePath, E, "Exists", 0, args));
  std::error_code ec;
  const auto fs = FsPath(*text);
  const bool exists = std::filesystem::exists(fs, ec);
  if (isFile != nullptr) *isFile = exists && std::filesystem::is_regular_file(fs, ec) ? 1 : 0;
  return static_cast<hostapi::HostBoolean>(Done(kFilePath, E, "Exists", exists ? 1 : 0, args));
}

ResultCode GetFullPath(const hostapi::FilePathRef* path, hostapi::HostBoolean displayName,
                       hostapi::UnicodeStringRef* text) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::FilePathSuite, GetFullPath));
  const std::string* value = path ? FindPath(*path) : nullptr;
  auto args = [&] { return Args{value ? *value : std::string("(bad path)"), Num(displayName)}; };
  if (auto fault = S().recorder.enter(kFilePath, E)) return Done(kFilePath, E, "GetFullPath", *fault, args);
  if (value == nullptr || text == nullptr) return Done(kFilePath, E, "GetFullPath", kBadParameter, args);
  if (std::u16string* existing = FindString(*text)) {
    *existing = Utf8ToUtf16(*value);
  } else {
    if (*text != nullptr) S().misuse("GetFullPath: the target is not a string");
    *text = NewString(Utf8ToUtf16(*value));
  }
  return Done(kFilePath, E, "GetFullPath", 0, args);
}

ResultCode FindFolder(std::int32_t kind, hostapi::HostBoolean createFolder, hostapi::FilePathRef* path) {
  auto args = [&] { return Args{Num(kind), Num(createFolder)}; };
  if (auto fault = S().recorder.enter(kFolders, 0)) return Done(kFolders, 0, "FindFolder", *fault, args);
  auto it = S().folders.find(kind);
  if (path == nullptr || it == S().folders.end()) return Done(kFolders, 0, "FindFolder", kBadParameter, args);
  if (createFolder) {
    std::error_code ec;
    std::filesystem::create_directories(FsPath(it->second), ec);
  }
  AssignPath(path, it->second);
  return Done(kFolders, 0, "FindFolder", 0, args);
}

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
  if (auto fault = S().recorder.enter(kLiveEffect, 0)) return Done(kLiveEffect, 0, "AddLiveEffect", *fault, args);
  if (registration == nullptr || effect == nullptr || registration->name == nullptr ||
      !OurPlugin(registration->self, "AddLiveEffect")) {
    return Done(kLiveEffect, 0, "AddLiveEffect", kBadParameter, args);
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
  return Done(kLiveEffect, 0, "AddLiveEffect", 0, args);
}

ResultCode AddLiveEffectMenuItem(hostapi::LiveEffectHandle effect, const char* menuItemName,
                                 const hostapi::LiveEffectMenuData* menuData, hostapi::MenuItemHandle* menuItem,
                                 hostapi::MenuGroupHandle* menuGroup) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::LiveEffectSuite, AddLiveEffectMenuItem));
  auto args = [&] {
    Args a{Ptr(effect), Text(menuItemName)};
    if (menuData != nullptr) {
      a.push_back(Text(menuData->category));
      a.push_back(Text(menuData->title));
      a.push_back(Num(menuData->options));
    }
    return a;
  };
  if (auto fault = S().recorder.enter(kLiveEffect, E)) {
    return Done(kLiveEffect, E, "AddLiveEffectMenuItem", *fault, args);
  }
  if (!IsLiveEffect(effect) || menuItemName == nullptr || menuData == nullptr || menuData->category == nullptr ||
      menuData->title == nullptr) {
    return Done(kLiveEffect, E, "AddLiveEffectMenuItem", kBadParameter, args);
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
  return Done(kLiveEffect, E, "AddLiveEffectMenuItem", 0, args);
}

ResultCode UpdateParameters(hostapi::LiveEffectEditContext context) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::LiveEffectSuite, UpdateParameters));
  auto args = [&] { return Args{Ptr(context)}; };
  if (auto fault = S().recorder.enter(kLiveEffect, E)) return Done(kLiveEffect, E, "UpdateParameters", *fault, args);
  S().updatedParameters.push_back(context);
  return Done(kLiveEffect, E, "UpdateParameters", 0, args);
}

// --- AI Menu Suite ------------------------------------------------------------------------
ResultCode AddMenuItem(hostapi::PluginRef plugin, const char* name, const hostapi::MenuItemData* data,
                       std::int32_t options, hostapi::MenuItemHandle* menuItem) {
  const auto text = data ? StringArgument(&data->itemText) : std::nullopt;
  auto args = [&] {
    return Args{Ptr(plugin), Text(name), Text(data ? data->groupName : nullptr),
                text ? *text : std::string("(bad string)"), Num(options)};
  };
  if (auto fault = S().recorder.enter(kMenu, 0)) return Done(kMenu, 0, "AddMenuItem", *fault, args);
  if (name == nullptr || data == nullptr || data->groupName == nullptr || !text || menuItem == nullptr ||
      !OurPlugin(plugin, "AddMenuItem")) {
    return Done(kMenu, 0, "AddMenuItem", kBadParameter, args);
  }
  MenuItemRecord item;
  item.plugin = plugin;
  item.key = name;
  item.groupName = data->groupName;
  item.text = *text;
  item.options = options;
  *menuItem = NewMenuItem(item);
  return Done(kMenu, 0, "AddMenuItem", 0, args);
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
  constexpr std::size_t E = EntryOf(offsetof(hostapi::MenuSuite, AddMenuGroupAsSubMenu));
  auto args = [&] { return Args{Text(name), Num(options), Ptr(menuItem)}; };
  if (auto fault = S().recorder.enter(kMenu, E)) return Done(kMenu, E, "AddMenuGroupAsSubMenu", *fault, args);
  if (name == nullptr || FindMenuItem(menuItem) == nullptr) {
    return Done(kMenu, E, "AddMenuGroupAsSubMenu", kBadParameter, args);
  }
  const auto handle = NewMenuGroup(name, options, menuItem, false);
  if (group != nullptr) *group = handle;
  return Done(kMenu, E, "AddMenuGroupAsSubMenu", 0, args);
}

ResultCode GetMenuGroupName(hostapi::MenuGroupHandle group, const char** name) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::MenuSuite, GetMenuGroupName));
  const std::uint64_t n = HandleNumber(HandleKind::MenuGroup, group);
  const bool known = n != 0 && n <= S().menuGroups.size();
  auto args = [&] { return Args{Ptr(group), known ? S().menuGroupNames[n - 1] : std::string("(bad group)")}; };
  if (auto fault = S().recorder.enter(kMenu, E)) return Done(kMenu, E, "GetMenuGroupName", *fault, args);
  if (name == nullptr || !known) return Done(kMenu, E, "GetMenuGroupName", kBadParameter, args);
  *name = S().menuGroupNames[n - 1].c_str();
  return Done(kMenu, E, "GetMenuGroupName", 0, args);
}

ResultCode CountMenuGroups(std::int32_t* count) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::MenuSuite, CountMenuGroups));
  if (auto fault = S().recorder.enter(kMenu, E)) return Done(kMenu, E, "CountMenuGroups", *fault);
  if (count == nullptr) return Done(kMenu, E, "CountMenuGroups", kBadParameter);
  *count = static_cast<std::int32_t>(S().menuGroups.size());
  return Done(kMenu, E, "CountMenuGroups", 0, [&] { return Args{Num(*count)}; });
}

ResultCode GetNthMenuGroup(std::int32_t n, hostapi::MenuGroupHandle* group) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::MenuSuite, GetNthMenuGroup));
  auto args = [&] { return Args{Num(n)}; };
  if (auto fault = S().recorder.enter(kMenu, E)) return Done(kMenu, E, "GetNthMenuGroup", *fault, args);
  if (group == nullptr || n < 0 || static_cast<std::size_t>(n) >= S().menuGroups.size()) {
    return Done(kMenu, E, "GetNthMenuGroup", kBadParameter, args);
  }
  *group = S().menuGroups[static_cast<std::size_t>(n)].handle;
  return Done(kMenu, E, "GetNthMenuGroup", 0, args);
}

ResultCode UpdateMenuItemAutomatically(hostapi::MenuItemHandle menuItem, std::int32_t action, std::int32_t checked,
                                       std::int32_t enabled, std::int32_t selected, std::int32_t open,
                                       std::int32_t editable, std::int32_t visible) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::MenuSuite, UpdateMenuItemAutomatically));
  auto args = [&] {
    return Args{Ptr(menuItem), Num(action), Num(checked), Num(enabled), Num(selected), Num(open), Num(editable),
                Num(visible)};
  };
  if (auto fault = S().recorder.enter(kMenu, E)) {
    return Done(kMenu, E, "UpdateMenuItemAutomatically", *fault, args);
  }
  MenuItemRecord* item = FindMenuItem(menuItem);
  if (item == nullptr) return Done(kMenu, E, "UpdateMenuItemAutomatically", kBadParameter, args);
  item->autoUpdate = AutoUpdateRecord{action, checked, enabled, selected, open, editable, visible};
  return Done(kMenu, E, "UpdateMenuItemAutomatically", 0, args);
}

ResultCode GetUpdateFlags(std::int32_t* inArtwork, std::int32_t* isSelected, std::int32_t* isTrue) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::MenuSuite, GetUpdateFlags));
  if (auto fault = S().recorder.enter(kMenu, E)) return Done(kMenu, E, "GetUpdateFlags", *fault);
  if (inArtwork == nullptr || isSelected == nullptr || isTrue == nullptr) {
    return Done(kMenu, E, "GetUpdateFlags", kBadParameter);
  }
  *inArtwork = S().updateFlags[0];
  *isSelected = S().updateFlags[1];
  *isTrue = S().updateFlags[2];
  return Done(kMenu, E, "GetUpdateFlags", 0);
}

// --- AI URL Suite -----------------------------------------------------------------------------
hostapi::HostBoolean IsBrowserAvailable() {
  if (S().recorder.enter(kUrl, 0)) return static_cast<hostapi::HostBoolean>(Done(kUrl, 0, "IsBrowserAvailable", 0));
  return static_cast<hostapi::HostBoolean>(Done(kUrl, 0, "IsBrowserAvailable", S().browserAvailable ? 1 : 0));
}

ResultCode OpenUrl(const char* url) {
  auto args = [&] { return Args{Text(url)}; };
  if (auto fault = S().recorder.enter(kUrl, 1)) return Done(kUrl, 1, "OpenUrl", *fault, args);
  if (url == nullptr) return Done(kUrl, 1, "OpenUrl", kBadParameter, args);
  S().openedUrls.emplace_back(url);
  return Done(kUrl, 1, "OpenUrl", 0, args);
}

// --- AI Unicode String Suite ---------------------------------------------------------------------
ResultCode Initialize(hostapi::UnicodeStringRef* string, const char* text, std::uint64_t byteCount,
                      std::int32_t encoding) {
  auto args = [&] {
    return Args{text ? std::string(text, static_cast<std::size_t>(byteCount)) : std::string("(null)"), Num(encoding)};
  };
  if (auto fault = S().recorder.enter(kUnicode, 0)) return Done(kUnicode, 0, "Initialize", *fault, args);
  if (string == nullptr || (text == nullptr && byteCount != 0) || encoding != 0) {
    return Done(kUnicode, 0, "Initialize", kBadParameter, args);
  }
  if (*string != nullptr) S().misuse("Initialize: the target already refers to a string");
  *string = NewString(text ? Utf8ToUtf16(std::string_view(text, static_cast<std::size_t>(byteCount))) : u"");
  return Done(kUnicode, 0, "Initialize", 0, args);
}

ResultCode Destroy(hostapi::UnicodeStringRef* string) {
  auto args = [&] { return Args{Ptr(string ? *string : nullptr)}; };
  if (auto fault = S().recorder.enter(kUnicode, 3)) return Done(kUnicode, 3, "Destroy", *fault, args);
  if (string == nullptr) return Done(kUnicode, 3, "Destroy", kBadParameter, args);
  if (*string == nullptr) return Done(kUnicode, 3, "Destroy", 0, args);
  const std::uint64_t n = HandleNumber(HandleKind::String, *string);
  if (n == 0 || S().strings.erase(n) == 0) {
    S().misuse("Destroy: unknown string " + Ptr(*string));
    return Done(kUnicode, 3, "Destroy", kBadParameter, args);
  }
  *string = nullptr;
  return Done(kUnicode, 3, "Destroy", 0, args);
}

ResultCode Append(hostapi::UnicodeStringRef* target, const hostapi::UnicodeStringRef* appended) {
  const auto tail = StringArgument(appended);
  auto args = [&] { return Args{Ptr(target ? *target : nullptr), tail ? *tail : std::string("(bad string)")}; };
  if (auto fault = S().recorder.enter(kUnicode, 4)) return Done(kUnicode, 4, "Append", *fault, args);
  if (target == nullptr || !tail) return Done(kUnicode, 4, "Append", kBadParameter, args);
  // Copy first: appending a string to itself must not read what it writes.
  const std::u16string units = (appended && *appended) ? *FindString(*appended) : std::u16string();
  if (*target == nullptr) {
    *target = NewString(units);
    return Done(kUnicode, 4, "Append", 0, args);
  }
  std::u16string* head = FindString(*target);
  if (head == nullptr) {
    S().misuse("Append: unknown target string " + Ptr(*target));
    return Done(kUnicode, 4, "Append", kBadParameter, args);
  }
  *head += units;
  return Done(kUnicode, 4, "Append", 0, args);
}

std::uint64_t Utf16(const hostapi::UnicodeStringRef* string, const char16_t** units) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::UnicodeStringSuite, Utf16));
  auto args = [&] { return Args{Ptr(string ? *string : nullptr)}; };
  if (units != nullptr) *units = nullptr;
  if (S().recorder.enter(kUnicode, E)) return static_cast<std::uint64_t>(Done(kUnicode, E, "Utf16", 0, args));
  const std::u16string* text = (string && *string) ? FindString(*string) : nullptr;
  if (text == nullptr || units == nullptr) return static_cast<std::uint64_t>(Done(kUnicode, E, "Utf16", 0, args));
  *units = text->data();
  return static_cast<std::uint64_t>(Done(kUnicode, E, "Utf16", static_cast<ResultCode>(text->size()), args));
}

// --- SP Blocks Suite --------------------------------------------------------------------------
ResultCode AllocateBlock(std::uint64_t size, const char* label, void** block) {
  auto args = [&] { return Args{Num(static_cast<std::int64_t>(size)), Text(label)}; };
  if (auto fault = S().recorder.enter(kBlocks, 0)) return Done(kBlocks, 0, "AllocateBlock", *fault, args);
  if (block == nullptr) return Done(kBlocks, 0, "AllocateBlock", kBadParameter, args);
  *block = nullptr;
  void* memory = ::operator new(static_cast<std::size_t>(size == 0 ? 1 : size), std::nothrow);
  if (memory == nullptr) return Done(kBlocks, 0, "AllocateBlock", hostapi::kOutOfMemory, args);
  S().blocks.emplace(memory, static_cast<std::size_t>(size));
  *block = memory;
  return Done(kBlocks, 0, "AllocateBlock", 0, args);
}

ResultCode FreeBlock(void* block) {
  auto args = [&] { return Args{Ptr(block)}; };
  if (auto fault = S().recorder.enter(kBlocks, 1)) return Done(kBlocks, 1, "FreeBlock", *fault, args);
  if (block == nullptr) return Done(kBlocks, 1, "FreeBlock", 0, args);
  if (S().blocks.erase(block) == 0) {
    S().misuse("FreeBlock: unknown block " + Ptr(block));
    return Done(kBlocks, 1, "FreeBlock", kBadParameter, args);
  }
  ::operator delete(block);
  return Done(kBlocks, 1, "FreeBlock", 0, args);
}

// --- AI Art Suite ---------------------------------------------------------------------------------
ResultCode GetArtType(hostapi::ArtHandle art, std::int16_t* type) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::ArtSuite, GetArtType));
  auto args = [&] { return Args{Ptr(art)}; };
  if (auto fault = S().recorder.enter(kArt, E)) return Done(kArt, E, "GetArtType", *fault, args);
  const auto t = S().document.artType(art);
  if (!t || type == nullptr) return Done(kArt, E, "GetArtType", kBadParameter, args);
  *type = *t;
  return Done(kArt, E, "GetArtType", 0, args);
}

ResultCode GetArtFirstChild(hostapi::ArtHandle art, hostapi::ArtHandle* child) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::ArtSuite, GetArtFirstChild));
  auto args = [&] { return Args{Ptr(art)}; };
  if (child != nullptr) *child = nullptr;
  if (auto fault = S().recorder.enter(kArt, E)) return Done(kArt, E, "GetArtFirstChild", *fault, args);
  if (child == nullptr || !S().document.isArt(art)) return Done(kArt, E, "GetArtFirstChild", kBadParameter, args);
  *child = S().document.firstChild(art);
  return Done(kArt, E, "GetArtFirstChild", 0, args);
}

ResultCode GetArtSibling(hostapi::ArtHandle art, hostapi::ArtHandle* sibling) {
  constexpr std::size_t E = EntryOf(offsetof(hostapi::ArtSuite, GetArtSibling));
  auto args = [&] { return Args{Ptr(art)}; };
  if (sibling != nullptr) *sibling = nullptr;
  if (auto fault = S().recorder.enter(kArt, E)) return Done(kArt, E, "GetArtSibling", *fault, args);
  if (sibling == nullptr || !S().document.isArt(art)) return Done(kArt, E, "GetArtSibling", kBadParameter, args);
  *sibling = S().document.nextSibling(art);
  return Done(kArt, E, "GetArtSibling", 0, args);
}

// --- AI Path Style Suite --------------------------------------------------------------------------
ResultCode GetPathStyle(hostapi::ArtHandle art, hostapi::HostPathStyle* style, hostapi::HostBoolean* advanced) {
  auto args = [&] { return Args{Ptr(art)}; };
  if (auto fault = S().recorder.enter(kPathStyle, 0)) return Done(kPathStyle, 0, "GetPathStyle", *fault, args);
  const auto stored = S().document.pathStyle(art);
  if (!stored || style == nullptr) return Done(kPathStyle, 0, "GetPathStyle", kBadParameter, args);
  std::memcpy(style, &*stored, sizeof *style);
  if (advanced != nullptr) *advanced = 0;
  return Done(kPathStyle, 0, "GetPathStyle", 0, args);
}

ResultCode SetPathStyle(hostapi::ArtHandle art, const hostapi::HostPathStyle* style) {
  auto args = [&] {
    Args a{Ptr(art)};
    if (style != nullptr) {
      a.push_back(Num(style->fillPaint));
      a.push_back(Num(style->fillColor.kind));
      a.push_back(Num(style->strokePaint));
      a.push_back(Num(style->strokeColor.kind));
    }
    return a;
  };
  if (auto fault = S().recorder.enter(kPathStyle, 1)) return Done(kPathStyle, 1, "SetPathStyle", *fault, args);
  if (style == nullptr || !S().document.isArt(art)) return Done(kPathStyle, 1, "SetPathStyle", kBadParameter, args);
  hostapi::HostPathStyle copy;
  std::memcpy(&copy, style, sizeof copy);
  S().document.setPathStyle(art, copy);
  S().document.noteStyleWrite(art);
  return Done(kPathStyle, 1, "SetPathStyle", 0, args);
}

// --- AI Gradient Suite ------------------------------------------------------------------------------
ResultCode NewGradient(hostapi::GradientHandle* gradient) {
  if (gradient != nullptr) *gradient = nullptr;
  if (auto fault = S().recorder.enter(kGradient, 0)) return Done(kGradient, 0, "NewGradient", *fault);
  if (gradient == nullptr) return Done(kGradient, 0, "NewGradient", kBadParameter);
  *gradient = S().document.newDefaultGradient();
  return Done(kGradient, 0, "NewGradient", 0, [&] { return Args{Ptr(*gradient)}; });
}

ResultCode GetGradientType(hostapi::GradientHandle gradient, std::int16_t* type) {
  auto args = [&] { return Args{Ptr(gradient)}; };
  if (auto fault = S().recorder.enter(kGradient, 7)) return Done(kGradient, 7, "GetGradientType", *fault, args);
  const auto t = S().document.gradientType(gradient);
  if (!t || type == nullptr) return Done(kGradient, 7, "GetGradientType", kBadParameter, args);
  *type = *t;
  return Done(kGradient, 7, "GetGradientType", 0, args);
}

ResultCode SetGradientType(hostapi::GradientHandle gradient, std::int16_t type) {
  auto args = [&] { return Args{Ptr(gradient), Num(type)}; };
  if (auto fault = S().recorder.enter(kGradient, 8)) return Done(kGradient, 8, "SetGradientType", *fault, args);
  if ((type != kGradientLinear && type != kGradientRadial) || !S().document.setGradientType(gradient, type)) {
    return Done(kGradient, 8, "SetGradientType", kBadParameter, args);
  }
  return Done(kGradient, 8, "SetGradientType", 0, args);
}

ResultCode GetGradientStopCount(hostapi::GradientHandle gradient, std::int16_t* count) {
  auto args = [&] { return Args{Ptr(gradient)}; };
  if (auto fault = S().recorder.enter(kGradient, 9)) return Done(kGradient, 9, "GetGradientStopCount", *fault, args);
  const auto n = S().document.stopCount(gradient);
  if (!n || count == nullptr) return Done(kGradient, 9, "GetGradientStopCount", kBadParameter, args);
  *count = static_cast<std::int16_t>(*n);  // never above kMaxGradientStops
  return Done(kGradient, 9, "GetGradientStopCount", 0, args);
}

ResultCode GetNthGradientStop(hostapi::GradientHandle gradient, std::int16_t n, hostapi::HostGradientStop* stop) {
  auto args = [&] { return Args{Ptr(gradient), Num(n)}; };
  if (auto fault = S().recorder.enter(kGradient, 10)) return Done(kGradient, 10, "GetNthGradientStop", *fault, args);
  const auto value = n >= 0 ? S().document.stop(gradient, static_cast<std::size_t>(n)) : std::nullopt;
  if (!value || stop == nullptr) return Done(kGradient, 10, "GetNthGradientStop", kBadParameter, args);
  std::memcpy(stop, &*value, sizeof *stop);
  return Done(kGradient, 10, "GetNthGradientStop", 0, args);
}

Args StopArgs(hostapi::GradientHandle gradient, std::int16_t n, const hostapi::HostGradientStop* stop) {
  Args a{Ptr(gradient), Num(n)};
  if (stop != nullptr) {
    a.push_back(Real(stop->rampPoint));
    a.push_back(Real(stop->midPoint));
    a.push_back(Num(stop->color.kind));
    a.push_back(Real(stop->opacity));
  }
  return a;
}

ResultCode SetNthGradientStop(hostapi::GradientHandle gradient, std::int16_t n,
                              const hostapi::HostGradientStop* stop) {
  auto args = [&] { return StopArgs(gradient, n, stop); };
  if (auto fault = S().recorder.enter(kGradient, 11)) return Done(kGradient, 11, "SetNthGradientStop", *fault, args);
  if (stop == nullptr || n < 0) return Done(kGradient, 11, "SetNthGradientStop", kBadParameter, args);
  hostapi::HostGradientStop copy;
  std::memcpy(&copy, stop, sizeof copy);
  if (!S().document.setStop(gradient, static_cast<std::size_t>(n), copy)) {
    return Done(kGradient, 11, "SetNthGradientStop", kBadParameter, args);
  }
  return Done(kGradient, 11, "SetNthGradientStop", 0, args);
}

ResultCode InsertGradientStop(hostapi::GradientHandle gradient, std::int16_t n,
                              const hostapi::HostGradientStop* stop) {
  auto args = [&] { return StopArgs(gradient, n, stop); };
  if (auto fault = S().recorder.enter(kGradient, 12)) return Done(kGradient, 12, "InsertGradientStop", *fault, args);
  const auto count = S().document.stopCount(gradient);
  if (!count || stop == nullptr || n < 0 || static_cast<std::size_t>(n) > *count) {
    return Done(kGradient, 12, "InsertGradientStop", kBadParameter, args);
  }
  if (*count >= kMaxGradientStops) return Done(kGradient, 12, "InsertGradientStop", kTooManyStops, args);
  hostapi::HostGradientStop copy;
  std::memcpy(&copy, stop, sizeof copy);
  S().document.insertStop(gradient, static_cast<std::size_t>(n), copy);
  return Done(kGradient, 12, "InsertGradientStop", 0, args);
}

// --- AI Color Conversion Suite ------------------------------------------------------------------------
ResultCode ConvertSampleColor(std::int32_t sourceSpace, const float* source, std::int32_t destinationSpace,
                              float* destination, const hostapi::ColorConversionOptions* options,
                              hostapi::HostBoolean* inGamut) {
  auto args = [&] {
    Args a{Num(sourceSpace), Num(destinationSpace)};
    const int n = sourceSpace == hostapi::kSpaceCmyk ? 4 : sourceSpace == hostapi::kSpaceRgb ? 3 : 0;
    for (int i = 0; source != nullptr && i < n; ++i) a.push_back(Real(source[i]));
    a.push_back(options ? Num(*options) : std::string("(null)"));
    return a;
  };
  if (auto fault = S().recorder.enter(kColor, 2)) return Done(kColor, 2, "ConvertSampleColor", *fault, args);
  if (source == nullptr || destination == nullptr || destinationSpace != hostapi::kSpaceRgb) {
    return Done(kColor, 2, "ConvertSampleColor", kBadParameter, args);
  }
  if (sourceSpace == hostapi::kSpaceCmyk) {
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    if (!S().cmyk->convert(source, rgb)) return Done(kColor, 2, "ConvertSampleColor", hostapi::kCantHappen, args);
    std::memcpy(destination, rgb, sizeof rgb);
  } else if (sourceSpace == hostapi::kSpaceRgb) {
    std::memmove(destination, source, 3 * sizeof(float));
  } else {
    return Done(kColor, 2, "ConvertSampleColor", kBadParameter, args);
  }
  if (inGamut != nullptr) *inGamut = 1;
  return Done(kColor, 2, "ConvertSampleColor", 0, args);
}

// --- Traps ---------------------------------------------------------------------------------------------
template <std::size_t Suite, std::size_t Entry>
ResultCode TrapEntry() {
  S().recorder.trap(Suite, Entry);
  return kTrapCode;
}

template <std::size_t Suite, std::size_t... Entry>
void FillTrapRow(SuiteRow& row, std::index_sequence<Entry...>) {
  ((row[Entry] = reinterpret_cast<hostapi::UnusedEntry>(&TrapEntry<Suite, Entry>)), ...);
}

template <std::size_t... Suite>
void FillAllTraps(std::array<SuiteRow, kSuiteCount>& tables, std::index_sequence<Suite...>) {
  (FillTrapRow<Suite>(tables[Suite], std::make_index_sequence<kEntriesPerSuite>{}), ...);
}

// Lays a typed suite over the start of a row; its named gaps keep their traps.
template <class Suite>
void Install(SuiteRow& row, const Suite& suite) {
  static_assert(sizeof(Suite) % hostapi::kEntrySize == 0 && sizeof(Suite) <= sizeof(SuiteRow));
  SuiteRow typed{};
  std::memcpy(typed.data(), &suite, sizeof suite);
  for (std::size_t i = 0; i < sizeof(Suite) / hostapi::kEntrySize; ++i) {
    if (typed[i] != nullptr) row[i] = typed[i];
  }
}

}  // namespace

void InstallSuites(Host::State& state) {
  FillAllTraps(state.tables, std::make_index_sequence<kSuiteCount>{});
  state.basic.AcquireSuite = &AcquireSuite;
  state.basic.ReleaseSuite = &ReleaseSuite;

  hostapi::AccessSuite access{};
  access.AcquirePlugin = &AcquirePlugin;
  access.ReleasePlugin = &ReleasePlugin;
  Install(state.tables[kAccess], access);

  hostapi::PluginsSuite plugins{};
  plugins.SetPluginName = &SetPluginName;
  Install(state.tables[kPlugins], plugins);

  hostapi::NotifierSuite notifier{};
  notifier.AddNotifier = &AddNotifier;
  Install(state.tables[kNotifier], notifier);

  hostapi::ContextSuite context{};
  context.PushAppContext = &PushAppContext;
  context.PopAppContext = &PopAppContext;
  Install(state.tables[kContext], context);

  hostapi::UserSuite user{};
  user.Cancel = &Cancel;
  user.MessageAlert = &MessageAlert;
  Install(state.tables[kUser], user);

  hostapi::FilePathSuite filePath{};
  filePath.Release = &ReleasePath;
  filePath.AddComponent = &AddComponent;
  filePath.Exists = &Exists;
  filePath.GetFullPath = &GetFullPath;
  Install(state.tables[kFilePath], filePath);

  hostapi::FoldersSuite folders{};
  folders.FindFolder = &FindFolder;
  Install(state.tables[kFolders], folders);

  hostapi::LiveEffectSuite liveEffect{};
  liveEffect.AddLiveEffect = &AddLiveEffect;
  liveEffect.AddLiveEffectMenuItem = &AddLiveEffectMenuItem;
  liveEffect.UpdateParameters = &UpdateParameters;
  Install(state.tables[kLiveEffect], liveEffect);

  hostapi::MenuSuite menu{};
  menu.AddMenuItem = &AddMenuItem;
  menu.AddMenuGroupAsSubMenu = &AddMenuGroupAsSubMenu;
  menu.GetMenuGroupName = &GetMenuGroupName;
  menu.CountMenuGroups = &CountMenuGroups;
  menu.GetNthMenuGroup = &GetNthMenuGroup;
  menu.UpdateMenuItemAutomatically = &UpdateMenuItemAutomatically;
  menu.GetUpdateFlags = &GetUpdateFlags;
  Install(state.tables[kMenu], menu);

  hostapi::UrlSuite url{};
  url.IsBrowserAvailable = &IsBrowserAvailable;
  url.OpenUrl = &OpenUrl;
  Install(state.tables[kUrl], url);

  hostapi::UnicodeStringSuite unicode{};
  unicode.Initialize = &Initialize;
  unicode.Destroy = &Destroy;
  unicode.Append = &Append;
  unicode.Utf16 = &Utf16;
  Install(state.tables[kUnicode], unicode);

  hostapi::BlocksSuite blocks{};
  blocks.AllocateBlock = &AllocateBlock;
  blocks.FreeBlock = &FreeBlock;
  Install(state.tables[kBlocks], blocks);

  hostapi::ArtSuite art{};
  art.GetArtType = &GetArtType;
  art.GetArtFirstChild = &GetArtFirstChild;
  art.GetArtSibling = &GetArtSibling;
  Install(state.tables[kArt], art);

  hostapi::PathStyleSuite pathStyle{};
  pathStyle.GetPathStyle = &GetPathStyle;
  pathStyle.SetPathStyle = &SetPathStyle;
  Install(state.tables[kPathStyle], pathStyle);

  hostapi::GradientSuite gradient{};
  gradient.NewGradient = &NewGradient;
  gradient.GetGradientType = &GetGradientType;
  gradient.SetGradientType = &SetGradientType;
  gradient.GetGradientStopCount = &GetGradientStopCount;
  gradient.GetNthGradientStop = &GetNthGradientStop;
  gradient.SetNthGradientStop = &SetNthGradientStop;
  gradient.InsertGradientStop = &InsertGradientStop;
  Install(state.tables[kGradient], gradient);

  hostapi::ColorConversionSuite color{};
  color.ConvertSampleColor = &ConvertSampleColor;
  Install(state.tables[kColor], color);
}

// Used by host.cpp for the host's own menu groups and test strings.
hostapi::MenuGroupHandle AddHostMenuGroup(const std::string& name) { return NewMenuGroup(name, 0, nullptr, true); }
hostapi::UnicodeStringRef AddHostString(std::string_view utf8) { return NewString(Utf8ToUtf16(utf8)); }

}  // namespace host
