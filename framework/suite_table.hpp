// The table of host suites: which suites the plug-in acquires, in which order,
// into which slot, and the object that acquires and releases them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

#include "interface/host_api.hpp"

// One row of a suite list. A null name ends a list; a row whose slot is null is
// skipped by acquisition and release.
struct SuiteEntry {
  const char* name;
  std::int32_t version;
  const void** slot;
};

// Marks, in the version of a main list's terminating row, that optional rows
// follow it (up to the next null name).
inline constexpr std::int32_t kOptionalSuitesMarker = hostapi::FourCC("OPTS");

// The two lists a table works from: the basic rows, always taken as a whole,
// and the main rows, ended by a terminating row.
struct SuiteLists {
  std::span<const SuiteEntry> basic;
  const SuiteEntry* main;
};

// The plug-in's own lists: the 7 basic suites, then the 86 main suites, all
// required (the terminating row carries no marker).
extern const std::array<SuiteEntry, 7> kBasicSuiteList;
extern const std::array<SuiteEntry, 87> kMainSuiteList;
extern const SuiteLists kPluginSuiteLists;

class SuiteTable {
 public:
  // Acquires the suites (when no one holds them yet); the outcome is `status`.
  explicit SuiteTable(const SuiteLists& lists = kPluginSuiteLists) noexcept;
  // Releases them again when this was the last user.
  ~SuiteTable();

  SuiteTable(const SuiteTable&) = delete;
  SuiteTable& operator=(const SuiteTable&) = delete;

  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
  static void operator delete(void* block) noexcept;

  // Tries the optional suites that are still missing.
  hostapi::ResultCode acquireOptionalSuites() noexcept;

  hostapi::ResultCode status() const { return status_; }
  std::uint16_t requiredCount() const { return requiredCount_; }
  std::uint16_t optionalCount() const { return optionalCount_; }
  std::uint16_t optionalAcquired() const { return optionalAcquired_; }
  // What the destructor's release gave; 0 until then.
  hostapi::ResultCode releaseStatus() const { return releaseStatus_; }

  // Users of the acquired suites, process-wide. Suites are acquired only while
  // this is 0 and released only when it falls back to 0.
  static std::uint16_t useCount() { return useCount_; }
  // Makes this table the suites' one user, whatever its acquisition gave: its
  // destruction then gives back whatever is held.
  void claimSoleUse() noexcept { useCount_ = 1; }
  // No user at all, as in a fresh process.
  static void resetUseCount() noexcept { useCount_ = 0; }

 private:
  hostapi::ResultCode releaseAll() noexcept;
  const SuiteEntry* optionalRows() const;

  static std::uint16_t useCount_;

  const SuiteLists* lists_;
  hostapi::ResultCode status_;
  std::uint16_t optionalCount_;
  std::uint16_t requiredCount_;
  std::uint16_t optionalAcquired_;
  hostapi::ResultCode releaseStatus_;
};

// Acquires and releases one row through the basic suite.
hostapi::ResultCode AcquireSuiteRow(const SuiteEntry& row) noexcept;
hostapi::ResultCode ReleaseSuiteRow(const SuiteEntry& row) noexcept;
