#include "windows/pipl.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace winres {
namespace {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool Read16(std::uint16_t& value) {
    if (Remaining() < 2) return false;
    value = static_cast<std::uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    at_ += 2;
    return true;
  }

  bool Read32(std::uint32_t& value) {
    if (Remaining() < 4) return false;
    value = static_cast<std::uint32_t>(bytes_[at_]) | (static_cast<std::uint32_t>(bytes_[at_ + 1]) << 8) |
            (static_cast<std::uint32_t>(bytes_[at_ + 2]) << 16) |
            (static_cast<std::uint32_t>(bytes_[at_ + 3]) << 24);
    at_ += 4;
    return true;
  }

  bool Take(std::size_t count, std::vector<std::uint8_t>& out) {
    if (Remaining() < count) return false;
    out.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
               bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
    at_ += count;
    return true;
  }

  bool Skip(std::size_t count) {
    if (Remaining() < count) return false;
    at_ += count;
    return true;
  }

  std::size_t Remaining() const { return bytes_.size() - at_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

constexpr std::uint16_t kLayoutWord = 1;

const PiplProperty* Find(const std::vector<PiplProperty>& properties, std::uint32_t key) {
  for (const PiplProperty& p : properties) {
    if (p.vendor == kVendorAdobe && p.key == key) return &p;
  }
  return nullptr;
}

std::optional<std::uint32_t> Scalar(const PiplProperty& property) {
  if (property.data.size() < 4) return std::nullopt;
  return static_cast<std::uint32_t>(property.data[0]) | (static_cast<std::uint32_t>(property.data[1]) << 8) |
         (static_cast<std::uint32_t>(property.data[2]) << 16) | (static_cast<std::uint32_t>(property.data[3]) << 24);
}

// A NUL-terminated string inside the property's data; nothing without a NUL.
std::optional<std::string> CString(const PiplProperty& property) {
  const auto* begin = reinterpret_cast<const char*>(property.data.data());
  const void* nul = std::memchr(begin, 0, property.data.size());
  if (property.data.empty() || nul == nullptr) return std::nullopt;
  return std::string(begin, static_cast<const char*>(nul));
}

PiplVerdict Refuse(std::string problem) {
  PiplVerdict verdict;
  verdict.problem = std::move(problem);
  return verdict;
}

}  // namespace

std::optional<std::vector<PiplProperty>> ParsePipl(std::span<const std::uint8_t> bytes) {
  ByteReader reader(bytes);
  std::uint16_t layout = 0;
  std::uint32_t version = 0;
  std::uint32_t count = 0;
  if (!reader.Read16(layout) || layout != kLayoutWord || !reader.Read32(version) || !reader.Read32(count)) {
    return std::nullopt;
  }
  // Every property takes at least 16 bytes: refuse absurd counts before reserving.
  if (count > reader.Remaining() / 16) return std::nullopt;

  std::vector<PiplProperty> properties;
  properties.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    PiplProperty property;
    std::uint32_t length = 0;
    if (!reader.Read32(property.vendor) || !reader.Read32(property.key) || !reader.Read32(property.id) ||
        !reader.Read32(length) || !reader.Take(length, property.data)) {
      return std::nullopt;
    }
    // Lengths are normally a multiple of four already; tolerate one that is not.
    const std::size_t padding = (4 - length % 4) % 4;
    if (!reader.Skip(std::min(padding, reader.Remaining()))) return std::nullopt;
    properties.push_back(std::move(property));
  }
  return properties;
}

PiplVerdict CheckIllustratorPipl(std::span<const std::uint8_t> bytes) {
  const auto properties = ParsePipl(bytes);
  if (!properties) return Refuse("the PiPL resource is malformed");

  const PiplProperty* kind = Find(*properties, kKeyKind);
  if (kind == nullptr || Scalar(*kind) != kKindIllustratorPlugin) {
    return Refuse("the PiPL does not declare an Illustrator plug-in (kind 'SPEA')");
  }
  const PiplProperty* version = Find(*properties, kKeyInterfaceVersion);
  if (version == nullptr || Scalar(*version) != kIllustratorInterfaceVersion) {
    return Refuse("the PiPL does not declare interface version 2");
  }
  const PiplProperty* code = Find(*properties, kKeyCodeX64);
  if (code == nullptr) code = Find(*properties, kKeyCodeX86);
  if (code == nullptr) return Refuse("the PiPL has no code descriptor");
  const auto entry = CString(*code);
  if (!entry || entry->empty()) return Refuse("the PiPL's code descriptor names no entry point");

  PiplVerdict verdict;
  verdict.loadable = true;
  verdict.entryPoint = *entry;
  if (const PiplProperty* name = Find(*properties, kKeyName)) verdict.name = CString(*name).value_or("");
  return verdict;
}

}  // namespace winres
