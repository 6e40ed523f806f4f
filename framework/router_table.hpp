// The routing table: which host message (caller and selector) reaches which
// operation of the plug-in object.
#pragma once

#include <cstddef>

#include "framework/plugin.hpp"

namespace router {

enum class Action {
  kHandler,     // call `handler`
  kAnswerZero,  // answer 0, call nothing
  kPurge,       // purge(): non-zero gives 'pFls'
  kNotifier,    // application notifiers, then onNotify
};

using Handler = hostapi::ResultCode (Plugin::*)(hostapi::PluginMessage*);

struct Route {
  const char* caller;
  const char* selector;  // null: any selector
  Action action;
  Handler handler;
};

// The rows of the plug-in's life (access, interface, cache, properties), then
// one per row of EVENHUE_MESSAGES.
inline constexpr std::size_t kLifeRoutes = 7;
#define EVENHUE_COUNT_ROUTE(caller, selector, name, answer) +1
inline constexpr std::size_t kRouteCount = kLifeRoutes EVENHUE_MESSAGES(EVENHUE_COUNT_ROUTE);
#undef EVENHUE_COUNT_ROUTE
extern const Route kRoutes[kRouteCount];

// The first row of the first caller that matches, or null.
const Route* FindCaller(const char* caller);
// Within the caller of `first`, the first row whose selector matches, or null.
const Route* FindSelector(const Route* first, const char* selector);

}  // namespace router
