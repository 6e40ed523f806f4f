// Evenhue as an Inkscape effect (Extensions › Color › Evenhue).
//
// Inkscape runs the program its .inx names with one --id=ID per selected
// object and the path of a temporary copy of the document last, reads the new
// document from standard output and shows anything on standard error in a
// dialog. The installed folder holds the .inx, the small script it names,
// which runs `evenhue inkscape` beside it, the command and the plug-in.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace evenhue::cli {

// The files of the installed effect besides the command and the plug-in; they
// are built beside the command (from inkscape/).
struct InkscapeFile {
  const char* name;
  bool program;  // installed executable
};
inline constexpr InkscapeFile kInkscapeFiles[] = {{"evenhue.inx", false}, {"evenhue-inkscape", true}};
inline constexpr char kInkscapeFolder[] = "evenhue";  // inside the extensions folder

// `evenhue inkscape [--id=ID]... DOCUMENT`: applies the effect to the objects
// with these ids (the whole document when none) and writes the new document
// on standard output. Throws UsageError or InputError (one line, naming the
// document by the name Inkscape gave it).
int RunInkscapeEffect(const std::vector<std::string>& args, const std::string& pluginPath);

// The user's Inkscape extensions folder: $INKSCAPE_PROFILE_DIR/extensions,
// else $XDG_CONFIG_HOME/inkscape/extensions, else
// ~/.config/inkscape/extensions. Throws UsageError when none can be told.
std::string InkscapeExtensionsFolder();

// Copies the effect's files, this command and the plug-in into
// FOLDER/evenhue/ (each written whole, then renamed into place) and says
// where on `out`. Throws InputError.
void InstallInkscape(const std::string& folder, const std::string& pluginPath, std::FILE* out);

}  // namespace evenhue::cli
