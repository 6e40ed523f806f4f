// The suites the plug-in calls: plain structs of typed function pointers in
// table order, named members at their entry numbers, named gaps between them
// (null unless set), and a static_assert on every offset. Each has its
// registered name and version; the comment on an entry says what the plug-in
// relies on, and
// "unused" there marks a result or out-value the plug-in never reads (the call
// is made for its effect alone). They come in four groups, each header saying
// what the plug-in calls and in what order.
#pragma once

#include "interface/suites_art.hpp"
#include "interface/suites_data.hpp"
#include "interface/suites_life.hpp"
#include "interface/suites_menus.hpp"
