// evenhue-inkscape.exe: what Inkscape's .inx runs on Windows, where no shell
// script can stand in. It runs `evenhue.exe inkscape` from its own folder
// with the rest of its command line as it came, on the same standard
// streams, and ends with the command's exit status. Inkscape gives the
// selected ids and the document's path; the new document goes straight from
// the command to Inkscape.
#include <windows.h>

#include <string>
#include <string_view>

#include "cli/command_line_win.hpp"

namespace {

std::wstring OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// One line on standard error, as the command's own errors are.
int Fail(const std::wstring& command) {
  const DWORD error = GetLastError();
  std::string line = "evenhue-inkscape: cannot run ";
  const int size = WideCharToMultiByte(CP_UTF8, 0, command.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? static_cast<std::size_t>(size - 1) : 0, '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, command.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  line += utf8 + " (Windows error " + std::to_string(error) + ")\r\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  return 1;
}

}  // namespace

int wmain() {
  const std::wstring command = OwnFolder() + L"\\" EVENHUE_COMMAND_FILE_NAME;
  const std::wstring_view given = GetCommandLineW();
  std::wstring line = L"\"" + command + L"\" inkscape";
  line += given.substr(evenhue::cli::ProgramNameLength(given));
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  const DWORD streams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE* const slots[] = {&start.hStdInput, &start.hStdOutput, &start.hStdError};
  for (int i = 0; i < 3; ++i) {
    *slots[i] = GetStdHandle(streams[i]);
    // The command takes these streams over: they must be handed down.
    SetHandleInformation(*slots[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  }
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(command.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process))
    return Fail(command);
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
