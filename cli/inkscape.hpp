// Evenhue as an Inkscape effect (Extensions › Color › Evenhue).
//
// Inkscape runs the program its .inx names with one --id=ID per selected
// object and the path of a temporary copy of the document last, reads the new
// document from standard output and shows anything on standard error in a
// dialog. The installed folder holds the .inx, the small program it names
// (a shell script; on Windows evenhue-inkscape.exe), which runs
// `evenhue inkscape` beside it, the command and the plug-in.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "svg/file_io.hpp"

namespace evenhue::cli {

// The files of the installed effect besides the command and the plug-in; they
// are built beside the command (from inkscape/).
struct InkscapeFile {
  const char* name;
  bool program;  // installed executable
};
inline constexpr InkscapeFile kInkscapeFiles[] = {{"evenhue.inx", false}, {EVENHUE_INKSCAPE_RUNNER, true}};
inline constexpr char kInkscapeFolder[] = "evenhue";  // inside the extensions folder
// The command's own file, as the build names it and the .inx expects it.
inline constexpr char kCommandFileName[] = EVENHUE_COMMAND_FILE_NAME;

// `evenhue inkscape [--id=ID]... DOCUMENT`: applies the effect to the objects
// with these ids (the whole document when none) and writes the new document
// on standard output. Throws UsageError or InputError (one line, naming the
// document by the name Inkscape gave it).
int RunInkscapeEffect(const std::vector<std::string>& args, const std::string& pluginPath);

// The user's Inkscape extensions folder: $INKSCAPE_PROFILE_DIR/extensions,
// else $XDG_CONFIG_HOME/inkscape/extensions, else
// ~/.config/inkscape/extensions; on Windows %INKSCAPE_PROFILE_DIR%\extensions,
// else %APPDATA%\inkscape\extensions. Throws UsageError when none can be told.
std::string InkscapeExtensionsFolder();

// Copies the effect's files, this command and the plug-in into
// FOLDER/evenhue/ (each written whole, then renamed into place) and says
// where on `out`. Throws InputError.
void InstallInkscape(const std::string& folder, const std::string& pluginPath, std::FILE* out);

// For the platform halves (inkscape_posix.cpp, inkscape_win.cpp): writes a
// new file of the install (`program`: one the system runs); puts the folder
// `made` at `target`, in place of an earlier install, and releases it. Both
// throw InputError naming the file.
void WriteInstalledFile(const std::string& path, const std::string& data, bool program);
void PutInstallInPlace(svg::TemporaryFolder& made, const std::string& target);

}  // namespace evenhue::cli
