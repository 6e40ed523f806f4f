// Work over a range shared between the calling thread and one more.
#pragma once

#include <cstddef>
#include <future>
#include <system_error>

namespace evenhue::cli {

// Fewer items than this are not worth a thread.
inline constexpr std::size_t kMinItemsToShare = 64;

// Runs work(begin, end) over [0, count): work(0, count / 2) on the calling
// thread and work(count / 2, count) on another, when count is at least
// kMinItemsToShare and a thread can be had; otherwise work(0, count) on the
// calling thread alone. Should the calling thread's half throw, the other
// half is waited for before the exception goes on.
template <class Work>
void InTwoHalves(std::size_t count, const Work& work) {
  if (count < kMinItemsToShare) {
    work(std::size_t{0}, count);
    return;
  }
  const std::size_t half = count / 2;
  std::future<void> other;
  try {
    other = std::async(std::launch::async, [&] { work(half, count); });
  } catch (const std::system_error&) {
    work(std::size_t{0}, count);
    return;
  }
  work(std::size_t{0}, half);  // should this throw, `other` is waited for as it goes
  other.get();
}

}  // namespace evenhue::cli
