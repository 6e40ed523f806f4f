#include "text/utf8.hpp"
#include "svg/xml_entities.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "svg/svg_document.hpp"

namespace evenhue::svg {

namespace {

// The entities every XML document has without declaring them.
constexpr std::array<std::pair<std::string_view, char>, 5> kPredefined = {{
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''},
}};

// Declarations of the internal subset that define nothing expansion needs.
constexpr std::array<std::string_view, 2> kPassedOver = {"<!ELEMENT", "<!NOTATION"};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// XML names, with every non-ASCII byte taken as a name character.
bool IsNameStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// The length of the name at the start of `text` (0 when there is none).
std::size_t NameLength(std::string_view text) {
  if (text.empty() || !IsNameStart(text[0])) return 0;
  std::size_t n = 1;
  while (n < text.size() && IsNameChar(text[n])) ++n;
  return n;
}

bool IsXmlChar(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// A reference at the start of `text`, which starts with '&' (or '%').
struct Reference {
  enum Kind { kNone, kCharacter, kNamed } kind = kNone;  // kNone: not a well-formed reference
  std::size_t length = 0;                                // of the whole reference, '&' to ';'
  std::string_view name;                                 // kNamed
  std::uint32_t code = 0;                                // kCharacter; 0 when out of range
};

Reference ReadReference(std::string_view text) {
  Reference ref;
  if (text.size() > 1 && text[1] == '#') {
    const bool hex = text.size() > 2 && text[2] == 'x';
    std::size_t at = hex ? 3 : 2;
    const std::size_t digitsFrom = at;
    std::uint32_t code = 0;
    for (; at < text.size(); ++at) {
      const char c = text[at];
      int digit;
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      else break;
      code = code > 0x10FFFF ? code : code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    if (at == digitsFrom || at >= text.size() || text[at] != ';') return ref;
    ref.kind = Reference::kCharacter;
    ref.length = at + 1;
    ref.code = code;
    return ref;
  }
  const std::size_t n = NameLength(text.substr(1));
  if (n == 0 || 1 + n >= text.size() || text[1 + n] != ';') return ref;
  ref.kind = Reference::kNamed;
  ref.length = n + 2;
  ref.name = text.substr(1, n);
  return ref;
}

void AppendCharacter(const Reference& ref, std::string_view text, std::string& out) {
  if (!IsXmlChar(ref.code))
    throw SvgError("the character reference '" + std::string(text.substr(0, ref.length)) +
                   "' is not a character XML allows");
  unicode::AppendUtf8(out, static_cast<char32_t>(ref.code));
}

std::string Quoted(std::string_view name) {
  std::string quoted(1, '\'');
  quoted.append(name);
  quoted += '\'';
  return quoted;
}

// Reads the internal subset of one document type declaration.
class SubsetReader {
 public:
  // `attributeLists`: whether attribute-list declarations are read (else passed over).
  SubsetReader(std::string_view doctype, bool attributeLists) : s_(doctype), attributeLists_(attributeLists) {}

  // Calls `declare(name, literal)` for each internal general entity and
  // `onDefault(element, attribute, literal)` for each attribute default
  // (#FIXED ones too), in order of declaration.
  template <typename Declare, typename OnDefault>
  void Read(Declare&& declare, OnDefault&& onDefault) {
    // The subset follows the root element's name and the external
    // identifier, whose quoted literals may hold a '['.
    while (at_ < s_.size() && s_[at_] != '[') {
      if (s_[at_] == '"' || s_[at_] == '\'') SkipLiteral();
      else ++at_;
    }
    if (at_ >= s_.size()) return;  // no internal subset
    ++at_;
    for (;;) {
      SkipSpace();
      if (at_ >= s_.size()) NotUnderstood();
      const std::string_view rest = s_.substr(at_);
      if (rest[0] == ']') return;
      if (rest.starts_with("<!--")) {
        SkipPast("-->");
      } else if (rest.starts_with("<?")) {
        SkipPast("?>");
      } else if (StartsWithKeyword(rest, "<!ENTITY")) {
        at_ += 8;
        ReadEntity(declare);
      } else if (StartsWithKeyword(rest, "<!ATTLIST")) {
        if (attributeLists_) {
          at_ += 9;
          ReadAttributeList(onDefault);
        } else {
          SkipDeclaration();
        }
      } else if (std::any_of(kPassedOver.begin(), kPassedOver.end(),
                             [&](std::string_view k) { return StartsWithKeyword(rest, k); })) {
        SkipDeclaration();
      } else if (rest[0] == '%') {
        const Reference ref = ReadReference(rest);
        if (ref.kind != Reference::kNamed) NotUnderstood();
        throw SvgError("the document type refers to a parameter entity '%" + std::string(ref.name) +
                       ";', which is refused");
      } else {
        NotUnderstood();
      }
    }
  }

 private:
  static bool StartsWithKeyword(std::string_view text, std::string_view keyword) {
    return text.starts_with(keyword) && text.size() > keyword.size() && IsSpace(text[keyword.size()]);
  }

  [[noreturn]] void NotUnderstood() const {
    std::string excerpt;
    for (std::size_t i = at_; i < s_.size() && excerpt.size() < 32; ++i) {
      const char c = s_[i];
      if (c < 0x20 || c > 0x7E) break;
      excerpt += c;
      if (c == '>') break;
    }
    throw SvgError("the document type holds a declaration that is not understood: '" + excerpt + "'");
  }

  void SkipSpace() {
    while (at_ < s_.size() && IsSpace(s_[at_])) ++at_;
  }

  void SkipPast(std::string_view end) {
    const std::size_t found = s_.find(end, at_);
    if (found == std::string_view::npos) NotUnderstood();
    at_ = found + end.size();
  }

  // A quoted literal at `at_`; returns its content.
  std::string_view SkipLiteral() {
    const std::size_t close = s_.find(s_[at_], at_ + 1);
    if (close == std::string_view::npos) NotUnderstood();
    const std::string_view content = s_.substr(at_ + 1, close - at_ - 1);
    at_ = close + 1;
    return content;
  }

  // Up to and past the '>' that ends a declaration, outside quoted literals;
  // returns whether the unquoted part holds `word`.
  bool SkipDeclaration(std::string_view word = {}) {
    bool found = false;
    std::size_t from = at_;
    while (at_ < s_.size() && s_[at_] != '>') {
      if (s_[at_] == '"' || s_[at_] == '\'') {
        found = found || (!word.empty() && s_.substr(from, at_ - from).find(word) != std::string_view::npos);
        SkipLiteral();
        from = at_;
      } else {
        ++at_;
      }
    }
    if (at_ >= s_.size()) NotUnderstood();
    found = found || (!word.empty() && s_.substr(from, at_ - from).find(word) != std::string_view::npos);
    ++at_;
    return found;
  }

  std::string_view ReadName() {
    const std::size_t n = NameLength(s_.substr(at_));
    if (n == 0) NotUnderstood();
    const std::string_view name = s_.substr(at_, n);
    at_ += n;
    return name;
  }

  template <typename Declare>
  void ReadEntity(Declare&& declare) {
    const std::size_t start = at_ - 8;
    SkipSpace();
    if (at_ < s_.size() && s_[at_] == '%') {
      ++at_;
      SkipSpace();
      throw SvgError("the document type declares a parameter entity " + Quoted(ReadName()) + ", which is refused");
    }
    const std::string_view name = ReadName();
    const std::size_t afterName = at_;
    SkipSpace();
    if (at_ == afterName || at_ >= s_.size()) {
      at_ = start;
      NotUnderstood();
    }
    const std::string_view rest = s_.substr(at_);
    if (rest[0] == '"' || rest[0] == '\'') {
      const std::string_view literal = SkipLiteral();
      SkipSpace();
      if (at_ >= s_.size() || s_[at_] != '>') {
        at_ = start;
        NotUnderstood();
      }
      ++at_;
      declare(name, literal);
    } else if (StartsWithKeyword(rest, "SYSTEM") || StartsWithKeyword(rest, "PUBLIC")) {
      const bool unparsed = SkipDeclaration("NDATA");
      throw SvgError("the document type declares " + std::string(unparsed ? "an unparsed" : "an external") +
                     " entity " + Quoted(name) + ", which is refused");
    } else {
      at_ = start;
      NotUnderstood();
    }
  }

  // After "<!ATTLIST": the element's name, then for each attribute its name,
  // type and default.
  template <typename OnDefault>
  void ReadAttributeList(OnDefault&& onDefault) {
    const std::size_t start = at_ - 9;
    const auto fail = [&] {
      at_ = start;
      NotUnderstood();
    };
    SkipSpace();
    const std::string_view element = ReadName();
    for (;;) {
      SkipSpace();
      if (at_ >= s_.size()) fail();
      if (s_[at_] == '>') {
        ++at_;
        return;
      }
      const std::string_view attribute = ReadName();
      SkipSpace();
      if (at_ >= s_.size()) fail();
      if (s_[at_] != '(') {
        const std::string_view type = ReadName();  // CDATA, ID, NMTOKENS, NOTATION, ...
        SkipSpace();
        if (type == "NOTATION" && (at_ >= s_.size() || s_[at_] != '(')) fail();
      }
      if (at_ < s_.size() && s_[at_] == '(') {  // an enumeration
        const std::size_t close = s_.find(')', at_);
        if (close == std::string_view::npos) fail();
        at_ = close + 1;
      }
      SkipSpace();
      if (at_ >= s_.size()) fail();
      if (s_[at_] == '#') {
        ++at_;
        const std::string_view keyword = ReadName();
        if (keyword == "REQUIRED" || keyword == "IMPLIED") continue;
        if (keyword != "FIXED") fail();
        SkipSpace();
      }
      if (at_ >= s_.size() || (s_[at_] != '"' && s_[at_] != '\'')) fail();
      onDefault(element, attribute, SkipLiteral());
    }
  }

  std::string_view s_;
  bool attributeLists_;
  std::size_t at_ = 0;
};

// The replacement text of an entity value as declared: line ends normalised,
// character references decoded, entity references kept for expansion on use.
std::string ReplacementText(std::string_view name, std::string_view literal) {
  std::string text;
  text.reserve(literal.size());
  for (std::size_t i = 0; i < literal.size(); ++i) {
    const char c = literal[i];
    if (c == '\r') {
      text += '\n';
      if (i + 1 < literal.size() && literal[i + 1] == '\n') ++i;
    } else if (c == '&' || c == '%') {
      const Reference ref = ReadReference(literal.substr(i));
      if (c == '%' && ref.kind == Reference::kNamed)
        throw SvgError("the entity " + Quoted(name) + " refers to a parameter entity '%" + std::string(ref.name) +
                       ";', which is refused");
      if (c == '&' && ref.kind == Reference::kCharacter) {
        AppendCharacter(ref, literal.substr(i), text);
        i += ref.length - 1;
      } else {
        text += c;
      }
    } else {
      text += c;
    }
  }
  return text;
}

std::string ByteCount(std::uint64_t bytes) {
  return bytes >= (1u << 20) ? std::to_string(bytes >> 20) + " MiB" : std::to_string(bytes) + " bytes";
}

}  // namespace

DeclaredEntities DeclaredEntities::Read(std::string_view doctype) {
  DeclaredEntities result;
  SubsetReader(doctype, false).Read(
      [&](std::string_view name, std::string_view literal) {
    // The predefined entities mean what they always mean; of two
    // declarations of one name, the first holds (as XML has it).
    const bool predefined =
        std::any_of(kPredefined.begin(), kPredefined.end(), [&](const auto& p) { return p.first == name; });
    if (predefined || result.entities_.count(std::string(name))) return;
    Entity entity{std::string(name), ReplacementText(name, literal), false, result.entities_.size()};
    entity.markup = entity.text.find('<') != std::string::npos;
    result.entities_.emplace(entity.name, std::move(entity));
      },
      [](std::string_view, std::string_view, std::string_view) {});
  return result;
}

AttributeDefaults AttributeDefaults::Read(std::string_view doctype, EntityExpander& expander) {
  AttributeDefaults result;
  SubsetReader(doctype, true).Read([](std::string_view, std::string_view) {},
                             [&](std::string_view element, std::string_view attribute, std::string_view literal) {
                               // Of two declarations of one attribute, the first holds.
                               std::string key = Key(element, attribute);
                               if (result.defaults_.count(key)) return;
                               // White space written in the literal becomes a space, as in any attribute value.
                               std::string written(literal);
                               for (char& c : written)
                                 if (IsSpace(c)) c = ' ';
                               std::string value;
                               expander.Expand(written, EntityContext::kAttribute, value);
                               result.defaults_.emplace(std::move(key), std::move(value));
                             });
  return result;
}

std::string AttributeDefaults::Key(std::string_view element, std::string_view attribute) {
  std::string key;
  key.reserve(element.size() + attribute.size() + 1);
  key.append(element).append(1, ' ').append(attribute);
  return key;
}

const std::string* AttributeDefaults::Find(std::string_view element, std::string_view attribute) const {
  const auto it = defaults_.find(Key(element, attribute));
  return it == defaults_.end() ? nullptr : &it->second;
}

const DeclaredEntities::Entity* DeclaredEntities::Find(std::string_view name) const {
  const auto it = entities_.find(name);
  return it == entities_.end() ? nullptr : &it->second;
}

EntityExpander::EntityExpander(const DeclaredEntities& entities, std::uint32_t maxDepth, std::uint64_t maxBytes)
    : entities_(entities), maxDepth_(maxDepth), maxBytes_(maxBytes) {
  for (auto& memos : expanded_) memos.resize(entities.size());
}

bool EntityExpander::Expand(std::string_view raw, EntityContext context, std::string& out) {
  usedDeclared_ = false;
  open_.clear();
  ExpandInto(raw, context, 0, out);
  return usedDeclared_;
}

void EntityExpander::Spend(std::uint64_t bytes) {
  produced_ += bytes;
  if (produced_ > maxBytes_)
    throw SvgError("the entities expand to more than " + ByteCount(maxBytes_) + " of text, which is refused");
}

const EntityExpander::Expansion& EntityExpander::Expanded(const DeclaredEntities::Entity& entity,
                                                          EntityContext context, std::uint32_t depth) {
  Expansion& expansion = expanded_[static_cast<std::size_t>(context)][entity.index];
  const auto tooDeep = [&] {
    return SvgError("entities nested more than " + std::to_string(maxDepth_) + " deep (at " + Quoted(entity.name) +
                    "), which is refused");
  };
  if (expansion.done) {
    if (depth + expansion.height - 1 > maxDepth_) throw tooDeep();
    return expansion;
  }
  if (std::find(open_.begin(), open_.end(), &entity) != open_.end())
    throw SvgError("the entity " + Quoted(entity.name) + " refers to itself, which is refused");
  if (depth > maxDepth_) throw tooDeep();
  if (entity.markup) throw SvgError("the entity " + Quoted(entity.name) + " holds markup, which is refused");
  open_.push_back(&entity);
  std::string text;
  expansion.height = 1 + ExpandInto(entity.text, context, depth, text);
  expansion.text = std::move(text);
  expansion.done = true;
  open_.pop_back();
  return expansion;
}

std::uint32_t EntityExpander::ExpandInto(std::string_view text, EntityContext context, std::uint32_t depth,
                                         std::string& out) {
  // White space in the value as written was normalised by the XML parser
  // already; only replacement text still holds it literally. What is
  // appended to replacement text counts towards the bound, and so does every
  // copy of an expanded entity.
  const bool inEntity = depth > 0;
  const bool normaliseSpace = context == EntityContext::kAttribute && inEntity;
  const auto append = [&](std::string_view part) {
    if (inEntity) Spend(part.size());
    out.append(part);
  };
  std::uint32_t height = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t next = at;
    if (normaliseSpace) {
      while (next < text.size() && text[next] != '&' && (text[next] == ' ' || !IsSpace(text[next]))) ++next;
    } else {
      next = std::min(text.find('&', at), text.size());
    }
    append(text.substr(at, next - at));
    at = next;
    if (at >= text.size()) break;
    if (text[at] != '&') {
      append(" ");
      ++at;
      continue;
    }
    const std::string_view rest = text.substr(at);
    const Reference ref = ReadReference(rest);
    if (ref.kind == Reference::kNone) {
      append("&");
      ++at;
      continue;
    }
    at += ref.length;
    if (ref.kind == Reference::kCharacter) {
      std::string character;
      AppendCharacter(ref, rest, character);
      append(character);
      continue;
    }
    if (const DeclaredEntities::Entity* entity = entities_.Find(ref.name)) {
      const Expansion& expansion = Expanded(*entity, context, depth + 1);
      height = std::max(height, expansion.height);
      Spend(expansion.text.size());
      out += expansion.text;
      usedDeclared_ = true;
      continue;
    }
    const auto predefined =
        std::find_if(kPredefined.begin(), kPredefined.end(), [&](const auto& p) { return p.first == ref.name; });
    if (predefined == kPredefined.end())
      throw SvgError("the document uses the entity " + Quoted(ref.name) + ", which is not declared");
    append(std::string_view(&predefined->second, 1));
  }
  return height;
}

}  // namespace evenhue::svg
