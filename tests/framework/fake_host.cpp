#include "tests/framework/fake_host.hpp"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "framework/suite_slots.hpp"

namespace fake {
namespace {

using hostapi::ResultCode;

Host* gCurrent = nullptr;

// Tables of suites whose entries the plug-in never calls.
struct BlankSuite {
  hostapi::UnusedEntry entries[64];
};
const BlankSuite kBlankSuite{};

// The table offered for a called suite: the fake's own where it has one,
// the blank table otherwise.
template <class Suite>
const void* Offered() {
  return &kBlankSuite;
}

std::string Str(const char* text) { return text != nullptr ? std::string(text) : std::string("(null)"); }

std::uintptr_t gNextHandle = 0x1000;
template <class Handle>
Handle NewHandle() {
  gNextHandle += 0x10;
  return reinterpret_cast<Handle>(gNextHandle);
}

const hostapi::AccessSuite kAccess{
    [](hostapi::PluginRef, hostapi::AccessRef* access) -> ResultCode {
      ResultCode code = Host::current().enter("AcquirePlugin");
      *access = reinterpret_cast<hostapi::AccessRef>(std::uintptr_t{0xACCE55});
      return code;
    },
    [](hostapi::AccessRef access) -> ResultCode {
      Host::current().log.push_back("ReleasePlugin " + std::to_string(reinterpret_cast<std::uintptr_t>(access)));
      return Host::current().enter("ReleasePlugin");
    },
};
template <>
const void* Offered<hostapi::AccessSuite>() { return &kAccess; }

hostapi::PluginsSuite MakePlugins() {
  hostapi::PluginsSuite suite{};
  suite.SetPluginName = [](hostapi::PluginRef, const char* name) -> ResultCode {
    Host::current().log.push_back("SetPluginName " + Str(name));
    return Host::current().enter("SetPluginName");
  };
  return suite;
}
const hostapi::PluginsSuite kPlugins = MakePlugins();
template <>
const void* Offered<hostapi::PluginsSuite>() { return &kPlugins; }

const hostapi::NotifierSuite kNotifier{
    [](hostapi::PluginRef, const char* name, const char* type, hostapi::NotifierHandle* handle) -> ResultCode {
      Host& host = Host::current();
      host.log.push_back("AddNotifier " + Str(name) + " | " + Str(type));
      if (ResultCode code = host.enter("AddNotifier"); code != 0) return code;
      *handle = NewHandle<hostapi::NotifierHandle>();
      return 0;
    },
};
template <>
const void* Offered<hostapi::NotifierSuite>() { return &kNotifier; }

hostapi::ContextSuite MakeContext() {
  hostapi::ContextSuite suite{};
  suite.PushAppContext = [](hostapi::PluginRef, hostapi::AppContextHandle* context) -> ResultCode {
    *context = reinterpret_cast<hostapi::AppContextHandle>(std::uintptr_t{0xC0});
    return Host::current().enter("PushAppContext");
  };
  suite.PopAppContext = [](hostapi::AppContextHandle) -> ResultCode { return Host::current().enter("PopAppContext"); };
  return suite;
}
const hostapi::ContextSuite kContext = MakeContext();
template <>
const void* Offered<hostapi::ContextSuite>() { return &kContext; }

hostapi::UserSuite MakeUser() {
  hostapi::UserSuite suite{};
  suite.Cancel = []() -> hostapi::HostBoolean {
    Host::current().enter("Cancel");
    return 0;
  };
  suite.MessageAlert = [](const hostapi::UnicodeStringRef*) -> ResultCode {
    return Host::current().enter("MessageAlert");
  };
  return suite;
}
const hostapi::UserSuite kUser = MakeUser();
template <>
const void* Offered<hostapi::UserSuite>() { return &kUser; }

hostapi::UnicodeStringSuite MakeStrings() {
  hostapi::UnicodeStringSuite suite{};
  suite.Initialize = [](hostapi::UnicodeStringRef* string, const char* text, std::uint64_t bytes,
                        std::int32_t encoding) -> ResultCode {
    Host& host = Host::current();
    host.log.push_back("InitializeString " + std::string(text, bytes) + " " + std::to_string(encoding));
    if (ResultCode code = host.enter("InitializeString"); code != 0) return code;
    *string = NewHandle<hostapi::UnicodeStringRef>();
    host.strings[*string] = Widen(std::string(text, bytes));
    return 0;
  };
  suite.Destroy = [](hostapi::UnicodeStringRef* string) -> ResultCode {
    Host& host = Host::current();
    host.strings.erase(*string);
    return host.enter("DestroyString");
  };
  suite.Append = [](hostapi::UnicodeStringRef* target, const hostapi::UnicodeStringRef* appended) -> ResultCode {
    Host& host = Host::current();
    if (ResultCode code = host.enter("AppendString"); code != 0) return code;
    host.strings.at(*target) += host.strings.at(*appended);
    return 0;
  };
  suite.Utf16 = [](const hostapi::UnicodeStringRef* string, const char16_t** units) -> std::uint64_t {
    Host& host = Host::current();
    host.enter("Utf16");
    auto it = host.strings.find(*string);
    if (it == host.strings.end()) return 0;
    *units = it->second.data();
    return it->second.size();
  };
  return suite;
}
const hostapi::UnicodeStringSuite kStrings = MakeStrings();
template <>
const void* Offered<hostapi::UnicodeStringSuite>() { return &kStrings; }

const hostapi::BlocksSuite kBlocks{
    [](std::uint64_t size, const char* label, void** block) -> ResultCode {
      Host& host = Host::current();
      host.log.push_back("AllocateBlock " + std::to_string(size) + " " + Str(label));
      if (ResultCode code = host.enter("AllocateBlock"); code != 0) return code;
      *block = std::malloc(size);
      return 0;
    },
    [](void* block) -> ResultCode {
      Host& host = Host::current();
      host.log.push_back("FreeBlock");
      std::free(block);
      return host.enter("FreeBlock");
    },
};
template <>
const void* Offered<hostapi::BlocksSuite>() { return &kBlocks; }

hostapi::LiveEffectSuite MakeLiveEffect() {
  hostapi::LiveEffectSuite suite{};
  suite.AddLiveEffect = [](const hostapi::LiveEffectRegistration* registration,
                           hostapi::LiveEffectHandle* effect) -> ResultCode {
    Host& host = Host::current();
    host.log.push_back("AddLiveEffect " + Str(registration->name));
    if (ResultCode code = host.enter("AddLiveEffect"); code != 0) return code;
    *effect = NewHandle<hostapi::LiveEffectHandle>();
    return 0;
  };
  suite.AddLiveEffectMenuItem = [](hostapi::LiveEffectHandle, const char* name, const hostapi::LiveEffectMenuData* data,
                                   hostapi::MenuItemHandle* item, hostapi::MenuGroupHandle*) -> ResultCode {
    Host& host = Host::current();
    host.log.push_back("AddLiveEffectMenuItem " + Str(name) + " | " + Str(data->category));
    if (ResultCode code = host.enter("AddLiveEffectMenuItem"); code != 0) return code;
    *item = NewHandle<hostapi::MenuItemHandle>();
    return 0;
  };
  suite.UpdateParameters = [](hostapi::LiveEffectEditContext) -> ResultCode {
    return Host::current().enter("UpdateParameters");
  };
  return suite;
}
const hostapi::LiveEffectSuite kLiveEffect = MakeLiveEffect();
template <>
const void* Offered<hostapi::LiveEffectSuite>() { return &kLiveEffect; }

hostapi::MenuSuite MakeMenu() {
  hostapi::MenuSuite suite{};
  suite.AddMenuItem = [](hostapi::PluginRef, const char* name, const hostapi::MenuItemData* data, std::int32_t options,
                         hostapi::MenuItemHandle* item) -> ResultCode {
    Host& host = Host::current();
    host.log.push_back("AddMenuItem " + Str(name) + " | " + Str(data->groupName));
    if (ResultCode code = host.enter("AddMenuItem"); code != 0) return code;
    *item = NewHandle<hostapi::MenuItemHandle>();
    host.menuItems.push_back({Str(name), Str(data->groupName), host.text(data->itemText), options, *item});
    return 0;
  };
  suite.AddMenuGroupAsSubMenu = [](const char* name, std::int32_t, hostapi::MenuItemHandle,
                                   hostapi::MenuGroupHandle* group) -> ResultCode {
    Host& host = Host::current();
    if (ResultCode code = host.enter("AddMenuGroupAsSubMenu"); code != 0) return code;
    host.menuGroups.push_back(Str(name));
    *group = NewHandle<hostapi::MenuGroupHandle>();
    return 0;
  };
  suite.GetMenuGroupName = [](hostapi::MenuGroupHandle group, const char** name) -> ResultCode {
    Host& host = Host::current();
    const auto index = reinterpret_cast<std::uintptr_t>(group) - 1;
    if (!host.menuGroupNames.empty()) {
      *name = host.menuGroupNames.at(index);
    } else {
      *name = host.menuGroups.at(index).c_str();
    }
    return host.enter("GetMenuGroupName");
  };
  suite.CountMenuGroups = [](std::int32_t* count) -> ResultCode {
    Host& host = Host::current();
    *count = static_cast<std::int32_t>(host.menuGroupNames.empty() ? host.menuGroups.size() : host.menuGroupNames.size());
    return host.enter("CountMenuGroups");
  };
  suite.GetNthMenuGroup = [](std::int32_t n, hostapi::MenuGroupHandle* group) -> ResultCode {
    *group = reinterpret_cast<hostapi::MenuGroupHandle>(static_cast<std::uintptr_t>(n) + 1);
    return Host::current().enter("GetNthMenuGroup");
  };
  suite.UpdateMenuItemAutomatically = [](hostapi::MenuItemHandle, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                         std::int32_t, std::int32_t, std::int32_t) -> ResultCode {
    return Host::current().enter("UpdateMenuItemAutomatically");
  };
  suite.GetUpdateFlags = [](std::int32_t*, std::int32_t*, std::int32_t*) -> ResultCode {
    return Host::current().enter("GetUpdateFlags");
  };
  return suite;
}
const hostapi::MenuSuite kMenu = MakeMenu();
template <>
const void* Offered<hostapi::MenuSuite>() { return &kMenu; }

const hostapi::UrlSuite kUrl{
    []() -> hostapi::HostBoolean {
      Host::current().enter("IsBrowserAvailable");
      return 1;
    },
    [](const char*) -> ResultCode { return Host::current().enter("OpenUrl"); },
};
template <>
const void* Offered<hostapi::UrlSuite>() { return &kUrl; }

}  // namespace

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

Host::Host() : basic_{&Host::Acquire, &Host::Release} {
  if (gCurrent != nullptr) throw std::logic_error("one fake host at a time");
  gCurrent = this;
}

Host::~Host() { gCurrent = nullptr; }

Host& Host::current() {
  if (gCurrent == nullptr) throw std::logic_error("no fake host");
  return *gCurrent;
}

hostapi::PluginRef Host::pluginRef() const { return reinterpret_cast<hostapi::PluginRef>(std::uintptr_t{0x9106}); }

hostapi::PluginMessage Host::header(void* slot) const {
  hostapi::PluginMessage message{};
  message.pluginRef = pluginRef();
  message.objectSlot = slot;
  message.basicSuite = &basic_;
  return message;
}

ResultCode Host::enter(const std::string& operation) {
  const int call = ++callCounts_[operation];
  if (onCall) onCall(operation);
  auto it = failures_.find(operation);
  if (it != failures_.end() && (it->second.onCall == 0 || it->second.onCall == call)) return it->second.code;
  return 0;
}

int Host::callsOf(const std::string& operation) const {
  auto it = callCounts_.find(operation);
  return it == callCounts_.end() ? 0 : it->second;
}

int Host::heldTotal() const {
  int total = 0;
  for (const auto& [name, count] : held) total += count;
  return total;
}

std::u16string Host::text(hostapi::UnicodeStringRef handle) const {
  auto it = strings.find(handle);
  return it == strings.end() ? std::u16string() : it->second;
}

const void* Host::table(const std::string& name) const {
  const void* offered = &kBlankSuite;
  slots::CalledSuites::ForEach([&]<class Suite>() {
    if (name == Suite::kName) offered = Offered<Suite>();
  });
  return offered;
}

ResultCode Host::Acquire(const char* name, std::int32_t version, const void** suite) {
  Host& host = current();
  const std::string key = Str(name);
  bool known = false;
  for (const hostapi::SuiteId& id : hostapi::kBasicSuites) known |= key == id.name && version == id.version;
  for (const hostapi::SuiteId& id : hostapi::kMainSuites) known |= key == id.name && version == id.version;
  host.log.push_back("AcquireSuite " + key);
  if (!known || host.withheld_.count(key) != 0) return hostapi::FourCC("!Sui");
  ++host.held[key];
  *suite = host.table(key);
  return 0;
}

ResultCode Host::Release(const char* name, std::int32_t) {
  Host& host = current();
  const std::string key = Str(name);
  host.log.push_back("ReleaseSuite " + key);
  if (--host.held[key] == 0) host.held.erase(key);
  return 0;
}

}  // namespace fake
