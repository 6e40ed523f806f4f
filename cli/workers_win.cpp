// Worker processes on Windows: copies of this program in a job object, with
// pipes for their standard input and output (workers_win.hpp).
#include "cli/workers_win.hpp"

#include <io.h>

#include <algorithm>
#include <bit>
#include <cstdio>

#include "windows/native_path.hpp"

namespace evenhue::cli {

unsigned CoresAvailable() {
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
    return static_cast<unsigned>(std::popcount(static_cast<unsigned long long>(process)));
  return 1;
}

std::optional<int> RunAsWorker(const std::vector<std::string>& args) {
  if (args.size() < 2 || args[0] != kWorkerArgument) return std::nullopt;
  const std::vector<std::string> rest(args.begin() + 2, args.end());
  if (args[1] == "batch") return RunBatchWorker(rest);
  if (args[1] == "respace") return RunRespaceWorker(rest);
  return 1;
}

std::string EndText(int status) {
  const auto code = static_cast<DWORD>(status);
  if (code < 0xC0000000u) return "exit status " + std::to_string(code);
  char text[32];
  std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
  return text;
}

bool EndedCleanly(int status) { return status == 0; }

std::wstring HandleArgument(HANDLE handle) {
  return std::to_wstring(static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
}

HANDLE HandleFromArgument(const std::string& text) {
  try {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::stoull(text)));
  } catch (const std::exception&) {
    return nullptr;
  }
}

OwnedHandle MakeWorkerJob() {
  OwnedHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job) return {};
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) return {};
  return job;
}

std::optional<StartedProcess> StartWorkerProcess(HANDLE job, const std::wstring& role,
                                                 const std::vector<std::wstring>& args) {
  std::wstring self(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (n == 0) return std::nullopt;
    if (n < self.size()) {
      self.resize(n);
      break;
    }
    self.resize(self.size() * 2);
  }
  std::wstring line = L"\"" + self + L"\" " + std::wstring(kWorkerArgument, kWorkerArgument + sizeof kWorkerArgument - 1) + L" " + role;
  for (const std::wstring& a : args) line += L" \"" + a + L"\"";

  // The child's ends are inheritable, this process's not; no other process
  // is started meanwhile (only the command's main thread starts workers),
  // so no other worker gets them.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE childIn = nullptr, toChild = nullptr, fromChild = nullptr, childOut = nullptr;
  constexpr DWORD kPipeBytes = 1 << 20;
  if (!CreatePipe(&childIn, &toChild, &inherit, kPipeBytes)) return std::nullopt;
  OwnedHandle in(childIn), to(toChild);
  if (!CreatePipe(&fromChild, &childOut, &inherit, kPipeBytes)) return std::nullopt;
  OwnedHandle from(fromChild), out(childOut);
  SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = childIn;
  start.hStdOutput = childOut;
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(self.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &start,
                      &process))
    return std::nullopt;
  // In the job before it runs, so that nothing it starts escapes it either.
  if (job) AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  StartedProcess started;
  started.process.Reset(process.hProcess);
  started.input = std::move(to);
  started.output = std::move(from);
  return started;
}

bool WriteHandle(HANDLE handle, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    DWORD n = 0;
    if (!WriteFile(handle, data.data(), chunk, &n, nullptr) || n == 0) return false;
    data.remove_prefix(n);
  }
  return true;
}

bool SendAll(int fd, std::string_view data) {
  return WriteHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), data);
}

bool ReceiveAll(int fd, char* data, std::size_t size) {
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  while (size > 0) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(handle, data, chunk, &n, nullptr) || n == 0) return false;
    data += n;
    size -= n;
  }
  return true;
}

}  // namespace evenhue::cli
