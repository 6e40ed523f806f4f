// The suites whose operations the plug-in calls, each once, in one list. The
// plug-in's slots and suite table's named rows, the stand-in host's
// implemented tables and the test host's tables all follow from it; a suite
// that gains an entry needs only its record and the stand-in host's
// implementation changed. Part of the interface: both sides include it.
#pragma once

#include <cstddef>

#include "interface/suites.hpp"

namespace hostapi {

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

using CalledSuites = SuiteList<AccessSuite, PluginsSuite, NotifierSuite, ContextSuite, UserSuite, FilePathSuite,
                               FoldersSuite, LiveEffectSuite, MenuSuite, UnicodeStringSuite, BlocksSuite, ArtSuite,
                               ColorConversionSuite, GradientSuite, PathStyleSuite, UrlSuite>;

}  // namespace hostapi
