// File names as the Windows API wants them: UTF-16 with backslashes. A path
// that begins with '/' is a Unix path handed over by the build (CMake gives
// test programs Unix paths); under Wine it is translated to its DOS form
// (Z:\...), elsewhere it stays a path from the root of the current drive.
#pragma once

#include <string>

namespace winres {

std::wstring ToNativePath(const std::string& utf8Path);

// UTF-16 to UTF-8, for messages.
std::string ToUtf8(const std::wstring& wide);

// The system's own words for a Windows error code, without the final full
// stop ("Windows error N" when it has none).
std::string SystemMessage(unsigned long error);

}  // namespace winres
