#include "svg/source_splice.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace evenhue::svg {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// What starts at a place in the text, at one level of the tree.
enum class Kind { Text, Element, EndTag, Comment, Cdata, Pi, Declaration, Doctype, Other, End };

struct Token {
  Kind kind = Kind::End;
  std::size_t start = 0;
  std::size_t end = 0;  // past the token; for an element, past its start tag
  bool empty = false;   // an element written as <x/>
};

// An attribute as a start tag (or the XML declaration) writes it.
struct WrittenAttribute {
  std::size_t lead;             // the white space before the name
  std::size_t name, nameEnd;
  std::size_t value, valueEnd;  // between the quotes
};

struct StartTag {
  std::size_t nameEnd = 0;
  std::vector<WrittenAttribute> attributes;
  std::size_t tail = 0;   // the white space after the last attribute, then "/>" or ">"
  std::size_t close = 0;  // the '/' or '>'
  std::size_t end = 0;
  bool empty = false;
};

// Reads the text, which pugixml found well-formed, one construct at a time.
class Lexer {
 public:
  explicit Lexer(std::string_view text) : s_(text) {}

  Token Next(std::size_t at) const {
    Token t;
    t.start = at;
    if (at >= s_.size()) {
      t.start = t.end = s_.size();
      return t;
    }
    if (s_[at] != '<') {
      t.kind = Kind::Text;
      t.end = std::min(s_.find('<', at), s_.size());
      return t;
    }
    const std::string_view rest = s_.substr(at);
    if (rest.starts_with("</")) {
      t.kind = Kind::EndTag;
      t.end = Past(">", at + 2);
    } else if (rest.starts_with("<!--")) {
      t.kind = Kind::Comment;
      t.end = Past("-->", at + 4);
    } else if (rest.starts_with("<![CDATA[")) {
      t.kind = Kind::Cdata;
      t.end = Past("]]>", at + 9);
    } else if (rest.starts_with("<!DOCTYPE")) {
      t.kind = Kind::Doctype;
      t.end = DoctypeEnd(at + 9);
    } else if (rest.starts_with("<!")) {
      t.kind = Kind::Other;
      t.end = Past(">", at + 2);
    } else if (rest.starts_with("<?")) {
      // pugixml takes any case of "xml" for the declaration.
      const bool xml = rest.size() > 5 && (rest[2] | ' ') == 'x' && (rest[3] | ' ') == 'm' &&
                       (rest[4] | ' ') == 'l' && (IsSpace(rest[5]) || rest[5] == '?');
      t.kind = xml ? Kind::Declaration : Kind::Pi;
      t.end = Past("?>", at + 2);
    } else {
      t.kind = Kind::Element;
      t.end = StartTagEnd(at + 1, t.empty);
    }
    return t;
  }

  // Past the whole of what `t` starts: for an element, past its end tag.
  std::size_t FullEnd(const Token& t) const {
    if (t.kind != Kind::Element || t.empty) return t.end;
    std::size_t depth = 1;
    for (std::size_t at = t.end;;) {
      const Token inner = Next(at);
      if (inner.kind == Kind::End) return s_.size();
      if (inner.kind == Kind::Element && !inner.empty) ++depth;
      if (inner.kind == Kind::EndTag && --depth == 0) return inner.end;
      at = inner.end;
    }
  }

  // The start tag at `at`; false when it cannot be read.
  bool ReadStartTag(std::size_t at, StartTag& tag) const {
    std::size_t i = at + 1;
    while (i < s_.size() && !IsSpace(s_[i]) && s_[i] != '/' && s_[i] != '>') ++i;
    tag.nameEnd = i;
    tag.attributes.clear();
    if (!ReadAttributes(i, tag.attributes, tag.tail)) return false;
    i = tag.tail;
    while (i < s_.size() && IsSpace(s_[i])) ++i;
    if (i >= s_.size()) return false;
    tag.close = i;
    tag.empty = s_[i] == '/';
    if (tag.empty && (i + 1 >= s_.size() || s_[i + 1] != '>')) return false;
    if (!tag.empty && s_[i] != '>') return false;
    tag.end = i + (tag.empty ? 2 : 1);
    return true;
  }

  // The attributes from `at` on, up to white space followed by '/', '>' or
  // '?'; `tail` is set past the last one.
  bool ReadAttributes(std::size_t at, std::vector<WrittenAttribute>& out, std::size_t& tail) const {
    std::size_t i = at;
    for (;;) {
      const std::size_t lead = i;
      while (i < s_.size() && IsSpace(s_[i])) ++i;
      if (i >= s_.size()) return false;
      if (s_[i] == '/' || s_[i] == '>' || s_[i] == '?') {
        tail = lead;
        return true;
      }
      WrittenAttribute a;
      a.lead = lead;
      a.name = i;
      while (i < s_.size() && !IsSpace(s_[i]) && s_[i] != '=') ++i;
      a.nameEnd = i;
      while (i < s_.size() && IsSpace(s_[i])) ++i;
      if (i >= s_.size() || s_[i] != '=') return false;
      ++i;
      while (i < s_.size() && IsSpace(s_[i])) ++i;
      if (i >= s_.size() || (s_[i] != '"' && s_[i] != '\'')) return false;
      a.value = i + 1;
      a.valueEnd = s_.find(s_[i], a.value);
      if (a.valueEnd == kNone) return false;
      i = a.valueEnd + 1;
      out.push_back(a);
    }
  }

 private:
  std::size_t Past(std::string_view what, std::size_t from) const {
    const std::size_t found = s_.find(what, from);
    return found == kNone ? s_.size() : found + what.size();
  }

  // Past the '>' that closes a document type declaration, its internal
  // subset (declarations, quoted literals, comments, processing
  // instructions) passed over.
  std::size_t DoctypeEnd(std::size_t i) const {
    std::size_t brackets = 0, angles = 0;
    while (i < s_.size()) {
      const char c = s_[i];
      if (c == '"' || c == '\'') {
        i = Past(std::string_view(&s_[i], 1), i + 1);
      } else if (s_.compare(i, 4, "<!--") == 0) {
        i = Past("-->", i + 4);
      } else if (s_.compare(i, 2, "<?") == 0) {
        i = Past("?>", i + 2);
      } else {
        if (c == '[') ++brackets;
        else if (c == ']' && brackets > 0) --brackets;
        else if (c == '<') ++angles;
        else if (c == '>') {
          if (angles == 0 && brackets == 0) return i + 1;
          if (angles > 0) --angles;
        }
        ++i;
      }
    }
    return s_.size();
  }

  // Past the '>' of the start tag whose name starts at `i`, quoted values passed over.
  std::size_t StartTagEnd(std::size_t i, bool& empty) const {
    while (i < s_.size()) {
      const char c = s_[i];
      if (c == '"' || c == '\'') {
        i = Past(std::string_view(&s_[i], 1), i + 1);
      } else if (c == '>') {
        empty = s_[i - 1] == '/';
        return i + 1;
      } else {
        ++i;
      }
    }
    return s_.size();
  }

  std::string_view s_;
};

void AppendReference(std::string& out, unsigned code) {
  out += "&#";
  out += std::to_string(code);
  out += ';';
}

// As pugixml writes a code point (any value, as it does).
void AppendCodePoint(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The reference at the start of `text` (which starts with '&') as pugixml
// replaces it: its length, 0 when it is left as written.
std::size_t ReadReference(std::string_view text, std::string& out) {
  static constexpr std::pair<std::string_view, char> kPredefined[] = {
      {"&amp;", '&'}, {"&apos;", '\''}, {"&gt;", '>'}, {"&lt;", '<'}, {"&quot;", '"'}};
  for (const auto& [name, c] : kPredefined)
    if (text.starts_with(name)) {
      out += c;
      return name.size();
    }
  if (text.size() < 3 || text[1] != '#') return 0;
  const bool hex = text[2] == 'x';
  std::size_t i = hex ? 3 : 2;
  const std::size_t first = i;
  std::uint32_t code = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(c - '0');
    else if (hex && (c | ' ') >= 'a' && (c | ' ') <= 'f')
      code = code * 16 + static_cast<std::uint32_t>((c | ' ') - 'a' + 10);
    else break;
  }
  if (i == first || i >= text.size() || text[i] != ';') return 0;
  AppendCodePoint(out, code);
  return i + 1;
}

template <bool kReferences>
void Decode(std::string_view raw, EntityContext context, std::string& out) {
  const bool attribute = context == EntityContext::kAttribute;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\r') {
      out += attribute ? ' ' : '\n';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else if (attribute && (c == '\n' || c == '\t')) {
      out += ' ';
    } else if (kReferences && c == '&') {
      const std::size_t n = ReadReference(raw.substr(i), out);
      if (n == 0) out += c;
      else i += n - 1;
    } else {
      out += c;
    }
  }
}

class Splicer {
 public:
  explicit Splicer(const SpliceSource& source) : source_(source), s_(source.text), lexer_(source.text) {
    const std::size_t lf = s_.find('\n');
    newline_ = lf != kNone && lf > 0 && s_[lf - 1] == '\r' ? "\r\n" : "\n";
    // Room for what a drawing of small shapes with a new gradient each grows
    // to, so that the text is not copied as it grows; pages untouched cost nothing.
    out_.reserve(3 * s_.size() + 4096);
  }

  std::string Run(const pugi::xml_document& document) {
    struct Frame {
      pugi::xml_node node;  // whose children are being written
      pugi::xml_node next;  // the next child to write
      std::size_t cursor;   // in the text, within the node's content; kNone: the content is new
      std::size_t after;    // kNone, or where the node ends in the text when its content is new
      bool top;             // the document itself
    };
    std::vector<Frame> stack;
    stack.push_back({document, document.first_child(), 0, kNone, true});
    while (!stack.empty()) {
      Frame& f = stack.back();
      if (f.next) {
        const pugi::xml_node child = f.next;
        f.next = child.next_sibling();
        Token t;
        if (f.cursor == kNone || !Locate(child, f.cursor, f.top, t)) {
          PrintNew(child);
          continue;
        }
        if (child.type() != pugi::node_element) {
          WriteUnlessChanged(child, t);
          f.cursor = t.end;
          continue;
        }
        if (!lexer_.ReadStartTag(t.start, tag_)) {
          PrintNew(child);
          continue;
        }
        const bool children = static_cast<bool>(child.first_child());
        WriteStartTag(child, t, children);
        if (!children && tag_.empty) {
          f.cursor = tag_.end;
        } else if (tag_.empty) {
          stack.push_back({child, child.first_child(), kNone, tag_.end, false});
        } else {
          stack.push_back({child, child.first_child(), tag_.end, kNone, false});
        }
        continue;
      }
      std::size_t end = f.after;
      if (f.cursor != kNone) {
        end = FinishContent(f.cursor, f.top);
      } else {
        Out() += "</";
        Out() += f.node.name();
        Out() += '>';
      }
      stack.pop_back();
      if (!stack.empty()) stack.back().cursor = end;
    }
    Flush();
    return std::move(out_);
  }

 private:
  bool FromText(const char* p) const {
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    const auto base = reinterpret_cast<std::uintptr_t>(source_.parsed);
    return p && at >= base && at < base + s_.size();
  }
  std::size_t OffsetOf(const char* p) const { return static_cast<std::size_t>(p - source_.parsed); }

  // Where the construct of `node` starts in the text, as its names and
  // values tell; kNone for nodes not read from the text.
  std::size_t Claimed(pugi::xml_node node) const {
    std::size_t at = kNone;
    const auto back = [&](const char* p, std::size_t by) {
      if (FromText(p) && OffsetOf(p) >= by) at = OffsetOf(p) - by;
    };
    switch (node.type()) {
      case pugi::node_element: back(node.name(), 1); break;
      case pugi::node_pcdata:
        if (FromText(node.value())) at = OffsetOf(node.value());
        else if (source_.movedText) at = source_.movedText(node);
        return at;
      case pugi::node_cdata: back(node.value(), 9); break;
      case pugi::node_comment: back(node.value(), 4); break;
      case pugi::node_pi:
      case pugi::node_declaration: back(node.name(), 2); break;
      case pugi::node_doctype:
        back(node.value(), 0);
        while (at != kNone && at > 0 && IsSpace(s_[at - 1])) --at;
        at = at != kNone && at >= 9 ? at - 9 : kNone;
        break;
      default: break;
    }
    return at != kNone && at < s_.size() && s_[at] == '<' ? at : kNone;
  }

  static Kind KindOf(pugi::xml_node node) {
    switch (node.type()) {
      case pugi::node_element: return Kind::Element;
      case pugi::node_pcdata: return Kind::Text;
      case pugi::node_cdata: return Kind::Cdata;
      case pugi::node_comment: return Kind::Comment;
      case pugi::node_pi: return Kind::Pi;
      case pugi::node_declaration: return Kind::Declaration;
      case pugi::node_doctype: return Kind::Doctype;
      default: return Kind::End;
    }
  }

  // Finds the construct `node` was read from among those at this level from
  // `cursor` on. Those before it are no longer in the tree: they are passed
  // over, except text between top-level nodes, which the tree does not hold.
  bool Locate(pugi::xml_node node, std::size_t& cursor, bool top, Token& found) {
    const std::size_t claimed = Claimed(node);
    if (claimed == kNone || claimed < cursor) return false;
    for (std::size_t at = cursor;;) {
      // An element's start tag is read by the caller (Lexer::ReadStartTag):
      // here only its start is needed, not where it ends.
      const bool startTag = at == claimed && s_[at] == '<' && at + 1 < s_.size() && s_[at + 1] != '/' &&
                            s_[at + 1] != '!' && s_[at + 1] != '?';
      const Token t = startTag ? Token{Kind::Element, at, at, false} : lexer_.Next(at);
      if (t.kind == Kind::End || t.kind == Kind::EndTag || t.start > claimed) return false;
      if (t.start == claimed) {
        if (t.kind != KindOf(node)) return false;
        if (t.kind == Kind::Element) {
          const std::string_view name = node.name();
          if (s_.compare(t.start + 1, name.size(), name) != 0) return false;
          const std::size_t after = t.start + 1 + name.size();
          if (after >= s_.size() || !(IsSpace(s_[after]) || s_[after] == '/' || s_[after] == '>')) return false;
        }
        found = t;
        break;
      }
      at = lexer_.FullEnd(t);
    }
    PassOver(cursor, claimed, top);
    cursor = claimed;
    return true;
  }

  // The constructs from `from` to `to` left out (top-level text copied).
  void PassOver(std::size_t from, std::size_t to, bool top) {
    while (from < to) {
      const Token t = lexer_.Next(from);
      if (t.kind == Kind::End) break;
      if (top && t.kind == Kind::Text) Copy(t.start, t.end);
      from = lexer_.FullEnd(t);
    }
  }

  // The rest of a content from `at`: what is left is no longer in the tree
  // but the end tag (or, at the top, the text). Returns the end.
  std::size_t FinishContent(std::size_t at, bool top) {
    for (;;) {
      const Token t = lexer_.Next(at);
      if (t.kind == Kind::End) return t.end;
      if (t.kind == Kind::EndTag && !top) {
        Copy(t.start, t.end);
        return t.end;
      }
      if (top && (t.kind == Kind::Text || t.kind == Kind::EndTag)) Copy(t.start, t.end);
      at = lexer_.FullEnd(t);
    }
  }

  // Text copied from the source, in ranges joined while they follow one another.
  void Copy(std::size_t from, std::size_t to) {
    if (from != copyTo_) {
      Flush();
      copyFrom_ = from;
    }
    copyTo_ = to;
  }
  void Flush() {
    if (copyFrom_ != kNone) out_.append(s_.data() + copyFrom_, copyTo_ - copyFrom_);
    copyFrom_ = copyTo_ = kNone;
  }
  // The output, for what is not copied.
  std::string& Out() {
    Flush();
    return out_;
  }

  // Whether `raw` (as written) reads as `value`.
  bool Reads(std::string_view raw, EntityContext context, const char* value) {
    const bool attribute = context == EntityContext::kAttribute;
    // A long value (path data, say) is searched for each character apart.
    constexpr std::size_t kSearchedApart = 64;
    const auto holds = [&](char c) { return std::memchr(raw.data(), c, raw.size()) != nullptr; };
    const bool plain =
        raw.size() >= kSearchedApart
            ? !holds('&') && !holds('\r') && !(attribute && (holds('\n') || holds('\t')))
            : std::none_of(raw.begin(), raw.end(), [&](char c) {
                return c == '&' || c == '\r' || (attribute && (c == '\n' || c == '\t'));
              });
    if (plain) return raw == value;
    scratch_.clear();
    return source_.decode(raw, context, scratch_) && scratch_ == value;
  }

  bool ReadsAsIs(std::string_view raw, const char* value, bool lineEnds) {
    if (!lineEnds || raw.find('\r') == kNone) return raw == value;
    scratch_.clear();
    NormaliseLineEnds(raw, EntityContext::kText, scratch_);
    return scratch_ == value;
  }

  std::string_view Between(std::size_t from, std::size_t to) const {
    return from <= to ? s_.substr(from, to - from) : std::string_view();
  }

  // A node other than an element, from the text when it is unchanged.
  void WriteUnlessChanged(pugi::xml_node node, const Token& t) {
    bool same = false;
    switch (t.kind) {
      case Kind::Text: {
        const std::string_view raw = Between(t.start, t.end);
        if (Reads(raw, EntityContext::kText, node.value())) {
          Copy(t.start, t.end);
        } else {
          WriteText(node.value());
        }
        return;
      }
      case Kind::Comment: same = ReadsAsIs(Between(t.start + 4, t.end - 3), node.value(), true); break;
      case Kind::Cdata: same = ReadsAsIs(Between(t.start + 9, t.end - 3), node.value(), true); break;
      case Kind::Pi: {
        std::size_t i = t.start + 2;
        while (i < t.end - 2 && !IsSpace(s_[i])) ++i;
        std::size_t v = i;
        while (v < t.end - 2 && IsSpace(s_[v])) ++v;
        same = Between(t.start + 2, i) == node.name() && ReadsAsIs(Between(v, t.end - 2), node.value(), false);
        break;
      }
      case Kind::Declaration: {
        std::vector<WrittenAttribute> written;
        std::size_t tail = 0;
        same = lexer_.ReadAttributes(t.start + 5, written, tail);
        pugi::xml_attribute a = node.first_attribute();
        for (const WrittenAttribute& w : written) {
          same = same && a && Between(w.name, w.nameEnd) == a.name() &&
                 Reads(Between(w.value, w.valueEnd), EntityContext::kAttribute, a.value());
          if (a) a = a.next_attribute();
        }
        same = same && !a && Between(t.start + 2, t.start + 5) == node.name();
        break;
      }
      case Kind::Doctype: {
        std::size_t v = t.start + 9;
        while (v < t.end && IsSpace(s_[v])) ++v;
        same = Between(v, t.end - 1) == node.value();
        break;
      }
      default: break;
    }
    if (same) Copy(t.start, t.end);
    else PrintNew(node);
  }

  // The start tag of `node`, read from the text as `t` (in tag_), with its
  // attributes as the node now has them.
  void WriteStartTag(pugi::xml_node node, const Token& t, bool children) {
    Copy(t.start, tag_.nameEnd);
    attributes_.clear();
    for (pugi::xml_attribute a : node.attributes()) attributes_.push_back({a, false});
    const auto named = [&](std::size_t k, const WrittenAttribute& w) {
      return !attributes_[k].used && Between(w.name, w.nameEnd) == attributes_[k].attribute.name();
    };
    for (std::size_t i = 0; i < tag_.attributes.size(); ++i) {
      const WrittenAttribute& w = tag_.attributes[i];
      std::size_t k = i < attributes_.size() && named(i, w) ? i : kNone;
      for (std::size_t j = 0; k == kNone && j < attributes_.size(); ++j)
        if (named(j, w)) k = j;
      if (k == kNone) continue;  // removed
      attributes_[k].used = true;
      const pugi::xml_attribute a = attributes_[k].attribute;
      if (Reads(Between(w.value, w.valueEnd), EntityContext::kAttribute, a.value())) {
        Copy(w.lead, w.valueEnd + 1);
      } else {
        Copy(w.lead, w.value);
        const char quote = s_[w.value - 1];
        WriteAttributeValue(a.value(), quote);
        Out() += quote;
      }
    }
    // Added attributes go after the last one, spaced and quoted like it.
    const WrittenAttribute* last = tag_.attributes.empty() ? nullptr : &tag_.attributes.back();
    const std::string_view lead = last ? Between(last->lead, last->name) : std::string_view(" ");
    const char quote = last ? s_[last->value - 1] : '"';
    for (const Added& added : attributes_) {
      if (added.used) continue;
      Out() += lead;
      Out() += added.attribute.name();
      Out() += '=';
      Out() += quote;
      WriteAttributeValue(added.attribute.value(), quote);
      Out() += quote;
    }
    if (children && tag_.empty) {
      Copy(tag_.tail, tag_.close);
      Out() += '>';
    } else {
      Copy(tag_.tail, tag_.end);
    }
  }

  void WriteAttributeValue(const char* value, char quote) {
    for (const char* p = value; *p; ++p) {
      const char c = *p;
      if (c == '&') Out() += "&amp;";
      else if (c == '<') Out() += "&lt;";
      else if (c == quote) Out() += quote == '"' ? "&quot;" : "&apos;";
      else if (static_cast<unsigned char>(c) < 0x20) AppendReference(Out(), static_cast<unsigned char>(c));
      else Out() += c;
    }
  }

  void WriteText(const char* value) {
    for (const char* p = value; *p; ++p) {
      const char c = *p;
      if (c == '&') Out() += "&amp;";
      else if (c == '<') Out() += "&lt;";
      else if (c == '>') Out() += "&gt;";
      else if (c == '\n') Out() += newline_;
      else if (c != '\t' && static_cast<unsigned char>(c) < 0x20) AppendReference(Out(), static_cast<unsigned char>(c));
      else Out() += c;
    }
  }

  // A node that is not in the text, as pugixml prints it (text as WriteText
  // does), its line breaks in the text's style.
  void PrintNew(pugi::xml_node node) {
    if (node.type() == pugi::node_pcdata) {  // a carriage return kept as a reference
      WriteText(node.value());
      return;
    }
    struct Collect : pugi::xml_writer {
      std::string* out;
      const std::string* newline;
      void write(const void* data, std::size_t size) override {
        const char* p = static_cast<const char*>(data);
        if (*newline == "\n") {
          out->append(p, size);
          return;
        }
        for (std::size_t i = 0; i < size; ++i) {
          if (p[i] == '\n' && (out->empty() || out->back() != '\r')) *out += '\r';
          *out += p[i];
        }
      }
    } writer;
    writer.out = &Out();
    writer.newline = &newline_;
    node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
  }

  struct Added {
    pugi::xml_attribute attribute;
    bool used;
  };

  const SpliceSource& source_;
  std::string_view s_;
  Lexer lexer_;
  std::string newline_;
  std::string out_;
  std::size_t copyFrom_ = kNone, copyTo_ = kNone;  // copied, not yet in out_
  std::string scratch_;
  StartTag tag_;
  std::vector<Added> attributes_;
};

}  // namespace

bool DecodeAsParsed(std::string_view raw, EntityContext context, std::string& out) {
  Decode<true>(raw, context, out);
  return true;
}

void NormaliseLineEnds(std::string_view raw, EntityContext context, std::string& out) {
  Decode<false>(raw, context, out);
}

std::string SpliceSerialize(const pugi::xml_document& document, const SpliceSource& source) {
  return Splicer(source).Run(document);
}

}  // namespace evenhue::svg
