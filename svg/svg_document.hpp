// An SVG file held as a pugixml tree, with the checks and limits that make it
// safe to read files from anywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <pugixml.hpp>

namespace evenhue::svg {

// A document that cannot be used, with one line saying why.
class SvgError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Bounds on what a document may hold. The defaults leave room for documents of
// a couple of hundred megabytes (a 100 MB file of elements averaging 40 bytes
// passes) while refusing inputs that only serve to exhaust the machine: every
// element costs the parsed tree and the host's art record about a kilobyte
// more than its text, so the element count is what bounds the memory.
struct Limits {
  std::uint64_t maxBytes = 256ull << 20;       // file size
  std::uint64_t maxElements = 2'500'000;       // elements in the whole tree, counted before parsing
  std::uint32_t maxDepth = 250'000;            // element nesting
  std::uint32_t maxStops = 32'767;             // stops of one gradient (the host's 16-bit count)
};

// The element name without its namespace prefix ("svg:rect" -> "rect").
std::string_view LocalName(pugi::xml_node node);

class SvgDocument {
 public:
  // Parses `text`; throws SvgError for empty, malformed, non-SVG, entity-declaring
  // or over-limit documents. The text buffer is taken over.
  static SvgDocument Parse(std::string text, const Limits& limits = {});

  SvgDocument(SvgDocument&&) noexcept;
  SvgDocument& operator=(SvgDocument&&) noexcept;
  ~SvgDocument();

  pugi::xml_node Root() const;  // the <svg> element
  const Limits& limits() const { return limits_; }
  std::size_t ElementCount() const { return elementCount_; }

  // The element with this id (the first one in document order), or an empty node.
  pugi::xml_node FindById(std::string_view id) const;
  // An id not used in the document yet, derived from `base`; it is reserved at once.
  std::string FreshId(std::string_view base);

  // The whole document as text, nodes as they were parsed (nothing re-indented),
  // in the encoding the input was read in (so that its declaration holds).
  std::string Serialize() const;

 private:
  SvgDocument();
  std::unique_ptr<pugi::xml_document> doc_;
  Limits limits_;
  pugi::xml_encoding encoding_ = pugi::encoding_utf8;  // of the input
  std::size_t elementCount_ = 0;
  std::unordered_map<std::string, pugi::xml_node> ids_;
  std::unordered_set<std::string> reserved_;
  std::uint64_t nextSuffix_ = 1;
};

}  // namespace evenhue::svg
