// An SVG file held as a pugixml tree, with the checks and limits that make it
// safe to read files from anywhere.
#pragma once

#include <algorithm>
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
  std::uint32_t maxStops = 32'767;             // stops of one gradient (a 16-bit signed count)

  // Entities declared in the document type. Legitimate documents use them
  // for namespace names and style text one level deep; nesting beyond a few
  // levels only serves to multiply text. The text that expanding produces
  // (each entity's expansion, and every copy of it into a value) may reach
  // the larger of a floor and a multiple of the file size: a drawing made of
  // nothing but short elements each styled through an entity grows to two or
  // three times its size, while a bomb (a few kilobytes that would expand to
  // gigabytes) is refused after some 16 MiB of copying, and no file can make
  // the parser hold more than a few times what its own text costs.
  std::uint32_t maxEntityDepth = 8;
  std::uint64_t entityTextFloor = 16ull << 20;
  std::uint32_t entityTextPerFileByte = 4;
  std::uint64_t EntityTextLimit(std::uint64_t fileBytes) const {
    return std::max(entityTextFloor, entityTextPerFileByte * fileBytes);
  }
};

// The element name without its namespace prefix ("svg:rect" -> "rect").
std::string_view LocalName(pugi::xml_node node);

class SvgDocument {
 public:
  // Parses `text`; throws SvgError for empty, malformed, non-SVG or
  // over-limit documents and for entities it does not expand (see
  // xml_entities.hpp). The general entities the document type declares are
  // expanded in attribute values and text; nothing outside the text is read.
  // The text buffer is taken over.
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

  // The whole document as text. A UTF-8 document comes back as the text it
  // was read from, byte for byte, but for what changed in the tree since (see
  // source_splice.hpp): changed attribute values and text, added and removed
  // attributes and nodes. A value that used declared entities and is
  // unchanged keeps its references; one changed since is written expanded.
  // A document in another encoding is printed from the tree, nodes as they
  // were parsed (nothing re-indented), in its own encoding (so that its
  // declaration holds), every value expanded.
  std::string Serialize() const;

 private:
  SvgDocument();
  std::string SerializeTree() const;
  std::string SerializeSplice() const;

  struct Entities;  // declared entities, and where expanded text stood
  // A UTF-8 document's text as read (empty for other encodings), and the
  // copy pugixml parsed in place (its names and values point into it).
  std::string source_;
  std::unique_ptr<char[]> parsed_;
  std::unique_ptr<pugi::xml_document> doc_;
  std::unique_ptr<Entities> entities_;  // null when the document declares none
  Limits limits_;
  pugi::xml_encoding encoding_ = pugi::encoding_utf8;  // of the input
  std::size_t elementCount_ = 0;
  std::unordered_map<std::string, pugi::xml_node> ids_;
  std::unordered_set<std::string> reserved_;
  std::uint64_t nextSuffix_ = 1;
};

}  // namespace evenhue::svg
