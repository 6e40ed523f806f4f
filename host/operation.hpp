// What every suite implementation of the stand-in host shares: the catalogue
// index of a suite record, the one helper that opens and closes an operation
// (counting, fault injection, the call log), the argument text of the log, and
// the installer that lays the implemented tables over the traps.
//
// Internal to the host's suite files (suites_*.cpp and suites.cpp).
#pragma once

#include <array>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host_state.hpp"
#include "interface/called_suites.hpp"

namespace host {

using Args = std::vector<std::string>;

// The catalogue index of a suite name (kSuiteCount for a name not in it).
constexpr std::size_t CatalogueIndex(std::string_view name) {
  std::size_t i = 0;
  for (const auto& s : hostapi::kBasicSuites) {
    if (name == s.name) return i;
    ++i;
  }
  for (const auto& s : hostapi::kMainSuites) {
    if (name == s.name) return i;
    ++i;
  }
  return kSuiteCount;
}

// The catalogue index of a suite record; the basic function table has its own.
template <class Suite>
inline constexpr std::size_t kSuiteIndex = CatalogueIndex(Suite::kName);
template <>
inline constexpr std::size_t kSuiteIndex<hostapi::BasicSuite> = kBasicTableIndex;

// An operation as the recorder names it: suite index, entry number, and the
// host's name for it.
struct OperationId {
  std::size_t suite;
  std::size_t entry;
  const char* name;
};

// The operation of record `Suite` (unqualified, in hostapi) at member `entry`:
// the entry number is the member's offset, the name is the member's.
#define HOST_OPERATION(Suite, entry)                                                                 \
  (::host::OperationId{::host::kSuiteIndex<::hostapi::Suite>,                                        \
                       static_cast<std::size_t>(::hostapi::EntryAt(offsetof(::hostapi::Suite, entry))), #entry})

inline Host::State& S() { return *gActiveState; }

// No arguments to log.
inline Args NoArgs() { return {}; }

// One call of an operation. Constructing it counts the call and arms its
// injected fault, if any; done() ends it: logs it (when recording) and answers
// the result.
class Operation {
 public:
  explicit Operation(OperationId id) : id_(id), fault_(S().recorder.enter(id.suite, id.entry)) {}

  // The injected fault's code when this call must fail.
  const std::optional<hostapi::ResultCode>& fault() const { return fault_; }

  template <class ArgsFn>
  hostapi::ResultCode done(hostapi::ResultCode result, ArgsFn&& args) const {
    auto& s = S();
    if (s.recorder.recording()) s.recorder.record(id_.suite, id_.entry, id_.name, args(), result);
    return result;
  }
  hostapi::ResultCode done(hostapi::ResultCode result) const { return done(result, NoArgs); }

 private:
  OperationId id_;
  std::optional<hostapi::ResultCode> fault_;
};

// Opens the call `op` of `Suite::entry`; with a fault injected, answers it at
// once, logged with the arguments `args()` gives.
#define HOST_BEGIN(Suite, entry, args)                      \
  const ::host::Operation op(HOST_OPERATION(Suite, entry)); \
  if (op.fault()) return op.done(*op.fault(), args)

// --- Argument text -----------------------------------------------------------
inline std::string Text(const char* s) { return s ? std::string(s) : std::string("(null)"); }
inline std::string Num(std::int64_t v) { return std::to_string(v); }
inline std::string Real(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.9g", v);
  return buffer;
}
template <class Handle>
std::string Ptr(Handle h) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(h));
  return buffer;
}

inline bool OurPlugin(hostapi::PluginRef plugin, const char* op) {
  if (plugin == S().pluginRef()) return true;
  S().misuse(std::string(op) + ": unknown plug-in reference " + Ptr(plugin));
  return false;
}

// --- Strings, shared by several suites (suites_strings.cpp) --------------------
std::u16string* FindString(hostapi::UnicodeStringRef ref);
hostapi::UnicodeStringRef NewString(std::u16string text);
// The UTF-8 text of a string handed in by reference; nullopt for an unknown handle.
std::optional<std::string> StringArgument(const hostapi::UnicodeStringRef* ref);

// --- Installation --------------------------------------------------------------
// Lays typed suite tables over the rows of the host's tables; the named gaps of
// a record keep their traps.
class SuiteInstaller {
 public:
  explicit SuiteInstaller(Host::State& state) : state_(state) {}

  Host::State& state() { return state_; }

  template <class Suite>
  void install(const Suite& suite) {
    static_assert(kSuiteIndex<Suite> < kSuiteCount, "a suite of the catalogue");
    static_assert(sizeof(Suite) % hostapi::kEntrySize == 0 && sizeof(Suite) <= sizeof(SuiteRow));
    SuiteRow typed{};
    std::memcpy(typed.data(), &suite, sizeof suite);
    SuiteRow& row = state_.tables[kSuiteIndex<Suite>];
    for (std::size_t i = 0; i < sizeof(Suite) / hostapi::kEntrySize; ++i) {
      if (typed[i] != nullptr) row[i] = typed[i];
    }
    installed_[kSuiteIndex<Suite>] = true;
  }

  bool installed(std::size_t index) const { return installed_[index]; }

 private:
  Host::State& state_;
  std::array<bool, kSuiteCount> installed_{};
};

// The suites of each group, installed by the group's own file.
void InstallShellSuites(SuiteInstaller& installer);    // basic table, access, plug-ins, notifier, context, user
void InstallStringSuites(SuiteInstaller& installer);   // Unicode strings, blocks
void InstallFileSuites(SuiteInstaller& installer);     // file paths, folders
void InstallMenuSuites(SuiteInstaller& installer);     // Live Effect, menus, URL
void InstallArtSuites(SuiteInstaller& installer);      // art, path style, gradients, colour conversion

}  // namespace host
