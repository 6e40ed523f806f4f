#include "framework/plugin.hpp"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>

#include "framework/router_table.hpp"
#include "framework/shell_memory.hpp"
#include "framework/suite_slots.hpp"
#include "framework/suite_table.hpp"

using hostapi::FourCC;
using hostapi::ResultCode;
using hostapi::kUnhandledMessage;

const ResultCode silentCodes[18] = {
    FourCC("FMT?"), FourCC("RFSE"), FourCC("AFTR"), FourCC("VALD"), FourCC("MOOT"), FourCC("TRSH"),
    FourCC("CHEK"), FourCC("CHIT"), FourCC("TLTK"), FourCC("pFls"), FourCC("S!Fd"), FourCC("!Acq"),
    FourCC("dsRP"), FourCC("skpE"), FourCC("DONE"), FourCC("STOP"), 361,            0,
};

bool IsSilentCode(ResultCode code) {
  for (const ResultCode* entry = silentCodes; *entry != 0; ++entry) {
    if (*entry == code) return true;
  }
  return false;
}

namespace {

// No code has a text of its own, so nothing is ever shown.
const char* TextForCode(ResultCode) { return nullptr; }

// Every call through a suite slot checks the slot first: a slot is empty before
// the suites are acquired and after they are given back, and calling through
// it would jump to address 0 inside the host's process. An operation with a
// result answers 'CANT' instead; one whose result is unused (the access
// hold, the context guard) is skipped. The suite table's rows do the same when
// there is no basic suite.
ResultCode AddNotifier(hostapi::PluginRef ref, const char* name, const char* type, hostapi::NotifierHandle* handle) {
  if (!slots::Slot<hostapi::NotifierSuite>()) return hostapi::kCantHappen;
  return slots::Slot<hostapi::NotifierSuite>()->AddNotifier(ref, name, type, handle);
}

std::int64_t RuntimeSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }
shell::Clock gClock = &RuntimeSeconds;

}  // namespace

namespace shell {
std::int64_t Now() { return gClock(); }
Clock SetClock(Clock clock) {
  Clock previous = gClock;
  gClock = clock != nullptr ? clock : &RuntimeSeconds;
  return previous;
}
}  // namespace shell

void reportResultCode(hostapi::PluginRef, ResultCode code) {
  if (IsSilentCode(code)) return;
  bool borrowed = false;
  if (!slots::Slot<hostapi::UserSuite>()) {
    if (slots::gBasicSuite == nullptr) return;
    if (slots::gBasicSuite->AcquireSuite(hostapi::UserSuite::kName, hostapi::UserSuite::kVersion,
                                         &slots::Slot<hostapi::UserSuite>().table) != 0 ||
        !slots::Slot<hostapi::UserSuite>()) {
      slots::Slot<hostapi::UserSuite>().table = nullptr;
      return;
    }
    borrowed = true;
  }
  // A text would be shown here through the user suite; there are none.
  (void)TextForCode(code);
  if (borrowed) {
    slots::gBasicSuite->ReleaseSuite(hostapi::UserSuite::kName, hostapi::UserSuite::kVersion);
    slots::Slot<hostapi::UserSuite>().table = nullptr;
  }
}

ContextGuard::ContextGuard(hostapi::PluginRef pluginRef) : handle_(nullptr), opened_(false) {
  if (slots::Slot<hostapi::ContextSuite>())
    opened_ = slots::Slot<hostapi::ContextSuite>()->PushAppContext(pluginRef, &handle_) == 0;
  if (!opened_) handle_ = nullptr;
}

ContextGuard::~ContextGuard() {
  // Whether the open succeeded decides, not the handle: a context the host
  // opened under a null handle is still closed, and one it refused to open is
  // not (that would close a context the host opened for someone else).
  if (opened_ && slots::Slot<hostapi::ContextSuite>()) slots::Slot<hostapi::ContextSuite>()->PopAppContext(handle_);
}

void CopyBounded(char* buffer, std::size_t size, const char* text) {
  if (size == 0) return;
  std::size_t length = 0;
  if (text != nullptr) {
    while (length + 1 < size && text[length] != '\0') ++length;
    std::memcpy(buffer, text, length);
  }
  buffer[length] = '\0';
}

// ---------------------------------------------------------------------------
// Construction and storage

void* Plugin::operator new(std::size_t size, const std::nothrow_t&) noexcept { return shell::Allocate(size); }
void Plugin::operator delete(void* block) noexcept { shell::Free(block); }

Plugin::Plugin(hostapi::PluginRef ref)
    : pluginRef(ref),
      suites(nullptr),
      holdCount(0),
      accessRef(nullptr),
      lastErrorCode(0),
      errorRepeatSeconds(5),
      suppressRepeats(1),
      lastErrorTime(0),
      appStartedNotifier(nullptr),
      appShutdownNotifier(nullptr) {
  CopyBounded(name, kNameSize, "Plugin");
}

Plugin::Plugin(ReloadTag) : appStartedNotifier(nullptr), appShutdownNotifier(nullptr) {}

Plugin::~Plugin() = default;

// ---------------------------------------------------------------------------
// Error report

void Plugin::reportError(ResultCode code, const char*, const char*, Message*) {
  if (IsSilentCode(code)) return;
  const std::int64_t now = shell::Now();
  if (code == lastErrorCode && suppressRepeats != 0 && now < lastErrorTime + errorRepeatSeconds) return;
  lastErrorCode = code;
  lastErrorTime = now;
  reportResultCode(pluginRef, code);
}

// ---------------------------------------------------------------------------
// Lifecycle

ResultCode Plugin::holdAccess(std::int32_t flag) {
  if (flag != 0) {
    ++holdCount;
    if (holdCount == 1 && slots::Slot<hostapi::AccessSuite>())
      slots::Slot<hostapi::AccessSuite>()->AcquirePlugin(pluginRef, &accessRef);
  } else {
    --holdCount;
    if (holdCount == 0) {
      if (slots::Slot<hostapi::AccessSuite>()) slots::Slot<hostapi::AccessSuite>()->ReleasePlugin(accessRef);
      accessRef = nullptr;
    } else if (holdCount < 0) {
      holdCount = 0;
    }
  }
  return 0;
}

ResultCode Plugin::acquireSuites() {
  SuiteTable* table = new (std::nothrow) SuiteTable();
  if (table == nullptr) {
    suites = nullptr;
    return hostapi::kOutOfMemory;
  }
  suites = table;
  const ResultCode result = table->status();
  table->claimSoleUse();
  if (result != 0) releaseSuites();
  return result;
}

void Plugin::releaseSuites() {
  if (suites == nullptr) return;
  delete suites;
  suites = nullptr;
}

ResultCode Plugin::startUp(Message* message) {
  hostapi::ResultUnused(setInstance(this));  // only records the object
  ResultCode result = acquireSuites();
  if (result != 0) return result;

  result = slots::Slot<hostapi::PluginsSuite>()
               ? slots::Slot<hostapi::PluginsSuite>()->SetPluginName(message->pluginRef, name)
               : hostapi::kCantHappen;
  if (result == 0) {
    char notifierName[kNameSize];
    std::snprintf(notifierName, sizeof notifierName, "%.*s App Started Notifier", 234, name);
    result = AddNotifier(message->pluginRef, notifierName, "AI Application Started Notifier",
                                           &appStartedNotifier);
  }
  if (result == 0) {
    char notifierName[kNameSize];
    std::snprintf(notifierName, sizeof notifierName, "%.*s Application Shutdown Notifier", 225, name);
    result = AddNotifier(message->pluginRef, notifierName, "AI Application Shutdown Notifier",
                                           &appShutdownNotifier);
  }
  if (result == 0) result = startUpHook();
  if (result == 0) {
    afterLoadHook();
    result = holdAccess(1);
  }
  return result;
}

ResultCode Plugin::afterApplicationStarted() { return 0; }
ResultCode Plugin::beforeApplicationShutdown() { return 0; }

ResultCode Plugin::shutDown(Message*) {
  releaseSuites();
  setInstance(nullptr);
  return 0;
}

ResultCode Plugin::unload(Message*) {
  beforeUnloadHook();
  setInstance(nullptr);
  releaseSuites();
  return 0;
}

ResultCode Plugin::reload(Message*) {
  setInstance(this);
  ResultCode result;
  if (suites == nullptr) {
    result = acquireSuites();
  } else {
    result = suites->status();
    suites->claimSoleUse();
    if (result != 0) releaseSuites();
  }
  if (result == 0) afterLoadHook();
  return result;
}

ResultCode Plugin::acquireProperty(Message*) { return hostapi::kUnhandledMessage; }
ResultCode Plugin::releaseProperty(Message*) { return hostapi::kUnhandledMessage; }

std::size_t Plugin::copyName(char* buffer, std::size_t length) const {
  const std::size_t nameLength = strnlen(name, kNameSize);
  if (nameLength > length) {
    std::memcpy(buffer, name, length);
    buffer[length] = '\0';
    return length;
  }
  std::memcpy(buffer, name, nameLength);
  buffer[nameLength] = '\0';
  return nameLength;
}

ResultCode Plugin::purge() { return 0; }
ResultCode Plugin::setInstance(Plugin*) { return 0; }
ResultCode Plugin::startUpHook() { return 0; }
ResultCode Plugin::afterLoadHook() { return 0; }
ResultCode Plugin::beforeUnloadHook() { return 0; }

ResultCode Plugin::acquireOptionalSuites() {
  if (suites != nullptr) suites->acquireOptionalSuites();
  return 0;
}

// ---------------------------------------------------------------------------
// Handlers with their defaults

#define EVENHUE_DEFINE_HANDLER(caller, selector, name, answer) \
  ResultCode Plugin::name(Message*) { return answer; }
EVENHUE_MESSAGES(EVENHUE_DEFINE_HANDLER)
#undef EVENHUE_DEFINE_HANDLER

// ---------------------------------------------------------------------------
// Router

ResultCode Plugin::routeNotifier(const char* selector, Message* message) {
  ContextGuard context(message->pluginRef);
  const auto* notification = reinterpret_cast<const hostapi::NotifierMessage*>(message);
  ResultCode result = hostapi::kUnhandledMessage;
  if (notification->notifier == appStartedNotifier) {
    result = afterApplicationStarted();
  } else if (notification->notifier == appShutdownNotifier) {
    result = beforeApplicationShutdown();
  }
  if ((result == 0 || result == hostapi::kUnhandledMessage) && selector != nullptr &&
      std::strcmp(selector, hostapi::selectors::kNotify) == 0) {
    result = onNotify(message);
  }
  return result;
}

ResultCode Plugin::dispatch(const char* caller, const char* selector, Message* message) {
  ResultCode result = hostapi::kUnhandledMessage;
  acquireOptionalSuites();

  const router::Route* first = router::FindCaller(caller);
  if (first == nullptr) return result;
  const router::Route* route = router::FindSelector(first, selector);
  if (route == nullptr) return result;

  switch (route->action) {
    case router::Action::kHandler:
      result = (this->*(route->handler))(message);
      break;
    case router::Action::kAnswerZero:
      result = 0;
      break;
    case router::Action::kPurge:
      result = purge() != 0 ? hostapi::kPurgeFailed : 0;
      break;
    case router::Action::kNotifier:
      result = routeNotifier(selector, message);
      break;
  }
  return result;
}
