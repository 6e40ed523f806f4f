// The binary interface between Illustrator (or a stand-in host) and the plug-in.
//
// Everything that crosses the boundary is declared here: the message records,
// the basic function table, the suites the plug-in calls and the records they
// pass. Each suite is a plain struct of typed function pointers in table order:
// named members at their entry numbers, named gaps between them, and a
// static_assert on every offset. Only fixed-width types and pointers are used,
// so the layout is the same for the 64-bit Windows and Linux builds.
//
// This header is a leaf: it includes nothing of the plug-in, so the plug-in's
// shell, its support library and the stand-in host can all use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace hostapi {

// ---------------------------------------------------------------------------
// Scalars and handles

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
static_assert(kEntrySize == 8, "64-bit hosts only");

// ---------------------------------------------------------------------------
// Messages

struct BasicSuite;

// The header of every message record.
struct PluginMessage {
  std::uint32_t hostField;  // not read by the plug-in
  std::uint32_t padding;
  PluginRef pluginRef;            // which plug-in is called; passed back to the host
  void* objectSlot;               // the plug-in's own slot, handed back with every message
  const BasicSuite* basicSuite;   // acquire and release suites
};
static_assert(sizeof(PluginMessage) == 32);
static_assert(offsetof(PluginMessage, pluginRef) == 8);
static_assert(offsetof(PluginMessage, objectSlot) == 16);
static_assert(offsetof(PluginMessage, basicSuite) == 24);

// Caller "AI Notifier".
struct NotifierMessage {
  PluginMessage d;
  NotifierHandle notifier;  // the notifier that fired
  const char* type;         // host field: the notification type
  void* notifyData;         // host field
};
static_assert(offsetof(NotifierMessage, notifier) == 32);
static_assert(sizeof(NotifierMessage) == 56);

// Caller "AI Menu".
struct MenuMessage {
  PluginMessage d;
  MenuItemHandle menuItem;  // the item chosen or being updated
};
static_assert(offsetof(MenuMessage, menuItem) == 32);
static_assert(sizeof(MenuMessage) == 40);

// Caller "AI Live Effect", selector "AI Live Effect Edit Parameters".
struct LiveEffectEditParamMessage {
  PluginMessage d;
  LiveEffectHandle effect;
  LiveEffectParameters parameters;
  LiveEffectEditContext context;  // handed back through "update parameters"
  std::uint64_t hostField;
};
static_assert(offsetof(LiveEffectEditParamMessage, effect) == 32);
static_assert(offsetof(LiveEffectEditParamMessage, parameters) == 40);
static_assert(offsetof(LiveEffectEditParamMessage, context) == 48);
static_assert(sizeof(LiveEffectEditParamMessage) == 64);

// Caller "AI Live Effect", selector "AI Live Effect Go Live".
struct LiveEffectGoMessage {
  PluginMessage d;
  LiveEffectHandle effect;
  LiveEffectParameters parameters;  // the effect has none of its own; not read
  std::uint64_t hostField;
  ArtHandle art;                    // the input art, rewritten in place
};
static_assert(offsetof(LiveEffectGoMessage, effect) == 32);
static_assert(offsetof(LiveEffectGoMessage, parameters) == 40);
static_assert(offsetof(LiveEffectGoMessage, art) == 56);
static_assert(sizeof(LiveEffectGoMessage) == 64);

// The entry point every message arrives at.
using PluginMainFunction = ResultCode (*)(const char* caller, const char* selector, void* message);
inline constexpr const char kPluginMainName[] = "PluginMain";

// ---------------------------------------------------------------------------
// The basic function table of every message.
struct BasicSuite {
  // 0: fills *suite with the table of suite `name` at `version`; non-zero when
  // the host does not offer it (the slot is then unusable).
  ResultCode (*AcquireSuite)(const char* name, std::int32_t version, const void** suite);
  // 1: gives one acquisition of `name` at `version` back.
  ResultCode (*ReleaseSuite)(const char* name, std::int32_t version);
};
static_assert(offsetof(BasicSuite, AcquireSuite) == 0 * kEntrySize);
static_assert(offsetof(BasicSuite, ReleaseSuite) == 1 * kEntrySize);

// ---------------------------------------------------------------------------
// Records

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
static_assert(sizeof(LiveEffectRegistration) == 40);
static_assert(offsetof(LiveEffectRegistration, self) == 0);
static_assert(offsetof(LiveEffectRegistration, name) == 8);
static_assert(offsetof(LiveEffectRegistration, title) == 16);
static_assert(offsetof(LiveEffectRegistration, majorVersion) == 24);
static_assert(offsetof(LiveEffectRegistration, minorVersion) == 28);
static_assert(offsetof(LiveEffectRegistration, prefersAsInput) == 32);
static_assert(offsetof(LiveEffectRegistration, styleFilterFlags) == 36);

struct LiveEffectMenuData {
  const char* category;
  const char* title;
  std::int32_t options;
  std::uint32_t padding;
};
static_assert(sizeof(LiveEffectMenuData) == 24);
static_assert(offsetof(LiveEffectMenuData, category) == 0);
static_assert(offsetof(LiveEffectMenuData, title) == 8);
static_assert(offsetof(LiveEffectMenuData, options) == 16);

// The item text is a string wrapper: one UnicodeStringRef, owned by the plug-in.
struct MenuItemData {
  const char* groupName;
  UnicodeStringRef itemText;
};
static_assert(sizeof(MenuItemData) == 16);
static_assert(offsetof(MenuItemData, groupName) == 0);
static_assert(offsetof(MenuItemData, itemText) == 8);

// ---------------------------------------------------------------------------
// Suites. Each has its registered name and version; the comment on an entry
// says what the plug-in relies on.

struct AccessSuite {
  static constexpr const char kName[] = "SP Access Suite";
  static constexpr std::int32_t kVersion = 3;
  // 0: obtains an access reference for the plug-in; result not looked at.
  ResultCode (*AcquirePlugin)(PluginRef plugin, AccessRef* access);
  // 1: gives the reference back; result not looked at.
  ResultCode (*ReleasePlugin)(AccessRef access);
};
static_assert(offsetof(AccessSuite, AcquirePlugin) == 0 * kEntrySize);
static_assert(offsetof(AccessSuite, ReleasePlugin) == 1 * kEntrySize);

struct PluginsSuite {
  static constexpr const char kName[] = "SP Plug-ins Suite";
  static constexpr std::int32_t kVersion = 6;
  UnusedEntry unused0to22[23];
  // 23: gives the host the plug-in's name.
  ResultCode (*SetPluginName)(PluginRef plugin, const char* name);
};
static_assert(offsetof(PluginsSuite, SetPluginName) == 23 * kEntrySize);

struct NotifierSuite {
  static constexpr const char kName[] = "AI Notifier Suite";
  static constexpr std::int32_t kVersion = 4;
  // 0: registers a notifier; notifications of `type` arrive as "AI Notifier"
  // messages carrying *notifier.
  ResultCode (*AddNotifier)(PluginRef plugin, const char* name, const char* type, NotifierHandle* notifier);
};
static_assert(offsetof(NotifierSuite, AddNotifier) == 0 * kEntrySize);

struct ContextSuite {
  static constexpr const char kName[] = "AI Context Suite";
  static constexpr std::int32_t kVersion = 10;
  UnusedEntry unused0;
  // 1: opens a host context for the plug-in.
  ResultCode (*PushAppContext)(PluginRef plugin, AppContextHandle* context);
  // 2: closes it.
  ResultCode (*PopAppContext)(AppContextHandle context);
};
static_assert(offsetof(ContextSuite, PushAppContext) == 1 * kEntrySize);
static_assert(offsetof(ContextSuite, PopAppContext) == 2 * kEntrySize);

struct UserSuite {
  static constexpr const char kName[] = "AI User Suite";
  static constexpr std::int32_t kVersion = 21;
  // 0: non-zero when the user asked to cancel the running operation.
  HostBoolean (*Cancel)();
  UnusedEntry unused1to46[46];
  // 47: shows the text and returns when it is dismissed.
  ResultCode (*MessageAlert)(const UnicodeStringRef* text);
};
static_assert(offsetof(UserSuite, Cancel) == 0 * kEntrySize);
static_assert(offsetof(UserSuite, MessageAlert) == 47 * kEntrySize);

struct ArtSuite {
  static constexpr const char kName[] = "AI Art Suite";
  static constexpr std::int32_t kVersion = 21;
  UnusedEntry unused0to5[6];
  // 6: the art's type code (group 1, path 2, compound path 3, others).
  ResultCode (*GetArtType)(ArtHandle art, std::int16_t* type);
  UnusedEntry unused7to9[3];
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
  // 0: reads the art's fill and stroke; the extra flag is not looked at.
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
  UnusedEntry unused1to6[6];
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
  UnusedEntry unused0to1[2];
  // 2: converts one colour sample, components 0–1 as 32-bit floats (CMYK space 4
  // has four, RGB space 2 three); the in-gamut flag is not looked at.
  ResultCode (*ConvertSampleColor)(std::int32_t sourceSpace, const float* source, std::int32_t destinationSpace,
                                   float* destination, const ColorConversionOptions* options, HostBoolean* inGamut);
};
static_assert(offsetof(ColorConversionSuite, ConvertSampleColor) == 2 * kEntrySize);

struct LiveEffectSuite {
  static constexpr const char kName[] = "AI Live Effect Suite";
  static constexpr std::int32_t kVersion = 7;
  // 0: registers an effect; *effect comes back in every message for it.
  ResultCode (*AddLiveEffect)(const LiveEffectRegistration* registration, LiveEffectHandle* effect);
  UnusedEntry unused1;
  // 2: adds the effect's menu item under the category of `menuData`.
  ResultCode (*AddLiveEffectMenuItem)(LiveEffectHandle effect, const char* menuItemName,
                                      const LiveEffectMenuData* menuData, MenuItemHandle* menuItem,
                                      MenuGroupHandle* menuGroup);
  UnusedEntry unused3to4[2];
  // 5: the host accepts the effect's parameters as they are.
  ResultCode (*UpdateParameters)(LiveEffectEditContext context);
};
static_assert(offsetof(LiveEffectSuite, AddLiveEffect) == 0 * kEntrySize);
static_assert(offsetof(LiveEffectSuite, AddLiveEffectMenuItem) == 2 * kEntrySize);
static_assert(offsetof(LiveEffectSuite, UpdateParameters) == 5 * kEntrySize);

struct MenuSuite {
  static constexpr const char kName[] = "AI Menu Suite";
  static constexpr std::int32_t kVersion = 11;
  // 0: places an item labelled with the record's text in the named group.
  ResultCode (*AddMenuItem)(PluginRef plugin, const char* name, const MenuItemData* data, std::int32_t options,
                            MenuItemHandle* menuItem);
  UnusedEntry unused1to8[8];
  // 9: creates a group of that name hanging under the item.
  ResultCode (*AddMenuGroupAsSubMenu)(const char* name, std::int32_t options, MenuItemHandle menuItem,
                                      MenuGroupHandle* group);
  // 10: the name the group was added with.
  ResultCode (*GetMenuGroupName)(MenuGroupHandle group, const char** name);
  UnusedEntry unused11to18[8];
  // 19, 20: enumerate the host's menu groups.
  ResultCode (*CountMenuGroups)(std::int32_t* count);
  ResultCode (*GetNthMenuGroup)(std::int32_t n, MenuGroupHandle* group);
  UnusedEntry unused21to23[3];
  // 24: the host enables or disables the item by itself.
  ResultCode (*UpdateMenuItemAutomatically)(MenuItemHandle menuItem, std::int32_t action,
                                            std::int32_t ifMenuItemIsChecked, std::int32_t ifMenuItemIsEnabled,
                                            std::int32_t ifArtworkIsSelected, std::int32_t ifDocumentIsOpen,
                                            std::int32_t ifLayerIsEditable, std::int32_t ifLayerIsVisible);
  // 25: the host's current update flags; only the result code is used.
  ResultCode (*GetUpdateFlags)(std::int32_t* inArtwork, std::int32_t* isSelected, std::int32_t* isTrue);
};
static_assert(offsetof(MenuSuite, AddMenuItem) == 0 * kEntrySize);
static_assert(offsetof(MenuSuite, AddMenuGroupAsSubMenu) == 9 * kEntrySize);
static_assert(offsetof(MenuSuite, GetMenuGroupName) == 10 * kEntrySize);
static_assert(offsetof(MenuSuite, CountMenuGroups) == 19 * kEntrySize);
static_assert(offsetof(MenuSuite, GetNthMenuGroup) == 20 * kEntrySize);
static_assert(offsetof(MenuSuite, UpdateMenuItemAutomatically) == 24 * kEntrySize);
static_assert(offsetof(MenuSuite, GetUpdateFlags) == 25 * kEntrySize);

struct UrlSuite {
  static constexpr const char kName[] = "AI URL Suite";
  static constexpr std::int32_t kVersion = 3;
  // 0: non-zero when a web page can be opened.
  HostBoolean (*IsBrowserAvailable)();
  // 1: opens the page in the user's browser.
  ResultCode (*OpenUrl)(const char* url);
};
static_assert(offsetof(UrlSuite, IsBrowserAvailable) == 0 * kEntrySize);
static_assert(offsetof(UrlSuite, OpenUrl) == 1 * kEntrySize);

struct UnicodeStringSuite {
  static constexpr const char kName[] = "AI Unicode String Suite";
  static constexpr std::int32_t kVersion = 9;
  // 0: *string (null before) refers to a new host string holding the text.
  ResultCode (*Initialize)(UnicodeStringRef* string, const char* text, std::uint64_t byteCount,
                           std::int32_t encoding);
  UnusedEntry unused1to2[2];
  // 3: releases the string; result ignored.
  ResultCode (*Destroy)(UnicodeStringRef* string);
  // 4: target holds target + appended; appended is unchanged.
  ResultCode (*Append)(UnicodeStringRef* target, const UnicodeStringRef* appended);
  UnusedEntry unused5to35[31];
  // 36: borrows the UTF-16 code units; returns their count, no result code.
  std::uint64_t (*Utf16)(const UnicodeStringRef* string, const char16_t** units);
};
static_assert(offsetof(UnicodeStringSuite, Initialize) == 0 * kEntrySize);
static_assert(offsetof(UnicodeStringSuite, Destroy) == 3 * kEntrySize);
static_assert(offsetof(UnicodeStringSuite, Append) == 4 * kEntrySize);
static_assert(offsetof(UnicodeStringSuite, Utf16) == 36 * kEntrySize);

struct BlocksSuite {
  static constexpr const char kName[] = "SP Blocks Suite";
  static constexpr std::int32_t kVersion = 2;
  // 0: a block of `size` bytes in *block (null before the call).
  ResultCode (*AllocateBlock)(std::uint64_t size, const char* debugLabel, void** block);
  // 1: frees a block; result ignored.
  ResultCode (*FreeBlock)(void* block);
};
static_assert(offsetof(BlocksSuite, AllocateBlock) == 0 * kEntrySize);
static_assert(offsetof(BlocksSuite, FreeBlock) == 1 * kEntrySize);

struct FilePathSuite {
  static constexpr const char kName[] = "AI File Path Suite";
  static constexpr std::int32_t kVersion = 8;
  UnusedEntry unused0;
  // 1: releases a path; result ignored.
  ResultCode (*Release)(FilePathRef* path);
  UnusedEntry unused2to8[7];
  // 9: appends a last component to the path.
  ResultCode (*AddComponent)(const UnicodeStringRef* component, FilePathRef* path);
  UnusedEntry unused10to12[3];
  // 13: whether the path exists; *isFile is read by nobody.
  HostBoolean (*Exists)(const FilePathRef* path, HostBoolean resolveLinks, std::int32_t reserved,
                        HostBoolean* isFile);
  UnusedEntry unused14to19[6];
  // 20: the path's full text.
  ResultCode (*GetFullPath)(const FilePathRef* path, HostBoolean displayName, UnicodeStringRef* text);
};
static_assert(offsetof(FilePathSuite, Release) == 1 * kEntrySize);
static_assert(offsetof(FilePathSuite, AddComponent) == 9 * kEntrySize);
static_assert(offsetof(FilePathSuite, Exists) == 13 * kEntrySize);
static_assert(offsetof(FilePathSuite, GetFullPath) == 20 * kEntrySize);

struct FoldersSuite {
  static constexpr const char kName[] = "AI Folders Suite";
  static constexpr std::int32_t kVersion = 5;
  // 0: the host folder of `kind` into *path.
  ResultCode (*FindFolder)(std::int32_t kind, HostBoolean createFolder, FilePathRef* path);
};
static_assert(offsetof(FoldersSuite, FindFolder) == 0 * kEntrySize);

// ---------------------------------------------------------------------------
// Every suite the plug-in acquires, by name and version, in acquisition order:
// the 7 basic suites, then the 86 main ones.

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

// Message callers and selectors the plug-in answers.
namespace callers {
inline constexpr const char kInterface[] = "SP Interface";
inline constexpr const char kAccess[] = "SP Access";
inline constexpr const char kCache[] = "SP Cache";
inline constexpr const char kProperties[] = "SP Properties";
inline constexpr const char kNotifier[] = "AI Notifier";
inline constexpr const char kActionManager[] = "Action Manager";
inline constexpr const char kMenu[] = "AI Menu";
inline constexpr const char kFilter[] = "AI Filter";
inline constexpr const char kPluginGroup[] = "AI Plugin Group";
inline constexpr const char kFileFormat[] = "AI File Format";
inline constexpr const char kTool[] = "AI Tool";
inline constexpr const char kLiveEffect[] = "AI Live Effect";
inline constexpr const char kTimer[] = "AI Timer";
inline constexpr const char kClipboard[] = "AI Clipboard";
inline constexpr const char kWorkspace[] = "Workspace Manager";
}  // namespace callers

namespace selectors {
inline constexpr const char kStartup[] = "Startup";
inline constexpr const char kShutdown[] = "Shutdown";
inline constexpr const char kAbout[] = "About";
inline constexpr const char kUnload[] = "Unload";
inline constexpr const char kReload[] = "Reload";
inline constexpr const char kPurge[] = "Plug-in Purge";
inline constexpr const char kNotify[] = "AI Notify";
inline constexpr const char kMenuGo[] = "AI Go";
inline constexpr const char kMenuUpdate[] = "AI Update";
inline constexpr const char kLiveEffectEditParameters[] = "AI Live Effect Edit Parameters";
inline constexpr const char kLiveEffectGoLive[] = "AI Live Effect Go Live";
}  // namespace selectors

}  // namespace hostapi
