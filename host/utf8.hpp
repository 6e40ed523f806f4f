// Unicode text forms, as the host's string suite converts them.
#pragma once

#include <string>
#include <string_view>

#include "text/utf8.hpp"

namespace host {

// UTF-8 <-> UTF-16 (invalid UTF-8 bytes are taken as Latin-1).
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

using unicode::AppendUtf8;

}  // namespace host
