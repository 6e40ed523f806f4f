// A Plugin subclass that records which handler the router called, plus the
// helpers that put the shell's process-wide state back between tests.
#pragma once

#include <string>
#include <vector>

#include "framework/plugin.hpp"
#include "framework/suite_table.hpp"

namespace probe {

// Empties every suite slot and the use count, as a fresh load of the library.
inline void ResetShellState() {
  for (const SuiteEntry& row : kBasicSuiteList) *row.slot = nullptr;
  for (const SuiteEntry& row : kMainSuiteList) {
    if (row.slot != nullptr) *row.slot = nullptr;
  }
  SuiteTable::resetUseCount();
}

inline int HeldSlots() {
  int held = 0;
  for (const SuiteEntry& row : kBasicSuiteList) held += *row.slot != nullptr;
  for (const SuiteEntry& row : kMainSuiteList) held += row.slot != nullptr && *row.slot != nullptr;
  return held;
}

#define PROBE_HANDLER(op)                      \
  ResultCode op(Message* message) override {   \
    calls.push_back(#op);                      \
    messages.push_back(message);               \
    return answer;                             \
  }

class Probe : public Plugin {
 public:
  explicit Probe(hostapi::PluginRef ref = nullptr) : Plugin(ref), answer(0), purgeAnswer(0) {}

  std::vector<std::string> calls;
  std::vector<Message*> messages;
  ResultCode answer;
  ResultCode purgeAnswer;

  ResultCode unload(Message* message) override {
    calls.push_back("unload");
    return Plugin::unload(message);
  }
  ResultCode reload(Message* message) override {
    calls.push_back("reload");
    return Plugin::reload(message);
  }
  ResultCode purge() override {
    calls.push_back("purge");
    return purgeAnswer;
  }
  ResultCode afterApplicationStarted() override {
    calls.push_back("afterApplicationStarted");
    return answer;
  }
  ResultCode beforeApplicationShutdown() override {
    calls.push_back("beforeApplicationShutdown");
    return answer;
  }
  PROBE_HANDLER(acquireProperty)
  PROBE_HANDLER(releaseProperty)
  PROBE_HANDLER(onNotify)
  PROBE_HANDLER(onDoAction)
  PROBE_HANDLER(onMenuGo)
  PROBE_HANDLER(onMenuUpdate)
  PROBE_HANDLER(onFilterGetParameters)
  PROBE_HANDLER(onFilterGo)
  PROBE_HANDLER(onPluginGroupNotifyEdits)
  PROBE_HANDLER(onPluginGroupUpdate)
  PROBE_HANDLER(onFileFormatGetParameters)
  PROBE_HANDLER(onFileFormatGo)
  PROBE_HANDLER(onFileFormatCheck)
  PROBE_HANDLER(onFileFormatUpdate)
  PROBE_HANDLER(onFileFormatDoAction)
  PROBE_HANDLER(onToolEditOptions)
  PROBE_HANDLER(onToolTrackCursor)
  PROBE_HANDLER(onToolMouseDown)
  PROBE_HANDLER(onToolMouseDrag)
  PROBE_HANDLER(onToolMouseUp)
  PROBE_HANDLER(onToolSelect)
  PROBE_HANDLER(onToolDeselect)
  PROBE_HANDLER(onToolReselect)
  PROBE_HANDLER(onToolDecreaseDiameter)
  PROBE_HANDLER(onToolIncreaseDiameter)
  PROBE_HANDLER(onLiveEffectEditParameters)
  PROBE_HANDLER(onLiveEffectGoLive)
  PROBE_HANDLER(onLiveEffectInterpolateParameters)
  PROBE_HANDLER(onLiveEffectInputType)
  PROBE_HANDLER(onLiveEffectConvertColorSpace)
  PROBE_HANDLER(onLiveEffectScaleParameters)
  PROBE_HANDLER(onLiveEffectAdjustColors)
  PROBE_HANDLER(onLiveEffectHandleMerge)
  PROBE_HANDLER(onTimerGo)
  PROBE_HANDLER(onClipboardGo)
  PROBE_HANDLER(onClipboardCanCopy)
  PROBE_HANDLER(onClipboardClone)
  PROBE_HANDLER(onClipboardDispose)
  PROBE_HANDLER(onWorkspaceWrite)
  PROBE_HANDLER(onWorkspaceRestore)
  PROBE_HANDLER(onWorkspaceDefault)
};

#undef PROBE_HANDLER

}  // namespace probe
