// How many workers a command may run: on every platform, whether or not it
// starts worker processes there.
#pragma once

namespace evenhue::cli {

// The most worker processes a command starts, whatever --jobs asks.
inline constexpr unsigned kMaxWorkers = 256;

// The cores this process may run on (at least 1).
unsigned CoresAvailable();

}  // namespace evenhue::cli
