// `evenhue respace`: gradients as JSON Lines in, the plug-in's stops out.
#pragma once

#include <string>

#include "engine/progress.hpp"
#include "cli/respace_lines.hpp"

namespace evenhue::cli {

struct RespaceOptions {
  std::string pluginPath;
  unsigned jobs = 0;  // worker processes at most; 0: one per core this process may use
};

// Answers every line of the stream `in` with one line on `out`, in input
// order, each as soon as it is there. Returns the exit status (1 when any
// line could not be read). Throws InputError when the plug-in cannot be used
// at all or a stream fails.
int RunRespace(int in, int out, const RespaceOptions& options, Progress& progress);

}  // namespace evenhue::cli
