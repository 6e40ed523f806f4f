#pragma once
#include <compare>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>
#include <pugixml.hpp>
namespace evenhue::svg::css {
struct Declaration { std::string property; std::string value; bool important = false; };
std::vector<Declaration> ParseDeclarations(std::string_view text);
struct Specificity { std::uint32_t ids = 0, classes = 0, types = 0; auto operator<=>(const Specificity&) const = default; };
class StyleSheet {
 public:
  void Add(std::string_view text, std::vector<std::string>& warnings);
  bool empty() const { return true; }
  struct Match { const Declaration* declaration; Specificity specificity; std::uint32_t order; };
  void ForEachMatch(pugi::xml_node element, const std::function<void(const Match&)>& callback) const;
};
}
