// Unicode text forms, as the host's string suite converts them.
#pragma once

#include <string>
#include <string_view>

namespace host {

// UTF-8 <-> UTF-16 (invalid UTF-8 bytes are taken as Latin-1).
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Appends one code point in UTF-8 (four bytes at most; the caller keeps it
// within Unicode's range).
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace host
