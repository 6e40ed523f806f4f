// The plug-in's process-wide suite slots: one pointer per called suite, filled
// while the suite is held and null otherwise. Any part of the plug-in calls
// the host by reading the slot of its suite. The plug-in's own globals: the
// stand-in host reads only the list of called suites, from the interface.
#pragma once

#include <cstddef>
#include <type_traits>

#include "interface/host_api.hpp"
#include "interface/called_suites.hpp"

namespace slots {

// The called suites (their one list is part of the interface).
using hostapi::CalledSuites;
using hostapi::SuiteList;

// A suite slot. `table` is what the host fills on acquisition; the typed
// accessors read it as the suite's function table.
template <class Suite>
struct SuiteSlot {
  const void* table;

  const Suite* get() const { return static_cast<const Suite*>(table); }
  const Suite* operator->() const { return get(); }
  explicit operator bool() const { return table != nullptr; }
};

// One slot for every suite of a list.
template <class List>
struct SlotSet;
template <class... Suites>
struct SlotSet<SuiteList<Suites...>> : SuiteSlot<Suites>... {};

extern SlotSet<CalledSuites> gSlots;

template <class Suite>
concept CalledSuite = std::is_base_of_v<SuiteSlot<Suite>, SlotSet<CalledSuites>>;

// The slot of a called suite.
template <CalledSuite Suite>
constexpr SuiteSlot<Suite>& Slot() {
  return gSlots;
}

// The process-wide basic function table, refreshed from every message.
extern const hostapi::BasicSuite* gBasicSuite;

}  // namespace slots
