// Runs the built `evenhue` command as a child process, its standard streams
// taken from and sent to files, as a shell would run it.
#pragma once

#include <string>
#include <vector>

namespace hostile {

struct Finished {
  int status = -1;     // exit status; -1 when the process did not exit normally
  int signal = 0;      // the signal that ended it, if any
  std::string out;     // what it wrote to standard output (empty when sent elsewhere)
  std::string err;     // what it wrote to standard error
};

// Runs `program` with `args`; standard input from `input`, standard output to
// `output` (a scratch file that is read back when empty).
Finished RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::string& input = "/dev/null", const std::string& output = {});

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);

}  // namespace hostile
