#include "framework/router_table.hpp"

#include <cstring>

namespace router {

namespace callers = hostapi::callers;
namespace selectors = hostapi::selectors;

// The names the rows of EVENHUE_MESSAGES use.
namespace names {
using namespace hostapi::callers;
using namespace hostapi::selectors;
inline constexpr const char* kAnySelector = nullptr;
}  // namespace names

// A caller answered whatever its selector is the notifier's.
constexpr Action ActionFor(const char* selector) { return selector == nullptr ? Action::kNotifier : Action::kHandler; }

// The plug-in's life first, then one row per handler of EVENHUE_MESSAGES.
#define EVENHUE_ROUTE(caller, selector, name, answer) \
  {names::caller, names::selector, ActionFor(names::selector), &Plugin::name},

const Route kRoutes[kRouteCount] = {
    {callers::kAccess, selectors::kUnload, Action::kHandler, &Plugin::unload},
    {callers::kAccess, selectors::kReload, Action::kHandler, &Plugin::reload},
    {callers::kInterface, selectors::kAbout, Action::kAnswerZero, nullptr},
    {callers::kInterface, selectors::kStartup, Action::kAnswerZero, nullptr},
    {callers::kCache, selectors::kPurge, Action::kPurge, nullptr},
    {callers::kProperties, selectors::kAcquire, Action::kHandler, &Plugin::acquireProperty},
    {callers::kProperties, selectors::kRelease, Action::kHandler, &Plugin::releaseProperty},
    EVENHUE_MESSAGES(EVENHUE_ROUTE)
};

#undef EVENHUE_ROUTE

const Route* FindCaller(const char* caller) {
  if (caller == nullptr) return nullptr;
  for (const Route& route : kRoutes) {
    if (std::strcmp(route.caller, caller) == 0) return &route;
  }
  return nullptr;
}

const Route* FindSelector(const Route* first, const char* selector) {
  for (const Route* route = first; route != kRoutes + kRouteCount; ++route) {
    if (std::strcmp(route->caller, first->caller) != 0) continue;
    if (route->selector == nullptr) return route;
    if (selector != nullptr && std::strcmp(route->selector, selector) == 0) return route;
  }
  return nullptr;
}

}  // namespace router
