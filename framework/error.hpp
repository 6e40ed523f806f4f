// The exception that carries a host or plug-in result code through the
// plug-in's own code, and the check that raises it.
#pragma once

#include <cstdint>
#include <exception>

namespace ai {

class Error : public std::exception {
 public:
  explicit Error(std::int32_t code, const char* message = nullptr) noexcept : code_(code), message_(message) {}
  ~Error() override = default;

  const char* what() const noexcept override { return message_ != nullptr ? message_ : "AI Exception "; }

  std::int32_t code() const noexcept { return code_; }
  const char* message() const noexcept { return message_; }

 private:
  std::int32_t code_;
  const char* message_;  // static text, not owned
};

// Returns for 0; throws ai::Error(code, message) for anything else.
inline void ThrowIfError(std::int32_t code, const char* message = nullptr) {
  if (code != 0) throw Error(code, message);
}

}  // namespace ai
