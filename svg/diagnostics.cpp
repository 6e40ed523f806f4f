#include "svg/diagnostics.hpp"

namespace evenhue::svg {

std::string DescribeElement(pugi::xml_node element) {
  std::string out(1, '<');
  out.append(element.name());
  if (const auto id = element.attribute("id")) out.append(" id='").append(id.value()).append(1, '\'');
  return out.append(1, '>');
}

}  // namespace evenhue::svg
