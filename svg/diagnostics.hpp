// What reading a document left alone: one line per warning, naming the
// element and what was not used.
#pragma once

#include <string>
#include <vector>

#include <pugixml.hpp>

namespace evenhue::svg {

using Warnings = std::vector<std::string>;

// "<rect id='a'>", or "<rect>" for an element without an id.
std::string DescribeElement(pugi::xml_node element);

}  // namespace evenhue::svg
