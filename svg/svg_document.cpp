#include "svg/svg_document.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>
#include <vector>

namespace evenhue::svg {

std::string_view LocalName(pugi::xml_node node) {
  std::string_view name = node.name();
  const auto colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

namespace {

std::size_t LineOf(const std::string& text, std::ptrdiff_t offset) {
  const auto end = text.begin() + std::clamp<std::ptrdiff_t>(offset, 0, static_cast<std::ptrdiff_t>(text.size()));
  return 1 + static_cast<std::size_t>(std::count(text.begin(), end, '\n'));
}

bool ContainsCaseInsensitive(std::string_view haystack, std::string_view needle) {
  const auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                              [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
  return it != haystack.end();
}

// The element start tags of `text`, counted before anything is parsed and
// only up to `stopAbove + 1`: the tree pugixml builds costs far more than the
// text, so a file that only serves to exhaust memory is refused before it is
// built. Comments, CDATA sections, processing instructions and declarations
// hold no elements; '<' cannot appear unescaped anywhere else but in a tag.
std::uint64_t CountStartTags(std::string_view text, std::uint64_t stopAbove) {
  std::uint64_t count = 0;
  std::size_t at = 0;
  const auto skipPast = [&](std::string_view end) {
    const std::size_t found = text.find(end, at);
    at = found == std::string_view::npos ? text.size() : found + end.size();
  };
  while (count <= stopAbove) {
    at = text.find('<', at);
    if (at == std::string_view::npos || at + 1 >= text.size()) break;
    const std::string_view rest = text.substr(at);
    if (rest.starts_with("<!--")) {
      at += 4;
      skipPast("-->");
    } else if (rest.starts_with("<![CDATA[")) {
      at += 9;
      skipPast("]]>");
    } else if (rest[1] == '?') {
      at += 2;
      skipPast("?>");
    } else if (rest[1] == '!' || rest[1] == '/') {
      at += 2;
    } else {
      ++count;
      ++at;
    }
  }
  return count;
}

}  // namespace

SvgDocument::SvgDocument() : doc_(std::make_unique<pugi::xml_document>()) {}
SvgDocument::SvgDocument(SvgDocument&&) noexcept = default;
SvgDocument& SvgDocument::operator=(SvgDocument&&) noexcept = default;
SvgDocument::~SvgDocument() = default;

SvgDocument SvgDocument::Parse(std::string text, const Limits& limits) {
  if (text.size() > limits.maxBytes)
    throw SvgError("file is larger than the limit of " + std::to_string(limits.maxBytes >> 20) + " MiB");
  if (std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }))
    throw SvgError("file is empty");

  if (CountStartTags(text, limits.maxElements) > limits.maxElements)
    throw SvgError("more than " + std::to_string(limits.maxElements) + " elements");

  SvgDocument result;
  result.limits_ = limits;
  // Keep everything a round trip must preserve: declaration, doctype,
  // processing instructions, comments and white space between elements.
  // pugixml expands only the predefined and numeric character references,
  // never entities declared in a DTD, and it never fetches anything.
  constexpr unsigned kOptions = pugi::parse_full | pugi::parse_ws_pcdata;
  const auto parsed = result.doc_->load_buffer(text.data(), text.size(), kOptions);
  result.encoding_ = parsed.encoding;
  if (!parsed) {
    std::ostringstream what;
    what << "not well-formed XML at line " << LineOf(text, parsed.offset) << ": " << parsed.description();
    throw SvgError(what.str());
  }

  pugi::xml_node root;
  for (pugi::xml_node node : result.doc_->children()) {
    if (node.type() == pugi::node_doctype) {
      // Entity declarations are the vehicle of expansion bombs and of external
      // entities (local files, URLs); no legitimate SVG needs them.
      if (ContainsCaseInsensitive(node.value(), "<!ENTITY"))
        throw SvgError("the document type declares entities, which are refused");
    } else if (node.type() == pugi::node_element) {
      root = node;
    }
  }
  if (!root) throw SvgError("no root element");
  if (LocalName(root) != "svg")
    throw SvgError("not an SVG document (the root element is <" + std::string(root.name()) + ">)");

  // Count, measure depth and index ids without recursion: the tree may be
  // hundreds of thousands of levels deep.
  std::size_t elements = 0;
  std::uint32_t depth = 1;
  pugi::xml_node node = root;
  while (node) {
    if (node.type() == pugi::node_element) {
      if (++elements > limits.maxElements)
        throw SvgError("more than " + std::to_string(limits.maxElements) + " elements");
      if (depth > limits.maxDepth)
        throw SvgError("elements nested deeper than " + std::to_string(limits.maxDepth) + " levels");
      if (const pugi::xml_attribute id = node.attribute("id")) {
        result.ids_.try_emplace(id.value(), node);
      }
      if (pugi::xml_node child = node.first_child()) {
        node = child;
        ++depth;
        continue;
      }
    }
    while (node && node != root && !node.next_sibling()) {
      node = node.parent();
      --depth;
    }
    if (!node || node == root) break;
    node = node.next_sibling();
  }
  result.elementCount_ = elements;
  return result;
}

pugi::xml_node SvgDocument::Root() const { return doc_->document_element(); }

pugi::xml_node SvgDocument::FindById(std::string_view id) const {
  const auto it = ids_.find(std::string(id));
  return it == ids_.end() ? pugi::xml_node() : it->second;
}

std::string SvgDocument::FreshId(std::string_view base) {
  std::string stem(base.empty() ? "gradient" : base);
  stem += "-evenhue-";
  for (;;) {
    std::string candidate = stem + std::to_string(nextSuffix_++);
    if (!ids_.count(candidate) && reserved_.insert(candidate).second) return candidate;
  }
}

std::string SvgDocument::Serialize() const {
  struct Collect : pugi::xml_writer {
    std::string out;
    void write(const void* data, std::size_t size) override { out.append(static_cast<const char*>(data), size); }
  } writer;
  // Raw: nothing re-indented. White space outside the root element is not
  // kept by the parser, so the top-level nodes go on lines of their own, as
  // nearly every file has them. The text goes out in the input's encoding
  // (pugixml reads Latin-1, UTF-16 and UTF-32 into UTF-8), the newlines too;
  // UTF-16 and UTF-32 start with a byte order mark.
  pugi::xml_document characters;
  pugi::xml_node newline = characters.append_child(pugi::node_pcdata);
  newline.set_value("\n");
  if (encoding_ != pugi::encoding_utf8 && encoding_ != pugi::encoding_latin1) {
    pugi::xml_node mark = characters.append_child(pugi::node_pcdata);
    mark.set_value("\xef\xbb\xbf");  // U+FEFF
    mark.print(writer, "", pugi::format_raw, encoding_);
  }
  for (pugi::xml_node node : doc_->children()) {
    node.print(writer, "", pugi::format_raw, encoding_);
    newline.print(writer, "", pugi::format_raw, encoding_);
  }
  return std::move(writer.out);
}

}  // namespace evenhue::svg
