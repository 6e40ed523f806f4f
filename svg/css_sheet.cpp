#include "svg/css_sheet.hpp"
namespace evenhue::svg::css {
std::vector<Declaration> ParseDeclarations(std::string_view text) {
  std::vector<Declaration> out; std::size_t start = 0;
  while (start <= text.size()) { auto end = text.find(';', start); if (end == std::string_view::npos) end = text.size();
    auto d = text.substr(start, end - start); auto c = d.find(':');
    if (c != std::string_view::npos) { auto trim=[](std::string_view v){ while(!v.empty()&&v.front()==' ') v.remove_prefix(1); while(!v.empty()&&v.back()==' ') v.remove_suffix(1); return v;};
      std::string v(trim(d.substr(c+1))); bool imp=false; auto b=v.find('!'); if (b!=std::string::npos){imp=true; v=std::string(trim(std::string_view(v).substr(0,b)));}
      out.push_back({std::string(trim(d.substr(0,c))), v, imp}); }
    start = end + 1; }
  return out; }
void StyleSheet::Add(std::string_view, std::vector<std::string>&) {}
void StyleSheet::ForEachMatch(pugi::xml_node, const std::function<void(const Match&)>&) const {}
}
