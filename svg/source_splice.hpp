// A parsed document written back as the text it was parsed from, with only
// what changed in the tree since replaced.
//
// The tree must have been parsed by pugixml in place, from a copy of the
// text, so that the names and values it has not changed since still point
// into that copy at the offsets where they stand in the text. Nothing is
// recorded while the tree is changed: changes are found by comparing the
// tree with the text when writing, so any pugixml call may have changed it.
//
// What comes back as it was, byte for byte: everything outside the tree
// (a byte order mark, white space between top-level nodes), every node whose
// content is unchanged (comments, processing instructions, the document
// type, text, with their line ends and references), and of an element its
// start tag's layout: quoting, spacing and line breaks between attributes,
// unchanged attribute values, the empty-element form or the end tag. Only
// changed attribute values (the quote character kept), added and removed
// attributes, changed text and added or removed nodes differ; added nodes
// are printed by pugixml, their line breaks in the text's own line-end style.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "svg/xml_entities.hpp"

namespace evenhue::svg {

struct SpliceSource {
  std::string_view text;          // the document as read (UTF-8)
  const char* parsed = nullptr;   // the copy pugixml parsed in place, text.size() bytes
  // The offset in `text` of a text node whose value no longer points into
  // `parsed` although unchanged since parsing (set by the reader itself);
  // npos when there is none.
  std::function<std::size_t(pugi::xml_node)> movedText;
  // Appends to `out` the value pugixml gave `raw` (an attribute value or a
  // run of text as written) when parsing; false when it cannot say, which
  // counts as changed.
  std::function<bool(std::string_view raw, EntityContext context, std::string& out)> decode;
};

// The value pugixml's default reading gives `raw`: line ends normalised
// (in attribute values every line end, tab and line feed to a space), the
// predefined entities and character references replaced, any other '&'
// kept as it is.
bool DecodeAsParsed(std::string_view raw, EntityContext context, std::string& out);

// The line ends of an attribute value or text run normalised as pugixml
// reads them, references left as they are.
void NormaliseLineEnds(std::string_view raw, EntityContext context, std::string& out);

// The document `document` as `source.text` with the changes spliced in.
std::string SpliceSerialize(const pugi::xml_document& document, const SpliceSource& source);

}  // namespace evenhue::svg
