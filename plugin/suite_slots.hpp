// The suites the plug-in calls, and their process-wide slots: one pointer per
// called suite, filled while the suite is held and null otherwise. Any part of
// the plug-in calls the host by reading the slot of its suite. Like
// host_api.hpp this is a leaf: the shell, the support library, the feature and
// the stand-in host all read it, and it includes nothing else of the plug-in.
#pragma once

#include <cstddef>
#include <type_traits>

#include "plugin/host_api.hpp"

namespace slots {

// A list of suite records, walked at compile time.
template <class... Suites>
struct SuiteList {
  static constexpr std::size_t kSize = sizeof...(Suites);

  // Calls `visit.template operator()<Suite>()` for every suite, in list order.
  template <class Visitor>
  static constexpr void ForEach(Visitor&& visit) {
    (visit.template operator()<Suites>(), ...);
  }
};

// The suites whose operations the plug-in calls, each once. The slots below,
// the suite table's named rows, the stand-in host's implemented tables and the
// test host's tables all follow from this list; a suite that gains an entry
// needs only its record and the stand-in host's implementation changed.
using CalledSuites = SuiteList<hostapi::AccessSuite, hostapi::PluginsSuite, hostapi::NotifierSuite,
                               hostapi::ContextSuite, hostapi::UserSuite, hostapi::FilePathSuite,
                               hostapi::FoldersSuite, hostapi::LiveEffectSuite, hostapi::MenuSuite,
                               hostapi::UnicodeStringSuite, hostapi::BlocksSuite, hostapi::ArtSuite,
                               hostapi::ColorConversionSuite, hostapi::GradientSuite, hostapi::PathStyleSuite,
                               hostapi::UrlSuite>;

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
