#include "cli/command_line_win.hpp"

#include <windows.h>

#include <algorithm>

namespace evenhue::cli {

std::size_t ProgramNameLength(std::wstring_view line) {
  // The name runs to the next quote when it starts with one, else to the
  // first blank; no backslash escapes anything in it.
  if (!line.empty() && line[0] == L'"') {
    const auto close = line.find(L'"', 1);
    return close == std::wstring_view::npos ? line.size() : close + 1;
  }
  std::size_t at = 0;
  while (at < line.size() && line[at] != L' ' && line[at] != L'\t') ++at;
  return at;
}

std::vector<CommandWord> SplitCommandLine(std::wstring_view line) {
  std::size_t at = ProgramNameLength(line);
  std::vector<CommandWord> words;
  for (;;) {
    while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) ++at;
    if (at == line.size()) return words;
    CommandWord word;
    bool quoted = false;
    while (at < line.size() && (quoted || (line[at] != L' ' && line[at] != L'\t'))) {
      std::size_t backslashes = 0;
      while (at < line.size() && line[at] == L'\\') ++backslashes, ++at;
      if (at < line.size() && line[at] == L'"') {
        // 2n backslashes and a quote: n backslashes, and the quote opens or
        // closes; 2n + 1: n backslashes and a quote. Inside quotes, "" is a
        // quote that also closes them.
        word.text.append(backslashes / 2, L'\\');
        if (backslashes % 2 == 1) {
          word.text += L'"';
        } else if (quoted && at + 1 < line.size() && line[at + 1] == L'"') {
          word.text += L'"';
          quoted = false;
          ++at;
        } else {
          quoted = !quoted;
          word.quoted = true;
        }
        ++at;
      } else {
        word.text.append(backslashes, L'\\');
        if (at < line.size() && (quoted || (line[at] != L' ' && line[at] != L'\t'))) word.text += line[at++];
      }
    }
    words.push_back(std::move(word));
  }
}

std::vector<std::wstring> ExpandWildcards(const CommandWord& word) {
  const auto folderEnd = word.text.find_last_of(L"\\/:");
  const std::size_t nameStart = folderEnd == std::wstring::npos ? 0 : folderEnd + 1;
  if (word.quoted || word.text.find_first_of(L"*?", nameStart) == std::wstring::npos) return {word.text};
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW(word.text.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (names.empty()) return {word.text};  // the command then says it cannot read it
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_LESS_THAN;
  });
  for (std::wstring& name : names) name.insert(0, word.text, 0, nameStart);
  return names;
}

}  // namespace evenhue::cli
