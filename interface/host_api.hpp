// The binary interface between Illustrator (or a stand-in host) and the plug-in.
//
// Everything that crosses the boundary is declared under interface/ and
// reached through this header, the one its users include:
//
//   types.hpp      scalars, result codes and opaque handles
//   messages.hpp   the message records, the entry point, the basic function table
//   records.hpp    the records the suites pass
//   suites.hpp     the suites the plug-in calls, entry by entry
//   catalogue.hpp  all 93 suites acquired, by name and version, in order
//   called_suites.hpp  the suites whose operations the plug-in calls
//   names.hpp      the message callers and selectors answered
//
// Only fixed-width types and pointers are used, so the layout is the same for
// the 64-bit Windows and Linux builds. These headers are leaves: they include
// nothing else of the plug-in, so the plug-in's shell, its support library and
// the stand-in host can all use them.
#pragma once

#include "interface/called_suites.hpp"
#include "interface/catalogue.hpp"
#include "interface/messages.hpp"
#include "interface/names.hpp"
#include "interface/records.hpp"
#include "interface/suites.hpp"
#include "interface/types.hpp"
