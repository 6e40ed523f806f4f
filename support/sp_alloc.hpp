// Memory blocks from the host's block service, and a fixed-length byte buffer
// built on them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ai {

struct SPAlloc {
  // A block of `size` bytes from the host; throws ai::Error('!MEM') when the host
  // refuses, whatever code it gave.
  static void* AllocateBlock(std::uint64_t size);
  // Gives a block back; null is ignored. Never throws.
  static void FreeBlock(void* block) noexcept;
};

// Owns one host block of a length fixed at construction; not copied or resized.
class HostBuffer {
 public:
  explicit HostBuffer(std::uint64_t count);
  ~HostBuffer();

  HostBuffer(const HostBuffer&) = delete;
  HostBuffer& operator=(const HostBuffer&) = delete;

  char* data() const { return data_; }
  std::uint64_t count() const { return count_; }

 private:
  std::uint64_t count_;
  char* data_;
};

}  // namespace ai
