#include "tests/common/run_command.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace testcmd {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

namespace {

std::string ScratchFile(const char* what) {
  std::string pattern = std::string(P_tmpdir) + "/evenhue-test-" + what + "-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw std::runtime_error("cannot create a scratch file");
  ::close(fd);
  return pattern;
}

}  // namespace

Finished RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                    const std::string& output) {
  const std::string errFile = ScratchFile("err");
  const std::string outFile = output.empty() ? ScratchFile("out") : output;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_TRUNC, 0);

  std::vector<std::string> argvText;
  argvText.push_back(program);
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvText) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot run " + program);

  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0) {
  }
  Finished result;
  if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) result.signal = WTERMSIG(wstatus);
  result.err = ReadFile(errFile);
  ::unlink(errFile.c_str());
  if (output.empty()) {
    result.out = ReadFile(outFile);
    ::unlink(outFile.c_str());
  }
  return result;
}

Scratch::Scratch() {
  std::string pattern = (fs::temp_directory_path() / "evenhue-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  dir_ = pattern;
}

Scratch::~Scratch() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::map<std::string, std::string> Scratch::snapshot() const {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
    const std::string name = fs::relative(entry.path(), dir_).string();
    if (entry.is_regular_file() && entry.file_size() <= (64u << 20)) {
      files[name] = ReadFile(entry.path().string());
    } else if (entry.is_regular_file()) {
      files[name] = "size " + std::to_string(entry.file_size());
    } else {
      files[name] = "(not a regular file)";
    }
  }
  return files;
}

}  // namespace testcmd
