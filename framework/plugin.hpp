// The framework base class of the plug-in object: one virtual handler per host
// message with its default answer, the message router, the error report and
// the lifecycle operations. The plug-in's own class derives from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "interface/host_api.hpp"

class SuiteTable;

// Tags the constructor that re-seats an existing object after a reload.
struct ReloadTag {};

// Codes that are never reported, ended by 0.
extern const hostapi::ResultCode silentCodes[18];
bool IsSilentCode(hostapi::ResultCode code);

// Reports a code when no plug-in object can (no texts are defined, so nothing
// is shown; the user suite is borrowed if it is not held).
void reportResultCode(hostapi::PluginRef pluginRef, hostapi::ResultCode code);

namespace shell {
// Whole seconds since the epoch; replaceable so tests can move time.
using Clock = std::int64_t (*)();
std::int64_t Now();
Clock SetClock(Clock clock);  // null restores the runtime clock; returns the previous one
}  // namespace shell

// Opens a host context for the plug-in for the guard's lifetime and closes
// exactly the context it opened.
class ContextGuard {
 public:
  explicit ContextGuard(hostapi::PluginRef pluginRef);
  ~ContextGuard();
  ContextGuard(const ContextGuard&) = delete;
  ContextGuard& operator=(const ContextGuard&) = delete;
  hostapi::AppContextHandle handle() const { return handle_; }

 private:
  hostapi::AppContextHandle handle_;
  bool opened_;  // the host answered the open with 0, whatever handle it gave
};

// Every host message the plug-in object answers through a handler of its own,
// one row each, in the routing order: caller and selector (names of
// interface/names.hpp; a null selector takes every selector of the caller,
// after the application notifiers), the handler, and what the handler
// answers when a plug-in does not override it. The handlers' declarations,
// their default bodies and the router's rows are all made from this table.
#define EVENHUE_MESSAGES(X) \
  X(callers::kNotifier, nullptr, onNotify, 0)                                                                                         \
  X(callers::kActionManager, selectors::kDoAction, onDoAction, 0)                                                                     \
  X(callers::kMenu, selectors::kGo, onMenuGo, hostapi::kUnhandledMessage)                                                             \
  X(callers::kMenu, selectors::kUpdate, onMenuUpdate, hostapi::kUnhandledMessage)                                                     \
  X(callers::kFilter, selectors::kGetParameters, onFilterGetParameters, hostapi::kUnhandledMessage)                                   \
  X(callers::kFilter, selectors::kGo, onFilterGo, hostapi::kUnhandledMessage)                                                         \
  X(callers::kPluginGroup, selectors::kNotifyEdits, onPluginGroupNotifyEdits, hostapi::kUnhandledMessage)                             \
  X(callers::kPluginGroup, selectors::kUpdate, onPluginGroupUpdate, hostapi::kUnhandledMessage)                                       \
  X(callers::kFileFormat, selectors::kGetParameters, onFileFormatGetParameters, hostapi::kUnhandledMessage)                           \
  X(callers::kFileFormat, selectors::kGo, onFileFormatGo, hostapi::kUnhandledMessage)                                                 \
  X(callers::kFileFormat, selectors::kCheck, onFileFormatCheck, hostapi::kUnhandledMessage)                                           \
  X(callers::kFileFormat, selectors::kUpdateAI140, onFileFormatUpdate, hostapi::kUnhandledMessage)                                    \
  X(callers::kFileFormat, selectors::kDoAction, onFileFormatDoAction, hostapi::kUnhandledMessage)                                     \
  X(callers::kTool, selectors::kEditOptions, onToolEditOptions, hostapi::kUnhandledMessage)                                           \
  X(callers::kTool, selectors::kTrackCursor, onToolTrackCursor, hostapi::kUnhandledMessage)                                           \
  X(callers::kTool, selectors::kMouseDown, onToolMouseDown, hostapi::kUnhandledMessage)                                               \
  X(callers::kTool, selectors::kMouseDrag, onToolMouseDrag, hostapi::kUnhandledMessage)                                               \
  X(callers::kTool, selectors::kMouseUp, onToolMouseUp, hostapi::kUnhandledMessage)                                                   \
  X(callers::kTool, selectors::kSelect, onToolSelect, hostapi::kUnhandledMessage)                                                     \
  X(callers::kTool, selectors::kDeselect, onToolDeselect, hostapi::kUnhandledMessage)                                                 \
  X(callers::kTool, selectors::kReselect, onToolReselect, 0)                                                                          \
  X(callers::kTool, selectors::kDecreaseDiameter, onToolDecreaseDiameter, 0)                                                          \
  X(callers::kTool, selectors::kIncreaseDiameter, onToolIncreaseDiameter, 0)                                                          \
  X(callers::kLiveEffect, selectors::kLiveEffectEditParameters, onLiveEffectEditParameters, hostapi::kUnhandledMessage)               \
  X(callers::kLiveEffect, selectors::kLiveEffectGoLive, onLiveEffectGoLive, hostapi::kUnhandledMessage)                               \
  X(callers::kLiveEffect, selectors::kLiveEffectInterpolateParameters, onLiveEffectInterpolateParameters, hostapi::kUnhandledMessage) \
  X(callers::kLiveEffect, selectors::kLiveEffectInputType, onLiveEffectInputType, hostapi::kUnhandledMessage)                         \
  X(callers::kLiveEffect, selectors::kLiveEffectScaleParameters, onLiveEffectScaleParameters, hostapi::kUnhandledMessage)             \
  X(callers::kLiveEffect, selectors::kLiveEffectConvertColorSpace, onLiveEffectConvertColorSpace, hostapi::kUnhandledMessage)         \
  X(callers::kLiveEffect, selectors::kLiveEffectAdjustColors, onLiveEffectAdjustColors, hostapi::kUnhandledMessage)                   \
  X(callers::kLiveEffect, selectors::kLiveEffectHandleMerge, onLiveEffectHandleMerge, hostapi::kUnhandledMessage)                     \
  X(callers::kTimer, selectors::kGo, onTimerGo, hostapi::kUnhandledMessage)                                                           \
  X(callers::kClipboard, selectors::kGo, onClipboardGo, hostapi::kUnhandledMessage)                                                   \
  X(callers::kClipboard, selectors::kCanCopy, onClipboardCanCopy, hostapi::kUnhandledMessage)                                         \
  X(callers::kClipboard, selectors::kClone, onClipboardClone, hostapi::kUnhandledMessage)                                             \
  X(callers::kClipboard, selectors::kDispose, onClipboardDispose, hostapi::kUnhandledMessage)                                         \
  X(callers::kWorkspace, selectors::kWriteWorkspace, onWorkspaceWrite, hostapi::kUnhandledMessage)                                    \
  X(callers::kWorkspace, selectors::kRestoreWorkspace, onWorkspaceRestore, hostapi::kUnhandledMessage)                                \
  X(callers::kWorkspace, selectors::kDefaultWorkspace, onWorkspaceDefault, hostapi::kUnhandledMessage)                               

// The fields carry no default member initialisers on purpose: the reload
// constructor runs on a live object and must leave every field but the two
// notifier handles as it finds them.
class Plugin {
 public:
  using ResultCode = hostapi::ResultCode;
  using Message = hostapi::PluginMessage;

  explicit Plugin(hostapi::PluginRef pluginRef);
  explicit Plugin(ReloadTag);

  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
  static void* operator new(std::size_t, void* place) noexcept { return place; }
  static void operator delete(void* block) noexcept;

  // Virtual operations, in the host framework's order.
  virtual ~Plugin();
  virtual void reportError(ResultCode code, const char* caller, const char* selector, Message* message);
  virtual ResultCode holdAccess(std::int32_t flag);
  virtual ResultCode startUp(Message* message);
  virtual ResultCode afterApplicationStarted();
  virtual ResultCode beforeApplicationShutdown();
  virtual ResultCode shutDown(Message* message);
  virtual ResultCode unload(Message* message);
  virtual ResultCode reload(Message* message);
  virtual ResultCode acquireProperty(Message* message);
  virtual ResultCode releaseProperty(Message* message);
  virtual std::size_t copyName(char* buffer, std::size_t length) const;
  virtual ResultCode purge();
  virtual ResultCode dispatch(const char* caller, const char* selector, Message* message);
  virtual ResultCode setInstance(Plugin* object);
  virtual ResultCode startUpHook();
  virtual ResultCode afterLoadHook();
  virtual ResultCode beforeUnloadHook();
  virtual ResultCode acquireOptionalSuites();
#define EVENHUE_DECLARE_HANDLER(caller, selector, name, answer) virtual ResultCode name(Message* message);
  EVENHUE_MESSAGES(EVENHUE_DECLARE_HANDLER)
#undef EVENHUE_DECLARE_HANDLER

  // Gives the suite table back (if held) and empties `suites`.
  void releaseSuites();

  static constexpr std::size_t kNameSize = 256;

  hostapi::PluginRef pluginRef;
  char name[kNameSize];
  SuiteTable* suites;
  std::int32_t holdCount;
  hostapi::AccessRef accessRef;
  ResultCode lastErrorCode;
  std::int32_t errorRepeatSeconds;
  std::int32_t suppressRepeats;
  std::int64_t lastErrorTime;
  hostapi::NotifierHandle appStartedNotifier;
  hostapi::NotifierHandle appShutdownNotifier;

 protected:
  // Builds a suite table and leaves the use count at 1; on failure the table
  // is given back at once. Returns the acquisition's outcome or '!MEM'.
  ResultCode acquireSuites();

 private:
  ResultCode routeNotifier(const char* selector, Message* message);
};

// Copies `text` into `buffer` of `size` characters, always NUL-terminated and
// never past the buffer.
void CopyBounded(char* buffer, std::size_t size, const char* text);
