#include "host/host.hpp"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "host/host_state.hpp"
#include "text/utf8.hpp"

namespace host {

hostapi::MenuGroupHandle AddHostMenuGroup(const std::string& name);
hostapi::UnicodeStringRef AddHostString(std::string_view utf8);

namespace {

Host* gActiveHost = nullptr;

std::string RandomTag() {
  std::random_device device;
  std::uniform_int_distribution<std::uint32_t> pick;
  char buffer[20];
  std::snprintf(buffer, sizeof buffer, "%08x", pick(device));
  return buffer;
}

// The first record whose `field` equals `key`.
template <class Record>
std::optional<Record> FindRecord(const std::vector<Record>& records, std::string Record::*field,
                                 std::string_view key) {
  for (const Record& record : records) {
    if (record.*field == key) return record;
  }
  return std::nullopt;
}

}  // namespace

Host::Host(HostOptions options) : state_(std::make_unique<State>()) {
  if (gActiveHost != nullptr) throw HostError("another stand-in host is active in this process");
  auto& s = *state_;
  s.options = std::move(options);
  try {
    s.cmyk = MakeCmykConverter(s.options.cmykProfile, s.options.rgbProfile);
  } catch (const ColorSetupError& e) {
    throw HostError(std::string("colour management is not available: ") + e.what());
  }
  s.loader = MakeNativeLoader();
  s.recorder.setRecording(s.options.recordCalls);
  InstallSuites(s);
  gActiveHost = this;
  gActiveState = state_.get();
  for (const auto& name : s.options.menuGroups) AddHostMenuGroup(name);
}

Host::~Host() {
  auto& s = *state_;
  if (s.module.entry == nullptr && s.objectSlot != nullptr && !s.options.pluginPath.empty()) {
    // An unloaded plug-in still owns its object: load it again so that it can
    // free it at "Shutdown", as a quitting host does.
    try {
      reload();
    } catch (...) {
    }
  }
  if (s.module.entry != nullptr) {
    // A plug-in still alive gets its "Shutdown" so that it can free its object.
    if (s.objectSlot != nullptr) {
      hostapi::PluginMessage message = header();
      s.module.entry(hostapi::callers::kInterface, hostapi::selectors::kShutdown, &message);
      s.objectSlot = message.objectSlot;
    }
    std::string error;
    s.loader->close(s.module, error);
  }
  std::error_code ec;
  for (const auto& copy : s.copies) std::filesystem::remove(copy, ec);
  if (s.ownsScratch) std::filesystem::remove_all(s.scratch, ec);
  for (auto& [block, size] : s.blocks) ::operator delete(block);
  gActiveHost = nullptr;
  gActiveState = nullptr;
}

Host* Host::active() { return gActiveHost; }

// --- The plug-in file ---------------------------------------------------------------

void Host::load(const std::string& path) {
  auto& s = *state_;
  if (s.module.entry != nullptr) throw HostError("a plug-in library is already loaded: " + s.module.path);
  const std::string file = path.empty() ? s.options.pluginPath : path;
  if (file.empty()) throw HostError("no plug-in file given");
  s.options.pluginPath = file;  // reload() copies this file
  std::string error;
  if (!s.loader->open(file, s.module, error)) throw HostError(error);
}

void Host::closeLibrary() {
  auto& s = *state_;
  if (s.module.entry == nullptr) throw HostError("no plug-in library is loaded");
  std::string error;
  if (!s.loader->close(s.module, error)) throw HostError(error);
}

bool Host::isLoaded() const { return state_->module.entry != nullptr; }
std::string Host::loadedPath() const { return state_->module.path; }
std::string Host::pluginPath() const { return state_->options.pluginPath; }
Loader& Host::loader() { return *state_->loader; }

// --- Messages -------------------------------------------------------------------------

hostapi::PluginMessage Host::header() const {
  hostapi::PluginMessage m{};
  m.hostField = 0;
  m.padding = 0;
  m.pluginRef = state_->pluginRef();
  m.objectSlot = state_->objectSlot;
  m.basicSuite = &state_->basic;
  return m;
}

hostapi::ResultCode Host::send(const char* caller, const char* selector, void* record) {
  auto& s = *state_;
  if (s.module.entry == nullptr) return kNoPlugin;
  auto* message = static_cast<hostapi::PluginMessage*>(record);
  *message = header();
  const hostapi::ResultCode result = s.module.entry(caller, selector, record);
  s.objectSlot = message->objectSlot;
  return result;
}

hostapi::ResultCode Host::sendRaw(const char* caller, const char* selector, void* record) {
  if (state_->module.entry == nullptr) return kNoPlugin;
  return state_->module.entry(caller, selector, record);
}

void* Host::objectSlot() const { return state_->objectSlot; }
void Host::setObjectSlot(void* slot) { state_->objectSlot = slot; }
hostapi::PluginRef Host::pluginRef() const { return state_->pluginRef(); }
const hostapi::BasicSuite* Host::basicSuite() const { return &state_->basic; }

hostapi::ResultCode Host::startup() {
  if (!isLoaded()) load();
  hostapi::PluginMessage message{};
  return send(hostapi::callers::kInterface, hostapi::selectors::kStartup, message);
}

hostapi::ResultCode Host::shutdown() {
  hostapi::PluginMessage message{};
  return send(hostapi::callers::kInterface, hostapi::selectors::kShutdown, message);
}

hostapi::ResultCode Host::unload() {
  hostapi::PluginMessage message{};
  const hostapi::ResultCode result = send(hostapi::callers::kAccess, hostapi::selectors::kUnload, message);
  closeLibrary();
  return result;
}

hostapi::ResultCode Host::reload() {
  auto& s = *state_;
  if (s.module.entry != nullptr) throw HostError("reload needs the library unloaded first");
  namespace fs = std::filesystem;
  std::error_code ec;
  if (s.scratch.empty()) {
    if (!s.options.scratchDirectory.empty()) {
      s.scratch = unicode::PathFromUtf8(s.options.scratchDirectory);
    } else {
      s.scratch = fs::temp_directory_path(ec) / ("evenhue-host-" + RandomTag());
      s.ownsScratch = true;
    }
    fs::create_directories(s.scratch, ec);
    if (ec) throw HostError("cannot create " + unicode::Utf8FromPath(s.scratch) + ": " + ec.message());
  }
  using unicode::Utf8FromPath;
  const fs::path original = unicode::PathFromUtf8(s.options.pluginPath);
  fs::path copy = s.scratch / original.stem();
  copy += "-reload" + std::to_string(++s.reloads) + "-" + RandomTag();
  copy += original.extension();
  fs::copy_file(original, copy, fs::copy_options::overwrite_existing, ec);
  if (ec) throw HostError("cannot copy " + Utf8FromPath(original) + " to " + Utf8FromPath(copy) + ": " + ec.message());
  s.copies.push_back(copy);
  std::string error;
  if (!s.loader->open(Utf8FromPath(copy), s.module, error)) throw HostError(error);
  hostapi::PluginMessage message{};
  return send(hostapi::callers::kAccess, hostapi::selectors::kReload, message);
}

hostapi::ResultCode Host::purge() {
  hostapi::PluginMessage message{};
  return send(hostapi::callers::kCache, hostapi::selectors::kPurge, message);
}

hostapi::ResultCode Host::goLive(hostapi::LiveEffectHandle effect, hostapi::ArtHandle art) {
  hostapi::LiveEffectGoMessage message{};
  message.effect = effect;
  message.art = art;
  return send(hostapi::callers::kLiveEffect, hostapi::selectors::kLiveEffectGoLive, message);
}

hostapi::ResultCode Host::editParameters(hostapi::LiveEffectHandle effect, hostapi::LiveEffectEditContext context) {
  hostapi::LiveEffectEditParamMessage message{};
  message.effect = effect;
  message.context = context;
  return send(hostapi::callers::kLiveEffect, hostapi::selectors::kLiveEffectEditParameters, message);
}

hostapi::ResultCode Host::chooseMenuItem(hostapi::MenuItemHandle item) {
  hostapi::MenuMessage message{};
  message.menuItem = item;
  return send(hostapi::callers::kMenu, hostapi::selectors::kGo, message);
}

hostapi::ResultCode Host::updateMenuItem(hostapi::MenuItemHandle item) {
  hostapi::MenuMessage message{};
  message.menuItem = item;
  return send(hostapi::callers::kMenu, hostapi::selectors::kUpdate, message);
}

hostapi::ResultCode Host::sendNotification(hostapi::NotifierHandle notifier, const char* selector) {
  hostapi::NotifierMessage message{};
  message.notifier = notifier;
  message.type = "";
  for (const auto& n : state_->notifiers) {
    if (n.handle == notifier) message.type = n.type.c_str();
  }
  return send(hostapi::callers::kNotifier, selector, message);
}

std::vector<hostapi::ResultCode> Host::notify(std::string_view type) {
  std::vector<hostapi::NotifierHandle> targets;
  for (const auto& n : state_->notifiers) {
    if (n.type == type) targets.push_back(n.handle);
  }
  std::vector<hostapi::ResultCode> results;
  for (auto handle : targets) results.push_back(sendNotification(handle));
  return results;
}

Document& Host::document() { return state_->document; }
const Document& Host::document() const { return state_->document; }

// --- Suites ---------------------------------------------------------------------------------

void Host::withholdSuite(std::string_view name, hostapi::ResultCode code) {
  auto index = SuiteIndex(name);
  if (!index || *index >= kSuiteCount) throw HostError("no suite named " + std::string(name));
  state_->withheld[*index] = code;
}

void Host::offerSuite(std::string_view name) {
  auto index = SuiteIndex(name);
  if (!index || *index >= kSuiteCount) throw HostError("no suite named " + std::string(name));
  state_->withheld[*index].reset();
}

std::uint32_t Host::acquisitions(std::string_view name) const {
  auto index = SuiteIndex(name);
  return index && *index < kSuiteCount ? state_->acquired[*index] : 0;
}

std::uint32_t Host::releases(std::string_view name) const {
  auto index = SuiteIndex(name);
  return index && *index < kSuiteCount ? state_->released[*index] : 0;
}

std::int64_t Host::held(std::string_view name) const {
  return static_cast<std::int64_t>(acquisitions(name)) - static_cast<std::int64_t>(releases(name));
}

std::int64_t Host::totalHeld() const {
  std::int64_t total = 0;
  for (std::size_t i = 0; i < kSuiteCount; ++i) {
    total += static_cast<std::int64_t>(state_->acquired[i]) - static_cast<std::int64_t>(state_->released[i]);
  }
  return total;
}

const void* Host::suiteTable(std::string_view name) const {
  auto index = SuiteIndex(name);
  if (!index) return nullptr;
  if (*index == kBasicTableIndex) return &state_->basic;
  return state_->tables[*index].data();
}

Recorder& Host::recorder() { return state_->recorder; }
const Recorder& Host::recorder() const { return state_->recorder; }
void Host::setRecording(bool on) { state_->recorder.setRecording(on); }

// --- State of the suites ------------------------------------------------------------------------

const std::string& Host::pluginName() const { return state_->pluginName; }
std::uint32_t Host::accessAcquisitions() const { return state_->accessAcquired; }
std::uint32_t Host::accessReleases() const { return state_->accessReleased; }
std::size_t Host::openContexts() const { return state_->contextStack.size(); }
std::uint32_t Host::contextsOpened() const { return state_->contextsOpened; }
void Host::setCancel(bool cancel) { state_->cancel = cancel; }
const std::vector<std::string>& Host::alerts() const { return state_->alerts; }
void Host::setBrowserAvailable(bool available) { state_->browserAvailable = available; }
const std::vector<std::string>& Host::openedUrls() const { return state_->openedUrls; }
const std::vector<NotifierRecord>& Host::notifiers() const { return state_->notifiers; }
const std::vector<LiveEffectRecord>& Host::liveEffects() const { return state_->liveEffects; }

std::optional<LiveEffectRecord> Host::findLiveEffect(std::string_view name) const {
  return FindRecord(state_->liveEffects, &LiveEffectRecord::name, name);
}

const std::vector<LiveEffectMenuRecord>& Host::liveEffectMenuItems() const { return state_->liveEffectMenus; }
const std::vector<hostapi::LiveEffectEditContext>& Host::updatedParameters() const {
  return state_->updatedParameters;
}
const std::vector<MenuItemRecord>& Host::menuItems() const { return state_->menuItems; }

std::optional<MenuItemRecord> Host::findMenuItem(std::string_view key) const {
  return FindRecord(state_->menuItems, &MenuItemRecord::key, key);
}

const std::vector<MenuGroupRecord>& Host::menuGroups() const { return state_->menuGroups; }
hostapi::MenuGroupHandle Host::addMenuGroup(const std::string& name) { return AddHostMenuGroup(name); }

void Host::setUpdateFlags(std::int32_t inArtwork, std::int32_t isSelected, std::int32_t isTrue) {
  state_->updateFlags[0] = inArtwork;
  state_->updateFlags[1] = isSelected;
  state_->updateFlags[2] = isTrue;
}

std::size_t Host::liveStrings() const { return state_->strings.size(); }

std::optional<std::string> Host::stringText(hostapi::UnicodeStringRef string) const {
  auto units = stringUnits(string);
  if (!units) return std::nullopt;
  return Utf16ToUtf8(*units);
}

std::optional<std::u16string> Host::stringUnits(hostapi::UnicodeStringRef string) const {
  const std::uint64_t n = HandleNumber(HandleKind::String, string);
  auto it = state_->strings.find(n);
  if (n == 0 || it == state_->strings.end()) return std::nullopt;
  return it->second;
}

hostapi::UnicodeStringRef Host::newString(std::string_view utf8) { return AddHostString(utf8); }
std::size_t Host::liveBlocks() const { return state_->blocks.size(); }
void Host::setFolder(std::int32_t kind, const std::string& path) { state_->folders[kind] = path; }
std::size_t Host::liveFilePaths() const { return state_->filePaths.size(); }

std::optional<std::string> Host::filePathText(hostapi::FilePathRef path) const {
  const std::uint64_t n = HandleNumber(HandleKind::FilePath, path);
  auto it = state_->filePaths.find(n);
  if (n == 0 || it == state_->filePaths.end()) return std::nullopt;
  return it->second;
}

const std::vector<std::string>& Host::misuses() const { return state_->misuses; }

}  // namespace host
