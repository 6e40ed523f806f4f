// The framework base class of the plug-in object: one virtual handler per host
// message with its default answer, the message router, the error report and
// the lifecycle operations. The plug-in's own class derives from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "plugin/host_api.hpp"

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
  virtual ResultCode onNotify(Message* message);
  virtual ResultCode onDoAction(Message* message);
  virtual ResultCode onMenuGo(Message* message);
  virtual ResultCode onMenuUpdate(Message* message);
  virtual ResultCode onFilterGetParameters(Message* message);
  virtual ResultCode onFilterGo(Message* message);
  virtual ResultCode onPluginGroupNotifyEdits(Message* message);
  virtual ResultCode onPluginGroupUpdate(Message* message);
  virtual ResultCode onFileFormatGetParameters(Message* message);
  virtual ResultCode onFileFormatGo(Message* message);
  virtual ResultCode onFileFormatCheck(Message* message);
  virtual ResultCode onFileFormatUpdate(Message* message);
  virtual ResultCode onFileFormatDoAction(Message* message);
  virtual ResultCode onToolEditOptions(Message* message);
  virtual ResultCode onToolTrackCursor(Message* message);
  virtual ResultCode onToolMouseDown(Message* message);
  virtual ResultCode onToolMouseDrag(Message* message);
  virtual ResultCode onToolMouseUp(Message* message);
  virtual ResultCode onToolSelect(Message* message);
  virtual ResultCode onToolDeselect(Message* message);
  virtual ResultCode onToolReselect(Message* message);
  virtual ResultCode onToolDecreaseDiameter(Message* message);
  virtual ResultCode onToolIncreaseDiameter(Message* message);
  virtual ResultCode onLiveEffectEditParameters(Message* message);
  virtual ResultCode onLiveEffectGoLive(Message* message);
  virtual ResultCode onLiveEffectInterpolateParameters(Message* message);
  virtual ResultCode onLiveEffectInputType(Message* message);
  virtual ResultCode onLiveEffectConvertColorSpace(Message* message);
  virtual ResultCode onLiveEffectScaleParameters(Message* message);
  virtual ResultCode onLiveEffectAdjustColors(Message* message);
  virtual ResultCode onLiveEffectHandleMerge(Message* message);
  virtual ResultCode onTimerGo(Message* message);
  virtual ResultCode onClipboardGo(Message* message);
  virtual ResultCode onClipboardCanCopy(Message* message);
  virtual ResultCode onClipboardClone(Message* message);
  virtual ResultCode onClipboardDispose(Message* message);
  virtual ResultCode onWorkspaceWrite(Message* message);
  virtual ResultCode onWorkspaceRestore(Message* message);
  virtual ResultCode onWorkspaceDefault(Message* message);

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
