// A stand-in plug-in for the host's own tests: at "Startup" it keeps an object
// in the slot and acquires one suite, at "Shutdown" it gives both back, and it
// answers "Probe"/"Where" with the address of its own code, so a test can see
// which copy of the library answered.
#include <cstdint>
#include <cstring>

#include "interface/host_api.hpp"

namespace {

struct ProbeObject {
  std::uint32_t messages;
};

const void* gUser = nullptr;

}  // namespace

extern "C" __attribute__((visibility("default"))) hostapi::ResultCode PluginMain(const char* caller,
                                                                                const char* selector, void* message) {
  auto* header = static_cast<hostapi::PluginMessage*>(message);
  auto* object = static_cast<ProbeObject*>(header->objectSlot);
  if (std::strcmp(caller, "SP Interface") == 0 && std::strcmp(selector, "Startup") == 0) {
    const hostapi::ResultCode rc =
        header->basicSuite->AcquireSuite(hostapi::UserSuite::kName, hostapi::UserSuite::kVersion, &gUser);
    if (rc != 0) return rc;
    header->objectSlot = new ProbeObject{1};
    return 0;
  }
  if (object == nullptr) return 0;
  ++object->messages;
  if (std::strcmp(caller, "SP Interface") == 0 && std::strcmp(selector, "Shutdown") == 0) {
    if (gUser != nullptr) header->basicSuite->ReleaseSuite(hostapi::UserSuite::kName, hostapi::UserSuite::kVersion);
    gUser = nullptr;
    delete object;
    header->objectSlot = nullptr;
    return 0;
  }
  if (std::strcmp(caller, "SP Access") == 0 && std::strcmp(selector, "Unload") == 0) {
    if (gUser != nullptr) header->basicSuite->ReleaseSuite(hostapi::UserSuite::kName, hostapi::UserSuite::kVersion);
    gUser = nullptr;
    return 0;
  }
  if (std::strcmp(caller, "SP Access") == 0 && std::strcmp(selector, "Reload") == 0) {
    return header->basicSuite->AcquireSuite(hostapi::UserSuite::kName, hostapi::UserSuite::kVersion, &gUser);
  }
  if (std::strcmp(caller, "Probe") == 0 && std::strcmp(selector, "Where") == 0) {
    // The record after the header receives the entry point's own address and the message count.
    auto* out = reinterpret_cast<std::uint64_t*>(header + 1);
    out[0] = reinterpret_cast<std::uintptr_t>(&PluginMain);
    out[1] = object->messages;
    return 0;
  }
  return hostapi::kUnhandledMessage;
}
