// What the stand-in bridge library's entries answer: a base per entry mixed
// with every bit of every argument, so that a swapped, truncated or dropped
// argument changes the result.
#pragma once

#include <cstdint>

namespace bridgestub {

inline constexpr std::uint32_t kLoadBase = 0x10000000;
inline constexpr std::uint32_t kUnloadBase = 0x20000000;
inline constexpr std::uint32_t kAddBase = 0x30000000;
inline constexpr std::uint32_t kRemoveBase = 0x40000000;
inline constexpr std::uint32_t kDispatchBase = 0x50000000;

constexpr std::uint32_t Fold(std::uintptr_t value) {
  const auto wide = static_cast<std::uint64_t>(value);
  return static_cast<std::uint32_t>(wide ^ (wide >> 29) ^ (wide >> 47));
}

constexpr std::int32_t Result1(std::uint32_t base, std::uintptr_t a) {
  return static_cast<std::int32_t>((base ^ (Fold(a) & 0x0FFFFFFF)) & 0x7FFFFFFF);
}

constexpr std::int32_t Result3(std::uint32_t base, std::uintptr_t a, std::uintptr_t b, std::uintptr_t c) {
  const std::uint32_t mixed = Fold(a) * 3u + Fold(b) * 5u + Fold(c) * 7u;
  return static_cast<std::int32_t>((base ^ (mixed & 0x0FFFFFFF)) & 0x7FFFFFFF);
}

}  // namespace bridgestub
