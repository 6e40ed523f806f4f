// An in-process fake of the host for two of the feature's tests (the About
// search in about_test.cpp, the throwing start-up in lifecycle_test.cpp):
// a basic suite that hands out all 93 suites (or withholds chosen ones), the
// shell's suites with just enough behaviour, a call log and per-operation
// failures. The tables it offers follow slots::CalledSuites.
//
// It stays apart from the stand-in host (host/) because these tests need a host
// the stand-in host never is: one that answers a menu group's name with null
// and runs test code (throwing, too) inside any operation. Tests that need
// none of that use the stand-in host in process (tests/plugin, tests/support,
// tests/bridge, the rest of tests/feature).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "interface/host_api.hpp"

namespace fake {

struct Failure {
  int onCall;  // 1-based call number that fails; 0 fails every call
  hostapi::ResultCode code;
};

class Host {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  static Host& current();

  // A message header addressed to this host; `slot` is the plug-in's object slot.
  hostapi::PluginMessage header(void* slot = nullptr) const;
  const hostapi::BasicSuite* basic() const { return &basic_; }
  hostapi::PluginRef pluginRef() const;

  // Suite availability and faults.
  void withhold(const std::string& suite) { withheld_.insert(suite); }
  void fail(const std::string& operation, Failure failure) { failures_[operation] = failure; }
  // Called by the fake operations: the code to return for this call.
  hostapi::ResultCode enter(const std::string& operation);
  std::function<void(const std::string&)> onCall;  // runs inside every fake operation

  // What the plug-in did.
  std::vector<std::string> log;     // "operation arg..." lines
  std::map<std::string, int> held;  // acquisitions minus releases per suite
  int callsOf(const std::string& operation) const;
  int heldTotal() const;

  // Strings: host handle -> text.
  std::map<hostapi::UnicodeStringRef, std::u16string> strings;
  std::u16string text(hostapi::UnicodeStringRef handle) const;

  // Menus: the items added, in order.
  struct MenuItem {
    std::string key;
    std::string group;
    std::u16string text;
    std::int32_t options;
    hostapi::MenuItemHandle handle;
  };
  std::vector<MenuItem> menuItems;
  std::vector<std::string> menuGroups = {"About", "Help"};
  std::vector<const char*> menuGroupNames;  // what "get menu group name" answers; null entries allowed

  // The table a suite name is offered with (null when unknown).
  const void* table(const std::string& name) const;

 private:
  static hostapi::ResultCode Acquire(const char* name, std::int32_t version, const void** suite);
  static hostapi::ResultCode Release(const char* name, std::int32_t version);

  hostapi::BasicSuite basic_;
  std::set<std::string> withheld_;
  std::map<std::string, Failure> failures_;
  std::map<std::string, int> callCounts_;
};

// Text of a plain ASCII C string as UTF-16.
std::u16string Widen(const std::string& text);

}  // namespace fake
