// The catch rule of the plug-in's message boundaries.
#pragma once

#include "framework/error.hpp"
#include "interface/host_api.hpp"

// Runs `step`; an ai::Error becomes its code and any other exception 'CANT'.
template <class Step>
hostapi::ResultCode Guarded(Step&& step) {
  try {
    return step();
  } catch (const ai::Error& error) {
    return error.code();
  } catch (...) {
    return hostapi::kCantHappen;
  }
}
