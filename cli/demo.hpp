// `evenhue demo`: the sample documents through the plug-in, with a table.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "engine/progress.hpp"

namespace evenhue::cli {

struct EmbeddedFile {
  const char* name;
  const unsigned char* data;
  std::size_t size;
};

// The sample documents of examples/, built into the command.
const std::vector<EmbeddedFile>& EmbeddedExamples();

// Writes DIR/evenhue.svg, DIR/ramps.png (ramps.svg where RendersPng() is false) and DIR/report.json and prints the
// table on `out`. Throws InputError on failure.
void RunDemo(const std::string& directory, const std::string& pluginPath, std::FILE* out, Progress& progress);

}  // namespace evenhue::cli
