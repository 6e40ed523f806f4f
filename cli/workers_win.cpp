// The cores of this process on Windows. No worker process is started here
// yet: batches and respace's large streams run in the command's own process.
#include <windows.h>

#include <bit>

#include "cli/cores.hpp"

namespace evenhue::cli {

unsigned CoresAvailable() {
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
    return static_cast<unsigned>(std::popcount(static_cast<unsigned long long>(process)));
  return 1;
}

}  // namespace evenhue::cli
