// The command's arguments, folders for its outputs, and the signals that stop it. The names
// and identities of files, and writing them whole, are svg/file_io.hpp's.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace evenhue::cli {

// main()'s arguments after the program's name, in UTF-8 (on Windows read
// from the wide command line, as main() has them in the ANSI code page).
std::vector<std::string> CommandArguments(int argc, char** argv);

// Makes the stream `fd` pass bytes as they are (Windows's C library would
// otherwise turn line ends around and stop at Ctrl-Z); nothing elsewhere.
void BinaryStream(int fd);

// True when reading `fd` would not wait.
bool InputWaiting(int fd);

// Creates `path` and the folders above it as needed; throws InputError when
// that fails or `path` is not a folder afterwards.
void MakeDirectories(const std::string& path);

// --- Signals that stop the command ---------------------------------------------------

// SIGINT, SIGTERM and SIGHUP, less those ignored when the command started (as
// under nohup, or for a shell's background job), which stay ignored.
const std::vector<int>& StopSignals();
// Those and the other signals sent to end a process (SIGQUIT, SIGALRM,
// SIGUSR1, SIGUSR2), less the ignored ones: each is caught to remove the
// temporary files first, then ends the process as it would have.
const std::vector<int>& EndingSignals();

// For main(), before any other thread starts: the ending signals are blocked
// in every thread and taken by a thread of their own. Unless a StopHandler is
// in place for a stop signal, an ending signal removes the temporary files of outputs not yet in place
// and ends the process by that signal, so that every output is as it was or
// wholly written. SIGXFSZ is ignored: a write past a file-size limit fails
// (EFBIG) and is reported as an error naming the file.
void ReceiveStopSignals();

// While one lives, the first stop signal calls `onStop` with it (on the
// signals' thread) and does nothing else; the next one ends the process as above.
// For the platform halves (files_posix.cpp, files_win.cpp): gives a stop
// signal to the StopHandler in force, if any has not had one yet; false
// when the signal must end the process instead.
bool HandOverStop(int signal);

class StopHandler {
 public:
  explicit StopHandler(std::function<void(int)> onStop);
  ~StopHandler();
  StopHandler(const StopHandler&) = delete;
  StopHandler& operator=(const StopHandler&) = delete;
};

}  // namespace evenhue::cli
