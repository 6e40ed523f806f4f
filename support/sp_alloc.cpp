#include "support/sp_alloc.hpp"

#include "framework/error.hpp"
#include "framework/suite_slots.hpp"

namespace ai {

void* SPAlloc::AllocateBlock(std::uint64_t size) {
  void* block = nullptr;
  const auto& blocks = slots::Slot<hostapi::BlocksSuite>();
  const std::int32_t result =
      blocks ? blocks->AllocateBlock(size, "ai::SPAlloc::AllocateBlock", &block) : hostapi::kOutOfMemory;
  if (result != 0) throw Error(hostapi::kOutOfMemory);
  return block;
}

void SPAlloc::FreeBlock(void* block) noexcept {
  if (block == nullptr || !slots::Slot<hostapi::BlocksSuite>()) return;
  slots::Slot<hostapi::BlocksSuite>()->FreeBlock(block);
}

HostBuffer::HostBuffer(std::uint64_t count) : count_(count), data_(nullptr) {
  if (count_ > 0) data_ = static_cast<char*>(SPAlloc::AllocateBlock(count_));
}

HostBuffer::~HostBuffer() {
  if (data_ == nullptr) return;
  try {
    SPAlloc::FreeBlock(data_);
  } catch (...) {
  }
}

}  // namespace ai
