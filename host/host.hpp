// The stand-in host: loads a plug-in file, sends it messages, offers every suite
// of the host interface by name and version, and holds a document for it to
// work on. Tests, benchmarks and the `evenhue` command drive the plug-in
// through this class exactly as Illustrator would, message by message.
//
// The suites are plain function tables without a user pointer, so one Host is
// active per process at a time: constructing a second one while the first
// lives throws HostError.
//
// Typical use:
//
//   host::Host h(host::HostOptions::ForPlugin("build/bin/Evenhue.so"));
//   h.startup();                                   // loads the file, "Startup"
//   auto group = h.document().newGroup();
//   ...
//   auto effect = h.findLiveEffect("BCBC_Evenhue");
//   h.goLive(effect->handle, group);
//   h.shutdown();
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/utf8.hpp"
#include "host/cmyk.hpp"
#include "host/document.hpp"
#include "host/loader.hpp"
#include "host/recorder.hpp"
#include "interface/host_api.hpp"

namespace host {

// The host's own result codes.
inline constexpr hostapi::ResultCode kSuiteNotFound = hostapi::FourCC("S!Fd");  // withheld or unknown suite
inline constexpr hostapi::ResultCode kWrongVersion = hostapi::FourCC("S!Vr");   // suite offered in another version
inline constexpr hostapi::ResultCode kNotAcquired = hostapi::FourCC("S!Rl");    // release of a suite not held
inline constexpr hostapi::ResultCode kTrapResult = kTrapCode;                   // an entry the host does not offer
inline constexpr hostapi::ResultCode kBadParameter = hostapi::FourCC("PARM");   // unknown handle, index out of range, null out-pointer
inline constexpr hostapi::ResultCode kTooManyStops = hostapi::FourCC("RANG");   // a gradient would pass 32767 stops
inline constexpr hostapi::ResultCode kNoPlugin = hostapi::FourCC("NOPL");       // no library loaded to send to

// Raised by the Host for set-up failures (profile missing, library not loadable, ...).
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct HostOptions {
  std::string pluginPath;                        // the plug-in file; may be set later with load()
  bool recordCalls = true;                       // the call log (counters, traps and faults work either way)
  std::string cmykProfile = kDefaultCmykProfile;
  std::string rgbProfile = kDefaultRgbProfile;
  std::string scratchDirectory;                  // where reload copies go; empty: the system's temporary folder
  std::vector<std::string> menuGroups = {"About", "Edit", "Window", "Help"};  // the host's own menu groups

  // The defaults with a plug-in file.
  static HostOptions ForPlugin(std::string path) {
    HostOptions options;
    options.pluginPath = std::move(path);
    return options;
  }
};

// --- What the plug-in registered -------------------------------------------------

struct NotifierRecord {
  hostapi::NotifierHandle handle = nullptr;
  hostapi::PluginRef plugin = nullptr;
  std::string name;
  std::string type;
};

struct LiveEffectRecord {
  hostapi::LiveEffectHandle handle = nullptr;
  hostapi::PluginRef plugin = nullptr;
  std::string name;
  std::string title;
  std::int32_t majorVersion = 0;
  std::int32_t minorVersion = 0;
  std::int32_t prefersAsInput = 0;
  std::int32_t styleFilterFlags = 0;
};

struct LiveEffectMenuRecord {
  hostapi::LiveEffectHandle effect = nullptr;
  std::string itemName;  // the name the plug-in registered the item under
  std::string category;
  std::string title;
  std::int32_t options = 0;
  hostapi::MenuItemHandle item = nullptr;
  hostapi::MenuGroupHandle group = nullptr;
};

struct AutoUpdateRecord {
  std::int32_t action = 0;
  std::int32_t ifMenuItemIsChecked = 0;
  std::int32_t ifMenuItemIsEnabled = 0;
  std::int32_t ifArtworkIsSelected = 0;
  std::int32_t ifDocumentIsOpen = 0;
  std::int32_t ifLayerIsEditable = 0;
  std::int32_t ifLayerIsVisible = 0;
};

struct MenuItemRecord {
  hostapi::MenuItemHandle handle = nullptr;
  hostapi::PluginRef plugin = nullptr;  // null for items of the Live Effect suite
  std::string key;                      // the name it was added under
  std::string groupName;                // the group that holds it
  std::string text;                     // its label, UTF-8
  std::int32_t options = 0;
  bool fromLiveEffect = false;
  std::optional<AutoUpdateRecord> autoUpdate;  // set by "set automatic update"
};

struct MenuGroupRecord {
  hostapi::MenuGroupHandle handle = nullptr;
  std::string name;
  std::int32_t options = 0;
  hostapi::MenuItemHandle parentItem = nullptr;  // null for the host's own groups
  bool hostOwned = false;
};

// --------------------------------------------------------------------------------

class Host {
 public:
  // Builds the colour converter (throws HostError when a profile is missing) and,
  // when `pluginPath` is set, nothing else yet: the file is loaded by load() or startup().
  explicit Host(HostOptions options = {});
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The active host, or null.
  static Host* active();

  // --- The plug-in file ----------------------------------------------------------
  // Loads `path` (or options.pluginPath when empty). Throws HostError when it
  // cannot be loaded or lacks "PluginMain", or when a library is already loaded.
  void load(const std::string& path = {});
  // Closes the library (no message is sent). Throws HostError when the system
  // loader refuses or the code stays mapped.
  void closeLibrary();
  bool isLoaded() const;
  // The file currently loaded (a reload copy after reload()); empty when none.
  std::string loadedPath() const;
  // The file given in the options or to load().
  std::string pluginPath() const;
  Loader& loader();

  // --- Lifecycle messages -------------------------------------------------------
  // Loads the file when needed and sends "SP Interface"/"Startup".
  hostapi::ResultCode startup();
  // "SP Interface"/"Shutdown". The library stays loaded.
  hostapi::ResultCode shutdown();
  // "SP Access"/"Unload", then closes the library for real.
  hostapi::ResultCode unload();
  // Copies the plug-in file to a new path in the scratch directory, loads the
  // copy, then sends "SP Access"/"Reload".
  hostapi::ResultCode reload();
  // "SP Cache"/"Plug-in Purge".
  hostapi::ResultCode purge();

  // --- Any message ------------------------------------------------------------------
  // Sends a record that begins with hostapi::PluginMessage. The host fills the
  // header (its plug-in reference, the kept object slot, the basic function
  // table) and afterwards keeps the object slot the plug-in left there.
  hostapi::ResultCode send(const char* caller, const char* selector, void* record);
  template <class Record>
  hostapi::ResultCode send(const char* caller, const char* selector, Record& record) {
    return send(caller, selector, static_cast<void*>(&record));
  }
  // Sends the record exactly as given; the kept object slot is not touched.
  hostapi::ResultCode sendRaw(const char* caller, const char* selector, void* record);
  // A header as send() would fill it.
  hostapi::PluginMessage header() const;

  void* objectSlot() const;
  void setObjectSlot(void* slot);
  hostapi::PluginRef pluginRef() const;
  const hostapi::BasicSuite* basicSuite() const;

  // --- Messages of the document ----------------------------------------------------
  hostapi::ResultCode goLive(hostapi::LiveEffectHandle effect, hostapi::ArtHandle art);
  hostapi::ResultCode editParameters(hostapi::LiveEffectHandle effect, hostapi::LiveEffectEditContext context);
  // "AI Menu"/"AI Go" and "AI Menu"/"AI Update" for an item.
  hostapi::ResultCode chooseMenuItem(hostapi::MenuItemHandle item);
  hostapi::ResultCode updateMenuItem(hostapi::MenuItemHandle item);
  // "AI Notifier" with `selector` ("AI Notify" by default) for one notifier handle.
  hostapi::ResultCode sendNotification(hostapi::NotifierHandle notifier, const char* selector = hostapi::selectors::kNotify);
  // Sends "AI Notifier"/"AI Notify" to every notifier registered for `type`, in
  // registration order; returns each result.
  std::vector<hostapi::ResultCode> notify(std::string_view type);

  Document& document();
  const Document& document() const;

  // --- Suites -----------------------------------------------------------------------
  // A withheld suite answers acquisition with `code`.
  void withholdSuite(std::string_view name, hostapi::ResultCode code = kSuiteNotFound);
  void offerSuite(std::string_view name);
  // Successful acquisitions and releases of a suite since the host started.
  std::uint32_t acquisitions(std::string_view name) const;
  std::uint32_t releases(std::string_view name) const;
  // Acquisitions minus releases, for one suite and over all suites.
  std::int64_t held(std::string_view name) const;
  std::int64_t totalHeld() const;
  // The function table the host hands out for a suite (for calling it directly in tests).
  const void* suiteTable(std::string_view name) const;

  Recorder& recorder();
  const Recorder& recorder() const;
  void setRecording(bool on);

  // --- State the suites expose ---------------------------------------------------
  // "SP Plug-ins Suite": the name the plug-in gave itself (empty before).
  const std::string& pluginName() const;
  // "SP Access Suite": references handed out and given back.
  std::uint32_t accessAcquisitions() const;
  std::uint32_t accessReleases() const;
  // "AI Context Suite": contexts opened and not yet closed.
  std::size_t openContexts() const;
  std::uint32_t contextsOpened() const;
  // "AI User Suite".
  void setCancel(bool cancel);
  const std::vector<std::string>& alerts() const;  // alert texts, UTF-8
  // "AI URL Suite".
  void setBrowserAvailable(bool available);
  const std::vector<std::string>& openedUrls() const;
  // "AI Notifier Suite".
  const std::vector<NotifierRecord>& notifiers() const;
  // "AI Live Effect Suite".
  const std::vector<LiveEffectRecord>& liveEffects() const;
  std::optional<LiveEffectRecord> findLiveEffect(std::string_view name) const;
  const std::vector<LiveEffectMenuRecord>& liveEffectMenuItems() const;
  const std::vector<hostapi::LiveEffectEditContext>& updatedParameters() const;
  // "AI Menu Suite": items of both the menu and the Live Effect suites, and groups in creation order.
  const std::vector<MenuItemRecord>& menuItems() const;
  std::optional<MenuItemRecord> findMenuItem(std::string_view key) const;
  const std::vector<MenuGroupRecord>& menuGroups() const;
  // Adds a group as if another plug-in had created it.
  hostapi::MenuGroupHandle addMenuGroup(const std::string& name);
  void setUpdateFlags(std::int32_t inArtwork, std::int32_t isSelected, std::int32_t isTrue);
  // "AI Unicode String Suite": strings alive now, their text, and new strings for tests.
  std::size_t liveStrings() const;
  std::optional<std::string> stringText(hostapi::UnicodeStringRef string) const;
  std::optional<std::u16string> stringUnits(hostapi::UnicodeStringRef string) const;
  hostapi::UnicodeStringRef newString(std::string_view utf8);
  // "SP Blocks Suite": blocks not yet freed.
  std::size_t liveBlocks() const;
  // "AI Folders Suite" and "AI File Path Suite".
  void setFolder(std::int32_t kind, const std::string& path);
  std::size_t liveFilePaths() const;
  std::optional<std::string> filePathText(hostapi::FilePathRef path) const;
  // Handles the host found wrong (double releases, unknown strings, ...), one line each.
  const std::vector<std::string>& misuses() const;

  struct State;  // the implementation's

 private:
  std::unique_ptr<State> state_;
};

}  // namespace host
