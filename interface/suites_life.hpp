// The suites of the plug-in's life: access, name, notifiers, contexts, the user.
//
// What the plug-in calls, in order:
// - at start-up, SetPluginName (Plug-ins) gives the host the plug-in's name;
//   AddNotifier (Notifier) registers the application's "started" and
//   "shutting down" notifiers, and the effect's own apply notifier;
// - to keep its file loaded, AcquirePlugin (Access), and ReleasePlugin when it
//   lets go;
// - around the work of a message, PushAppContext, then the work, then
//   PopAppContext of exactly the context it opened (Context);
// - at the end of Go Live, Cancel (User), which turns the answer into
//   "canceled"; MessageAlert shows the About text (suites_menus.hpp).
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
  UnusedEntry unused0to22[23]{};
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
  UnusedEntry unused0{};
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
  UnusedEntry unused1to46[46]{};
  // 47: shows the text and returns when it is dismissed.
  ResultCode (*MessageAlert)(const UnicodeStringRef* text);
};
static_assert(offsetof(UserSuite, Cancel) == 0 * kEntrySize);
static_assert(offsetof(UserSuite, MessageAlert) == 47 * kEntrySize);

}  // namespace hostapi
