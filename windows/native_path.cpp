#include "windows/native_path.hpp"

#include <windows.h>

namespace winres {
namespace {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), count);
  return wide;
}

// Wine's own translation of a Unix file name; absent on Windows itself.
using DosNameFunction = WCHAR* (*)(const char*);

DosNameFunction WineDosName() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<DosNameFunction>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, "wine_get_dos_file_name")));
}

}  // namespace

std::wstring ToNativePath(const std::string& utf8Path) {
  if (!utf8Path.empty() && utf8Path.front() == '/') {
    if (DosNameFunction dosName = WineDosName()) {
      if (WCHAR* translated = dosName(utf8Path.c_str())) {
        std::wstring result(translated);
        HeapFree(GetProcessHeap(), 0, translated);
        return result;
      }
    }
  }
  std::wstring wide = Widen(utf8Path);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

std::string ToUtf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int count =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), count, nullptr, nullptr);
  return utf8;
}

std::string SystemMessage(unsigned long error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n > 0 && text ? std::wstring(text, n) : std::wstring();
  if (text) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.' || wide.back() == L' '))
    wide.pop_back();
  return wide.empty() ? "Windows error " + std::to_string(error) : ToUtf8(wide);
}

}  // namespace winres
