// Well-formed UTF-8, as documents and the command's outputs must hold it.
#pragma once

#include "text/utf8.hpp"

namespace evenhue::svg {

using unicode::Utf8SequenceLength;

}  // namespace evenhue::svg
