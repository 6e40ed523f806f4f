// Owning handles to strings of the host's Unicode string service.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "interface/host_api.hpp"

namespace ai {

// Exactly one host string reference: host calls receive the wrapper's address
// and read or write the handle through it. Null is the empty string with no
// host object behind it.
class HostString {
 public:
  HostString() noexcept : handle_(nullptr) {}
  // From 8-bit text; null text makes an empty wrapper without a host call.
  // Throws ai::Error when the host cannot make the string.
  explicit HostString(const char* text, std::int32_t encoding = 0);
  ~HostString();

  HostString(HostString&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  // Swaps, so the moved-from temporary releases the old value.
  HostString& operator=(HostString&& other) noexcept;

  HostString(const HostString&) = delete;
  HostString& operator=(const HostString&) = delete;

  // Appends `other` (left unchanged); throws ai::Error on failure.
  HostString& append(const HostString& other);

  hostapi::UnicodeStringRef* ref() noexcept { return &handle_; }
  const hostapi::UnicodeStringRef* ref() const noexcept { return &handle_; }
  hostapi::UnicodeStringRef handle() const noexcept { return handle_; }
  bool empty() const noexcept { return handle_ == nullptr; }

 private:
  hostapi::UnicodeStringRef handle_;
};

static_assert(sizeof(HostString) == sizeof(hostapi::UnicodeStringRef));
static_assert(std::is_standard_layout_v<HostString>);

// A NUL-terminated UTF-16 copy of a host string's code units.
class WCHARStr {
 public:
  explicit WCHARStr(const HostString& source);
  virtual ~WCHARStr();

  const char16_t* as_UTF16() const noexcept { return text_.c_str(); }
  std::size_t length() const noexcept { return text_.size(); }

 private:
  std::u16string text_;
};

}  // namespace ai
