#include "framework/suite_table.hpp"

#include <array>
#include <new>
#include <string_view>
#include <utility>

#include "framework/shell_memory.hpp"
#include "framework/suite_slots.hpp"

std::uint16_t SuiteTable::useCount_ = 0;

namespace {

using hostapi::ResultCode;

// The main suites whose operations are never called still need somewhere to
// keep their tables while they are held.
const void* gUncalledSuites[std::size(hostapi::kMainSuites)];

struct NamedSlot {
  const char* name;
  const void** slot;
};

template <class... Suites>
constexpr std::array<NamedSlot, sizeof...(Suites)> NamedSlots(slots::SuiteList<Suites...>) {
  return {NamedSlot{Suites::kName, &slots::Slot<Suites>().table}...};
}

constexpr auto kCalledSuites = NamedSlots(slots::CalledSuites{});

// Index into kCalledSuites, or -1 for a suite whose operations are never called.
// (Indices rather than slot addresses keep the look-up a constant expression
// under every instrumentation.)
constexpr int CalledIndex(const char* name) {
  for (std::size_t i = 0; i < std::size(kCalledSuites); ++i) {
    if (std::string_view(kCalledSuites[i].name) == name) return static_cast<int>(i);
  }
  return -1;
}

template <std::size_t... I>
constexpr std::array<SuiteEntry, sizeof...(I)> BasicRows(std::index_sequence<I...>) {
  return {SuiteEntry{hostapi::kBasicSuites[I].name, hostapi::kBasicSuites[I].version,
                     kCalledSuites[CalledIndex(hostapi::kBasicSuites[I].name)].slot}...};
}

constexpr const void** MainSlotFor(std::size_t index) {
  const int called = CalledIndex(hostapi::kMainSuites[index].name);
  return called >= 0 ? kCalledSuites[called].slot : &gUncalledSuites[index];
}

template <std::size_t... I>
constexpr std::array<SuiteEntry, sizeof...(I) + 1> MainRows(std::index_sequence<I...>) {
  return {SuiteEntry{hostapi::kMainSuites[I].name, hostapi::kMainSuites[I].version, MainSlotFor(I)}...,
          SuiteEntry{nullptr, 0, nullptr}};
}

constexpr bool EveryBasicSuiteIsCalled() {
  for (const hostapi::SuiteId& id : hostapi::kBasicSuites) {
    if (CalledIndex(id.name) < 0) return false;
  }
  return true;
}
static_assert(EveryBasicSuiteIsCalled(), "each basic suite has its named slot");

constexpr bool EveryCalledSuiteIsListedOnce() {
  for (const NamedSlot& named : kCalledSuites) {
    int listed = 0;
    for (const hostapi::SuiteId& id : hostapi::kBasicSuites) listed += std::string_view(id.name) == named.name;
    for (const hostapi::SuiteId& id : hostapi::kMainSuites) listed += std::string_view(id.name) == named.name;
    if (listed != 1) return false;
  }
  return true;
}
static_assert(EveryCalledSuiteIsListedOnce(), "a named slot belongs to exactly one row");

}  // namespace

constinit const std::array<SuiteEntry, 7> kBasicSuiteList =
    BasicRows(std::make_index_sequence<std::size(hostapi::kBasicSuites)>{});
constinit const std::array<SuiteEntry, 87> kMainSuiteList =
    MainRows(std::make_index_sequence<std::size(hostapi::kMainSuites)>{});
constinit const SuiteLists kPluginSuiteLists{std::span<const SuiteEntry>(kBasicSuiteList), kMainSuiteList.data()};

namespace {

bool IsTerminator(const SuiteEntry& row) { return row.name == nullptr; }

}  // namespace

// Without a basic suite there is nobody to ask: 'CANT', never a call through null.
ResultCode AcquireSuiteRow(const SuiteEntry& row) noexcept {
  if (row.slot == nullptr) return hostapi::kNoError;
  if (slots::gBasicSuite == nullptr) return hostapi::kCantHappen;
  return slots::gBasicSuite->AcquireSuite(row.name, row.version, row.slot);
}

ResultCode ReleaseSuiteRow(const SuiteEntry& row) noexcept {
  if (row.slot == nullptr || *row.slot == nullptr) return hostapi::kNoError;
  ResultCode result = slots::gBasicSuite != nullptr ? slots::gBasicSuite->ReleaseSuite(row.name, row.version)
                                                    : hostapi::kCantHappen;
  *row.slot = nullptr;
  return result;
}

void* SuiteTable::operator new(std::size_t size, const std::nothrow_t&) noexcept { return shell::Allocate(size); }
void SuiteTable::operator delete(void* block) noexcept { shell::Free(block); }

SuiteTable::SuiteTable(const SuiteLists& lists) noexcept
    : lists_(&lists), status_(0), optionalCount_(0), requiredCount_(0), optionalAcquired_(0), releaseStatus_(0) {
  if (useCount_ == 0) {
    for (const SuiteEntry& row : lists_->basic) {
      if (status_ != 0) break;
      status_ = AcquireSuiteRow(row);
    }
    for (const SuiteEntry* row = lists_->main; status_ == 0 && !IsTerminator(*row); ++row) {
      status_ = AcquireSuiteRow(*row);
    }
    if (status_ == 0) ++useCount_;
  } else {
    ++useCount_;
  }

  const SuiteEntry* row = lists_->main;
  while (!IsTerminator(*row)) {
    ++requiredCount_;
    ++row;
  }
  if (row->version == kOptionalSuitesMarker) {
    for (++row; !IsTerminator(*row); ++row) ++optionalCount_;
  }

  if (status_ == 0) acquireOptionalSuites();
}

SuiteTable::~SuiteTable() { releaseStatus_ = releaseAll(); }

const SuiteEntry* SuiteTable::optionalRows() const { return lists_->main + requiredCount_ + 1; }

ResultCode SuiteTable::acquireOptionalSuites() noexcept {
  if (optionalAcquired_ == optionalCount_) return hostapi::kNoError;
  const SuiteEntry* rows = optionalRows();
  for (std::uint16_t i = 0; i < optionalCount_; ++i) {
    const SuiteEntry& row = rows[i];
    if (row.slot == nullptr) break;
    if (*row.slot != nullptr) continue;
    if (AcquireSuiteRow(row) == hostapi::kNoError) ++optionalAcquired_;
  }
  return hostapi::kNoError;
}

ResultCode SuiteTable::releaseAll() noexcept {
  if (useCount_ > 0) --useCount_;
  if (useCount_ != 0) return hostapi::kNoError;

  for (const SuiteEntry& row : lists_->basic) {
    if (ResultCode result = ReleaseSuiteRow(row); result != 0) return result;
  }
  for (const SuiteEntry* row = lists_->main; !IsTerminator(*row); ++row) {
    if (ResultCode result = ReleaseSuiteRow(*row); result != 0) return result;
  }
  if (lists_->main[requiredCount_].version == kOptionalSuitesMarker) {
    // Only a row that was really held counts against optionalAcquired, so a
    // missing row ahead of a held one does not leave the held one behind.
    // Counting every successful release instead would stop early: the release
    // of a row whose slot is empty succeeds without a host call, uses up the
    // count, and the held optional suite after it would stay acquired.
    for (const SuiteEntry* row = optionalRows(); optionalAcquired_ > 0 && !IsTerminator(*row); ++row) {
      const bool held = row->slot != nullptr && *row->slot != nullptr;
      if (ResultCode result = ReleaseSuiteRow(*row); result != 0) return result;
      if (held) --optionalAcquired_;
    }
  }
  return hostapi::kNoError;
}
