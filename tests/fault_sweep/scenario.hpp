// One whole conversation between the stand-in host and the real plug-in file,
// run either cleanly or with one host operation made to fail on its k-th call.
//
// The conversation: start-up, Edit Parameters, Go Live on a first document,
// the About entry chosen and updated, the three notifications, unload, reload,
// Go Live on a second document, shut-down. Both documents are built through
// the host's document API before start-up, so the plug-in sees them exactly as
// it would see art handed over by the application.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "interface/host_api.hpp"

namespace sweep {

enum class Step : std::size_t {
  Startup,
  EditParameters,
  GoLiveFirst,
  AboutChoose,
  AboutUpdate,
  StartedNotice,
  ShutdownNotice,
  ApplyNotice,
  Unload,
  Reload,
  GoLiveSecond,
  Shutdown,
};
inline constexpr std::size_t kStepCount = static_cast<std::size_t>(Step::Shutdown) + 1;
const char* StepName(Step step);

// A host operation by suite and entry number.
struct Operation {
  const char* label;
  const char* suite;
  std::int32_t entry;
  bool neutral;  // answers no result code: a failure is its neutral answer
};

// Every operation the plug-in calls in the conversation.
const std::vector<Operation>& Operations();

// The fault of one run: `operation` fails on its `nthCall`-th call, counted
// from the host's start.
struct Fault {
  Operation operation;
  std::uint32_t nthCall = 0;
};

inline constexpr hostapi::ResultCode kFaultCode = hostapi::FourCC("FALT");

// Which fill or stroke of which art.
struct Paint {
  std::size_t document = 0;  // 0: Go Live first, 1: Go Live second
  hostapi::ArtHandle art = nullptr;
  bool fill = true;
  hostapi::GradientHandle source = nullptr;
  std::vector<hostapi::HostGradientStop> sourceStops;
  std::int16_t sourceType = 0;
};

struct PaintOutcome {
  bool rewritten = false;
  std::vector<hostapi::HostGradientStop> stops;  // of the new gradient when rewritten
  std::int16_t type = 0;
};

struct RunRecord {
  std::array<std::optional<hostapi::ResultCode>, kStepCount> results{};  // nullopt: step skipped
  // Calls of each operation (Operations() order) counted at the end of each step.
  std::vector<std::array<std::uint32_t, kStepCount>> callsAfterStep;
  // Suite names of the releases, in call order (clean runs only).
  std::vector<std::string> releases;
  // Every (suite, entry) the plug-in called (clean runs only).
  std::vector<std::pair<std::string, std::int32_t>> operationsCalled;
  std::vector<Paint> paints;
  std::vector<PaintOutcome> outcomes;
  // Violations of the structural checks done inside the run (style bytes, source gradients).
  std::vector<std::string> damage;
  // Host counters after shut-down.
  std::vector<std::int64_t> held;  // per suite of the catalogue (basic then main)
  std::vector<std::string> misuses;
  std::size_t liveStrings = 0;
  std::size_t openContexts = 0;
  bool effectRegistered = false;
  bool aboutItemFound = false;
};

// Runs the conversation in a fresh host. `record` turns the call log on (the
// clean run uses it to learn the release order and the operations called).
RunRecord Run(const std::optional<Fault>& fault, bool record);

// Names of the 93 suites in acquisition order.
std::vector<std::string> CatalogueNames();

}  // namespace sweep
