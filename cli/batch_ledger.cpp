#include "cli/batch_ledger.hpp"

#include <memory>
#include <string_view>

#include "cli/batch_document.hpp"
#include "engine/errors.hpp"
#include "engine/session.hpp"
#include "cli/workers_common.hpp"

namespace evenhue::cli {

void AskToStop(BatchShared& shared, int signal) {
  int none = 0;
  shared.signal.compare_exchange_strong(none, signal);
  shared.halt.store(true);
}

int ServeBatch(const BatchOptions& options, bool details, BatchShared& shared, int fd,
               const std::function<void()>& hold, const std::function<void()>& release) {
  std::unique_ptr<PluginSession> session;
  while (!shared.halt.load()) {
    if (!session) {
      try {
        session = std::make_unique<PluginSession>(options.pluginPath);
      } catch (const std::exception& e) {
        Send(fd, Kind::Fatal, 0, e.what());
        return kExitBadInput;
      }
    }
    const std::uint64_t index = shared.next.fetch_add(1);
    if (index >= options.inputs.size()) break;
    if (!Send(fd, Kind::Started, index, {})) break;
    bool held = false;
    const Outcome outcome = ApplyBatchDocument(options, index, options.targets[index], session, details, [&] {
      hold();  // put in place and told, or neither
      held = true;
      return !shared.halt.load();
    });
    const bool told = Send(fd, Kind::Finished, index, Encode(outcome));
    if (held) release();
    if (!told) break;
    if (session && session->document().artCount() > kSessionArtLimit) session.reset();
  }
  try {
    session.reset();
  } catch (...) {
  }
  return kExitOk;
}

BatchLedger::BatchLedger(const BatchOptions& options, BatchShared& shared)
    : options_(options), shared_(shared), outcomes_(options.inputs.size()), finished_(options.inputs.size()) {
  details_ = !options.preview.empty() || !options.report.empty();
}

void BatchLedger::Begin() { progress_.Stage("applying the effect", outcomes_.size()); }

void BatchLedger::Take(std::string& received, std::optional<std::uint64_t>& current) {
  TakeMessages(received, kHeaderBytes, [&](std::string_view head, std::string_view payload) {
    Reader header(head);
    const auto kind = static_cast<Kind>(header.Byte());
    const std::uint64_t index = header.U64();
    if (kind == Kind::Fatal) {
      Fail(std::string(payload));
      return true;
    }
    if (index >= outcomes_.size()) return true;
    if (kind == Kind::Started) {
      current = index;
    } else if (kind == Kind::Finished) {
      current.reset();
      std::optional<Outcome> o = Decode(payload);
      if (!o) {
        o.emplace();
        o->status = Status::Refused;
        o->lines.push_back(options_.inputs[index] + ": the worker's answer could not be read");
      }
      Record(index, std::move(*o));
    }
    return true;
  });
}

bool BatchLedger::Ended(const std::optional<std::uint64_t>& lost, bool clean, const std::string& how) {
  // Interrupted, workers end by the signal: what they were working on stays as it was.
  const bool interrupted = shared_.signal.load() != 0;
  if (!lost && !clean && fatal_.empty() && !interrupted) {
    // Between documents: nothing to blame it on, and nothing to retry.
    Fail("a worker applying the effect ended with " + how + " between documents");
  }
  if (!lost) return false;
  // The worker ended in the middle of a document: that one is refused,
  // and a new worker takes over the rest.
  Outcome o;
  if (!interrupted) {
    o.status = Status::Refused;
    o.lines.push_back(options_.inputs[*lost] + ": the worker ended with " + how + " while working on it");
  }
  Record(*lost, std::move(o));
  return !shared_.halt.load() && shared_.next.load() < outcomes_.size();
}

void BatchLedger::Fail(const std::string& what) {
  if (fatal_.empty()) {
    fatal_ = what;
    progress_.Print("evenhue: " + fatal_);
  }
  shared_.halt.store(true);
}

void BatchLedger::End() {
  Flush(true);
  progress_.Finish();
}

int BatchLedger::Finish(std::FILE* summary) {
  return FinishBatch(options_, outcomes_, shared_.signal.load(), !fatal_.empty(), progress_, summary);
}

void BatchLedger::Record(std::uint64_t index, Outcome outcome) {
  if (finished_[index]) return;
  finished_[index] = true;
  outcomes_[index] = std::move(outcome);
  ++done_;
  progress_.Step(done_);
  Flush(false);
}

// Prints the lines of finished documents in input order: up to the first
// one still under way, or all of them at the end.
void BatchLedger::Flush(bool all) {
  for (; printed_ < outcomes_.size(); ++printed_) {
    if (!finished_[printed_]) {
      if (!all) return;
      continue;
    }
    for (const std::string& line : outcomes_[printed_].lines) progress_.Print("evenhue: " + line);
  }
}

}  // namespace evenhue::cli
