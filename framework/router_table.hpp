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

inline constexpr std::size_t kRouteCount = 46;
extern const Route kRoutes[kRouteCount];

// The first row of the first caller that matches, or null.
const Route* FindCaller(const char* caller);
// Within the caller of `first`, the first row whose selector matches, or null.
const Route* FindSelector(const Route* first, const char* selector);

}  // namespace router
