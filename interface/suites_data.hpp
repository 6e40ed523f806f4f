// The suites of the host's data: strings, memory blocks, file paths, folders.
//
// What the plug-in calls, in order:
// - a host string is Initialize (from UTF-8), Append as needed, Utf16 to read
//   it, and Destroy once, whoever made it;
// - host memory is AllocateBlock, then FreeBlock of the same block;
// - the extension bridge asks FindFolder for the host's folder, AddComponent
//   for the file's name, Exists, GetFullPath to have its text, and Release of
//   every path it was given.
#pragma once

#include <cstddef>
#include <cstdint>

#include "interface/records.hpp"
#include "interface/types.hpp"

namespace hostapi {

struct UnicodeStringSuite {
  static constexpr const char kName[] = "AI Unicode String Suite";
  static constexpr std::int32_t kVersion = 9;
  // 0: *string (null before) refers to a new host string holding the text.
  ResultCode (*Initialize)(UnicodeStringRef* string, const char* text, std::uint64_t byteCount,
                           std::int32_t encoding);
  UnusedEntry unused1to2[2]{};
  // 3: releases the string; result unused.
  ResultCode (*Destroy)(UnicodeStringRef* string);
  // 4: target holds target + appended; appended is unchanged.
  ResultCode (*Append)(UnicodeStringRef* target, const UnicodeStringRef* appended);
  UnusedEntry unused5to35[31]{};
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
  // 1: frees a block; result unused.
  ResultCode (*FreeBlock)(void* block);
};
static_assert(offsetof(BlocksSuite, AllocateBlock) == 0 * kEntrySize);
static_assert(offsetof(BlocksSuite, FreeBlock) == 1 * kEntrySize);

struct FilePathSuite {
  static constexpr const char kName[] = "AI File Path Suite";
  static constexpr std::int32_t kVersion = 8;
  UnusedEntry unused0{};
  // 1: releases a path; result unused.
  ResultCode (*Release)(FilePathRef* path);
  UnusedEntry unused2to8[7]{};
  // 9: appends a last component to the path.
  ResultCode (*AddComponent)(const UnicodeStringRef* component, FilePathRef* path);
  UnusedEntry unused10to12[3]{};
  // 13: whether the path exists; *isFile unused.
  HostBoolean (*Exists)(const FilePathRef* path, HostBoolean resolveLinks, std::int32_t reserved,
                        HostBoolean* isFile);
  UnusedEntry unused14to19[6]{};
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

}  // namespace hostapi
