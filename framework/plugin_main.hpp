// The one exported function of the plug-in, and the plug-in's lifecycle.
//
// Every message arrives at PluginMain, which keeps the plug-in in one of three
// states, told apart by the object slot the host hands back and by whether the
// object holds the suites:
//
//   absent    No object. "SP Interface"/"Startup" creates one and starts it
//             up: running when that succeeds; otherwise the object and the
//             suites it took are given back at once and the plug-in stays
//             absent. Every other message is answered 0.
//   running   The object holds the suites, and messages are routed to its
//             handlers (one it does not handle is answered 0).
//             "SP Access"/"Unload" gives the suites back: unloaded.
//             "SP Interface"/"Shutdown" shuts the object down and deletes it:
//             absent.
//   unloaded  The object lives on in the host's slot without suites, and the
//             library may be closed and loaded again, from another path too.
//             "SP Access"/"Reload" re-seats the object's dispatch in the code
//             now loaded and acquires the suites again: running, or still
//             unloaded when that fails. "Shutdown" re-seats and deletes the
//             object: absent. Every other message is answered 0, unrouted.
//
// A non-zero result is reported (through the object when there is one) and
// returned; no exception ever unwinds into the host.
#pragma once

#include "interface/host_api.hpp"

#if defined(_WIN32)
#define EVENHUE_EXPORT __declspec(dllexport)
#else
#define EVENHUE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" EVENHUE_EXPORT hostapi::ResultCode PluginMain(const char* caller, const char* selector, void* message);
