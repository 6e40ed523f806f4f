// The stand-in host's Unicode string and memory block suites, and the host
// strings other suites read and write.
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "host/operation.hpp"

namespace host {

std::u16string* FindString(hostapi::UnicodeStringRef ref) {
  const std::uint64_t n = HandleNumber(HandleKind::String, ref);
  if (n == 0) return nullptr;
  auto it = S().strings.find(n);
  return it == S().strings.end() ? nullptr : &it->second;
}

hostapi::UnicodeStringRef NewString(std::u16string text) {
  const std::uint64_t n = S().newNumber();
  S().strings.emplace(n, std::move(text));
  return MakeHandle<hostapi::UnicodeStringRef>(HandleKind::String, n);
}

// The UTF-8 text of a string handed in by reference; nullopt for an unknown handle.
std::optional<std::string> StringArgument(const hostapi::UnicodeStringRef* ref) {
  if (ref == nullptr) return std::nullopt;
  if (*ref == nullptr) return std::string();
  const std::u16string* text = FindString(*ref);
  if (text == nullptr) return std::nullopt;
  return Utf16ToUtf8(*text);
}

namespace {

using hostapi::ResultCode;

// --- AI Unicode String Suite ---------------------------------------------------------------------
ResultCode Initialize(hostapi::UnicodeStringRef* string, const char* text, std::uint64_t byteCount,
                      std::int32_t encoding) {
  auto args = [&] {
    return Args{text ? std::string(text, static_cast<std::size_t>(byteCount)) : std::string("(null)"), Num(encoding)};
  };
  HOST_BEGIN(UnicodeStringSuite, Initialize, args);
  if (string == nullptr || (text == nullptr && byteCount != 0) || encoding != 0) {
    return op.done(kBadParameter, args);
  }
  if (*string != nullptr) S().misuse("Initialize: the target already refers to a string");
  *string = NewString(text ? Utf8ToUtf16(std::string_view(text, static_cast<std::size_t>(byteCount))) : u"");
  return op.done(0, args);
}

ResultCode Destroy(hostapi::UnicodeStringRef* string) {
  auto args = [&] { return Args{Ptr(string ? *string : nullptr)}; };
  HOST_BEGIN(UnicodeStringSuite, Destroy, args);
  if (string == nullptr) return op.done(kBadParameter, args);
  if (*string == nullptr) return op.done(0, args);
  const std::uint64_t n = HandleNumber(HandleKind::String, *string);
  if (n == 0 || S().strings.erase(n) == 0) {
    S().misuse("Destroy: unknown string " + Ptr(*string));
    return op.done(kBadParameter, args);
  }
  *string = nullptr;
  return op.done(0, args);
}

ResultCode Append(hostapi::UnicodeStringRef* target, const hostapi::UnicodeStringRef* appended) {
  const auto tail = StringArgument(appended);
  auto args = [&] { return Args{Ptr(target ? *target : nullptr), tail ? *tail : std::string("(bad string)")}; };
  HOST_BEGIN(UnicodeStringSuite, Append, args);
  if (target == nullptr || !tail) return op.done(kBadParameter, args);
  // Copy first: appending a string to itself must not read what it writes.
  const std::u16string units = (appended && *appended) ? *FindString(*appended) : std::u16string();
  if (*target == nullptr) {
    *target = NewString(units);
    return op.done(0, args);
  }
  std::u16string* head = FindString(*target);
  if (head == nullptr) {
    S().misuse("Append: unknown target string " + Ptr(*target));
    return op.done(kBadParameter, args);
  }
  *head += units;
  return op.done(0, args);
}

std::uint64_t Utf16(const hostapi::UnicodeStringRef* string, const char16_t** units) {
  auto args = [&] { return Args{Ptr(string ? *string : nullptr)}; };
  if (units != nullptr) *units = nullptr;
  const Operation op(HOST_OPERATION(UnicodeStringSuite, Utf16));
  if (op.fault()) return static_cast<std::uint64_t>(op.done(0, args));
  const std::u16string* text = (string && *string) ? FindString(*string) : nullptr;
  if (text == nullptr || units == nullptr) return static_cast<std::uint64_t>(op.done(0, args));
  *units = text->data();
  return static_cast<std::uint64_t>(op.done(static_cast<ResultCode>(text->size()), args));
}

// --- SP Blocks Suite --------------------------------------------------------------------------
ResultCode AllocateBlock(std::uint64_t size, const char* label, void** block) {
  auto args = [&] { return Args{Num(static_cast<std::int64_t>(size)), Text(label)}; };
  HOST_BEGIN(BlocksSuite, AllocateBlock, args);
  if (block == nullptr) return op.done(kBadParameter, args);
  *block = nullptr;
  void* memory = ::operator new(static_cast<std::size_t>(size == 0 ? 1 : size), std::nothrow);
  if (memory == nullptr) return op.done(hostapi::kOutOfMemory, args);
  S().blocks.emplace(memory, static_cast<std::size_t>(size));
  *block = memory;
  return op.done(0, args);
}

ResultCode FreeBlock(void* block) {
  auto args = [&] { return Args{Ptr(block)}; };
  HOST_BEGIN(BlocksSuite, FreeBlock, args);
  if (block == nullptr) return op.done(0, args);
  if (S().blocks.erase(block) == 0) {
    S().misuse("FreeBlock: unknown block " + Ptr(block));
    return op.done(kBadParameter, args);
  }
  ::operator delete(block);
  return op.done(0, args);
}

}  // namespace

void InstallStringSuites(SuiteInstaller& installer) {
  installer.install(hostapi::UnicodeStringSuite{.Initialize = &Initialize, .Destroy = &Destroy, .Append = &Append,
      .Utf16 = &Utf16});

  installer.install(hostapi::BlocksSuite{.AllocateBlock = &AllocateBlock, .FreeBlock = &FreeBlock});
}

hostapi::UnicodeStringRef AddHostString(std::string_view utf8) { return NewString(Utf8ToUtf16(utf8)); }

}  // namespace host
