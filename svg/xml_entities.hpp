// The general entities a document type declares in its internal subset, and
// their expansion in attribute values and text.
//
// Nothing outside the document is ever read: external, parameter and unparsed
// entities are refused where they are declared. Expansion is bounded in depth
// and in the replacement text it reads over a whole document, so that no
// declaration (one entity referenced a million times, ten referring to ten
// others each, ...) can make expansion cost more than a small multiple of the
// file itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace evenhue::svg {

// Where a reference stands. In an attribute value, white space that the
// replacement text holds literally becomes a space, as XML normalises
// attribute values; in text it stays as it is.
enum class EntityContext { kAttribute, kText };

class DeclaredEntities {
 public:
  struct Entity {
    std::string name;
    std::string text;     // replacement text: character references decoded, entity references kept
    bool markup = false;  // the replacement text holds a '<'
    std::size_t index = 0;  // in order of declaration
  };

  // Reads the internal subset of a document type declaration, given as the
  // text between "<!DOCTYPE" and its closing '>' (as pugixml keeps it).
  // Comments, processing instructions and element, attribute-list and
  // notation declarations are passed over (AttributeDefaults reads the
  // attribute lists). Throws SvgError for external,
  // parameter and unparsed entities and for anything it cannot read.
  static DeclaredEntities Read(std::string_view doctype);

  bool empty() const { return entities_.empty(); }
  std::size_t size() const { return entities_.size(); }
  const Entity* Find(std::string_view name) const;  // null when not declared

 private:
  struct Hash : std::hash<std::string_view> {
    using is_transparent = void;
  };
  std::unordered_map<std::string, Entity, Hash, std::equal_to<>> entities_;
};

// Each entity is expanded once per context and its expansion copied where
// it is used, so the work stays proportional to the declarations plus the
// text produced, however the entities refer to one another.
class EntityExpander {
 public:
  // `maxDepth`: entity references nested within one another (a reference in
  // the document itself is at depth 1); `maxBytes`: text produced by
  // expanding entities (each expansion once, and each copy of it) over all
  // the values this expander expands.
  EntityExpander(const DeclaredEntities& entities, std::uint32_t maxDepth, std::uint64_t maxBytes);

  // Appends `raw` to `out` with every reference replaced: the predefined
  // entities, character references and declared entities (their replacement
  // text expanded in turn). `raw` is a value as written in the document,
  // references untouched. A '&' that starts no well-formed reference is kept
  // as a character. Returns whether a declared entity was used. Throws
  // SvgError for an undeclared entity, a reference loop, a character XML
  // does not allow, replacement text holding markup, and past the bounds.
  //
  // Markup in replacement text ("<!ENTITY e '<rect/>'>") is refused rather
  // than kept as text: in content, every XML reader would see elements there,
  // so drawing it as text would leave shapes unseen and unchanged while
  // reporting success; in an attribute value XML forbids it.
  bool Expand(std::string_view raw, EntityContext context, std::string& out);

 private:
  struct Expansion {
    bool done = false;
    std::uint32_t height = 0;  // levels of entities within it, itself included
    std::string text;
  };

  // Appends `text` (at `depth`, 0 for a value as written) with its
  // references replaced; returns the height of the entities it used.
  std::uint32_t ExpandInto(std::string_view text, EntityContext context, std::uint32_t depth, std::string& out);
  const Expansion& Expanded(const DeclaredEntities::Entity& entity, EntityContext context, std::uint32_t depth);
  void Spend(std::uint64_t bytes);

  const DeclaredEntities& entities_;
  std::uint32_t maxDepth_;
  std::uint64_t maxBytes_;
  std::uint64_t produced_ = 0;
  bool usedDeclared_ = false;
  std::vector<Expansion> expanded_[2];                 // by context, then entity index
  std::vector<const DeclaredEntities::Entity*> open_;  // being expanded, outermost first
};

// The attribute defaults the internal subset declares (<!ATTLIST rect fill
// CDATA "red">, #FIXED ones too): what an XML reader that reads the internal
// subset gives an element that does not specify the attribute.
class AttributeDefaults {
 public:
  // Reads the attribute-list declarations of a document type declaration
  // (given as for DeclaredEntities::Read); references in default values are
  // expanded with `expander`. Throws SvgError for what it cannot read.
  static AttributeDefaults Read(std::string_view doctype, EntityExpander& expander);

  bool empty() const { return defaults_.empty(); }
  // The default of `attribute` on elements named `element` (as written,
  // prefix included), or null.
  const std::string* Find(std::string_view element, std::string_view attribute) const;

 private:
  static std::string Key(std::string_view element, std::string_view attribute);
  std::unordered_map<std::string, std::string> defaults_;  // "element attribute" -> value
};

}  // namespace evenhue::svg
