// What a batch's parent and its workers do, whatever carries the messages
// between them (forked processes and socket pairs in batch.cpp, started
// processes and pipes in batch_win.cpp): the workers take the documents in
// turn from a block of memory they share with the parent and tell it of each;
// the parent gathers the outcomes, prints their lines in input order and
// decides what a worker that ended means.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch.hpp"
#include "cli/batch_wire.hpp"
#include "engine/progress.hpp"

namespace evenhue::cli {

// In memory shared between the parent and its workers.
struct BatchShared {
  std::atomic<std::uint64_t> next{0};  // the next document to take
  std::atomic<bool> halt{false};       // take no more, write nothing more
  std::atomic<int> signal{0};          // the first signal that asked to stop
};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free);

// The batch takes no more documents and writes nothing more (async-signal-safe).
void AskToStop(BatchShared& shared, int signal);

// A worker's life: starts a plug-in session, then takes document after
// document and tells the parent on `fd` (Send) that it started it and what
// became of it, until none is left or the batch halts. `hold` is called once
// a result is about to be put in place, `release` once the parent has been
// told: a stop in between waits, so that the result is in place and told,
// or neither. Returns the worker's exit status.
int ServeBatch(const BatchOptions& options, bool details, BatchShared& shared, int fd,
               const std::function<void()>& hold, const std::function<void()>& release);

// The parent's account of a batch.
class BatchLedger {
 public:
  BatchLedger(const BatchOptions& options, BatchShared& shared);
  BatchLedger(const BatchLedger&) = delete;
  BatchLedger& operator=(const BatchLedger&) = delete;

  // Whether the workers send each gradient's results (for a preview or report).
  bool details() const { return details_; }
  Progress& progress() { return progress_; }

  void Begin();
  // Takes the whole messages at the front of `received` (from one worker);
  // `current` follows the document it is working on.
  void Take(std::string& received, std::optional<std::uint64_t>& current);
  // A worker ended (`clean`: with status 0; `how`: as EndText says it) while
  // on `lost`, if anything. True when a new worker should take over the rest.
  bool Ended(const std::optional<std::uint64_t>& lost, bool clean, const std::string& how);
  // The batch cannot go on: the line is printed once, and no worker takes another document.
  void Fail(const std::string& what);
  // The bar, between events.
  void Step() { progress_.Step(done_); }
  // Every worker has ended: the lines not printed yet.
  void End();
  // The preview, report and summary line; returns the exit status.
  int Finish(std::FILE* summary);

 private:
  void Record(std::uint64_t index, Outcome outcome);
  void Flush(bool all);

  const BatchOptions& options_;
  BatchShared& shared_;
  bool details_ = false;
  std::vector<Outcome> outcomes_;
  std::vector<bool> finished_;
  std::size_t done_ = 0;
  std::size_t printed_ = 0;
  std::string fatal_;
  Progress progress_;
};

}  // namespace evenhue::cli
