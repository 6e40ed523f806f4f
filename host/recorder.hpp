// What the stand-in host remembers of the conversation: every call the plug-in
// makes (when recording is on), how often each operation was called, the calls
// that hit a trap, and the faults a test has armed.
//
// Operations are named by their suite and entry number, as in the host
// interface. The basic function table of every message counts as a suite of its
// own, named kBasicSuiteName (entry 0 acquires, entry 1 releases).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interface/host_api.hpp"

namespace host {

inline constexpr const char kBasicSuiteName[] = "SP Basic Suite";

// Every suite's table has this many entries; the ones the host does not
// implement are traps.
inline constexpr std::size_t kEntriesPerSuite = 64;
// What a trap answers.
inline constexpr hostapi::ResultCode kTrapCode = hostapi::FourCC("TRAP");

// Index of a suite in the catalogue: 0–6 the basic suites, 7–92 the main ones
// (the order of hostapi::kBasicSuites and hostapi::kMainSuites), 93 the basic
// function table.
inline constexpr std::size_t kSuiteCount = hostapi::kCatalogueSize;
inline constexpr std::size_t kBasicTableIndex = kSuiteCount;

// The catalogue index of `name`, or nullopt for a name the host does not know.
std::optional<std::size_t> SuiteIndex(std::string_view name);
// The name and version at a catalogue index (kBasicTableIndex: kBasicSuiteName, 0).
hostapi::SuiteId SuiteAt(std::size_t index);

struct CallRecord {
  std::string suite;               // e.g. "AI Gradient Suite", or kBasicSuiteName
  std::int32_t entry = 0;          // entry number in the suite's table
  std::string operation;           // the host's name for it, e.g. "InsertGradientStop"
  std::vector<std::string> args;   // the arguments that matter, as text, in call order
  hostapi::ResultCode result = 0;  // what the host answered (booleans and counts as numbers)
};

struct TrapRecord {
  std::string suite;
  std::int32_t entry = 0;
};

class Recorder {
 public:
  Recorder();

  // Recording of the call log (counts, traps and faults work either way).
  bool recording() const { return recording_; }
  void setRecording(bool on) { recording_ = on; }

  // --- Fault injection -----------------------------------------------------
  // The `nthCall`-th call (1 = the next one) of the operation counted from now
  // fails with `code`, and so do the `times - 1` calls after it. An operation
  // without a result code gives its neutral answer instead (false, zero, null).
  // Returns false for a suite name the host does not know.
  bool failOn(std::string_view suite, std::int32_t entry, std::uint32_t nthCall, hostapi::ResultCode code,
              std::uint32_t times = 1);
  void clearFaults();

  // --- What happened ------------------------------------------------------
  // Calls of the operation since the host started (or since clear()).
  std::uint32_t callCount(std::string_view suite, std::int32_t entry) const;
  const std::vector<CallRecord>& calls() const { return calls_; }
  std::vector<CallRecord> callsTo(std::string_view suite, std::int32_t entry) const;
  std::vector<CallRecord> callsTo(std::string_view suite) const;
  const std::vector<TrapRecord>& traps() const { return traps_; }
  // Forgets the log, the traps and the call counts (not the armed faults).
  void clear();

  // --- Used by the suites ----------------------------------------------------
  // Counts one call; returns the armed fault's code when this call must fail.
  std::optional<hostapi::ResultCode> enter(std::size_t suiteIndex, std::size_t entry);
  void record(std::size_t suiteIndex, std::size_t entry, const char* operation, std::vector<std::string> args,
              hostapi::ResultCode result);
  void trap(std::size_t suiteIndex, std::size_t entry);

 private:
  struct Fault {
    std::size_t suite;
    std::size_t entry;
    std::uint64_t firstCall;  // absolute call number that fails first
    std::uint64_t lastCall;
    hostapi::ResultCode code;
  };
  bool recording_ = true;
  std::vector<std::uint64_t> counts_;  // kSuiteCount + 1 suites × kEntriesPerSuite, never reset
  std::vector<std::uint64_t> base_;    // counts_ as of the last clear()
  std::vector<Fault> faults_;
  std::vector<CallRecord> calls_;
  std::vector<TrapRecord> traps_;
};

}  // namespace host
