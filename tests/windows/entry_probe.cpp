// A tiny library with two possible entry points, so that a test can tell
// which one the host resolved. Built with several PiPLs and with none.
#include <cstdint>

extern "C" __declspec(dllexport) std::int32_t PluginMain(const char*, const char*, void*) { return 101; }
extern "C" __declspec(dllexport) std::int32_t AlternateMain(const char*, const char*, void*) { return 202; }
