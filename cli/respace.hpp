// `evenhue respace`: gradients as JSON Lines in, the plug-in's stops out.
#pragma once

#include <cstdio>
#include <string>

#include "cli/progress.hpp"
#include "cli/respace_lines.hpp"

namespace evenhue::cli {

// Runs the whole batch: every line of `in`, one output line each on `out`.
// Returns the exit status (1 when any line could not be read). Throws
// InputError when the plug-in cannot be used at all.
int RunRespace(std::FILE* in, std::FILE* out, const std::string& pluginPath, Progress& progress);

}  // namespace evenhue::cli
