// Documents read and written as files, plain or gzip-compressed (.svgz, as
// Inkscape's "Compressed Inkscape SVG" and KDE's card decks are). A document
// is known to be compressed by its first bytes, never by its name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace evenhue::svg {

struct DocumentFile {
  std::string text;         // the document, decompressed
  bool compressed = false;  // it came as gzip
  std::string packed;       // its bytes as read, when compressed and asked for
};

// Reads a document ("-" is standard input), decompressing it, as it is read,
// when it starts with gzip's magic bytes. Refuses a file of more than
// `maxBytes`, or one that decompresses to more (it stops there), and
// compressed data that is damaged or cut short; every failure throws
// FileError naming the file. With `keepPacked`, a compressed document's bytes
// are kept as they were read.
DocumentFile ReadDocument(const std::string& path, std::uint64_t maxBytes, bool keepPacked = false);

// Whether a file name asks for a compressed document: it ends in ".svgz", in any case.
bool NamesCompressed(std::string_view path);

// Whether the document written to `target` is compressed: when it replaces its
// input (in place), as the input was; otherwise as its name asks.
bool WritesCompressed(const std::string& target, bool inPlace, bool inputCompressed);

// `text` as a gzip file (no name, no time stamp: the same text always gives the same bytes).
std::string Compress(std::string_view text);

}  // namespace evenhue::svg
