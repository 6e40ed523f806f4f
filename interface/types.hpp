// Scalars, result codes and opaque handles of the host interface: fixed-width
// types and pointers only, the same on the 64-bit Windows and Linux builds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hostapi {

// 0 is success; other values are mostly four ASCII characters packed
// big-endian ('!MSG' == 0x214D5347).
using ResultCode = std::int32_t;
// The host's boolean: one byte, non-zero is true.
using HostBoolean = std::uint8_t;

constexpr ResultCode FourCC(const char (&code)[5]) {
  return static_cast<ResultCode>((static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])));
}

// Drops the result of a host call made for its effect alone: the one way the
// plug-in says so in code, as "result unused" says it in the suites' comments.
constexpr void ResultUnused(ResultCode) noexcept {}

inline constexpr ResultCode kNoError = 0;
inline constexpr ResultCode kUnhandledMessage = FourCC("!MSG");  // 0x214D5347
inline constexpr ResultCode kOutOfMemory = FourCC("!MEM");       // 0x214D454D
inline constexpr ResultCode kCantHappen = FourCC("CANT");        // 0x43414E54
inline constexpr ResultCode kCanceled = FourCC("STOP");          // 0x53544F50
inline constexpr ResultCode kPurgeFailed = FourCC("pFls");       // 0x70466C73
static_assert(kUnhandledMessage == 0x214D5347 && kOutOfMemory == 0x214D454D);
static_assert(kCantHappen == 0x43414E54 && kCanceled == 0x53544F50 && kPurgeFailed == 0x70466C73);

// Opaque host handles: pointer-sized, owned and interpreted by the host only.
using PluginRef = struct PluginOpaque*;
using AccessRef = struct AccessOpaque*;
using NotifierHandle = struct NotifierOpaque*;
using AppContextHandle = struct AppContextOpaque*;
using ArtHandle = struct ArtOpaque*;
using GradientHandle = struct GradientOpaque*;
using LiveEffectHandle = struct LiveEffectOpaque*;
using LiveEffectParameters = struct LiveEffectParametersOpaque*;
using LiveEffectEditContext = struct LiveEffectEditContextOpaque*;
using MenuItemHandle = struct MenuItemOpaque*;
using MenuGroupHandle = struct MenuGroupOpaque*;
// The one field of the plug-in's string and path wrappers. The host reads and
// writes these through a pointer to the wrapper itself, so a wrapper is exactly
// one such slot.
using UnicodeStringRef = struct UnicodeStringOpaque*;
using FilePathRef = struct FilePathOpaque*;

// An entry of a suite that the plug-in never calls.
using UnusedEntry = void (*)();
inline constexpr std::size_t kEntrySize = sizeof(UnusedEntry);

// Whether records have the layout of the 64-bit hosts the plug-in ships for,
// whose byte offsets the static_asserts beside each record pin. The one other
// build is the page's WebAssembly (wasm32, 4-byte pointers), whose host and
// plug-in are compiled together from these headers; there the pins do not
// apply, while offsets counted in entries (suites) hold everywhere.
inline constexpr bool kHostLayout = sizeof(void*) == 8;
#if defined(__wasm32__)
static_assert(kEntrySize == 4, "the page's WebAssembly build: wasm32");
#else
static_assert(kHostLayout && kEntrySize == 8, "64-bit hosts only");
#endif

// The number of the entry at a byte offset in a suite record
// (EntryAt(offsetof(Suite, member))), as call records and faults name it.
constexpr std::int32_t EntryAt(std::size_t offset) { return static_cast<std::int32_t>(offset / kEntrySize); }

}  // namespace hostapi
