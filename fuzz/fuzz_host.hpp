// The stand-in host of a fuzzing process. The plug-in file is pinned in memory
// for the whole process: libFuzzer keeps reading the coverage counters of
// every library it has seen, so the plug-in is never unmapped, and the host
// can be renewed (when its document has grown) without unloading it.
#pragma once

#include <cstdint>

#include "host/host.hpp"

namespace fuzzing {

// The host, created and started on first use; the plug-in running in it.
host::Host& SharedHost();
// The Live Effect the running plug-in registered (null when it did not).
hostapi::LiveEffectHandle CurrentEffect();
// Replaces the host by a fresh one whose plug-in has been started, once the
// document holds more than `maxArt` art objects or its gradients more than
// `maxStops` stops together (every Go Live adds gradients four times as dense).
void RenewWhenLarger(std::size_t maxArt, std::size_t maxStops);
// Stops the fuzzing process with a message: an invariant does not hold.
[[noreturn]] void Violated(const char* what);

}  // namespace fuzzing
