#include "framework/plugin_main.hpp"

#include <cstring>
#include <exception>

#include "framework/error.hpp"
#include "framework/plugin.hpp"
#include "framework/plugin_object.hpp"
#include "framework/suite_slots.hpp"

namespace {

using hostapi::ResultCode;

bool Is(const char* text, const char* expected) { return text != nullptr && std::strcmp(text, expected) == 0; }

// A start-up that failed leaves no object and no suites behind: the suites it
// acquired are given back and the current-object pointer is cleared before
// the object goes. The destructor releases nothing, so without this a plug-in
// that never started would keep every suite it took until the host quits.
void DiscardFailedObject(hostapi::PluginMessage* message, Plugin* object) noexcept {
  object->releaseSuites();
  object->setInstance(nullptr);
  delete object;
  message->objectSlot = nullptr;
}

ResultCode Deliver(const char* caller, const char* selector, hostapi::PluginMessage* message, Plugin*& object,
                   bool& startingUp) {
  ResultCode result = 0;
  if (Is(caller, hostapi::callers::kInterface)) {
    if (Is(selector, hostapi::selectors::kStartup)) {
      Plugin* created = createPluginObject(message->pluginRef);
      if (created == nullptr) {
        result = hostapi::kOutOfMemory;
      } else {
        object = created;
        message->objectSlot = object;
        startingUp = true;
        result = object->startUp(message);
        startingUp = false;
        if (result != 0) {
          DiscardFailedObject(message, object);
          object = nullptr;
        }
      }
    } else if (Is(selector, hostapi::selectors::kShutdown) && object != nullptr) {
      // Shutdown may follow an Unload with the library loaded anew and no Reload
      // in between: the object's dispatch then still points into the copy that
      // was unloaded. Re-seat it before the first virtual call; on an object
      // that never left, re-seating changes nothing that shutDown reads.
      reseatPluginObject(object);
      result = object->shutDown(message);
      delete object;
      object = nullptr;
      message->objectSlot = nullptr;
    }
  }

  if (object != nullptr) {
    if (Is(caller, hostapi::callers::kAccess) && Is(selector, hostapi::selectors::kReload)) {
      reseatPluginObject(object);
      result = object->reload(message);
    } else if (object->suites != nullptr) {
      result = object->dispatch(caller, selector, message);
    } else {
      result = 0;
    }
    if (result == hostapi::kUnhandledMessage) result = 0;
  }
  return result;
}

}  // namespace

extern "C" EVENHUE_EXPORT ResultCode PluginMain(const char* caller, const char* selector, void* record) {
  auto* message = static_cast<hostapi::PluginMessage*>(record);
  if (message == nullptr) return hostapi::kCantHappen;

  Plugin* object = static_cast<Plugin*>(message->objectSlot);
  slots::gBasicSuite = message->basicSuite;

  bool startingUp = false;
  ResultCode result;
  // Nothing may unwind into the host. The start-up registrations build host
  // strings, which throw ai::Error when the string suite fails, and nothing on
  // that path catches; any handler could also let an exception escape. An
  // ai::Error gives its code ('CANT' if it carries 0, which would read as
  // success), anything else 'CANT'; an object whose start-up threw is then
  // discarded like any failed start-up.
  try {
    result = Deliver(caller, selector, message, object, startingUp);
  } catch (const ai::Error& error) {
    result = error.code() != 0 ? error.code() : hostapi::kCantHappen;
  } catch (...) {
    result = hostapi::kCantHappen;
  }
  if (startingUp && object != nullptr) {
    DiscardFailedObject(message, object);
    object = nullptr;
  }

  if (result == 0) return 0;
  try {
    if (object != nullptr) {
      object->reportError(result, caller, selector, message);
    } else {
      reportResultCode(message->pluginRef, result);
    }
  } catch (...) {
  }
  return result;
}
