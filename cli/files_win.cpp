// Folders and stopping the command on Windows: Ctrl-C, Ctrl-Break and the
// console closing or the session ending do what SIGINT, SIGTERM and SIGHUP do
// elsewhere (files_posix.cpp): a StopHandler in place is told of the first
// one; otherwise the temporary files are removed and the process ends as the
// signal would have ended it (status 128 + the signal's number).
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <csignal>
#include <cstdlib>
#include <mutex>

#include "cli/command_line_win.hpp"
#include "cli/files.hpp"
#include "cli/workers_win.hpp"
#include "engine/errors.hpp"
#include "svg/file_io.hpp"
#include "windows/native_path.hpp"

namespace evenhue::cli {

namespace {

constexpr int kHangUp = 1;  // SIGHUP's number, which Windows's C library lacks

BOOL WINAPI TakeEvent(DWORD event) {
  const int signal = SignalOfConsoleEvent(event);
  if (HandOverStop(signal)) return TRUE;
  svg::RemoveTemporaryFiles(false);
  ExitProcess(static_cast<UINT>(128 + signal));
}

}  // namespace

int SignalOfConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT: return SIGINT;
    case CTRL_BREAK_EVENT: return SIGTERM;
    default: return kHangUp;  // the console closed, the user logged off or the system is shutting down
  }
}

std::vector<std::string> CommandArguments(int, char**) {
  std::vector<std::string> out;
  for (const CommandWord& word : SplitCommandLine(GetCommandLineW()))
    for (const std::wstring& argument : ExpandWildcards(word)) out.push_back(winres::ToUtf8(argument));
  return out;
}

void BinaryStream(int fd) { ::_setmode(fd, _O_BINARY); }

bool InputWaiting(int fd) {
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return false;
  switch (GetFileType(handle)) {
    case FILE_TYPE_DISK: return true;
    case FILE_TYPE_PIPE: {
      DWORD available = 0;
      return PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) && available > 0;
    }
    default: return false;  // a console waits for its user
  }
}

void MakeDirectories(const std::string& path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    const auto slash = path.find_first_of("/\\", start);
    const std::string prefix = path.substr(0, slash == std::string::npos ? path.size() : slash);
    start = slash == std::string::npos ? path.size() + 1 : slash + 1;
    if (prefix.empty() || (prefix.size() == 2 && prefix[1] == ':')) continue;  // the root, or a drive
    if (!CreateDirectoryW(winres::ToNativePath(prefix).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      throw InputError("cannot create " + prefix);
  }
  const DWORD attributes = GetFileAttributesW(winres::ToNativePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw InputError(path + " is not a folder");
}

const std::vector<int>& StopSignals() {
  static const std::vector<int>* const signals = new std::vector<int>{SIGINT, SIGTERM, kHangUp};
  return *signals;
}

const std::vector<int>& EndingSignals() { return StopSignals(); }

void ReceiveStopSignals() { SetConsoleCtrlHandler(TakeEvent, TRUE); }

}  // namespace evenhue::cli
