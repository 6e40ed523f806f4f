// The command line as a Windows program gets it: one string, which each
// program splits into words itself (by the C library's rules, as
// CommandLineToArgvW does) and whose unquoted wildcards it expands itself,
// since no shell does either on Windows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace evenhue::cli {

struct CommandWord {
  std::wstring text;
  bool quoted = false;  // some of it was in double quotes
};

// How much of the command line is the program's name, as
// CommandLineToArgvW takes it.
std::size_t ProgramNameLength(std::wstring_view line);

// The words after the program's name, as CommandLineToArgvW splits them,
// each with whether any of it was quoted.
std::vector<CommandWord> SplitCommandLine(std::wstring_view line);

// An unquoted word with '*' or '?' in its last component stands for the
// files (not folders) it matches, in name order regardless of case, each
// with the word's folder; a word matching none, or quoted, stays as it is.
std::vector<std::wstring> ExpandWildcards(const CommandWord& word);

}  // namespace evenhue::cli
