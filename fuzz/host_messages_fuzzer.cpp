// Sequences of host messages: any caller, any selector, and handler fields
// (effect, menu item and notifier handles, input art, edit context) drawn from
// the handles the host really handed out, plus null and values it never did.
// The header's pointers (objectSlot, basicSuite, pluginRef) stay the host's
// own, as a real host keeps them. Whatever the sequence, the plug-in must not
// crash, must never make the host see a misused handle, and must leave every
// suite and context balanced once it has been shut down.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_host.hpp"

namespace {

const char* const kCallers[] = {
    "SP Interface", "SP Access",   "SP Cache",       "SP Properties", "AI Notifier", "Action Manager",
    "AI Menu",      "AI Filter",   "AI Plugin Group", "AI File Format", "AI Tool",    "AI Live Effect",
    "AI Timer",     "AI Clipboard", "Workspace Manager", "sp interface", "", "AI Live Effect "};

const char* const kSelectors[] = {
    "Startup", "Shutdown", "About", "Unload", "Reload", "Plug-in Purge", "Acquire", "Release", "AI Notify",
    "Do Action", "AI Go", "AI Update", "AI Get Parameters", "AI Notify Edits", "AI Check", "AI Update AI140",
    "AI Edit Options", "AI Track Cursor", "AI Mouse Down", "AI Mouse Drag", "AI Mouse Up", "AI Select",
    "AI Deselect", "AI Reselect", "AI Decrease Diameter", "AI Increase Diameter",
    "AI Live Effect Edit Parameters", "AI Live Effect Go Live", "AI Live Effect Interpolate Parameters",
    "AI Live Effect Input Type", "AI Live Effect Scale Parameters", "AI Live Effect Convert Color Space",
    "AI Live Effect Adjust Colors", "AI Live Effect Handle Merge", "AI Can Copy", "AI Clone", "AI Dispose",
    "Write Workspace", "Restore Workspace", "Default Workspace", "startup", ""};

// A small document per input: a group holding a gradient-filled path with a
// gradient stroke, a compound path sharing the fill, and a nested group.
std::vector<void*> BuildArt(host::Document& d) {
  const std::vector<hostapi::HostGradientStop> stops = {host::MakeStop(0, host::RgbColor(0, 0, 1)),
                                                        host::MakeStop(100, host::CmykColor(0, 0, 1, 0))};
  const auto gradient = d.newGradient(host::kGradientLinear, stops);
  const auto group = d.newGroup();
  const auto path = d.newPath(group);
  d.setPathStyle(path, host::MakePathStyle(host::GradientColor(gradient), host::GradientColor(gradient)));
  const auto compound = d.newCompoundPath(group);
  d.setPathStyle(compound, host::MakePathStyle(host::GradientColor(gradient), std::nullopt));
  const auto inner = d.newGroup(group);
  d.newOtherArt(inner);
  return {group, path, compound, inner, gradient};
}

// Every handle the host handed out that a message field could carry.
std::vector<void*> Dictionary(const host::Host& h, const std::vector<void*>& art) {
  std::vector<void*> handles = {nullptr, reinterpret_cast<void*>(std::uintptr_t{1}),
                                reinterpret_cast<void*>(~std::uintptr_t{0}),
                                reinterpret_cast<void*>(std::uintptr_t{0xDEADBEEF})};
  handles.insert(handles.end(), art.begin(), art.end());
  if (!h.liveEffects().empty()) handles.push_back(h.liveEffects().back().handle);
  const std::size_t items = h.menuItems().size();
  for (std::size_t i = items > 4 ? items - 4 : 0; i < items; ++i) handles.push_back(h.menuItems()[i].handle);
  const std::size_t notifiers = h.notifiers().size();
  for (std::size_t i = notifiers > 3 ? notifiers - 3 : 0; i < notifiers; ++i)
    handles.push_back(h.notifiers()[i].handle);
  return handles;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::RenewWhenLarger(20'000, 1'000'000);
  host::Host& h = fuzzing::SharedHost();
  if (h.objectSlot() == nullptr && h.startup() != 0) fuzzing::Violated("the plug-in does not start");
  const std::vector<void*> art = BuildArt(h.document());

  constexpr std::size_t kCallerCount = sizeof kCallers / sizeof kCallers[0];
  constexpr std::size_t kSelectorCount = sizeof kSelectors / sizeof kSelectors[0];
  std::size_t at = 0;
  int goLives = 0;
  const auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
  while (at < size) {
    const char* caller = kCallers[next() % kCallerCount];
    const char* selector = kSelectors[next() % kSelectorCount];
    // A host starts a plug-in only when it is not running.
    if (std::strcmp(caller, "SP Interface") == 0 && std::strcmp(selector, "Startup") == 0 && h.objectSlot() != nullptr)
      continue;
    // Each Go Live makes the art's gradients four times as dense: a few per
    // input reach every path of the walk and keep an input quick.
    if (std::strcmp(selector, "AI Live Effect Go Live") == 0 && ++goLives > 4) continue;
    const std::vector<void*> handles = Dictionary(h, art);
    // The fields after the header, as every caller's record lays them out.
    alignas(8) unsigned char record[128] = {};
    for (std::size_t offset = sizeof(hostapi::PluginMessage); offset + sizeof(void*) <= sizeof record;
         offset += sizeof(void*)) {
      void* field = handles[next() % handles.size()];
      std::memcpy(record + offset, &field, sizeof field);
    }
    if (std::strcmp(caller, "AI Notifier") == 0) {  // its type field is a C string to a real host
      const char* type = "";
      std::memcpy(record + offsetof(hostapi::NotifierMessage, type), &type, sizeof type);
    }
    h.setCancel(next() & 1);
    h.send(caller, selector, record);
  }
  h.setCancel(false);

  if (h.objectSlot() != nullptr) h.shutdown();
  if (h.totalHeld() != 0) fuzzing::Violated("suites are still held after shut-down");
  if (h.openContexts() != 0) fuzzing::Violated("a host context was left open");
  if (!h.misuses().empty()) {
    std::fprintf(stderr, "fuzz: %s\n", h.misuses().back().c_str());
    fuzzing::Violated("the host saw a misused handle");
  }
  if (h.liveStrings() != 0) fuzzing::Violated("host strings were left alive");
  return 0;
}
