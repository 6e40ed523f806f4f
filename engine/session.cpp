#include "engine/session.hpp"

#include <cctype>
#include <string>

#include "engine/errors.hpp"
#include "svg/file_io.hpp"

namespace evenhue::cli {

namespace {
constexpr const char kEffectName[] = "BCBC_Evenhue";
}  // namespace

std::string DefaultPluginPath() {
  const std::string exe = ExecutablePath();
  if (exe.empty()) return kPluginFileName;
  const auto slash = exe.rfind('/');
  return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/" + kPluginFileName;
}

std::string CodeText(hostapi::ResultCode code) {
  const auto u = static_cast<std::uint32_t>(code);
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((u >> shift) & 0xff);
    if (!std::isprint(static_cast<unsigned char>(c))) return std::to_string(code);
    text += c;
  }
  return "'" + text + "'";
}

PluginSession::PluginSession(const std::string& pluginPath) : path_(pluginPath) {
  if (!svg::IdentityOf(pluginPath))
    throw InputError("plug-in " + pluginPath + ": no such file (choose one with --plugin PATH)");
  try {
    host::HostOptions options;
    options.pluginPath = pluginPath;
    options.recordCalls = false;
    host_ = std::make_unique<host::Host>(options);
    host_->load();
  } catch (const std::exception& e) {
    throw InputError("plug-in " + pluginPath + ": " + e.what());
  }
  const hostapi::ResultCode started = host_->startup();
  running_ = true;
  if (started != hostapi::kNoError)
    throw InputError("plug-in " + pluginPath + ": start-up failed with code " + CodeText(started));
  if (const auto effect = host_->findLiveEffect(kEffectName)) {
    effect_ = effect->handle;
  } else if (host_->liveEffects().size() == 1) {
    effect_ = host_->liveEffects().front().handle;
  } else {
    throw InputError("plug-in " + pluginPath + ": it registered no Live Effect named " + kEffectName);
  }
}

PluginSession::~PluginSession() {
  if (running_ && host_) host_->shutdown();
}

host::Document& PluginSession::document() { return host_->document(); }

void PluginSession::GoLive(hostapi::ArtHandle art) {
  const hostapi::ResultCode code = host_->goLive(effect_, art);
  if (code != hostapi::kNoError) throw InputError("plug-in " + path_ + ": Go Live failed with code " + CodeText(code));
}

void PluginSession::Shutdown() {
  if (!running_) return;
  running_ = false;
  const hostapi::ResultCode code = host_->shutdown();
  if (code != hostapi::kNoError) throw InputError("plug-in " + path_ + ": shut-down failed with code " + CodeText(code));
}

}  // namespace evenhue::cli
