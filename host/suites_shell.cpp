// The stand-in host's basic function table and the suites of the plug-in's
// shell: access, plug-ins, notifier, context and user.
#include <string>

#include "host/operation.hpp"

namespace host {

namespace {

using hostapi::ResultCode;

// --- Basic function table -------------------------------------------------------
ResultCode AcquireSuite(const char* name, std::int32_t version, const void** suite) {
  auto& s = S();
  auto args = [&] { return Args{Text(name), Num(version)}; };
  const Operation op(HOST_OPERATION(BasicSuite, AcquireSuite));
  if (op.fault()) {
    if (suite) *suite = nullptr;
    return op.done(*op.fault(), args);
  }
  if (name == nullptr || suite == nullptr) return op.done(kBadParameter, args);
  *suite = nullptr;
  const auto index = SuiteIndex(name);
  if (!index || *index >= kSuiteCount) return op.done(kSuiteNotFound, args);
  if (s.withheld[*index]) return op.done(*s.withheld[*index], args);
  if (SuiteAt(*index).version != version) return op.done(kWrongVersion, args);
  *suite = s.tables[*index].data();
  ++s.acquired[*index];
  return op.done(0, args);
}

ResultCode ReleaseSuite(const char* name, std::int32_t version) {
  auto& s = S();
  auto args = [&] { return Args{Text(name), Num(version)}; };
  HOST_BEGIN(BasicSuite, ReleaseSuite, args);
  if (name == nullptr) return op.done(kBadParameter, args);
  const auto index = SuiteIndex(name);
  if (!index || *index >= kSuiteCount) return op.done(kSuiteNotFound, args);
  if (SuiteAt(*index).version != version) return op.done(kWrongVersion, args);
  if (s.acquired[*index] <= s.released[*index]) {
    s.misuse(std::string("ReleaseSuite: ") + name + " is not held");
    return op.done(kNotAcquired, args);
  }
  ++s.released[*index];
  return op.done(0, args);
}

// --- SP Access Suite ----------------------------------------------------------------
ResultCode AcquirePlugin(hostapi::PluginRef plugin, hostapi::AccessRef* access) {
  auto args = [&] { return Args{Ptr(plugin)}; };
  HOST_BEGIN(AccessSuite, AcquirePlugin, args);
  if (access == nullptr || !OurPlugin(plugin, "AcquirePlugin")) {
    return op.done(kBadParameter, args);
  }
  const std::uint64_t n = S().newNumber();
  S().liveAccess.insert(n);
  ++S().accessAcquired;
  *access = MakeHandle<hostapi::AccessRef>(HandleKind::Access, n);
  return op.done(0, args);
}

ResultCode ReleasePlugin(hostapi::AccessRef access) {
  auto args = [&] { return Args{Ptr(access)}; };
  HOST_BEGIN(AccessSuite, ReleasePlugin, args);
  const std::uint64_t n = HandleNumber(HandleKind::Access, access);
  if (n == 0 || S().liveAccess.erase(n) == 0) {
    S().misuse("ReleasePlugin: unknown access reference " + Ptr(access));
    return op.done(kBadParameter, args);
  }
  ++S().accessReleased;
  return op.done(0, args);
}

// --- SP Plug-ins Suite ----------------------------------------------------------------
ResultCode SetPluginName(hostapi::PluginRef plugin, const char* name) {
  auto args = [&] { return Args{Ptr(plugin), Text(name)}; };
  HOST_BEGIN(PluginsSuite, SetPluginName, args);
  if (name == nullptr || !OurPlugin(plugin, "SetPluginName")) {
    return op.done(kBadParameter, args);
  }
  S().pluginName = name;
  return op.done(0, args);
}

// --- AI Notifier Suite -------------------------------------------------------------------
ResultCode AddNotifier(hostapi::PluginRef plugin, const char* name, const char* type,
                       hostapi::NotifierHandle* notifier) {
  auto args = [&] { return Args{Ptr(plugin), Text(name), Text(type)}; };
  HOST_BEGIN(NotifierSuite, AddNotifier, args);
  if (name == nullptr || type == nullptr || notifier == nullptr || !OurPlugin(plugin, "AddNotifier")) {
    return op.done(kBadParameter, args);
  }
  const auto handle = MakeHandle<hostapi::NotifierHandle>(HandleKind::Notifier, S().notifiers.size() + 1);
  S().notifiers.push_back({handle, plugin, name, type});
  *notifier = handle;
  return op.done(0, args);
}

// --- AI Context Suite ----------------------------------------------------------------------
ResultCode PushAppContext(hostapi::PluginRef plugin, hostapi::AppContextHandle* context) {
  auto args = [&] { return Args{Ptr(plugin)}; };
  HOST_BEGIN(ContextSuite, PushAppContext, args);
  if (context == nullptr || !OurPlugin(plugin, "PushAppContext")) {
    return op.done(kBadParameter, args);
  }
  const std::uint64_t n = S().newNumber();
  S().contextStack.push_back(n);
  ++S().contextsOpened;
  *context = MakeHandle<hostapi::AppContextHandle>(HandleKind::Context, n);
  return op.done(0, args);
}

ResultCode PopAppContext(hostapi::AppContextHandle context) {
  auto args = [&] { return Args{Ptr(context)}; };
  HOST_BEGIN(ContextSuite, PopAppContext, args);
  const std::uint64_t n = HandleNumber(HandleKind::Context, context);
  auto& stack = S().contextStack;
  if (n == 0 || stack.empty() || stack.back() != n) {
    S().misuse("PopAppContext: " + Ptr(context) + " is not the innermost open context");
    return op.done(kBadParameter, args);
  }
  stack.pop_back();
  return op.done(0, args);
}

// --- AI User Suite -------------------------------------------------------------------------
hostapi::HostBoolean Cancel() {
  const Operation op(HOST_OPERATION(UserSuite, Cancel));
  if (op.fault()) return static_cast<hostapi::HostBoolean>(op.done(0));
  return static_cast<hostapi::HostBoolean>(op.done(S().cancel ? 1 : 0));
}

ResultCode MessageAlert(const hostapi::UnicodeStringRef* text) {
  const auto utf8 = StringArgument(text);
  auto args = [&] { return Args{utf8 ? *utf8 : std::string("(bad string)")}; };
  HOST_BEGIN(UserSuite, MessageAlert, args);
  if (!utf8) {
    S().misuse("MessageAlert: not a string");
    return op.done(kBadParameter, args);
  }
  S().alerts.push_back(*utf8);
  return op.done(0, args);
}

}  // namespace

void InstallShellSuites(SuiteInstaller& installer) {
  auto& state = installer.state();
  state.basic.AcquireSuite = &AcquireSuite;
  state.basic.ReleaseSuite = &ReleaseSuite;

  installer.install(hostapi::AccessSuite{.AcquirePlugin = &AcquirePlugin, .ReleasePlugin = &ReleasePlugin});

  installer.install(hostapi::PluginsSuite{.SetPluginName = &SetPluginName});

  installer.install(hostapi::NotifierSuite{.AddNotifier = &AddNotifier});

  installer.install(hostapi::ContextSuite{.PushAppContext = &PushAppContext, .PopAppContext = &PopAppContext});

  installer.install(hostapi::UserSuite{.Cancel = &Cancel, .MessageAlert = &MessageAlert});
}

}  // namespace host
