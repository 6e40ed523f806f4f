// What a batch does with one document, and what it says at its end: the same
// in every worker process, whether forked (batch.cpp) or started as a copy of
// evenhue.exe (batch_win.cpp).
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/batch.hpp"
#include "cli/batch_wire.hpp"
#include "engine/progress.hpp"
#include "engine/session.hpp"

namespace evenhue::cli {

// A session starts afresh once the host's document holds this much art from
// the documents before (the host never frees art).
inline constexpr std::size_t kSessionArtLimit = 250'000;

// Reads input `index`, applies the effect with `session` (started or started
// again as needed) and writes its result to `target`. `mayCommit` is asked
// just before the result is put in place: false leaves it out (and the
// outcome empty). A document that cannot be done is refused, with its line.
Outcome ApplyBatchDocument(const BatchOptions& options, std::size_t index, const std::string& target,
                           std::unique_ptr<PluginSession>& session, bool details,
                           const std::function<bool()>& mayCommit);

// Writes the batch's preview and report (when asked for and the batch went
// through), prints the summary line on `summary` and returns the exit status.
// `signal`: the one that interrupted the batch, or 0; `stopped`: the batch
// could not go on.
int FinishBatch(const BatchOptions& options, std::vector<Outcome>& outcomes, int signal, bool stopped,
                Progress& progress, std::FILE* summary);

}  // namespace evenhue::cli
