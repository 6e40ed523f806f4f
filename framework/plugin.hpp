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
// hostapi::callers and hostapi::selectors; kAnySelector takes every selector
// of the caller, after the application notifiers), the handler, and what the
// handler answers when a plug-in does not override it. The handlers'
// declarations, their default bodies and the router's rows are all made from
// this table (EVENHUE_MESSAGES in the router's order).
#define EVENHUE_MESSAGES_FIRST(X) \
  X(kNotifier, kAnySelector, onNotify, 0)                                                                \
  X(kActionManager, kDoAction, onDoAction, 0)                                                            \
  X(kMenu, kGo, onMenuGo, kUnhandledMessage)                                                             \
  X(kMenu, kUpdate, onMenuUpdate, kUnhandledMessage)                                                     \
  X(kFilter, kGetParameters, onFilterGetParameters, kUnhandledMessage)                                   \
  X(kFilter, kGo, onFilterGo, kUnhandledMessage)                                                         \
  X(kPluginGroup, kNotifyEdits, onPluginGroupNotifyEdits, kUnhandledMessage)                             \
  X(kPluginGroup, kUpdate, onPluginGroupUpdate, kUnhandledMessage)                                       \
  X(kFileFormat, kGetParameters, onFileFormatGetParameters, kUnhandledMessage)                           \
  X(kFileFormat, kGo, onFileFormatGo, kUnhandledMessage)                                                 \
  X(kFileFormat, kCheck, onFileFormatCheck, kUnhandledMessage)                                           \
  X(kFileFormat, kUpdateAI140, onFileFormatUpdate, kUnhandledMessage)                                    \
  X(kFileFormat, kDoAction, onFileFormatDoAction, kUnhandledMessage)                                     \
  X(kTool, kEditOptions, onToolEditOptions, kUnhandledMessage)                                           \
  X(kTool, kTrackCursor, onToolTrackCursor, kUnhandledMessage)                                           \
  X(kTool, kMouseDown, onToolMouseDown, kUnhandledMessage)                                               \
  X(kTool, kMouseDrag, onToolMouseDrag, kUnhandledMessage)                                               \
  X(kTool, kMouseUp, onToolMouseUp, kUnhandledMessage)                                                   \
  X(kTool, kSelect, onToolSelect, kUnhandledMessage)                                                     \
  X(kTool, kDeselect, onToolDeselect, kUnhandledMessage)                                                 \
  X(kTool, kReselect, onToolReselect, 0)                                                                 \
  X(kTool, kDecreaseDiameter, onToolDecreaseDiameter, 0)                                                 \
  X(kTool, kIncreaseDiameter, onToolIncreaseDiameter, 0)                                                 \
  X(kLiveEffect, kLiveEffectEditParameters, onLiveEffectEditParameters, kUnhandledMessage)               \
  X(kLiveEffect, kLiveEffectGoLive, onLiveEffectGoLive, kUnhandledMessage)                               \
  X(kLiveEffect, kLiveEffectInterpolateParameters, onLiveEffectInterpolateParameters, kUnhandledMessage) \
  X(kLiveEffect, kLiveEffectInputType, onLiveEffectInputType, kUnhandledMessage)

#define EVENHUE_MESSAGE_SCALE(X) \
  X(kLiveEffect, kLiveEffectScaleParameters, onLiveEffectScaleParameters, kUnhandledMessage)

#define EVENHUE_MESSAGE_CONVERT(X) \
  X(kLiveEffect, kLiveEffectConvertColorSpace, onLiveEffectConvertColorSpace, kUnhandledMessage)

#define EVENHUE_MESSAGES_LAST(X) \
  X(kLiveEffect, kLiveEffectAdjustColors, onLiveEffectAdjustColors, kUnhandledMessage) \
  X(kLiveEffect, kLiveEffectHandleMerge, onLiveEffectHandleMerge, kUnhandledMessage)   \
  X(kTimer, kGo, onTimerGo, kUnhandledMessage)                                         \
  X(kClipboard, kGo, onClipboardGo, kUnhandledMessage)                                 \
  X(kClipboard, kCanCopy, onClipboardCanCopy, kUnhandledMessage)                       \
  X(kClipboard, kClone, onClipboardClone, kUnhandledMessage)                           \
  X(kClipboard, kDispose, onClipboardDispose, kUnhandledMessage)                       \
  X(kWorkspace, kWriteWorkspace, onWorkspaceWrite, kUnhandledMessage)                  \
  X(kWorkspace, kRestoreWorkspace, onWorkspaceRestore, kUnhandledMessage)              \
  X(kWorkspace, kDefaultWorkspace, onWorkspaceDefault, kUnhandledMessage)

// The router compares Scale Parameters before Convert Color Space, while the
// class declares their handlers the other way round.
#define EVENHUE_MESSAGES(X) \
  EVENHUE_MESSAGES_FIRST(X) EVENHUE_MESSAGE_SCALE(X) EVENHUE_MESSAGE_CONVERT(X) EVENHUE_MESSAGES_LAST(X)
#define EVENHUE_HANDLERS_IN_DECLARATION_ORDER(X) \
  EVENHUE_MESSAGES_FIRST(X) EVENHUE_MESSAGE_CONVERT(X) EVENHUE_MESSAGE_SCALE(X) EVENHUE_MESSAGES_LAST(X)

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
  EVENHUE_HANDLERS_IN_DECLARATION_ORDER(EVENHUE_DECLARE_HANDLER)
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
