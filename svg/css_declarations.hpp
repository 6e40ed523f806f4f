// The declarations of a style attribute or of a rule's block, as the style
// sheet reads them (internal to the sheet's reader).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "svg/css_sheet.hpp"
#include "svg/css_tokens.hpp"

namespace evenhue::svg::css {

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};
template <class T>
using TextMap = std::unordered_map<std::string, T, TextHash, std::equal_to<>>;

// The declarations of one block, one per property as the block's own cascade
// leaves them. A declaration overridden later leaves an empty property name
// behind until the list is compacted; past a few properties they are found
// through an index.
class DeclarationList {
 public:
  void Add(Declaration&& d) {
    const std::size_t at = Find(d.property);
    if (at != kNone) {
      if (list_[at].important && !d.important) return;
      list_[at].property.clear();
      --live_;
    }
    list_.push_back(std::move(d));
    ++live_;
    if (!index_.empty()) index_[list_.back().property] = list_.size() - 1;
    if (list_.size() > 2 * live_ + kLinear) Compact();
    if (index_.empty() && live_ > kLinear) Reindex();
  }

  std::vector<Declaration> Take() {
    Compact();
    index_.clear();
    live_ = 0;
    return std::move(list_);
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  static constexpr std::size_t kLinear = 16;

  std::size_t Find(std::string_view property) const {
    if (!index_.empty()) {
      const auto it = index_.find(property);
      return it == index_.end() ? kNone : it->second;
    }
    for (std::size_t i = list_.size(); i-- > 0;)
      if (list_[i].property == property) return i;
    return kNone;
  }

  void Compact() {
    std::erase_if(list_, [](const Declaration& d) { return d.property.empty(); });
    if (!index_.empty()) Reindex();
  }

  void Reindex() {
    index_.clear();
    for (std::size_t i = 0; i < list_.size(); ++i)
      if (!list_[i].property.empty()) index_[list_[i].property] = i;
  }

  std::vector<Declaration> list_;
  TextMap<std::size_t> index_;
  std::size_t live_ = 0;
};

// What a reader keeps: the properties wanted, the values the check accepts.
struct Keep {
  PropertySet wanted;
  const ValueCheck& check;
};

using AtRuleHandler = std::function<void(std::string_view prelude)>;

// Reads declarations to the end of the text or, inside a block, to its
// closing brace (read).
void ReadDeclarations(TokenStream& ts, bool inBlock, const Keep& keep, DeclarationList& out,
                      const AtRuleHandler& onAtRule);

}  // namespace evenhue::svg::css
