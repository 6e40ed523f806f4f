// Runs the built `evenhue` command (or any program) as a child process, its
// standard streams taken from and sent to files, as a shell would run it; and
// a scratch folder per test case.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testcmd {

struct Finished {
  int status = -1;     // exit status; -1 when the process did not exit normally
  int signal = 0;      // the signal that ended it, if any
  std::string out;     // what it wrote to standard output (empty when sent elsewhere)
  std::string err;     // what it wrote to standard error
};

// Runs `program` with `args`; standard input from `input`, standard output to
// `output` (created when missing; a scratch file that is read back when empty).
Finished RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::string& input = "/dev/null", const std::string& output = {});

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  const std::filesystem::path& dir() const { return dir_; }

  // Every file below the folder with its bytes (files over 64 MiB by size only).
  std::map<std::string, std::string> snapshot() const;

 private:
  std::filesystem::path dir_;
};

}  // namespace testcmd
