// The one exported function of the plug-in.
#pragma once

#include "plugin/host_api.hpp"

#if defined(_WIN32)
#define EVENHUE_EXPORT __declspec(dllexport)
#else
#define EVENHUE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" EVENHUE_EXPORT hostapi::ResultCode PluginMain(const char* caller, const char* selector, void* message);
