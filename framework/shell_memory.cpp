#include "framework/shell_memory.hpp"

#include <new>

namespace shell {
namespace {

void* RuntimeAllocate(std::size_t size) { return ::operator new(size, std::nothrow); }
void RuntimeFree(void* block) { ::operator delete(block); }

AllocateFunction gAllocate = &RuntimeAllocate;
FreeFunction gFree = &RuntimeFree;

}  // namespace

void* Allocate(std::size_t size) noexcept { return gAllocate(size); }

void Free(void* block) noexcept {
  if (block != nullptr) gFree(block);
}

AllocateFunction SetAllocator(AllocateFunction allocate, FreeFunction free) noexcept {
  AllocateFunction previous = gAllocate;
  gAllocate = allocate != nullptr ? allocate : &RuntimeAllocate;
  gFree = free != nullptr ? free : &RuntimeFree;
  return previous;
}

}  // namespace shell
