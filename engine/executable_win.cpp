#include <windows.h>

#include <algorithm>
#include <string>

#include "engine/session.hpp"
#include "windows/native_path.hpp"

namespace evenhue::cli {

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::string path = winres::ToUtf8(buffer);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace evenhue::cli
