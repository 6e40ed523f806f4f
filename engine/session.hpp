// One conversation with the plug-in: the stand-in host loads the plug-in file,
// starts it, lets it re-space gradients with Go Live, and shuts it down.
#pragma once

#include <memory>
#include <string>

#include "host/host.hpp"

namespace evenhue::cli {

// The plug-in's file name beside the command (the build names it:
// Evenhue.so, or Evenhue_win_2025.aip on Windows).
inline constexpr char kPluginFileName[] = EVENHUE_PLUGIN_FILE_NAME;

// This program's own file, its folders parted by '/' (executable_posix.cpp,
// executable_win.cpp), and the plug-in built beside it.
std::string ExecutablePath();
std::string DefaultPluginPath();

class PluginSession {
 public:
  // Loads and starts the plug-in; throws InputError naming the file when it is
  // missing, not a library, lacks PluginMain or refuses to start.
  explicit PluginSession(const std::string& pluginPath);
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  host::Document& document();
  // The Live Effect renders `art` in place; throws InputError on a failing result.
  void GoLive(hostapi::ArtHandle art);
  // Sends "Shutdown"; throws InputError when the plug-in fails it.
  void Shutdown();

 private:
  std::string path_;
  std::unique_ptr<host::Host> host_;
  hostapi::LiveEffectHandle effect_ = nullptr;
  bool running_ = false;
};

// Runs `work(session)` for one document. A session that failed a document is
// not trusted with the next: whatever `work` throws, the session is dropped
// first (the next document starts a fresh one) and the exception goes on.
template <class Work>
decltype(auto) UseSession(std::unique_ptr<PluginSession>& session, Work&& work) {
  try {
    return work(session);
  } catch (...) {
    session.reset();
    throw;
  }
}

// A result code as text: 'CANT' for four printable characters, else the number.
std::string CodeText(hostapi::ResultCode code);

}  // namespace evenhue::cli
