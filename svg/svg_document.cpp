#include "svg/svg_document.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <optional>
#include <sstream>
#include <vector>

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

// Stands for '&' in the text of a kept value while pugixml writes it (it
// would write "&amp;"): U+FFFF is not a character XML allows, and the
// written text is checked to hold it nowhere else.
constexpr std::string_view kAmpersandMark = "\xef\xbf\xbf";

}  // namespace

// The general entities the document type declares, and the value as written
// (references unexpanded) of every attribute and text node that used one,
// keyed by pugixml's object.
struct SvgDocument::Entities {
  struct Written {
    std::string text;
    EntityContext context;
  };
  DeclaredEntities declared;
  std::uint32_t maxDepth = 0;
  std::uint64_t maxBytes = 0;
  std::unordered_map<const void*, Written> written;
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
  // never entities declared in a DTD, and it never fetches anything.
  constexpr unsigned kOptions = pugi::parse_full | pugi::parse_ws_pcdata;
  const auto load = [&](unsigned options) {
    const auto parsed = result.doc_->load_buffer(text.data(), text.size(), options);
    result.encoding_ = parsed.encoding;
    if (!parsed) {
      std::ostringstream what;
      what << "not well-formed XML at line " << LineOf(text, parsed.offset) << ": " << parsed.description();
      throw SvgError(what.str());
    }
  };
  load(kOptions);

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
    if (expander->Expand(value, context, expanded))
      result.entities_->written.emplace(item.internal_object(), Entities::Written{value, context});
    if (!item.set_value(expanded.c_str(), expanded.size())) throw std::bad_alloc();
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
  if (entities_ && !entities_->written.empty() && encoding_ == pugi::encoding_utf8) return SerializeKeepingReferences();
  return SerializeTree();
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

std::string SvgDocument::SerializeKeepingReferences() const {
  // Each value that still holds the expansion of its written text gets that
  // text back for the time of writing, '&' marked; the values are restored
  // however writing ends.
  struct Swapped {
    pugi::xml_attribute attribute;
    pugi::xml_node text;
    std::string expanded;
    void Set(const std::string& value) const {
      pugi::xml_attribute a = attribute;
      pugi::xml_node t = text;
      if (a) a.set_value(value.c_str(), value.size());
      else t.set_value(value.c_str(), value.size());
    }
  };
  struct Restore {
    std::vector<Swapped> values;
    ~Restore() {
      for (const Swapped& s : values) s.Set(s.expanded);
    }
  } swapped;

  EntityExpander expander(entities_->declared, entities_->maxDepth, entities_->maxBytes);
  std::size_t marks = 0;
  const auto keep = [&](auto item, EntityContext context, Swapped swap) {
    const auto it = entities_->written.find(item.internal_object());
    if (it == entities_->written.end() || it->second.context != context) return;
    expander.Expand(it->second.text, context, swap.expanded);
    if (swap.expanded != item.value()) return;  // changed since
    std::string marked;
    marked.reserve(it->second.text.size() + 16);
    for (const char c : it->second.text) {
      if (c == '&') {
        marked += kAmpersandMark;
        ++marks;
      } else {
        marked += c;
      }
    }
    swapped.values.push_back(std::move(swap));
    swapped.values.back().Set(marked);
  };
  for (pugi::xml_node top : doc_->children()) {
    ForEachNode(top, [&](pugi::xml_node node, std::uint32_t) {
      if (node.type() == pugi::node_element) {
        for (pugi::xml_attribute attribute : node.attributes())
          keep(attribute, EntityContext::kAttribute, Swapped{attribute, {}, {}});
      } else if (node.type() == pugi::node_pcdata) {
        keep(node, EntityContext::kText, Swapped{{}, node, {}});
      }
    });
  }
  std::string out = SerializeTree();

  // Every mark back to '&'; should the document hold U+FFFF of its own, the
  // marks cannot be told apart, and the values are written expanded instead.
  std::size_t found = 0;
  std::size_t to = 0;
  for (std::size_t from = 0; from < out.size();) {
    if (out.compare(from, kAmpersandMark.size(), kAmpersandMark) == 0) {
      out[to++] = '&';
      from += kAmpersandMark.size();
      ++found;
    } else {
      out[to++] = out[from++];
    }
  }
  out.resize(to);
  if (found == marks) return out;
  for (const Swapped& s : swapped.values) s.Set(s.expanded);
  swapped.values.clear();
  return SerializeTree();
}

}  // namespace evenhue::svg
