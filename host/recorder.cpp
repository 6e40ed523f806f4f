#include "host/recorder.hpp"

#include <string>
#include <unordered_map>

namespace host {

namespace {

const std::unordered_map<std::string_view, std::size_t>& IndexByName() {
  static const auto* map = [] {
    auto* m = new std::unordered_map<std::string_view, std::size_t>();
    std::size_t i = 0;
    for (const auto& s : hostapi::kBasicSuites) m->emplace(s.name, i++);
    for (const auto& s : hostapi::kMainSuites) m->emplace(s.name, i++);
    m->emplace(kBasicSuiteName, kBasicTableIndex);
    return m;
  }();
  return *map;
}

}  // namespace

std::optional<std::size_t> SuiteIndex(std::string_view name) {
  const auto& map = IndexByName();
  auto it = map.find(name);
  if (it == map.end()) return std::nullopt;
  return it->second;
}

hostapi::SuiteId SuiteAt(std::size_t index) {
  constexpr std::size_t basic = std::size(hostapi::kBasicSuites);
  if (index < basic) return hostapi::kBasicSuites[index];
  if (index < kSuiteCount) return hostapi::kMainSuites[index - basic];
  return {kBasicSuiteName, 0};
}

Recorder::Recorder()
    : counts_((kSuiteCount + 1) * kEntriesPerSuite, 0), base_((kSuiteCount + 1) * kEntriesPerSuite, 0) {}

bool Recorder::failOn(std::string_view suite, std::int32_t entry, std::uint32_t nthCall, hostapi::ResultCode code,
                      std::uint32_t times) {
  auto index = SuiteIndex(suite);
  if (!index || entry < 0 || static_cast<std::size_t>(entry) >= kEntriesPerSuite || nthCall == 0 || times == 0) {
    return false;
  }
  const std::uint64_t done = counts_[*index * kEntriesPerSuite + static_cast<std::size_t>(entry)];
  faults_.push_back({*index, static_cast<std::size_t>(entry), done + nthCall, done + nthCall + times - 1, code});
  return true;
}

void Recorder::clearFaults() { faults_.clear(); }

std::uint32_t Recorder::callCount(std::string_view suite, std::int32_t entry) const {
  auto index = SuiteIndex(suite);
  if (!index || entry < 0 || static_cast<std::size_t>(entry) >= kEntriesPerSuite) return 0;
  const std::size_t at = *index * kEntriesPerSuite + static_cast<std::size_t>(entry);
  return static_cast<std::uint32_t>(counts_[at] - base_[at]);
}

std::vector<CallRecord> Recorder::callsTo(std::string_view suite, std::int32_t entry) const {
  std::vector<CallRecord> out;
  for (const auto& c : calls_) {
    if (c.suite == suite && c.entry == entry) out.push_back(c);
  }
  return out;
}

std::vector<CallRecord> Recorder::callsTo(std::string_view suite) const {
  std::vector<CallRecord> out;
  for (const auto& c : calls_) {
    if (c.suite == suite) out.push_back(c);
  }
  return out;
}

void Recorder::clear() {
  calls_.clear();
  traps_.clear();
  base_ = counts_;
}

std::optional<hostapi::ResultCode> Recorder::enter(std::size_t suiteIndex, std::size_t entry) {
  const std::uint64_t n = ++counts_[suiteIndex * kEntriesPerSuite + entry];
  for (const auto& f : faults_) {
    if (f.suite == suiteIndex && f.entry == entry && n >= f.firstCall && n <= f.lastCall) return f.code;
  }
  return std::nullopt;
}

void Recorder::record(std::size_t suiteIndex, std::size_t entry, const char* operation,
                      std::vector<std::string> args, hostapi::ResultCode result) {
  if (!recording_) return;
  calls_.push_back({SuiteAt(suiteIndex).name, static_cast<std::int32_t>(entry), operation, std::move(args), result});
}

void Recorder::trap(std::size_t suiteIndex, std::size_t entry) {
  traps_.push_back({SuiteAt(suiteIndex).name, static_cast<std::int32_t>(entry)});
  record(suiteIndex, entry, "trap", {}, kTrapCode);
}

}  // namespace host
