#include "framework/suite_slots.hpp"

namespace slots {

constinit SlotSet<CalledSuites> gSlots{};

const hostapi::BasicSuite* gBasicSuite = nullptr;

}  // namespace slots
