// One code point in UTF-8, for the plug-in's file names and the host's text
// conversions alike.
#pragma once

#include "text/utf8.hpp"
