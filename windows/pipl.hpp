// Reading a plug-in file's PiPL resource the way Illustrator does before it
// loads the file. Pure byte parsing, so the same code serves the Windows
// stand-in host and the checks of the built file on any platform.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace winres {

inline constexpr std::uint16_t kPiplResourceId = 16000;

// A four-character code as the 32-bit value of its big-endian packing.
constexpr std::uint32_t FourCharCode(const char (&code)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

inline constexpr std::uint32_t kVendorAdobe = FourCharCode("ADBE");
inline constexpr std::uint32_t kKeyKind = FourCharCode("kind");
inline constexpr std::uint32_t kKeyInterfaceVersion = FourCharCode("ivrs");
inline constexpr std::uint32_t kKeyCodeX86 = FourCharCode("wx86");
inline constexpr std::uint32_t kKeyCodeX64 = FourCharCode("8664");
inline constexpr std::uint32_t kKeyName = FourCharCode("pinm");
inline constexpr std::uint32_t kKindIllustratorPlugin = FourCharCode("SPEA");
inline constexpr std::uint32_t kIllustratorInterfaceVersion = 2;

struct PiplProperty {
  std::uint32_t vendor = 0;
  std::uint32_t key = 0;
  std::uint32_t id = 0;
  std::vector<std::uint8_t> data;  // as stored, padding included
};

// The property list, or nothing when the bytes are not a well-formed PiPL
// (wrong layout word, truncated header or property, data running past the end).
std::optional<std::vector<PiplProperty>> ParsePipl(std::span<const std::uint8_t> bytes);

// What the host needs to load the file, or why it must not.
struct PiplVerdict {
  bool loadable = false;
  std::string problem;     // empty when loadable
  std::string entryPoint;  // from the code descriptor ('8664' preferred, then 'wx86')
  std::string name;        // 'pinm', empty when absent
};

PiplVerdict CheckIllustratorPipl(std::span<const std::uint8_t> bytes);

}  // namespace winres
