// The fault sweep: for every host operation the plug-in calls in a whole
// conversation, and for every k up to the number of calls a clean run makes,
// the k-th call fails. Each run must end without a crash, with every art
// object unchanged or holding a complete new gradient, with the host's suite
// counters balanced (but for the rows a failed release leaves held), and with
// the result code each message is due for that failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>

#include "tests/fault_sweep/scenario.hpp"

namespace sweep {
namespace {

using hostapi::ResultCode;

}  // namespace

void PrintTo(const Operation& operation, std::ostream* out) { *out << operation.label; }

namespace {

// The clean run, made once per test program.
const RunRecord& Clean() {
  static const RunRecord clean = Run(std::nullopt, true);
  return clean;
}

std::size_t OperationIndex(const Operation& operation) {
  const auto& all = Operations();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (std::string(all[i].suite) == operation.suite && all[i].entry == operation.entry) return i;
  }
  return all.size();
}

bool Is(const Operation& operation, const char* label) { return std::string(operation.label) == label; }

// Where the k-th call of an operation falls in the clean conversation: its
// step and its place among that step's calls (1-based).
struct Place {
  Step step = Step::Startup;
  std::uint32_t index = 0;
};

Place Locate(const Operation& operation, std::uint32_t nthCall) {
  const auto& counts = Clean().callsAfterStep[OperationIndex(operation)];
  std::uint32_t before = 0;
  for (std::size_t s = 0; s < kStepCount; ++s) {
    if (counts[s] >= nthCall) return {static_cast<Step>(s), nthCall - before};
    before = counts[s];
  }
  return {Step::Shutdown, 0};
}

enum class DocumentState { Rewritten, Unchanged, Either };

struct Prediction {
  std::array<std::optional<ResultCode>, kStepCount> results{};
  std::array<DocumentState, 2> documents{DocumentState::Rewritten, DocumentState::Rewritten};
  std::vector<std::int64_t> held;
  std::size_t liveStrings = 0;
  std::size_t openContexts = 0;
};

// What the plug-in owes the host when `fault` strikes.
Prediction Predict(const Fault& fault) {
  const Operation& op = fault.operation;
  const Place at = Locate(op, fault.nthCall);
  const ResultCode code = kFaultCode;

  bool alive = true;  // the plug-in object exists and holds its suites
  bool effect = true, about = true, startedNotifier = true, stoppingNotifier = true, applyNotifier = true;
  Prediction p;
  p.results.fill(ResultCode{0});

  if (at.step == Step::Startup) {
    const bool beforeRegistrations =
        Is(op, "AcquireSuite") || Is(op, "SetPluginName") || (Is(op, "AddNotifier") && at.index <= 2);
    if (beforeRegistrations) {
      p.results[0] = code;
      alive = false;
      effect = about = applyNotifier = false;
      startedNotifier = Is(op, "AddNotifier") && at.index == 2;
      stoppingNotifier = false;
    } else if (Is(op, "AddNotifier")) {  // the apply notifier: its result is the start-up's
      p.results[0] = code;
      alive = false;
      applyNotifier = false;
    } else if (Is(op, "AddLiveEffect")) {
      effect = false;
    } else if (Is(op, "AddMenuItem") && at.index == 2) {
      about = false;  // the entry itself
    } else if (Is(op, "StringInitialize")) {
      about = false;  // either label: the entry is never added
    }
  }

  const auto stepOf = [](Step s) { return static_cast<std::size_t>(s); };
  if (!effect) {
    p.results[stepOf(Step::EditParameters)] = std::nullopt;
    p.results[stepOf(Step::GoLiveFirst)] = std::nullopt;
    p.results[stepOf(Step::GoLiveSecond)] = std::nullopt;
  }
  if (!about) {
    p.results[stepOf(Step::AboutChoose)] = std::nullopt;
    p.results[stepOf(Step::AboutUpdate)] = std::nullopt;
  }
  if (!startedNotifier) p.results[stepOf(Step::StartedNotice)] = std::nullopt;
  if (!stoppingNotifier) p.results[stepOf(Step::ShutdownNotice)] = std::nullopt;
  if (!applyNotifier) p.results[stepOf(Step::ApplyNotice)] = std::nullopt;

  bool routedSecond = alive;
  switch (at.step) {
    case Step::GoLiveFirst:
    case Step::GoLiveSecond: {
      const std::size_t document = at.step == Step::GoLiveFirst ? 0 : 1;
      if (Is(op, "GetArtType") && at.index == 1) {
        p.results[stepOf(at.step)] = code;  // the effect's own check of its input art
        p.documents[document] = DocumentState::Unchanged;
      } else {
        p.documents[document] = DocumentState::Either;
      }
      break;
    }
    case Step::AboutChoose:
      if (Is(op, "StringInitialize") || Is(op, "StringAppend")) p.results[stepOf(at.step)] = code;
      break;
    case Step::AboutUpdate:
      if (Is(op, "GetUpdateFlags")) p.results[stepOf(at.step)] = code;
      break;
    case Step::Reload:
      if (Is(op, "AcquireSuite")) {
        p.results[stepOf(at.step)] = code;
        routedSecond = false;
      }
      break;
    default:
      break;
  }
  if (!alive || !effect) p.documents = {DocumentState::Unchanged, DocumentState::Unchanged};
  if (!routedSecond) p.documents[1] = DocumentState::Unchanged;

  // A failed release stops its pass: that row and every later one in the
  // release order (first acquired, first released) stay held.
  const auto names = CatalogueNames();
  p.held.assign(names.size(), 0);
  if (Is(op, "ReleaseSuite")) {
    const std::string& failing = Clean().releases.at(fault.nthCall - 1);
    const auto from = std::find(names.begin(), names.end(), failing);
    for (auto it = from; it != names.end(); ++it) p.held[static_cast<std::size_t>(it - names.begin())] = 1;
  }
  p.liveStrings = Is(op, "StringDestroy") ? 1 : 0;
  p.openContexts = Is(op, "PopAppContext") ? 1 : 0;
  return p;
}

std::string CodeText(std::optional<ResultCode> code) {
  if (!code) return "skipped";
  if (*code == 0) return "0";
  char text[16];
  const auto u = static_cast<std::uint32_t>(*code);
  std::snprintf(text, sizeof text, "'%c%c%c%c'", static_cast<char>(u >> 24), static_cast<char>(u >> 16),
                static_cast<char>(u >> 8), static_cast<char>(u));
  return text;
}

bool SameStops(const std::vector<hostapi::HostGradientStop>& a, const std::vector<hostapi::HostGradientStop>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].color.kind != b[i].color.kind || a[i].rampPoint != b[i].rampPoint || a[i].midPoint != b[i].midPoint ||
        a[i].opacity != b[i].opacity || a[i].color.body.rgb.red != b[i].color.body.rgb.red ||
        a[i].color.body.rgb.green != b[i].color.body.rgb.green || a[i].color.body.rgb.blue != b[i].color.body.rgb.blue) {
      return false;
    }
  }
  return true;
}

// A new gradient is complete: 4n - 3 RGB stops at evenly spaced ramp points,
// of the source's type.
void ExpectComplete(const Paint& paint, const PaintOutcome& outcome) {
  const std::size_t m = 4 * paint.sourceStops.size() - 3;
  ASSERT_EQ(outcome.stops.size(), m);
  EXPECT_EQ(outcome.type, paint.sourceType);
  for (std::size_t k = 0; k < m; ++k) {
    EXPECT_EQ(outcome.stops[k].color.kind, hostapi::kColorThree) << "stop " << k;
    EXPECT_NEAR(outcome.stops[k].rampPoint, 100.0 * static_cast<double>(k) / static_cast<double>(m - 1), 1e-9)
        << "stop " << k;
  }
}

void CheckRun(const Fault& fault) {
  const Prediction p = Predict(fault);
  const RunRecord run = Run(fault, false);
  const RunRecord& clean = Clean();

  for (std::size_t s = 0; s < kStepCount; ++s) {
    EXPECT_EQ(CodeText(run.results[s]), CodeText(p.results[s])) << StepName(static_cast<Step>(s));
  }
  for (const auto& damage : run.damage) ADD_FAILURE() << damage;
  for (std::size_t i = 0; i < run.paints.size(); ++i) {
    const Paint& paint = run.paints[i];
    const PaintOutcome& outcome = run.outcomes[i];
    SCOPED_TRACE("paint " + std::to_string(i) + (paint.fill ? " (fill)" : " (stroke)"));
    const DocumentState state = p.documents[paint.document];
    if (state == DocumentState::Unchanged) {
      EXPECT_FALSE(outcome.rewritten);
    } else if (state == DocumentState::Rewritten) {
      EXPECT_TRUE(outcome.rewritten);
    }
    if (outcome.rewritten) {
      ExpectComplete(paint, outcome);
      EXPECT_TRUE(SameStops(outcome.stops, clean.outcomes[i].stops)) << "the new gradient differs from a clean run's";
    }
  }
  const auto names = CatalogueNames();
  for (std::size_t r = 0; r < names.size(); ++r) EXPECT_EQ(run.held[r], p.held[r]) << names[r] << " held";
  EXPECT_EQ(run.liveStrings, p.liveStrings) << "host strings left alive";
  EXPECT_EQ(run.openContexts, p.openContexts) << "host contexts left open";
  for (const auto& misuse : run.misuses) ADD_FAILURE() << "host saw a misuse: " << misuse;
}

// --- The clean conversation ------------------------------------------------------

TEST(CleanConversation, EveryStepSucceedsAndEveryGradientIsRewritten) {
  const RunRecord& clean = Clean();
  for (std::size_t s = 0; s < kStepCount; ++s) {
    EXPECT_EQ(CodeText(clean.results[s]), "0") << StepName(static_cast<Step>(s));
  }
  EXPECT_TRUE(clean.damage.empty()) << clean.damage.front();
  ASSERT_EQ(clean.outcomes.size(), clean.paints.size());
  for (std::size_t i = 0; i < clean.paints.size(); ++i) {
    SCOPED_TRACE("paint " + std::to_string(i));
    ASSERT_TRUE(clean.outcomes[i].rewritten);
    ExpectComplete(clean.paints[i], clean.outcomes[i]);
  }
  for (const auto held : clean.held) EXPECT_EQ(held, 0);
  EXPECT_EQ(clean.liveStrings, 0u);
  EXPECT_EQ(clean.openContexts, 0u);
  EXPECT_TRUE(clean.misuses.empty());
}

TEST(CleanConversation, TheSweepCoversEveryOperationThePluginCalls) {
  const auto& operations = Operations();
  for (const auto& [suite, entry] : Clean().operationsCalled) {
    const bool listed = std::any_of(operations.begin(), operations.end(), [&](const Operation& o) {
      return suite == o.suite && entry == o.entry;
    });
    EXPECT_TRUE(listed) << suite << " entry " << entry << " is called but not swept";
  }
  for (const auto& o : operations) {
    EXPECT_GT(Clean().callsAfterStep[OperationIndex(o)][kStepCount - 1], 0u) << o.label << " is never called";
  }
}

TEST(CleanConversation, ReleasesFollowTheAcquisitionOrderTwice) {
  const auto names = CatalogueNames();
  const auto& releases = Clean().releases;
  ASSERT_EQ(releases.size(), 2 * names.size());  // unload, then shut-down
  for (std::size_t i = 0; i < releases.size(); ++i) EXPECT_EQ(releases[i], names[i % names.size()]) << i;
}

// --- Every k of every operation ---------------------------------------------------

class Sweep : public ::testing::TestWithParam<Operation> {};

TEST_P(Sweep, EveryCallFailingOnceEndsCleanly) {
  const Operation& op = GetParam();
  const std::uint32_t calls = Clean().callsAfterStep[OperationIndex(op)][kStepCount - 1];
  ASSERT_GT(calls, 0u);
  for (std::uint32_t k = 1; k <= calls; ++k) {
    const Place at = Locate(op, k);
    SCOPED_TRACE(std::string(op.label) + " call " + std::to_string(k) + " (" + StepName(at.step) + ", call " +
                 std::to_string(at.index) + " there)" + (op.neutral ? ", neutral answer" : ""));
    CheckRun(Fault{op, k});
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(HostOperations, Sweep, ::testing::ValuesIn(Operations()),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace sweep

namespace sweep {
namespace {

// Found by the sweep: a notification whose host context could not be opened
// closed a context anyway, the host's innermost one.
TEST(SweepRegressions, ANotificationWhoseContextIsRefusedClosesNoContext) {
  host::Host h(host::HostOptions::ForPlugin(EVENHUE_PLUGIN_FILE));
  ASSERT_EQ(h.startup(), 0);
  const auto started = std::find_if(h.notifiers().begin(), h.notifiers().end(),
                                    [](const auto& n) { return n.type == "AI Application Started Notifier"; });
  ASSERT_NE(started, h.notifiers().end());
  const auto handle = started->handle;
  const std::uint32_t popsBefore = h.recorder().callCount(hostapi::ContextSuite::kName, 2);
  h.recorder().failOn(hostapi::ContextSuite::kName, 1, 1, kFaultCode);
  EXPECT_EQ(h.sendNotification(handle), 0);
  EXPECT_EQ(h.recorder().callCount(hostapi::ContextSuite::kName, 2), popsBefore);
  EXPECT_TRUE(h.misuses().empty()) << h.misuses().front();
  EXPECT_EQ(h.shutdown(), 0);
  EXPECT_EQ(h.totalHeld(), 0);
}

}  // namespace
}  // namespace sweep
