// Every suite the plug-in acquires, by name and version, in acquisition order:
// the 7 basic suites, then the 86 main ones; 93 in all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "interface/suites.hpp"

namespace hostapi {

struct SuiteId {
  const char* name;
  std::int32_t version;
};

inline constexpr SuiteId kBasicSuites[] = {
    {AccessSuite::kName, AccessSuite::kVersion},
    {PluginsSuite::kName, PluginsSuite::kVersion},
    {NotifierSuite::kName, NotifierSuite::kVersion},
    {ContextSuite::kName, ContextSuite::kVersion},
    {UserSuite::kName, UserSuite::kVersion},
    {FilePathSuite::kName, FilePathSuite::kVersion},
    {FoldersSuite::kName, FoldersSuite::kVersion},
};
static_assert(std::size(kBasicSuites) == 7);

inline constexpr SuiteId kMainSuites[] = {
    {"AI Action Manager Suite", 5},
    {"AI Annotator Suite", 6},
    {"AI Annotator Drawer Suite", 9},
    {"AI Artboard Suite", 6},
    {"AI Assertion Suite", 1},
    {"AI Control Bar Suite", 2},
    {"AI File Format Suite", 16},
    {"AI Filter Suite", 4},
    {"AI Font Suite", 6},
    {"AI Live Edit Suite", 2},
    {LiveEffectSuite::kName, LiveEffectSuite::kVersion},
    {MenuSuite::kName, MenuSuite::kVersion},
    {"AI Panel Suite", 4},
    {"AI Panel Flyout Menu Suite", 2},
    {"AI Plugin Group Suite", 6},
    {"AI Preference Suite", 7},
    {"AI Runtime Suite", 14},
    {"AI String Format Utils Suite", 3},
    {"AI Timer Suite", 5},
    {"AI Tool Suite", 19},
    {"AI User Interface Theme Suite", 2},
    {UnicodeStringSuite::kName, UnicodeStringSuite::kVersion},
    {BlocksSuite::kName, BlocksSuite::kVersion},
    {"AI Array Suite", 6},
    {ArtSuite::kName, ArtSuite::kVersion},
    {"AI Art Set Suite", 9},
    {"AI Art Style Suite", 8},
    {"AI Art Style Parser Suite", 9},
    {"AI Artboard Range Suite", 4},
    {"AI ATE Current Text Features Suite", 4},
    {"AIATE Paint Suite", 3},
    {"AI ATE Text Util Suite", 4},
    {"AI Beautiful Strokes Suite", 3},
    {"AI Blend Style Suite", 5},
    {ColorConversionSuite::kName, ColorConversionSuite::kVersion},
    {"AI Command Manager Suite", 5},
    {"AI CSXS Extension Suite", 4},
    {"AI Cursor Snap Suite", 16},
    {"AI Curve Fitting Suite", 11},
    {"AI Custom Color Suite", 8},
    {"AI DeviceInfo Suite", 1},
    {"AI Document Suite", 21},
    {"AI Document List Suite", 11},
    {"AI Document View Suite", 16},
    {"AI Dictionary Suite", 10},
    {"AI Dictionary Iterator Suite", 5},
    {"AI Entry Suite", 7},
    {"AI Envelope Suite", 4},
    {"AI Expand Suite", 4},
    {GradientSuite::kName, GradientSuite::kVersion},
    {"AI Group Suite", 5},
    {"AI Hit Test Suite", 7},
    {"AI Intertwine Suite", 1},
    {"AI Isolation Mode", 6},
    {"AI Layer Suite", 13},
    {"AI Layer List", 4},
    {"AI Mask Suite", 5},
    {"AI Matching Art Suite", 7},
    {"AI MdMemory Suite", 3},
    {"AI Mesh Suite", 6},
    {"AI Mesh Hit Suite", 3},
    {"AI Mesh Selection Suite", 3},
    {"AI Mesh Patch Suite", 3},
    {"AI Mesh Segment Suite", 3},
    {"AI Mesh Vertex Suite", 4},
    {"AI Paint Style Suite", 10},
    {"AI Path Suite", 13},
    {"AI PathConstruction Suite", 5},
    {PathStyleSuite::kName, PathStyleSuite::kVersion},
    {"AI Pattern Suite", 10},
    {"AI Perspective Grid Suite", 3},
    {"AI Placed Suite", 11},
    {"AI Random Suite", 5},
    {"AI Raster Suite", 10},
    {"AI Rasterize Suite", 12},
    {"AI Real Bezier Suite", 4},
    {"AI Real Math Suite", 5},
    {"AI Shape Construction Suite", 8},
    {"AI Slicing Suite", 4},
    {"AI Symbol Suite", 8},
    {"AI TabletData Suite", 3},
    {"AI Text Frame Suite", 4},
    {"AI Transform Again Suite", 4},
    {"AI Transform Art Suite", 3},
    {"AI Undo Suite", 12},
    {UrlSuite::kName, UrlSuite::kVersion},
};
static_assert(std::size(kMainSuites) == 86);

inline constexpr std::size_t kCatalogueSize = std::size(kBasicSuites) + std::size(kMainSuites);

}  // namespace hostapi
