// The runtime's non-throwing allocation, as used for the plug-in object and the
// suite table. It goes through one replaceable function so that tests can make
// a chosen allocation fail.
#pragma once

#include <cstddef>

namespace shell {

using AllocateFunction = void* (*)(std::size_t size);
using FreeFunction = void (*)(void* block);

// Null when the memory cannot be had; never throws.
void* Allocate(std::size_t size) noexcept;
void Free(void* block) noexcept;

// Replaces the allocator pair; returns the previous allocate function. Passing
// nulls restores the runtime's own.
AllocateFunction SetAllocator(AllocateFunction allocate, FreeFunction free) noexcept;

}  // namespace shell
