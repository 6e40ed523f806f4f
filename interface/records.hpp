// The records the suites pass, and the codes they carry.
#pragma once

#include <cstddef>
#include <cstdint>

#include "interface/types.hpp"

namespace hostapi {

// Colour kinds acted on; every other kind is passed through.
inline constexpr std::int32_t kColorProcess = 1;   // CMYK
inline constexpr std::int32_t kColorGradient = 4;
inline constexpr std::int32_t kColorThree = 5;     // RGB

struct HostColor {
  std::int32_t kind;
  std::uint32_t unused;
  union Body {
    struct Process { double cyan, magenta, yellow, black; } process;  // kind 1
    struct Rgb { double red, green, blue; } rgb;                       // kind 5
    struct Gradient {                                                  // kind 4
      GradientHandle gradient;
      std::uint8_t hostFields[120];  // further host fields, carried through untouched
    } gradient;
    std::uint8_t bytes[128];
  } body;
};
static_assert(sizeof(HostColor) == 136);
static_assert(offsetof(HostColor, kind) == 0);
static_assert(offsetof(HostColor, body) == 8);
static_assert(offsetof(HostColor, body.process.cyan) == 8 && offsetof(HostColor, body.process.magenta) == 16);
static_assert(offsetof(HostColor, body.process.yellow) == 24 && offsetof(HostColor, body.process.black) == 32);
static_assert(offsetof(HostColor, body.rgb.red) == 8 && offsetof(HostColor, body.rgb.green) == 16);
static_assert(offsetof(HostColor, body.rgb.blue) == 24);
static_assert(offsetof(HostColor, body.gradient.gradient) == 8);

struct HostGradientStop {
  double midPoint;   // percent, 0–100
  double rampPoint;  // percent, 0–100
  HostColor color;
  double opacity;    // 0–1
};
static_assert(sizeof(HostGradientStop) == 160);
static_assert(offsetof(HostGradientStop, midPoint) == 0);
static_assert(offsetof(HostGradientStop, rampPoint) == 8);
static_assert(offsetof(HostGradientStop, color) == 16);
static_assert(offsetof(HostGradientStop, opacity) == 152);

// The host owns this record's total size; the plug-in reads it into a generous
// buffer (zeroed before every read) and relies only on the offsets asserted.
struct HostPathStyle {
  std::int32_t fillPaint;    // non-zero: filled
  std::int32_t strokePaint;  // non-zero: stroked
  HostColor fillColor;
  std::uint8_t fillAttributes[8];
  HostColor strokeColor;
  std::uint8_t strokeAttributes[1024 - 288];
};
static_assert(sizeof(HostPathStyle) == 1024);
static_assert(offsetof(HostPathStyle, fillPaint) == 0);
static_assert(offsetof(HostPathStyle, strokePaint) == 4);
static_assert(offsetof(HostPathStyle, fillColor) == 8);
static_assert(offsetof(HostPathStyle, strokeColor) == 152);
static_assert(offsetof(HostPathStyle, strokeAttributes) == 288);

// Art type codes.
inline constexpr std::int16_t kArtGroup = 1;
inline constexpr std::int16_t kArtPath = 2;
inline constexpr std::int16_t kArtCompoundPath = 3;

// Colour spaces of the colour conversion suite.
inline constexpr std::int32_t kSpaceRgb = 2;   // three components
inline constexpr std::int32_t kSpaceCmyk = 4;  // four components

struct LiveEffectRegistration {
  PluginRef self;
  const char* name;
  const char* title;
  std::int32_t majorVersion;
  std::int32_t minorVersion;
  std::int32_t prefersAsInput;
  std::int32_t styleFilterFlags;
};
static_assert(!kHostLayout || sizeof(LiveEffectRegistration) == 40);
static_assert(offsetof(LiveEffectRegistration, self) == 0);
static_assert(!kHostLayout || offsetof(LiveEffectRegistration, name) == 8);
static_assert(!kHostLayout || offsetof(LiveEffectRegistration, title) == 16);
static_assert(!kHostLayout || offsetof(LiveEffectRegistration, majorVersion) == 24);
static_assert(!kHostLayout || offsetof(LiveEffectRegistration, minorVersion) == 28);
static_assert(!kHostLayout || offsetof(LiveEffectRegistration, prefersAsInput) == 32);
static_assert(!kHostLayout || offsetof(LiveEffectRegistration, styleFilterFlags) == 36);

struct LiveEffectMenuData {
  const char* category;
  const char* title;
  std::int32_t options;
  std::uint32_t padding;
};
static_assert(!kHostLayout || sizeof(LiveEffectMenuData) == 24);
static_assert(offsetof(LiveEffectMenuData, category) == 0);
static_assert(!kHostLayout || offsetof(LiveEffectMenuData, title) == 8);
static_assert(!kHostLayout || offsetof(LiveEffectMenuData, options) == 16);

// The item text is a string wrapper: one UnicodeStringRef, owned by the plug-in.
struct MenuItemData {
  const char* groupName;
  UnicodeStringRef itemText;
};
static_assert(!kHostLayout || sizeof(MenuItemData) == 16);
static_assert(offsetof(MenuItemData, groupName) == 0);
static_assert(!kHostLayout || offsetof(MenuItemData, itemText) == 8);

}  // namespace hostapi
