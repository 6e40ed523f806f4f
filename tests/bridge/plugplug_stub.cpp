// A stand-in for the host's extension-bridge library. Each entry answers a
// value computed from its arguments (see stub_results.hpp), so a caller can
// tell which entry ran and that its arguments arrived unchanged. Built twice:
// complete, and without "PlugPlugDispatchEvent".
#include <cstdint>

#include "tests/bridge/stub_results.hpp"

#if defined(_WIN32)
#define STUB_EXPORT extern "C" __declspec(dllexport)
#else
#define STUB_EXPORT extern "C" __attribute__((visibility("default")))
#endif

STUB_EXPORT std::int32_t PlugPlugLoadExtension(std::uintptr_t extension) {
  return bridgestub::Result1(bridgestub::kLoadBase, extension);
}

STUB_EXPORT std::int32_t PlugPlugUnloadExtension(std::uintptr_t extension) {
  return bridgestub::Result1(bridgestub::kUnloadBase, extension);
}

STUB_EXPORT std::int32_t PlugPlugAddEventListener(std::uintptr_t type, std::uintptr_t listener,
                                                  std::uintptr_t context) {
  return bridgestub::Result3(bridgestub::kAddBase, type, listener, context);
}

STUB_EXPORT std::int32_t PlugPlugRemoveEventListener(std::uintptr_t type, std::uintptr_t listener,
                                                     std::uintptr_t context) {
  return bridgestub::Result3(bridgestub::kRemoveBase, type, listener, context);
}

#if defined(STUB_WITH_DISPATCH)
STUB_EXPORT std::int32_t PlugPlugDispatchEvent(std::uintptr_t event) {
  return bridgestub::Result1(bridgestub::kDispatchBase, event);
}
#endif
