// The suites of the effect itself: the Live Effect, the art tree, path styles,
// gradients and colour conversion.
//
// What the plug-in calls, in order:
// - at start-up, AddLiveEffect, then AddLiveEffectMenuItem (Live Effect), then
//   UpdateMenuItemAutomatically on the item (Menu, suites_menus.hpp);
// - on Edit Parameters, UpdateParameters, accepting the parameters as they are;
// - on Go Live, GetArtType of the art; a group is walked child by child
//   (GetArtFirstChild, then GetArtSibling until null). Of each path or
//   compound path, GetPathStyle; then for its gradient fill, then its gradient
//   stroke: GetGradientStopCount and GetNthGradientStop for every source stop
//   (ConvertSampleColor for a CMYK one), nothing made until all are read;
//   GetGradientType, NewGradient, SetGradientType, InsertGradientStop until it
//   holds 4n − 3 stops, and SetNthGradientStop for each from the last to the
//   first; then SetPathStyle with the new gradients in place. A style that
//   could not be read is never written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "interface/records.hpp"
#include "interface/types.hpp"

namespace hostapi {

struct ArtSuite {
  static constexpr const char kName[] = "AI Art Suite";
  static constexpr std::int32_t kVersion = 21;
  UnusedEntry unused0to5[6]{};
  // 6: the art's type code (group 1, path 2, compound path 3, others).
  ResultCode (*GetArtType)(ArtHandle art, std::int16_t* type);
  UnusedEntry unused7to9[3]{};
  // 10: the first child, null when there is none.
  ResultCode (*GetArtFirstChild)(ArtHandle art, ArtHandle* child);
  // 11: the next sibling, null after the last.
  ResultCode (*GetArtSibling)(ArtHandle art, ArtHandle* sibling);
};
static_assert(offsetof(ArtSuite, GetArtType) == 6 * kEntrySize);
static_assert(offsetof(ArtSuite, GetArtFirstChild) == 10 * kEntrySize);
static_assert(offsetof(ArtSuite, GetArtSibling) == 11 * kEntrySize);

struct PathStyleSuite {
  static constexpr const char kName[] = "AI Path Style Suite";
  static constexpr std::int32_t kVersion = 14;
  // 0: reads the art's fill and stroke; *hasAdvancedFill unused.
  ResultCode (*GetPathStyle)(ArtHandle art, HostPathStyle* style, HostBoolean* hasAdvancedFill);
  // 1: the art's fill and stroke take the record's values.
  ResultCode (*SetPathStyle)(ArtHandle art, const HostPathStyle* style);
};
static_assert(offsetof(PathStyleSuite, GetPathStyle) == 0 * kEntrySize);
static_assert(offsetof(PathStyleSuite, SetPathStyle) == 1 * kEntrySize);

struct GradientSuite {
  static constexpr const char kName[] = "AI Gradient Suite";
  static constexpr std::int32_t kVersion = 9;
  // 0: a new gradient holding exactly two stops.
  ResultCode (*NewGradient)(GradientHandle* gradient);
  UnusedEntry unused1to6[6]{};
  // 7, 8: the gradient type (0 linear, 1 radial).
  ResultCode (*GetGradientType)(GradientHandle gradient, std::int16_t* type);
  ResultCode (*SetGradientType)(GradientHandle gradient, std::int16_t type);
  // 9: the number of stops.
  ResultCode (*GetGradientStopCount)(GradientHandle gradient, std::int16_t* count);
  // 10, 11: read and overwrite stop n.
  ResultCode (*GetNthGradientStop)(GradientHandle gradient, std::int16_t n, HostGradientStop* stop);
  ResultCode (*SetNthGradientStop)(GradientHandle gradient, std::int16_t n, const HostGradientStop* stop);
  // 12: the gradient gains one stop, placed at index n.
  ResultCode (*InsertGradientStop)(GradientHandle gradient, std::int16_t n, const HostGradientStop* stop);
};
static_assert(offsetof(GradientSuite, NewGradient) == 0 * kEntrySize);
static_assert(offsetof(GradientSuite, GetGradientType) == 7 * kEntrySize);
static_assert(offsetof(GradientSuite, SetGradientType) == 8 * kEntrySize);
static_assert(offsetof(GradientSuite, GetGradientStopCount) == 9 * kEntrySize);
static_assert(offsetof(GradientSuite, GetNthGradientStop) == 10 * kEntrySize);
static_assert(offsetof(GradientSuite, SetNthGradientStop) == 11 * kEntrySize);
static_assert(offsetof(GradientSuite, InsertGradientStop) == 12 * kEntrySize);

// The conversion options value: one 32-bit integer, passed by reference.
using ColorConversionOptions = std::int32_t;

struct ColorConversionSuite {
  static constexpr const char kName[] = "AI Color Conversion Suite";
  static constexpr std::int32_t kVersion = 10;
  UnusedEntry unused0to1[2]{};
  // 2: converts one colour sample, components 0–1 as 32-bit floats (CMYK space 4
  // has four, RGB space 2 three); *inGamut unused.
  ResultCode (*ConvertSampleColor)(std::int32_t sourceSpace, const float* source, std::int32_t destinationSpace,
                                   float* destination, const ColorConversionOptions* options, HostBoolean* inGamut);
};
static_assert(offsetof(ColorConversionSuite, ConvertSampleColor) == 2 * kEntrySize);

struct LiveEffectSuite {
  static constexpr const char kName[] = "AI Live Effect Suite";
  static constexpr std::int32_t kVersion = 7;
  // 0: registers an effect; *effect comes back in every message for it.
  ResultCode (*AddLiveEffect)(const LiveEffectRegistration* registration, LiveEffectHandle* effect);
  UnusedEntry unused1{};
  // 2: adds the effect's menu item under the category of `menuData`.
  ResultCode (*AddLiveEffectMenuItem)(LiveEffectHandle effect, const char* menuItemName,
                                      const LiveEffectMenuData* menuData, MenuItemHandle* menuItem,
                                      MenuGroupHandle* menuGroup);
  UnusedEntry unused3to4[2]{};
  // 5: the host accepts the effect's parameters as they are.
  ResultCode (*UpdateParameters)(LiveEffectEditContext context);
};
static_assert(offsetof(LiveEffectSuite, AddLiveEffect) == 0 * kEntrySize);
static_assert(offsetof(LiveEffectSuite, AddLiveEffectMenuItem) == 2 * kEntrySize);
static_assert(offsetof(LiveEffectSuite, UpdateParameters) == 5 * kEntrySize);

}  // namespace hostapi
