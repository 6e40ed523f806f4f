// How the command fails: bad input (exit 1) or bad usage (exit 2), each with
// one line for standard error.
#pragma once

#include <stdexcept>
#include <string>

namespace evenhue::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;
inline constexpr int kExitUsage = 2;

class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace evenhue::cli
