// The message records the host sends, the entry point they arrive at, and the
// basic function table every message carries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "interface/types.hpp"

namespace hostapi {

struct BasicSuite;

// The header of every message record.
struct PluginMessage {
  std::uint32_t hostField;  // unused by the plug-in
  std::uint32_t padding;
  PluginRef pluginRef;            // which plug-in is called; passed back to the host
  void* objectSlot;               // the plug-in's own slot, handed back with every message
  const BasicSuite* basicSuite;   // acquire and release suites
};
static_assert(!kHostLayout || sizeof(PluginMessage) == 32);
static_assert(offsetof(PluginMessage, pluginRef) == 8);
static_assert(!kHostLayout || offsetof(PluginMessage, objectSlot) == 16);
static_assert(!kHostLayout || offsetof(PluginMessage, basicSuite) == 24);

// Caller "AI Notifier".
struct NotifierMessage {
  PluginMessage d;
  NotifierHandle notifier;  // the notifier that fired
  const char* type;         // host field: the notification type
  void* notifyData;         // host field
};
static_assert(!kHostLayout || offsetof(NotifierMessage, notifier) == 32);
static_assert(!kHostLayout || sizeof(NotifierMessage) == 56);

// Caller "AI Menu".
struct MenuMessage {
  PluginMessage d;
  MenuItemHandle menuItem;  // the item chosen or being updated
};
static_assert(!kHostLayout || offsetof(MenuMessage, menuItem) == 32);
static_assert(!kHostLayout || sizeof(MenuMessage) == 40);

// Caller "AI Live Effect", selector "AI Live Effect Edit Parameters".
struct LiveEffectEditParamMessage {
  PluginMessage d;
  LiveEffectHandle effect;
  LiveEffectParameters parameters;
  LiveEffectEditContext context;  // handed back through "update parameters"
  std::uint64_t hostField;
};
static_assert(!kHostLayout || offsetof(LiveEffectEditParamMessage, effect) == 32);
static_assert(!kHostLayout || offsetof(LiveEffectEditParamMessage, parameters) == 40);
static_assert(!kHostLayout || offsetof(LiveEffectEditParamMessage, context) == 48);
static_assert(!kHostLayout || sizeof(LiveEffectEditParamMessage) == 64);

// Caller "AI Live Effect", selector "AI Live Effect Go Live".
struct LiveEffectGoMessage {
  PluginMessage d;
  LiveEffectHandle effect;
  LiveEffectParameters parameters;  // the effect has none of its own; unused
  std::uint64_t hostField;
  ArtHandle art;                    // the input art, rewritten in place
};
static_assert(!kHostLayout || offsetof(LiveEffectGoMessage, effect) == 32);
static_assert(!kHostLayout || offsetof(LiveEffectGoMessage, parameters) == 40);
static_assert(!kHostLayout || offsetof(LiveEffectGoMessage, art) == 56);
static_assert(!kHostLayout || sizeof(LiveEffectGoMessage) == 64);

// The entry point every message arrives at.
using PluginMainFunction = ResultCode (*)(const char* caller, const char* selector, void* message);
inline constexpr const char kPluginMainName[] = "PluginMain";

// The basic function table of every message.
struct BasicSuite {
  // 0: fills *suite with the table of suite `name` at `version`; non-zero when
  // the host does not offer it (the slot is then unusable).
  ResultCode (*AcquireSuite)(const char* name, std::int32_t version, const void** suite);
  // 1: gives one acquisition of `name` at `version` back.
  ResultCode (*ReleaseSuite)(const char* name, std::int32_t version);
};
static_assert(offsetof(BasicSuite, AcquireSuite) == 0 * kEntrySize);
static_assert(offsetof(BasicSuite, ReleaseSuite) == 1 * kEntrySize);

}  // namespace hostapi
