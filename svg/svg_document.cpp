#include "svg/svg_document.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <sstream>
#include <vector>

#include "svg/source_splice.hpp"
#include "text/utf8.hpp"
#include "svg/xml_entities.hpp"

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

// Visits `root` and every node below it in document order, without
// recursion (the tree may be hundreds of thousands of levels deep), with
// the node's depth (1 for `root`).
template <typename Visit>
void ForEachNode(pugi::xml_node root, Visit&& visit) {
  std::uint32_t depth = 1;
  pugi::xml_node node = root;
  while (node) {
    visit(node, depth);
    if (pugi::xml_node child = node.first_child()) {
      node = child;
      ++depth;
      continue;
    }
    while (node != root && !node.next_sibling()) {
      node = node.parent();
      --depth;
    }
    if (node == root) break;
    node = node.next_sibling();
  }
}

// The first byte of `text` that is not part of well-formed UTF-8, or npos.
std::size_t FirstBadUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    // Eight ASCII bytes at a time.
    std::uint64_t eight;
    if (i + 8 <= text.size() && (std::memcpy(&eight, text.data() + i, 8), (eight & 0x8080808080808080ull) == 0)) {
      i += 8;
      continue;
    }
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = unicode::Utf8SequenceLength(text.substr(i));
    if (length == 0) return i;
    i += length;
  }
  return std::string_view::npos;
}

}  // namespace

// The general entities the document type declares, and where in the text
// the text nodes stand whose expansion pugixml keeps elsewhere.
struct SvgDocument::Entities {
  DeclaredEntities declared;
  std::uint32_t maxDepth = 0;
  std::uint64_t maxBytes = 0;
  std::unordered_map<const void*, std::size_t> movedText;
};

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
  // never entities declared in a DTD, and it never fetches anything. It
  // parses a copy of the text in place, so that the names and values of a
  // UTF-8 document point into it at the text's own offsets (see
  // source_splice.hpp); other encodings it converts.
  constexpr unsigned kOptions = pugi::parse_full | pugi::parse_ws_pcdata;
  const auto load = [&](unsigned options) {
    result.doc_->reset();
    result.parsed_.reset(new char[std::max<std::size_t>(text.size(), 1)]);
    std::memcpy(result.parsed_.get(), text.data(), text.size());
    const auto parsed = result.doc_->load_buffer_inplace(result.parsed_.get(), text.size(), options);
    result.encoding_ = parsed.encoding;
    if (!parsed) {
      std::ostringstream what;
      what << "not well-formed XML at line " << LineOf(text, parsed.offset) << ": " << parsed.description();
      throw SvgError(what.str());
    }
  };
  load(kOptions);
  if (result.encoding_ == pugi::encoding_utf8) {
    const std::size_t bad = FirstBadUtf8(text);
    if (bad != std::string_view::npos) {
      char byte[8];
      std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(text[bad])));
      throw SvgError("not well-formed XML at line " + std::to_string(LineOf(text, static_cast<std::ptrdiff_t>(bad))) +
                     ": byte " + byte + " is not UTF-8");
    }
  }

  pugi::xml_node doctype;
  for (pugi::xml_node node : result.doc_->children())
    if (node.type() == pugi::node_doctype) doctype = node;
  // A document type that declares general entities: read again with every
  // reference left as written (pugixml would decode "&amp;" and keep "&a;"
  // alike as "&a;"), then expand each value below.
  if (doctype && ContainsCaseInsensitive(doctype.value(), "<!ENTITY")) {
    DeclaredEntities declared = DeclaredEntities::Read(doctype.value());
    if (!declared.empty()) {
      result.entities_ = std::make_unique<Entities>();
      result.entities_->declared = std::move(declared);
      result.entities_->maxDepth = limits.maxEntityDepth;
      result.entities_->maxBytes = limits.EntityTextLimit(text.size());
      load(kOptions & ~pugi::parse_escapes);
    }
  }
  // pugixml may keep using the copy for other encodings too (Latin-1 that is
  // all ASCII it reads in place).
  if (result.encoding_ == pugi::encoding_utf8) result.source_ = std::move(text);

  pugi::xml_node root;
  for (pugi::xml_node node : result.doc_->children())
    if (node.type() == pugi::node_element) root = node;
  if (!root) throw SvgError("no root element");
  if (LocalName(root) != "svg")
    throw SvgError("not an SVG document (the root element is <" + std::string(root.name()) + ">)");

  std::optional<EntityExpander> expander;
  if (result.entities_) expander.emplace(result.entities_->declared, limits.maxEntityDepth, result.entities_->maxBytes);
  std::string expanded;
  const auto expand = [&](auto item, EntityContext context) {
    const char* value = item.value();
    if (!std::strchr(value, '&')) return;
    expanded.clear();
    expander->Expand(value, context, expanded);
    if (!item.set_value(expanded.c_str(), expanded.size())) throw std::bad_alloc();
    // A text node is found in the text by where its value points.
    if (context == EntityContext::kText && item.value() != value && result.parsed_ && value >= result.parsed_.get() &&
        value < result.parsed_.get() + result.source_.size())
      result.entities_->movedText.emplace(item.internal_object(),
                                          static_cast<std::size_t>(value - result.parsed_.get()));
  };

  // Count, measure depth, expand entities and index ids in one pass.
  std::size_t elements = 0;
  ForEachNode(root, [&](pugi::xml_node node, std::uint32_t depth) {
    if (node.type() == pugi::node_element) {
      if (++elements > limits.maxElements)
        throw SvgError("more than " + std::to_string(limits.maxElements) + " elements");
      if (depth > limits.maxDepth)
        throw SvgError("elements nested deeper than " + std::to_string(limits.maxDepth) + " levels");
      if (expander)
        for (pugi::xml_attribute attribute : node.attributes()) expand(attribute, EntityContext::kAttribute);
      if (const pugi::xml_attribute id = node.attribute("id")) {
        result.ids_.try_emplace(id.value(), node);
      }
    } else if (expander && node.type() == pugi::node_pcdata) {
      expand(node, EntityContext::kText);
    }
  });
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
  return encoding_ == pugi::encoding_utf8 ? SerializeSplice() : SerializeTree();
}

std::string SvgDocument::SerializeSplice() const {
  SpliceSource source;
  source.text = source_;
  source.parsed = parsed_.get();
  if (!entities_) {
    source.decode = DecodeAsParsed;
    return SpliceSerialize(*doc_, source);
  }
  // Read as the document was read: line ends normalised by pugixml, then
  // every reference expanded.
  EntityExpander expander(entities_->declared, entities_->maxDepth, entities_->maxBytes);
  std::string normalised;
  source.decode = [&](std::string_view raw, EntityContext context, std::string& out) {
    normalised.clear();
    NormaliseLineEnds(raw, context, normalised);
    if (normalised.find('&') == std::string::npos) {
      out += normalised;
      return true;
    }
    try {
      expander.Expand(normalised, context, out);
      return true;
    } catch (const SvgError&) {
      return false;
    }
  };
  source.movedText = [&](pugi::xml_node node) {
    const auto it = entities_->movedText.find(node.internal_object());
    return it == entities_->movedText.end() ? std::string_view::npos : it->second;
  };
  return SpliceSerialize(*doc_, source);
}

std::string SvgDocument::SerializeTree() const {
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
