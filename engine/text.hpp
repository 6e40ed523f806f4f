// Text helpers shared by the command's outputs: UTF-8 checks, XML text and
// Base64 for the SVG documents it writes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/utf8.hpp"

namespace evenhue::cli {

using unicode::Utf8SequenceLength;

// `text` as XML character data or attribute value: markup characters escaped,
// bytes that are not well-formed UTF-8 and characters XML cannot hold
// (control characters but tab, line feed and carriage return) as U+FFFD.
std::string XmlText(std::string_view text);

// `value` as snprintf formats it with `format` (one double conversion).
std::string FormatNumber(double value, const char* format);

// Base64 (RFC 4648, with padding).
std::string Base64(std::string_view data);

}  // namespace evenhue::cli
