#include "support/host_string.hpp"

#include <cstring>
#include <utility>

#include "framework/error.hpp"
#include "framework/suite_slots.hpp"

namespace ai {

HostString::HostString(const char* text, std::int32_t encoding) : handle_(nullptr) {
  if (text == nullptr) return;
  if (!slots::Slot<hostapi::UnicodeStringSuite>()) throw Error(hostapi::kCantHappen);
  ThrowIfError(slots::Slot<hostapi::UnicodeStringSuite>()->Initialize(&handle_, text, std::strlen(text), encoding));
}

HostString::~HostString() {
  if (handle_ != nullptr && slots::Slot<hostapi::UnicodeStringSuite>())
    slots::Slot<hostapi::UnicodeStringSuite>()->Destroy(&handle_);
}

HostString& HostString::operator=(HostString&& other) noexcept {
  std::swap(handle_, other.handle_);
  return *this;
}

HostString& HostString::append(const HostString& other) {
  if (!slots::Slot<hostapi::UnicodeStringSuite>()) throw Error(hostapi::kCantHappen);
  ThrowIfError(slots::Slot<hostapi::UnicodeStringSuite>()->Append(&handle_, other.ref()));
  return *this;
}

WCHARStr::WCHARStr(const HostString& source) {
  if (!slots::Slot<hostapi::UnicodeStringSuite>()) return;
  const char16_t* units = nullptr;
  const std::uint64_t count = slots::Slot<hostapi::UnicodeStringSuite>()->Utf16(source.ref(), &units);
  if (count != 0 && units != nullptr) text_.assign(units, static_cast<std::size_t>(count));
}

WCHARStr::~WCHARStr() = default;

}  // namespace ai
