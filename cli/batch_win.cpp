// Batches on Windows: worker processes (copies of evenhue.exe, workers_win.hpp)
// take the documents in turn from memory shared with this process and tell
// it over a pipe what became of each, as forked workers do elsewhere
// (batch_ledger.hpp has what both do). A stop (Ctrl-C, Ctrl-Break, the
// console closing) stops the workers in the middle of their documents, each
// removing its temporary file; a second one ends the command at once.
#include <windows.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <memory>
#include <new>

#include "cli/batch_ledger.hpp"
#include "cli/files.hpp"
#include "cli/workers_win.hpp"
#include "engine/errors.hpp"
#include "windows/native_path.hpp"
#include "svg/file_io.hpp"

namespace evenhue::cli {

namespace {

constexpr int kWaitMilliseconds = 200;

// --- What a worker is told first, on its standard input: the batch -------------------------

std::string Setup(const BatchOptions& options, bool details) {
  const std::string payload = EncodeBatch(options, details);
  const std::uint64_t length = payload.size();
  return std::string(reinterpret_cast<const char*>(&length), sizeof length) + payload;
}

bool ReadSetup(int fd, BatchOptions& options, bool& details) {
  std::uint64_t length = 0;
  if (!ReceiveAll(fd, reinterpret_cast<char*>(&length), sizeof length)) return false;
  std::string bytes(length, '\0');
  return ReceiveAll(fd, bytes.data(), length) && DecodeBatch(bytes, options, details);
}

// --- A worker ----------------------------------------------------------------------------

BatchShared* gShared = nullptr;
// Held from the decision to put a result in place until the parent has been told.
CRITICAL_SECTION gHold;

// The worker stops at once, in the middle of a document or not: its
// temporary file goes, and it ends with 128 + the signal.
[[noreturn]] void StopNow(int signal) {
  EnterCriticalSection(&gHold);
  AskToStop(*gShared, signal);
  svg::RemoveTemporaryFiles(false);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(128 + signal));
  ExitProcess(static_cast<UINT>(128 + signal));
}

// The console's events reach the workers as well as the parent.
BOOL WINAPI OnConsoleEvent(DWORD event) { StopNow(SignalOfConsoleEvent(event)); }

}  // namespace

// Arguments: the shared memory's handle and the stop event's (inherited).
int RunBatchWorker(const std::vector<std::string>& args) {
  if (args.size() != 2) return kExitUsage;
  const HANDLE section = HandleFromArgument(args[0]);
  const HANDLE stop = HandleFromArgument(args[1]);
  void* view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(BatchShared));
  if (!view) return kExitBadInput;
  gShared = static_cast<BatchShared*>(view);  // made by the parent
  BinaryStream(0);
  BinaryStream(1);
  BatchOptions options;
  bool details = false;
  if (!ReadSetup(0, options, details)) return kExitBadInput;
  InitializeCriticalSection(&gHold);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  // The parent's word to stop.
  std::thread([stop] {
    if (WaitForSingleObject(stop, INFINITE) == WAIT_OBJECT_0) {
      const int signal = gShared->signal.load();
      StopNow(signal != 0 ? signal : SIGTERM);
    }
  }).detach();
  return ServeBatch(
      options, details, *gShared, 1, [] { EnterCriticalSection(&gHold); }, [] { LeaveCriticalSection(&gHold); });
}

namespace {

// --- The parent --------------------------------------------------------------------------

struct WorkerState {
  std::optional<std::uint64_t> current;  // the document it is working on
};
using Pool = ProcessPool<WorkerState>;
using Worker = Pool::Member;

class Batch {
 public:
  // `section` holds `shared`; `stop` is the workers' event to stop.
  Batch(const BatchOptions& options, BatchShared& shared, HANDLE section, HANDLE stop)
      : shared_(shared), stop_(stop), ledger_(options, shared) {
    args_ = {HandleArgument(section), HandleArgument(stop)};
    setup_ = Setup(options, ledger_.details());
  }

  void Run(unsigned workers) {
    ledger_.Begin();
    for (unsigned k = 0; k < workers; ++k) Spawn();
    const Pool::Events events{[this](Worker& w) { return ledger_.Take(w.received, w.current), true; },
                              [this](const Worker& w, int status) {
                                if (ledger_.Ended(w.current, EndedCleanly(status), EndText(status))) Spawn();
                              }};
    while (!workers_.empty()) {
      if (shared_.signal.load() != 0 && !stopped_) {
        // Interrupted: the workers stop now, in the middle of their documents.
        stopped_ = true;
        SetEvent(stop_);
      }
      workers_.Serve(kWaitMilliseconds, events);
      ledger_.Step();
    }
    ledger_.End();
  }

  // From the thread that takes console events.
  void Wake() { workers_.Wake(); }

  int Finish(std::FILE* summary) { return ledger_.Finish(summary); }

 private:
  void Spawn() {
    Worker* w = workers_.Start(L"batch", args_);
    if (w && workers_.Send(*w, setup_)) return;
    if (w || !workers_.empty()) return;  // its end shows when read; without a new one, the others carry on
    throw InputError("cannot start a worker: " + winres::SystemMessage(GetLastError()));
  }

  BatchShared& shared_;
  const HANDLE stop_;
  std::vector<std::wstring> args_;
  std::string setup_;
  bool stopped_ = false;
  BatchLedger ledger_;
  Pool workers_;
};

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* summary) {
  if (!options.outDir.empty()) MakeDirectories(options.outDir);
  const unsigned jobs = std::min(options.jobs != 0 ? options.jobs : CoresAvailable(), kMaxWorkers);
  const auto workers = static_cast<unsigned>(std::min<std::size_t>(jobs, options.inputs.size()));

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const OwnedHandle section(
      CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(BatchShared), nullptr));
  const OwnedHandle stop(CreateEventW(&inherit, TRUE, FALSE, nullptr));
  void* view = section ? MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(BatchShared)) : nullptr;
  if (!view || !stop) throw InputError("cannot start the workers: " + winres::SystemMessage(GetLastError()));
  const std::unique_ptr<void, decltype(&UnmapViewOfFile)> unmap(view, &UnmapViewOfFile);
  BatchShared* shared = new (view) BatchShared;
  Batch batch(options, *shared, section.get(), stop.get());
  {
    // The first stop stops the workers and lets the batch say what became of
    // it; a second one ends the command at once, as does one while the
    // preview and report are made.
    const StopHandler handler([shared, &batch](int signal) {
      AskToStop(*shared, signal);
      batch.Wake();
    });
    batch.Run(workers);
  }
  return batch.Finish(summary);
}

}  // namespace evenhue::cli
